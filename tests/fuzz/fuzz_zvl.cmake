ordavia_fuzzer(fuzz_zvl SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_zvl.cpp DEPS linescan)
