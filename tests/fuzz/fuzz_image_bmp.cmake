ordavia_fuzzer(fuzz_image_bmp SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_image_bmp.cpp DEPS image)
