ordavia_fuzzer(fuzz_image_png SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_image_png.cpp DEPS image)
