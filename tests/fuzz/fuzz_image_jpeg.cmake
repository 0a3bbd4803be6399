ordavia_fuzzer(fuzz_image_jpeg SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_image_jpeg.cpp DEPS image)
