ordavia_fuzzer(fuzz_dimlist SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_dimlist.cpp DEPS measure)
