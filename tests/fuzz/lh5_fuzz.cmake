# The archive library again, built with coverage instrumentation so that libFuzzer sees inside
# the decoders (the ordinary qx_archive is not instrumented). Shared by the archive fuzz targets.
if(NOT TARGET qx_archive_fuzz)
  get_target_property(qx_archive_srcs qx_archive SOURCES)
  get_target_property(qx_archive_dir qx_archive SOURCE_DIR)
  list(TRANSFORM qx_archive_srcs PREPEND ${qx_archive_dir}/)
  add_library(qx_archive_fuzz STATIC ${qx_archive_srcs})
  target_compile_options(qx_archive_fuzz PRIVATE -fsanitize=fuzzer-no-link)
  target_link_libraries(qx_archive_fuzz PUBLIC qx_base)
endif()
if(NOT TARGET fuzz_lh5)
  qx_fuzz_target(lh5 ${CMAKE_CURRENT_SOURCE_DIR}/lh5_fuzz.cpp qx_archive_fuzz)
endif()
