# Build-wide settings shared by every target.

option(QX_SANITIZE "Build native code with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QX_BUILD_TESTS "Build the native unit tests" OFF)
option(QX_BUILD_INTEROP "Register the interop tests against peer LHA tools" OFF)
option(QX_BUILD_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

# The size of the applet stub: the payload archive starts at this file offset.
set(QX_STUB_SIZE 722432)

if(WIN32)
  # Static everything: nothing of ours or of the compiler's run time lies beside the program.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE MinSizeRel)
  endif()
  set(QX_HOST_SUFFIX win32)
else()
  set(QX_HOST_SUFFIX posix)
  if(QX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

# A Windows GUI program tuned for size.
function(qx_size_optimise target)
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections)
  target_link_options(${target} PRIVATE -Wl,--gc-sections -s)
endfunction()

# Pads the linked program with zero bytes to exactly QX_STUB_SIZE; fails, naming both sizes,
# when the linked program is already larger.
function(qx_pad_to_stub target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DSTUB_SIZE=${QX_STUB_SIZE}
            -P ${PROJECT_SOURCE_DIR}/cmake/PadStub.cmake
    VERBATIM)
endfunction()

# Links the string table resource into a Windows program. windres reports no included files, so the
# dependency on the list of texts is declared here: without it an incremental build keeps a stale
# table, and a text added since the last full build reads as empty in the program.
function(qx_add_strings target)
  target_sources(${target} PRIVATE ${QX_STRINGS_RC})
  set_source_files_properties(${QX_STRINGS_RC} PROPERTIES OBJECT_DEPENDS ${QX_TEXTS_DEF})
endfunction()
