ordavia_fuzzer(fuzz_zvoff SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_zvoff.cpp DEPS video)
