# zelmar_add_test(NAME SOURCES ... LIBS ... [DISPLAY])
# Builds one GoogleTest executable and registers it with CTest. DISPLAY tests run under a
# private Xvfb started by tests/with-xvfb, so they need no display of their own.
function(zelmar_add_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_DISPLAY)
    # The emulator (Wine for a Windows build) goes inside the display wrapper.
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/with-xvfb
             ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS display)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "ZELMAR_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZELMAR_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()
