ordavia_fuzzer(fuzz_rst SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_rst.cpp DEPS results)
