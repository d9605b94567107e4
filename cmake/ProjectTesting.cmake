# tabulon_add_test(<name> SOURCES <files...> [LIBS <targets...>] [WINDOWS_ONLY] [NATIVE_ONLY]
#                  [LABELS <labels...>] [TIMEOUT <seconds>])
#
# Builds one GoogleTest program and registers it with CTest as one test. In the Windows
# builds CTest runs it through the cross-compiling emulator (wine64, see scripts/wine-run);
# such tests require the "wine" fixture, which creates the disposable Wine prefix and
# starts the headless X server once per CTest run.
#
# Every test sees
#   TABULON_SHARED_DIR      the shared fixtures folder beside the checkout (may be absent)
#   TABULON_SCREENSHOT_DIR  where GUI tests save their PNG files
#   TABULON_SOURCE_DIR      the checkout
# as paths the test program can open (Z:-prefixed under Wine).

if(WIN32)
  set(TABULON_HOST_PATH_PREFIX "Z:")
else()
  set(TABULON_HOST_PATH_PREFIX "")
endif()
get_filename_component(TABULON_SHARED_DIR_HOST ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)
set(TABULON_SCREENSHOT_DIR_HOST ${CMAKE_BINARY_DIR}/screenshots)

function(tabulon_add_test name)
  cmake_parse_arguments(T "WINDOWS_ONLY;NATIVE_ONLY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(T_NATIVE_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testsupport thirdparty::gtest)
  if(WIN32)
    # Console test programs; keep wmain/main as GoogleTest expects.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  if(NOT TABULON_RUN_TESTS)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set(env
    "TABULON_SHARED_DIR=${TABULON_HOST_PATH_PREFIX}${TABULON_SHARED_DIR_HOST}"
    "TABULON_SCREENSHOT_DIR=${TABULON_HOST_PATH_PREFIX}${TABULON_SCREENSHOT_DIR_HOST}"
    "TABULON_SOURCE_DIR=${TABULON_HOST_PATH_PREFIX}${CMAKE_SOURCE_DIR}"
    "TABULON_WINE_DIR=${CMAKE_BINARY_DIR}/wine")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT}
                                          LABELS "${T_LABELS}")
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# tabulon_add_script_test(<name> COMMAND <cmd...> [LABELS ...] [TIMEOUT s])
# A test driven by a host script (bash, node) rather than a GoogleTest program; in the
# Windows builds it also gets the Wine fixture so it may run programs through scripts/wine-run.
function(tabulon_add_script_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;LABELS" ${ARGN})
  if(NOT TABULON_RUN_TESTS)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${T_COMMAND})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 900)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
    ENVIRONMENT "TABULON_SHARED_DIR=${TABULON_SHARED_DIR_HOST};TABULON_BUILD_DIR=${CMAKE_BINARY_DIR};TABULON_SOURCE_DIR=${CMAKE_SOURCE_DIR};TABULON_WINE_DIR=${CMAKE_BINARY_DIR}/wine")
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# tabulon_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>])
# A libFuzzer target, built only in the "fuzz" preset (clang). Its seed corpus lives in
# tests/fuzz/corpus/<name>/ (kept small); scripts/fuzz runs every fuzzer for a bounded time.
function(tabulon_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TABULON_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(NOT TARGET fuzzers)
    add_custom_target(fuzzers)
  endif()
  add_dependencies(fuzzers ${name})
endfunction()

# tabulon_add_benchmark(<name> SOURCES <files...> [LIBS <targets...>])
# A Google Benchmark program, built only in the "bench" preset (native, optimised).
function(tabulon_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TABULON_BENCH OR WIN32)
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
