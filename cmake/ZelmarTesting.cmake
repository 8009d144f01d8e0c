# zelmar_add_test(NAME SOURCES ... LIBS ... [DISPLAY])
# Builds one GoogleTest executable and registers it with CTest. DISPLAY tests run under a
# private Xvfb started by tests/with-xvfb, so they need no display of their own (a Windows
# build's run under Wine on the one display of the whole run instead).
# Tests see the generated maps only, whatever other packages the machine has, and keep any
# cache in the build tree; the real-map tests point these elsewhere themselves.
set(ZELMAR_TEST_MAPS_ENV
  "ZELMAR_MAP_ROOT=${PROJECT_BINARY_DIR}/tests/no-real-maps;XDG_CACHE_HOME=${PROJECT_BINARY_DIR}/tests/cache;ZELMAR_MACHINE_MAP_CACHE=${PROJECT_BINARY_DIR}/tests/no-machine-map-cache")

function(zelmar_add_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_DISPLAY AND CMAKE_CROSSCOMPILING)
    # Under Wine the tests share the prefix's services (the desktop, the window manager's
    # stand-in), which stay on the display they started on: the whole run has one display,
    # which scripts/test-windows gives it.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS display)
  elseif(ARG_DISPLAY)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/with-xvfb $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS display)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "ZELMAR_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZELMAR_BUILD_DIR=${PROJECT_BINARY_DIR};${ZELMAR_TEST_MAPS_ENV}")
endfunction()
