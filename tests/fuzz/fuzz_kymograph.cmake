ordavia_fuzzer(fuzz_kymograph SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_kymograph.cpp DEPS linescan)
