# The parameter page and the two value entry dialogs (Qt).
if(VELT_GUI AND TARGET velt_link AND TARGET velt_controls)
  add_library(velt_params_ui STATIC
      CDlgParameter.cpp
      CDlgSetValDEC.cpp
      CDlgSetValHEX.cpp
      CValueDialog.cpp
  )
  set_target_properties(velt_params_ui PROPERTIES AUTOMOC ON)
  target_include_directories(velt_params_ui PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(velt_params_ui PUBLIC velt_params velt_link velt_controls velt_shell Qt6::Widgets)
endif()
