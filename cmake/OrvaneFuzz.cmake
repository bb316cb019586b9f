# libFuzzer targets, one per parser of outside bytes (tests/fuzz).
#
# -DORVANE_FUZZ=ON (with CMAKE_CXX_COMPILER=clang++-14, as ./test.sh --fuzz
# configures it) instruments every library for coverage and builds them under
# AddressSanitizer and UndefinedBehaviorSanitizer; the default target then
# builds the fuzzers and only the libraries they link, no program, test or
# benchmark.

option(ORVANE_FUZZ "Build the libFuzzer targets (clang) and only what they need" OFF)

if(ORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORVANE_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14)")
  endif()
  if(ORVANE_SANITIZE OR ORVANE_TSAN)
    message(FATAL_ERROR "ORVANE_FUZZ brings its own sanitizers; leave ORVANE_SANITIZE and ORVANE_TSAN off")
  endif()
  # Coverage feedback for the fuzzer in every object file; the fuzzer's own
  # main is linked into the fuzz targets alone. An undefined behaviour stops
  # the run as a crash would, so that the input is kept.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# orvane_add_fuzzer(<name> SOURCES ... LIBS ...)
# One libFuzzer program. Its seed inputs are the files in corpus/<name>/
# beside the calling CMakeLists.txt (the folder must exist: ./test.sh --fuzz
# runs every fuzzer it finds there).
function(orvane_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  if(NOT IS_DIRECTORY ${corpus})
    message(FATAL_ERROR "fuzzer ${name} has no seed corpus in ${corpus}")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src
                                             ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  orvane_warnings(${name})
endfunction()
