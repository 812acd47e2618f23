# The drive link and its polling thread (velt_link).
add_library(velt_link STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CDriveLink.cpp
)
target_include_directories(velt_link PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(velt_link PUBLIC velt_modbus velt_platform Threads::Threads)
