# Settings of the Windows cross build: GoogleTest built from Debian's source package with the
# cross compiler, no Google Benchmark (Debian has none for mingw), the Win32 window layer instead
# of X11, Windows 7 as the oldest target.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE _USE_MATH_DEFINES)
set(QV_BUILD_BENCH OFF CACHE BOOL "" FORCE)
set(QV_X11 OFF CACHE BOOL "" FORCE)

if(NOT QV_BUILD_TESTS)
  return()
endif()
set(QV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Defines GTest::gtest, GTest::gtest_main and GTest::gmock, as the installed package does.
add_subdirectory(${QV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# Test code needs no -O3 (the code under test keeps it): a shorter cross build in CI.
set(QV_TEST_COMPILE_OPTIONS -O1)
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE ${QV_TEST_COMPILE_OPTIONS})
endforeach()
