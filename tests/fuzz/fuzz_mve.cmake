ordavia_fuzzer(fuzz_mve SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_mve.cpp DEPS video)
