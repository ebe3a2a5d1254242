qx_fuzz_target(lh5 ${CMAKE_CURRENT_SOURCE_DIR}/lh5_fuzz.cpp qx_archive_fuzz)
