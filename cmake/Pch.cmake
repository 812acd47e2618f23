# Precompiled headers. Most of the compile time of a Qt or test source goes
# on parsing Qt Widgets, GoogleTest and the standard library again for every
# file. Each set is precompiled once, by a small holder library, and reused
# by every target that needs it:
#   velt_pch_qt        Qt Widgets, for the libraries and programs that link Qt
#   velt_test_pch_core GoogleTest, for the Qt-free test programs
#   velt_test_pch_gui  GoogleTest and Qt Widgets, for the GUI test programs
# The Qt-free libraries take none: a Qt header there must fail to compile.
# VELT_PCH=OFF builds without (say, to check that every file includes what it
# uses).
option(VELT_PCH "Precompile the headers that many sources share" ON)
if(CMAKE_CROSSCOMPILING OR CMAKE_VERSION VERSION_LESS 3.16)
  set(VELT_PCH OFF)
endif()

set(VELT_PCH_STD <algorithm> <array> <atomic> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
                 <mutex> <string> <string_view> <thread> <vector>)
set(VELT_PCH_QT_LIBRARIES Qt6::Widgets Qt6::Gui Qt6::Core velt_shell velt_controls velt_monitor_ui velt_params_ui
                          velt_scope_ui)

# True in `out` when `target` links Qt, directly or through one of our Qt libraries.
function(velt_links_qt target out)
  get_target_property(libraries ${target} LINK_LIBRARIES)
  set(${out} FALSE PARENT_SCOPE)
  foreach(library IN LISTS libraries)
    if(library IN_LIST VELT_PCH_QT_LIBRARIES)
      set(${out} TRUE PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

# The targets defined in the given folders under `base`, in `out`.
function(velt_targets_in out base)
  set(found "")
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${base}/${dir}/CMakeLists.txt)
      get_property(targets DIRECTORY ${base}/${dir} PROPERTY BUILDSYSTEM_TARGETS)
      list(APPEND found ${targets})
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Every library and program that links Qt in the given source folders takes velt_pch_qt.
function(velt_precompile_qt_headers)
  if(NOT VELT_PCH OR NOT TARGET Qt6::Widgets)
    return()
  endif()
  if(NOT TARGET velt_pch_qt)
    add_library(velt_pch_qt STATIC ${PROJECT_SOURCE_DIR}/cmake/PchHolder.cpp)
    target_link_libraries(velt_pch_qt PRIVATE Qt6::Widgets)
    target_precompile_headers(velt_pch_qt PRIVATE ${VELT_PCH_STD} <QtWidgets> <QAccessible>)
  endif()
  velt_targets_in(targets ${PROJECT_SOURCE_DIR} ${ARGN})
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$")
      velt_links_qt(${target} qt)
      if(qt)
        target_precompile_headers(${target} REUSE_FROM velt_pch_qt)
      endif()
    endif()
  endforeach()
endfunction()

# Every test program in the given folders under tests/ takes the test set
# that matches what it links. Called from tests/, so that the holders share
# the tests' compile options.
function(velt_precompile_test_headers)
  if(NOT VELT_PCH)
    return()
  endif()
  add_library(velt_test_pch_core STATIC ${PROJECT_SOURCE_DIR}/cmake/PchHolder.cpp)
  target_link_libraries(velt_test_pch_core PRIVATE GTest::gtest GTest::gmock)
  target_precompile_headers(velt_test_pch_core PRIVATE <gtest/gtest.h> <gmock/gmock.h> ${VELT_PCH_STD})
  if(TARGET Qt6::Widgets)
    add_library(velt_test_pch_gui STATIC ${PROJECT_SOURCE_DIR}/cmake/PchHolder.cpp)
    target_link_libraries(velt_test_pch_gui PRIVATE GTest::gtest GTest::gmock Qt6::Widgets)
    target_precompile_headers(velt_test_pch_gui PRIVATE <gtest/gtest.h> <gmock/gmock.h> ${VELT_PCH_STD}
                              <QtWidgets> <QAccessible>)
  endif()
  velt_targets_in(targets ${CMAKE_CURRENT_SOURCE_DIR} ${ARGN})
  foreach(target IN LISTS targets)
    # Test programs only: helper programs (a libmodbus slave, say) build without GoogleTest.
    if(NOT target MATCHES "_tests$")
      continue()
    endif()
    velt_links_qt(${target} qt)
    if(qt AND TARGET velt_test_pch_gui)
      target_precompile_headers(${target} REUSE_FROM velt_test_pch_gui)
    elseif(NOT qt)
      target_precompile_headers(${target} REUSE_FROM velt_test_pch_core)
    endif()
  endforeach()
endfunction()
