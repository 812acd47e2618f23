# Tests of a cross build (Windows programs run through Wine).
#
# GoogleTest is compiled with the cross toolchain from its sources
# (VELT_GTEST_SOURCE_DIR, by default where Debian's googletest package puts
# them) and offered under the names find_package(GTest) gives.
set(VELT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${VELT_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VELT_GTEST_SOURCE_DIR} (package googletest)")
endif()
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(lib gtest gtest_main gmock gmock_main)
  if(TARGET ${lib} AND NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

include(GoogleTest)

# Listing the cases of a program would start Wine once per program at build
# time and once per case at test time. Each test program is one ctest test
# instead, run through CMAKE_CROSSCOMPILING_EMULATOR; its own output names
# the cases that failed. Takes the same arguments as GoogleTest's function;
# PROPERTIES are applied to the one test.
function(gtest_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DISCOVERY_TIMEOUT;DISCOVERY_MODE;TEST_PREFIX;TEST_SUFFIX"
                        "PROPERTIES;EXTRA_ARGS")
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 ${arg_EXTRA_ARGS})
  if(arg_PROPERTIES)
    set_tests_properties(${target} PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()
