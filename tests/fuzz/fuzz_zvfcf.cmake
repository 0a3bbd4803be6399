ordavia_fuzzer(fuzz_zvfcf SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_zvfcf.cpp DEPS video)
