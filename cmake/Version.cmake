# The version number lives in project(VERSION) alone. The programs get it from
# a generated header (target velt_version), the package from CPack.
configure_file(${CMAKE_CURRENT_LIST_DIR}/VeltVersion.h.in ${PROJECT_BINARY_DIR}/generated/VeltVersion.h @ONLY)
add_library(velt_version INTERFACE)
target_include_directories(velt_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
