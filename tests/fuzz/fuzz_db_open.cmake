ordavia_fuzzer(fuzz_db_open SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_db_open.cpp DEPS db LIBS SQLite::SQLite3)
