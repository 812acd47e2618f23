# The two kinds of library each subsystem folder makes.
#
# velt_library(NAME SOURCES ... LIBS ...): a Qt-free static library; sources
#   include headers by their path from the project root ("link/CDriveLink.h").
# velt_ui_library(NAME SOURCES ... LIBS ...): the same for windows: Qt Widgets
#   linked and the moc run on the headers that need it. Built only with VELT_GUI.
function(velt_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

function(velt_ui_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  velt_library(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} Qt6::Widgets)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()
