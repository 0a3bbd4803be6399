ordavia_fuzzer(fuzz_wmf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_wmf.cpp DEPS measure)
