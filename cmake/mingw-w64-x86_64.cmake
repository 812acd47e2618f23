# Cross build for 64-bit Windows with Debian's mingw-w64, posix threads variant
# (std::thread and std::mutex need it). Used by scripts/windows-build.sh:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELT_MINGW_TRIPLET})
# pkg-config must not offer the build machine's libraries (libmodbus).
set(ENV{PKG_CONFIG_LIBDIR} ${CMAKE_FIND_ROOT_PATH}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the compiler's run-time (libstdc++, libgcc,
# libwinpthread) inside, so they run from any folder without DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run the .exe files through Wine.
find_program(VELT_WINE_PROGRAM NAMES wine wine64)
if(VELT_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELT_WINE_PROGRAM})
endif()
