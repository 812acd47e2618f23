add_library(velt_modbus STATIC
    ${CMAKE_CURRENT_LIST_DIR}/RtuResult.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CModbusPort.cpp
)
target_include_directories(velt_modbus PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(velt_modbus PUBLIC velt_platform)
