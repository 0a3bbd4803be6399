ordavia_fuzzer(fuzz_zv1 SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_zv1.cpp DEPS chart)
