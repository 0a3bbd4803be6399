ordavia_fuzzer(fuzz_image_tiff SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_image_tiff.cpp DEPS image)
