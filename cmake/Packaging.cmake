# Manual pages and the Debian package (cpack -G DEB, or the target "package").
#
# The manual pages are made by help2man from the built programs' --help and
# --version, so they always describe the programs as built.

set(VELT_MAINTAINER "VELT Host developers <velt-host@example.com>")
set(VELT_GENERATED_DOC ${PROJECT_BINARY_DIR}/doc)
set(VELT_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/velt-host)

find_program(HELP2MAN help2man)
find_program(GZIP gzip)
if(NOT HELP2MAN OR NOT GZIP)
  message(WARNING "help2man or gzip not found: no manual pages, and the package lacks them")
endif()

# Page for one program, installed as share/man/man1/PROGRAM.1.gz.
function(velt_manual_page target summary)
  if(NOT TARGET ${target} OR NOT HELP2MAN OR NOT GZIP)
    return()
  endif()
  set(page ${VELT_GENERATED_DOC}/${target}.1)
  # The help texts name the ports folder as resolved for the caller; with
  # HOME set to "~" the page shows the default, not the builder's home.
  add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VELT_GENERATED_DOC}
      COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_CONFIG_HOME --unset=VELT_PORTS_DIR HOME=~ LC_ALL=C.UTF-8
              ${HELP2MAN} --no-info --section=1 --name=${summary} --output=${page} $<TARGET_FILE:${target}>
      COMMAND ${GZIP} -9nf ${page}
      DEPENDS ${target}
      COMMENT "Manual page of ${target}"
      VERBATIM)
  add_custom_target(${target}-manpage ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

velt_manual_page(velt-host "configure, watch and drive a VELT servo drive")
velt_manual_page(velt-cli "Modbus RTU master for VELT servo drives, for scripts and diagnosis")
velt_manual_page(velt-drive-sim "simulated VELT servo drive on a pseudo-terminal")

# Debian wants a copyright file and a changelog in the package's doc folder.
if(GZIP)
  configure_file(${PROJECT_SOURCE_DIR}/res/debian/changelog.in ${VELT_GENERATED_DOC}/changelog @ONLY)
  execute_process(COMMAND ${GZIP} -9nf ${VELT_GENERATED_DOC}/changelog)
  install(FILES ${VELT_GENERATED_DOC}/changelog.gz DESTINATION ${VELT_DOC_DIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/res/debian/copyright DESTINATION ${VELT_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velt-host)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELT_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure, watch and drive VELT servo drives")
set(CPACK_PACKAGE_DESCRIPTION
    "VELT Host connects to a VELT brushless servo drive over a serial line\n(Modbus RTU) to read, edit and store its parameters, keep parameter\nsets in files, watch its live state, alarms and I/O, send motion\ncommands and plot its signals. The package also holds velt-cli, a\ncommand-line Modbus RTU master, and velt-drive-sim, a simulated drive.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.example.com/velt)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialog face (Tahoma, metric-compatible), the Korean face and Qt's own
# Korean texts (file dialogs, message box buttons).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
