# Shared build rules: every target of the project compiles with the same
# strict warnings. The project's own builds (test.sh, CI) make them errors
# with ORVANE_WERROR; a user's or packager's build leaves that off, so a new
# compiler's new (or false) warning cannot break it.

option(ORVANE_WERROR "Treat compiler warnings as errors" OFF)

function(orvane_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(ORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# orvane_library(NAME <target> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A static library whose headers are included by folder, e.g. "beacons/Schedule.h".
function(orvane_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  orvane_warnings(${target})
endfunction()

# orvane_test(<target> SOURCES ... LIBS ... LABELS unit|gui|net|slow [GUI] [SERIAL])
# One GoogleTest binary; each test case becomes its own ctest entry with the
# labels given. GUI tests get a QApplication on the offscreen platform.
# SERIAL: ctest runs these alone (real-time tests, one of which loads the CPU
# on purpose and would starve tests running beside it).
function(orvane_test target)
  cmake_parse_arguments(ARG "GUI;SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${target} PRIVATE orvane_test_main_gui)
  else()
    target_link_libraries(${target} PRIVATE orvane_test_main_core)
  endif()
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  orvane_warnings(${target})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  # The test main sets the offscreen platform itself. A list value must reach
  # the discovered tests as one property, so its separators are escaped.
  string(REPLACE ";" "\\;" labels "${ARG_LABELS}")
  set(serial FALSE)
  if(ARG_SERIAL)
    set(serial TRUE)
  endif()
  # Parameterised cases are named by their case names ("/PcAhead"); the
  # printed value of a case struct would be raw bytes that differ per run.
  gtest_discover_tests(${target}
    NO_PRETTY_VALUES
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT} RUN_SERIAL ${serial})
endfunction()

# orvane_on_demand_library(<target> <define> <library file>)
# For a library the program opens when a feature first needs it
# (common/OnDemandLibrary.h) rather than links: defines <define> for
# <target> as the soname of the library file found at configure time
# (libpq.so -> libpq.so.5), so the program opens the version it was built
# against. The target gets the library's headers, not the library.
function(orvane_on_demand_library target define library_file)
  file(REAL_PATH "${library_file}" real)
  get_filename_component(name "${real}" NAME)
  if(NOT name MATCHES "^(lib[^/]*\\.so\\.[0-9]+)")
    message(FATAL_ERROR "${library_file}: no versioned shared library behind it (${real})")
  endif()
  target_compile_definitions(${target} PRIVATE ${define}="${CMAKE_MATCH_1}")
endfunction()
