# The Windows configuration (mingw-w64 cross build): what replaces Qt, X11 and the system's
# GoogleTest, and how the tests run here (under Wine).

# Nothing beyond what Windows ships: the C++ and winpthread runtimes go into each program.
add_link_options(-static -static-libgcc -static-libstdc++)
# The "A" functions and no min/max macros from <windows.h>; Windows 7 and later.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# M_PI and friends, which glibc gives without asking.
add_compile_definitions(_USE_MATH_DEFINES)

# GoogleTest from Debian's sources (package googletest), built with our cross compiler.
set(ZELMAR_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${ZELMAR_GTEST_SOURCE_DIR}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${ZELMAR_GTEST_SOURCE_DIR}: "
    "install Debian's googletest package or set ZELMAR_GTEST_SOURCE_DIR")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${ZELMAR_GTEST_SOURCE_DIR}/googletest ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)
# Its sources are not ours: build them without our warnings-as-errors.
foreach(t gtest gtest_main)
  set_target_properties(${t} PROPERTIES COMPILE_OPTIONS "")
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
endforeach()

# Tests run under Wine, each in this build folder's own prefix (cmake/wine-run sets it up once).
if(CMAKE_CROSSCOMPILING)
  find_program(ZELMAR_WINE NAMES wine wine64 REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/cmake/wine-run;${CMAKE_BINARY_DIR}/wineprefix)
endif()
