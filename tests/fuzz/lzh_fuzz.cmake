qx_fuzz_target(lzh ${CMAKE_CURRENT_SOURCE_DIR}/lzh_fuzz.cpp qx_archive_fuzz)
