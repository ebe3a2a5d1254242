qx_fuzz_target(lh5_roundtrip ${CMAKE_CURRENT_SOURCE_DIR}/lh5_roundtrip_fuzz.cpp qx_archive_fuzz)
