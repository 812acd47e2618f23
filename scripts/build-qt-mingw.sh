#!/usr/bin/env bash
# Qt 6.4.2 for Windows (mingw-w64, x86_64), for the cross build of velt-host.exe.
# Debian has no Qt for mingw-w64, so this puts one into a cache folder outside
# the source tree, once:
#   - from the prebuilt archive qt6.4.2-mingw64.tar.xz when there is one (the
#     shared folder beside the repository, ../shared/qt-mingw/, or
#     VELT_QT_MINGW_ARCHIVE), checked against its sha256 and unpacked: seconds;
#   - otherwise built from Debian's own source package of Qt (qt6-base
#     6.4.2+dfsg-10, the version of the Linux build) with the host tools of the
#     installed Qt: about 40 minutes on 2 cores.
# Prints the Qt folder on the last line of standard output; everything else
# goes to standard error.
#
#   scripts/build-qt-mingw.sh                 unpack or build, unless already there
#   scripts/build-qt-mingw.sh --from-source   build from source even if the archive is there
#   scripts/build-qt-mingw.sh --check-source  only fetch the source package's
#                                             description (a quick check of the
#                                             deb-src line and apt-get source)
#
# VELT_QT_MINGW_DIR: the Qt folder (default
# ${XDG_CACHE_HOME:-~/.cache}/velt/qt6.4.2-mingw64); cmake/mingw-w64-x86_64.cmake
# looks in the same place.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

QT_VERSION=6.4.2
QT_DEBIAN_VERSION=6.4.2+dfsg-10
QT_ARCHIVE_SHA256=616dffce6ae071e99b50278cc6cd3f318dc37c6ced6ccf5987eccd68af6c19d4
# Debian 12 keeps qt6-base at this version; should a point release move it
# on, VELT_QT_SOURCE_MIRROR=http://snapshot.debian.org/archive/debian/20250520T000000Z
# gives the archive of the day the Linux build's packages were taken.
QT_SOURCE_MIRROR=${VELT_QT_SOURCE_MIRROR:-http://deb.debian.org/debian}

mode=auto
case "${1:-}" in
  "") ;;
  --from-source) mode=source ;;
  --check-source) mode=check ;;
  *) echo "usage: scripts/build-qt-mingw.sh [--from-source|--check-source]" >&2; exit 64 ;;
esac

say() { echo "qt-mingw: $*" >&2; }

prefix="${VELT_QT_MINGW_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/velt/qt$QT_VERSION-mingw64}"
archive="${VELT_QT_MINGW_ARCHIVE:-$VELT_ROOT/../shared/qt-mingw/qt$QT_VERSION-mingw64.tar.xz}"
stamp="$prefix/.velt-qt-mingw"

# A cached Qt is used only when its stamp names the archive sum or the source
# version this script pins: a changed pin unpacks or builds again.
stamp_is_current() {
  [ -f "$stamp" ] || return 1
  grep -qx "archive sha256 $QT_ARCHIVE_SHA256" "$stamp" || grep -q "^built from qt6-base $QT_DEBIAN_VERSION " "$stamp"
}

if [ "$mode" = auto ] && stamp_is_current && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  say "using $prefix ($(cat "$stamp"))"
  echo "$prefix"
  exit 0
fi

