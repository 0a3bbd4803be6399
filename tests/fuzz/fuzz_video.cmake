ordavia_fuzzer(fuzz_video SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_video.cpp DEPS video)
