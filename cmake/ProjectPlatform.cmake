# Compiler and linker settings that differ between the native and the Windows builds.

if(WIN32)
  # Windows 7 API level; Unicode entry points are chosen explicitly (A or W) in the code.
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)
  # Large translation units (GoogleTest suites) exceed the default COFF section count.
  add_compile_options(-Wa,-mbig-obj)
  # The shipped files must not depend on MinGW's runtime DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(TABULON_WINDOWS ON)
else()
  set(TABULON_WINDOWS OFF)
endif()

if(TABULON_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "Sanitizers are for the native build only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TABULON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TABULON_FUZZ needs clang (libFuzzer)")
  endif()
  # Instrument everything for coverage; the fuzz targets add the libFuzzer main themselves.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g)
  add_link_options(-fsanitize=address,undefined)
endif()
