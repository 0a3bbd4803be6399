ordavia_fuzzer(fuzz_archive SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_archive.cpp DEPS base)
