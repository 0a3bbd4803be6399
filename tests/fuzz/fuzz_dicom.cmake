ordavia_fuzzer(fuzz_dicom SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_dicom.cpp DEPS dicom)
