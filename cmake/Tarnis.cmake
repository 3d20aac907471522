# Project-wide build rules: warnings, sanitizers, tests and fuzz targets.

set(TARNIS_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Qt and GoogleTest headers trip these under clang; our own code stays clean with gcc.
  list(APPEND TARNIS_WARNINGS -Wno-gnu-zero-variadic-macro-arguments)
endif()

if(TARNIS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TARNIS_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TARNIS_FUZZ needs clang (configure with CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Applies the project's warning set (warnings are errors in our own code).
function(tarnis_warnings target)
  target_compile_options(${target} PRIVATE ${TARNIS_WARNINGS})
endfunction()

# tarnis_library(NAME [QT] SOURCES ... [PUBLIC ...] [PRIVATE ...])
# A static library of the program's own code: the source root on its users' include path, the
# warning set, moc for its Qt classes with QT, and the libraries it links.
function(tarnis_library name)
  cmake_parse_arguments(L "QT" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  if(L_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
  tarnis_warnings(${name})
endfunction()

# The main of every test program: a temporary home and XDG folders for each run.
# The sanitizers' suppression list is compiled in, so every way of running a test program uses it.
file(READ ${CMAKE_SOURCE_DIR}/tests/sanitizer.supp TARNIS_SANITIZER_SUPP)
string(REGEX REPLACE "#[^\n]*\n" "" TARNIS_SANITIZER_SUPP "${TARNIS_SANITIZER_SUPP}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/sanitizer_supp.inc
  CONTENT "R\"supp(@TARNIS_SANITIZER_SUPP@)supp\"\n" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/sanitizer.supp)
add_library(tarnis_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/common/test_main.cpp)
target_include_directories(tarnis_test_main PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(tarnis_test_main PUBLIC GTest::gtest)
tarnis_warnings(tarnis_test_main)

# tarnis_add_test(NAME SOURCES ... LIBS ...)
# One GoogleTest executable; each case becomes a ctest test.
function(tarnis_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tarnis_test_main GTest::gtest Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    TARNIS_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TARNIS_TESTDATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    TARNIS_BINARY_DIR="${CMAKE_BINARY_DIR}")
  tarnis_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen SKIP_REGULAR_EXPRESSION ": Skipped")
endfunction()

# tarnis_add_fuzzer(NAME SOURCE file LIBS ... SEEDS dir ...)
# With TARNIS_FUZZ a libFuzzer binary plus a short ctest run on the seed folders; otherwise a
# replay program that feeds every file of the seed folders once (also a ctest test).
set(TARNIS_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under ctest")
function(tarnis_add_fuzzer name)
  cmake_parse_arguments(F "" "SOURCE" "LIBS;SEEDS" ${ARGN})
  if(TARNIS_FUZZ)
    add_executable(${name} ${F_SOURCE})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${F_SOURCE} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
  endif()
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  tarnis_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY TARNIS_FUZZERS ${name})
  list(JOIN F_SEEDS " " seeds)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-seeds/${name}.txt "${seeds}\n")
  if(TARNIS_FUZZ)
    set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
    add_test(NAME fuzz.${name}
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
              $<TARGET_FILE:${name}> -max_total_time=${TARNIS_FUZZ_SECONDS} -rss_limit_mb=2048
              -timeout=10 -print_final_stats=0 ${corpus} ${F_SEEDS})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 300)
    file(MAKE_DIRECTORY ${corpus})
  else()
    add_test(NAME replay.${name} COMMAND $<TARGET_FILE:${name}> ${F_SEEDS})
    set_tests_properties(replay.${name} PROPERTIES LABELS replay TIMEOUT 600)
  endif()
endfunction()
