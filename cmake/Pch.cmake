# Precompiled headers. Most of the compile time of a Qt or test source goes
# on parsing the Qt Widgets headers, GoogleTest and the standard library
# again for every file. Each set is precompiled once, by a small holder
# library, and reused by every target that needs it:
#   velt_pch_qt        Qt Widgets, for the libraries and programs that link Qt
#   velt_test_pch_core GoogleTest, for the Qt-free test programs
#   velt_test_pch_gui  GoogleTest and Qt Widgets, for the window tests
# Which set a target takes follows from what it links, directly or through
# other targets. The Qt-free libraries take none: a Qt header there must fail
# to compile. VELT_PCH=OFF builds without (say, to check that every file
# includes what it uses).
option(VELT_PCH "Precompile the headers that many sources share" ON)
if(CMAKE_CROSSCOMPILING)
  set(VELT_PCH OFF)
endif()

set(VELT_PCH_STD <algorithm> <array> <atomic> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
                 <mutex> <string> <string_view> <thread> <vector>)
# The Qt headers most sources use; the whole of <QtWidgets> makes a
# precompiled header several times larger that every compile must load.
set(VELT_PCH_QT <QAccessible> <QApplication> <QCheckBox> <QColor> <QComboBox> <QDialog> <QElapsedTimer>
                <QFont> <QGroupBox> <QImage> <QKeyEvent> <QLabel> <QLineEdit> <QPainter> <QPushButton> <QString>
                <QTimer> <QWidget>)
set(VELT_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)

# The holders for the test programs. Called from tests/, so that they share
# the tests' compile options.
function(velt_add_test_pch_holders)
  if(NOT VELT_PCH)
    return()
  endif()
  add_library(velt_test_pch_core STATIC ${PROJECT_SOURCE_DIR}/cmake/PchHolder.cpp)
  target_link_libraries(velt_test_pch_core PRIVATE GTest::gtest GTest::gmock)
  target_precompile_headers(velt_test_pch_core PRIVATE ${VELT_PCH_TEST} ${VELT_PCH_STD})
  if(VELT_GUI)
    add_library(velt_test_pch_gui STATIC ${PROJECT_SOURCE_DIR}/cmake/PchHolder.cpp)
    target_link_libraries(velt_test_pch_gui PRIVATE GTest::gtest GTest::gmock Qt6::Widgets)
    target_precompile_headers(velt_test_pch_gui PRIVATE ${VELT_PCH_TEST} ${VELT_PCH_STD} ${VELT_PCH_QT})
  endif()
endfunction()

# Adds to `out` every target that `target` links, directly or through others.
function(velt_linked_targets target out)
  set(seen ${${out}})
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue current)
    get_target_property(type ${current} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    foreach(link IN LISTS links)
      if(TARGET ${link} AND NOT link IN_LIST seen)
        list(APPEND seen ${link})
        list(APPEND queue ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# The targets defined in `dir` and the folders below it, in `out`.
function(velt_targets_below dir out)
  get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    velt_targets_below(${sub} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Gives every library and program of the project the set that matches what
# it links. Called once, at the end of the top-level CMakeLists.txt.
function(velt_precompile_headers)
  if(NOT VELT_PCH OR NOT TARGET Qt6::Widgets)
    return()
  endif()
  add_library(velt_pch_qt STATIC ${PROJECT_SOURCE_DIR}/cmake/PchHolder.cpp)
  target_link_libraries(velt_pch_qt PRIVATE Qt6::Widgets)
  target_precompile_headers(velt_pch_qt PRIVATE ${VELT_PCH_STD} ${VELT_PCH_QT})

  velt_targets_below(${PROJECT_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$" OR target MATCHES "^velt_(test_)?pch_")
      continue()
    endif()
    set(linked "")
    velt_linked_targets(${target} linked)
    set(qt FALSE)
    set(test FALSE)
    if(Qt6::Widgets IN_LIST linked)
      set(qt TRUE)
    endif()
    if(GTest::gtest IN_LIST linked OR GTest::gtest_main IN_LIST linked)
      set(test TRUE)
    endif()
    get_target_property(source_dir ${target} SOURCE_DIR)
    string(FIND "${source_dir}/" "${PROJECT_SOURCE_DIR}/tests/" in_tests)
    if(test AND in_tests EQUAL 0 AND BUILD_TESTING)
      # Test programs, and the tests' own helper libraries.
      if(qt)
        target_precompile_headers(${target} REUSE_FROM velt_test_pch_gui)
      else()
        target_precompile_headers(${target} REUSE_FROM velt_test_pch_core)
      endif()
    elseif(qt AND NOT in_tests EQUAL 0)
      target_precompile_headers(${target} REUSE_FROM velt_pch_qt)
    endif()
  endforeach()
endfunction()
