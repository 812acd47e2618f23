# The monitoring page and the register monitor strip (Qt). They reach the
# other windows through the application object, so this library and the
# shell's link each other (static libraries may).
if(VELT_GUI AND TARGET velt_link AND TARGET velt_controls)
  add_library(velt_monitor_ui STATIC
      CDlgMonitoring.cpp
      CDlgMonitoringCommands.cpp
      CDlgRTUMonitoring.cpp
      FrameLogList.cpp
  )
  set_target_properties(velt_monitor_ui PROPERTIES AUTOMOC ON)
  target_include_directories(velt_monitor_ui PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(velt_monitor_ui PUBLIC velt_monitor_core velt_link velt_controls velt_params velt_shell
                                               Qt6::Widgets)
endif()
