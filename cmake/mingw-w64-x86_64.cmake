# Cross build for 64-bit Windows with Debian's mingw-w64, posix threads variant
# (std::thread and std::mutex need it). The preset "windows" uses it:
#   cmake --preset windows
#
# Qt for Windows: the mingw build of Qt 6.4.2 that scripts/build-qt-mingw.sh
# unpacks (or builds) into a cache folder. VELT_QT_MINGW_DIR (cache variable
# or environment) names its folder; by default the script's own cache folder.
# Without it the desktop program is left out (VELT_GUI falls back to OFF).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELT_MINGW_TRIPLET})

if(DEFINED ENV{VELT_QT_MINGW_DIR} AND NOT "$ENV{VELT_QT_MINGW_DIR}" STREQUAL "")
  set(VELT_QT_MINGW_DIR "$ENV{VELT_QT_MINGW_DIR}" CACHE PATH "Qt 6 built for mingw-w64" FORCE)
elseif(NOT VELT_QT_MINGW_DIR)
  if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(VELT_QT_MINGW_DIR "$ENV{XDG_CACHE_HOME}/velt/qt6.4.2-mingw64")
  else()
    set(VELT_QT_MINGW_DIR "$ENV{HOME}/.cache/velt/qt6.4.2-mingw64")
  endif()
  set(VELT_QT_MINGW_DIR "${VELT_QT_MINGW_DIR}" CACHE PATH "Qt 6 built for mingw-w64")
endif()
if(EXISTS "${VELT_QT_MINGW_DIR}/lib/cmake/Qt6/Qt6Config.cmake")
  # The Windows libraries come from that tree; moc, rcc and uic from the
  # build machine's Qt of the same version.
  list(APPEND CMAKE_FIND_ROOT_PATH "${VELT_QT_MINGW_DIR}")
  list(APPEND CMAKE_PREFIX_PATH "${VELT_QT_MINGW_DIR}")
  set(QT_HOST_PATH /usr CACHE PATH "")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()

# pkg-config must not offer the build machine's libraries (libmodbus).
set(ENV{PKG_CONFIG_LIBDIR} /usr/${VELT_MINGW_TRIPLET}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the compiler's run-time (libstdc++, libgcc,
# libwinpthread) inside, so velt-cli runs from any folder without DLLs beside
# it. The Qt DLLs bring their own copy of that run-time (shipped beside
# velt-host.exe by scripts/package-windows.sh).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run the .exe files through Wine.
find_program(VELT_WINE_PROGRAM NAMES wine wine64)
if(VELT_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELT_WINE_PROGRAM})
endif()
