ordavia_fuzzer(fuzz_image_zvg SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_image_zvg.cpp DEPS image)
