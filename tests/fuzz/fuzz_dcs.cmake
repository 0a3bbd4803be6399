ordavia_fuzzer(fuzz_dcs SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_dcs.cpp DEPS video)
