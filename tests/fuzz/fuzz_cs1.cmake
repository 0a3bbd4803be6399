ordavia_fuzzer(fuzz_cs1 SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_cs1.cpp DEPS measure)
