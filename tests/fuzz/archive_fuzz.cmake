qx_fuzz_target(archive ${CMAKE_CURRENT_SOURCE_DIR}/archive_fuzz.cpp qx_archive_fuzz)
