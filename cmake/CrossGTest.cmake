# GoogleTest for a cross build (Windows programs run through Wine): compiled
# with the cross toolchain from its sources (VELT_GTEST_SOURCE_DIR, by default
# where Debian's googletest package puts them); its own build offers the
# targets under the names find_package(GTest) gives (GTest::gtest, ...). gtest_discover_tests runs the test programs
# through CMAKE_CROSSCOMPILING_EMULATOR (the toolchain file sets Wine).
set(VELT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${VELT_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VELT_GTEST_SOURCE_DIR} (package googletest)")
endif()
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