# From the prebuilt archive.
if [ "$mode" = auto ] && [ -f "$archive" ]; then
  say "checking $archive"
  sum=$(sha256sum "$archive" | cut -d' ' -f1)
  if [ "$sum" != "$QT_ARCHIVE_SHA256" ]; then
    say "$archive has sha256 $sum, expected $QT_ARCHIVE_SHA256: not used"
    say "remove or replace it, or build from source: scripts/build-qt-mingw.sh --from-source (about 40 minutes)"
    exit 1
  fi
  parent="$(dirname "$prefix")"
  mkdir -p "$parent"
  unpack="$(mktemp -d "$parent/.unpack-XXXXXX")"
  trap 'rm -rf "$unpack"' EXIT
  say "unpacking into $prefix"
  tar -xJf "$archive" -C "$unpack"
  top=("$unpack"/*)
  if [ ${#top[@]} -ne 1 ] || [ ! -f "${top[0]}/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    say "$archive does not hold one Qt folder"
    exit 1
  fi
  echo "archive sha256 $sum" >"${top[0]}/.velt-qt-mingw"
  rm -rf "$prefix"
  mv "${top[0]}" "$prefix"
  say "done: $(du -sh "$prefix" | cut -f1) in $prefix"
  echo "$prefix"
  exit 0
fi

# From Debian's source package. apt works with a sources list and package
# lists of its own in the work folder, so the machine's apt setup is left
# as it is and no root is needed for the download.
work="${VELT_QT_MINGW_WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/velt/qt-mingw-build}"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/sources.list.d"
cat >"$work/apt/sources.list" <<EOF
deb-src [check-valid-until=no] $QT_SOURCE_MIRROR bookworm main
EOF
apt_own=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
         -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
         -o "Debug::NoLocking=1" -o "APT::Sandbox::User=$(id -un)")

if [ "$mode" = check ]; then
  velt_install_packages dpkg-dev >&2
  say "deb-src: $(cat "$work/apt/sources.list")"
  apt-get "${apt_own[@]}" -q update >&2
  apt-get "${apt_own[@]}" --print-uris --download-only source "qt6-base=$QT_DEBIAN_VERSION" >&2
  say "the source package qt6-base $QT_DEBIAN_VERSION can be fetched"
  exit 0
fi

say "building Qt $QT_VERSION for mingw-w64 from Debian's source package qt6-base $QT_DEBIAN_VERSION:"
say "about 40 minutes on 2 cores; progress below. Work folder $work, Qt goes to $prefix"
started=$SECONDS
velt_install_packages "${VELT_WINDOWS_PACKAGES[@]}" "${VELT_QT_MINGW_SOURCE_PACKAGES[@]}" >&2

src="$work/qtbase-everywhere-src-$QT_VERSION"
if [ ! -f "$src/configure" ]; then
  say "fetching the source (about 45 MB)"
  apt-get "${apt_own[@]}" -q update >&2
  (cd "$work" && apt-get "${apt_own[@]}" -q source "qt6-base=$QT_DEBIAN_VERSION" >&2)
  # apt-get source names the folder after the package: qt6-base-6.4.2+dfsg.
  unpacked=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$QT_VERSION*" | head -1)
  if [ -z "$unpacked" ] || [ ! -f "$unpacked/configure" ]; then
    say "apt-get source gave no qt6-base source folder in $work"
    exit 1
  fi
  rm -rf "$src"
  mv "$unpacked" "$src"
fi

cat >"$work/mingw.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
EOF

build="$work/build"
staging="$prefix.partial"
rm -rf "$build" "$staging"
mkdir -p "$build"
say "configuring"
# tabletevent is off: Debian's source leaves out the Wacom tablet header
# (src/3rdparty/wintab) that the Windows platform plugin needs for tablets.
(cd "$build" && "$src/configure" -prefix "$staging" -xplatform win32-g++ -qt-host-path /usr \
  -release -shared -nomake examples -nomake tests -no-opengl -no-dbus \
  -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-vulkan \
  -no-feature-concurrent -no-feature-xml -no-icu -qt-zlib -qt-libpng -qt-libjpeg \
  -qt-pcre -qt-harfbuzz -qt-freetype -- -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DFEATURE_tabletevent=OFF -G Ninja \
  >"$work/configure.log" 2>&1) || { say "configure failed; see $work/configure.log"; tail -20 "$work/configure.log" >&2; exit 1; }

# Ninja's "[done/total]" lines, shown once a percent with the minutes so far.
say "compiling (log: $work/build.log)"
progress() {
  local line last=-1 pct
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$work/build.log"
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
      pct=$(( 100 * BASH_REMATCH[1] / BASH_REMATCH[2] ))
      if [ "$pct" -ne "$last" ]; then
        last=$pct
        say "$(printf '%3d%%' "$pct") (${BASH_REMATCH[1]} of ${BASH_REMATCH[2]} steps, $(( (SECONDS - started) / 60 )) min)"
      fi
    fi
  done
}
: >"$work/build.log"
set +e
(cd "$build" && ninja -j "$(nproc)") 2>&1 | progress
rc=${PIPESTATUS[0]}
set -e
if [ "$rc" -ne 0 ]; then
  say "the build failed; the last lines of $work/build.log:"
  grep -E "error|FAILED" "$work/build.log" | tail -20 >&2
  exit 1
fi
say "installing"
(cd "$build" && ninja install >"$work/install.log" 2>&1)
# The DLLs without their symbols, as in the prebuilt archive.
find "$staging" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
echo "built from qt6-base $QT_DEBIAN_VERSION in $(( (SECONDS - started) / 60 )) minutes" >"$staging/.velt-qt-mingw"
rm -rf "$prefix"
mv "$staging" "$prefix"
say "done in $(( (SECONDS - started) / 60 )) minutes: $(du -sh "$prefix" | cut -f1) in $prefix"
say "the work folder $work (sources and objects) may be removed"
echo "$prefix"
