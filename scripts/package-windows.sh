#!/usr/bin/env bash
# Makes velt-host-<version>-win64.zip from the Windows build: one folder a
# user unpacks anywhere and runs velt-host.exe from, with nothing else to
# install.
#
#   velt-host.exe, velt-cli.exe
#   Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, qt.conf
#   platforms/qwindows.dll, styles/, imageformats/
#   libgcc_s_seh-1.dll, libstdc++-6.dll, libwinpthread-1.dll (the compiler's
#     run-time the Qt DLLs use)
#   translations/qtbase_ko.qm (Qt's own Korean texts, when the build machine
#     has Debian's qt6-translations-l10n)
#   README.md, LICENSES/ (Qt's LGPL and GPL texts, Debian's copyright file of
#     qt6-base and where the source of these DLLs comes from)
#
# Every DLL any of the files imports is either in the folder or part of
# Windows; the script fails otherwise.
#
#   scripts/package-windows.sh [WINDOWS_BUILD_DIR]   (default build-windows)
# Prints the zip's path on the last line.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")/.." && pwd)"

win="$(realpath -m "${1:-$VELT_ROOT/build-windows}")"
qt="$(sed -n 's/^VELT_QT_MINGW_DIR:PATH=//p' "$win/CMakeCache.txt")"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")"
name="velt-host-$version-win64"
zip="$win/$name.zip"
mingw_dirs=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
# Wine's own builds of the Windows system DLLs: what every Windows has.
windows_dirs=(/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
qt_translations=/usr/share/qt6/translations

fail() { echo "package-windows: $*" >&2; exit 1; }
[ -f "$win/app/velt-host.exe" ] || fail "no $win/app/velt-host.exe (cmake --build --preset windows)"
[ -f "$win/cli/velt-cli.exe" ] || fail "no $win/cli/velt-cli.exe"
[ -f "$qt/bin/Qt6Core.dll" ] || fail "no Qt for mingw in '$qt' (scripts/build-qt-mingw.sh)"

stage="$win/package"
dir="$stage/$name"
rm -rf "$stage" "$zip"
mkdir -p "$dir/platforms" "$dir/styles" "$dir/imageformats" "$dir/LICENSES"

cp "$win/app/velt-host.exe" "$win/cli/velt-cli.exe" "$dir/"
x86_64-w64-mingw32-strip --strip-unneeded "$dir/velt-host.exe" "$dir/velt-cli.exe"
cp "$qt/plugins/platforms/qwindows.dll" "$dir/platforms/"
cp "$qt/plugins/styles/"*.dll "$dir/styles/"
cp "$qt/plugins/imageformats/"*.dll "$dir/imageformats/"
# Qt looks for its plugins and translations beside the program.
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$dir/qt.conf"
if compgen -G "$qt_translations/qtbase_ko.qm" >/dev/null; then
  mkdir -p "$dir/translations"
  cp "$qt_translations/qtbase_ko.qm" "$dir/translations/"
fi

# The DLLs the files import, found in Qt's bin folder or the compiler's,
# until nothing new is needed. Windows matches DLL names without case.
declare -A provided windows_dll
for d in "${mingw_dirs[@]}" "$qt/bin"; do
  for f in "$d"/*.dll; do f_lower="${f,,}"; provided["${f_lower##*/}"]="$f"; done
done
for d in "${windows_dirs[@]}"; do
  for f in "$d"/*.dll; do f_lower="${f,,}"; windows_dll["${f_lower##*/}"]=1; done
done
# The DLLs a file imports; a file objdump cannot read fails the package
# rather than passing as one without imports.
imports() {
  local table
  table=$(x86_64-w64-mingw32-objdump -p "$1") || return 1
  sed -n 's/^\s*DLL Name: //p' <<<"$table"
}
declare -A checked
changed=1
while [ "$changed" = 1 ]; do
  changed=0
  while IFS= read -r -d '' file; do
    [ -n "${checked[$file]:-}" ] && continue
    checked["$file"]=1
    mapfile -t dlls < <(imports "$file"; echo "end $?")
    [ "${dlls[-1]}" = "end 0" ] || fail "the imports of $(basename "$file") cannot be read"
    unset 'dlls[-1]'
    for dll in "${dlls[@]}"; do
      key="${dll,,}"
      [ -e "$dir/$dll" ] && continue
      if [ -n "${provided[$key]:-}" ]; then
        cp "${provided[$key]}" "$dir/$dll"
        changed=1
      elif [ -z "${windows_dll[$key]:-}" ] && [[ $key != api-ms-win-* ]]; then
        fail "$(basename "$file") needs $dll, found neither in Qt, the compiler's run-time nor Windows"
      fi
    done
  done < <(find "$dir" \( -name '*.exe' -o -name '*.dll' \) -print0)
done

# Debian's compiler run-time DLLs carry their debugging symbols (libstdc++
# 23 MB of them): without, as Qt's are.
for f in "$dir"/lib*.dll; do x86_64-w64-mingw32-strip --strip-unneeded "$f"; done

cp "$VELT_ROOT/README.md" "$dir/README.md"
cp /usr/share/common-licenses/LGPL-3 "$dir/LICENSES/Qt-LGPL-3.0.txt"
cp /usr/share/common-licenses/GPL-3 "$dir/LICENSES/Qt-GPL-3.0.txt"
[ -f /usr/share/doc/qt6-base-dev/copyright ] || fail "no /usr/share/doc/qt6-base-dev/copyright (qt6-base-dev)"
cp /usr/share/doc/qt6-base-dev/copyright "$dir/LICENSES/Qt-Debian-copyright.txt"
cat >"$dir/LICENSES/Qt-SOURCE.txt" <<EOF
The Qt libraries in this folder (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and
the plugins in platforms/, styles/ and imageformats/) are Qt 6.4.2,
used under the GNU Lesser General Public License version 3 (Qt-LGPL-3.0.txt;
the GNU GPL version 3 it builds on is in Qt-GPL-3.0.txt). The copyright
holders and the licences of the parts of Qt are listed in
Qt-Debian-copyright.txt.

Source: Debian's source package qt6-base 6.4.2+dfsg-10
(https://packages.debian.org/source/bookworm/qt6-base, or
"apt-get source qt6-base=6.4.2+dfsg-10" with a deb-src line for Debian 12
"bookworm" main), unchanged, cross-built for Windows with mingw-w64 as
shared libraries with Debian's mingw-w64 compiler (x86_64-w64-mingw32-g++-posix)
and the host tools of Debian's qt6-base-dev-tools, configured with:

  configure -xplatform win32-g++ -qt-host-path /usr -release -shared
    -nomake examples -nomake tests -no-opengl -no-dbus -no-feature-sql
    -no-feature-network -no-feature-printsupport -no-feature-vulkan
    -no-feature-concurrent -no-feature-xml -no-icu -qt-zlib -qt-libpng
    -qt-libjpeg -qt-pcre -qt-harfbuzz -qt-freetype
    -- -DFEATURE_tabletevent=OFF

then "ninja && ninja install". scripts/build-qt-mingw.sh in VELT Host's
sources does exactly this.

You may replace these DLLs with your own build of the same Qt version.

The compiler's run-time DLLs (libgcc_s_seh-1.dll, libstdc++-6.dll,
libwinpthread-1.dll) are from Debian's mingw-w64 packages (GCC run-time
library exception; winpthreads under the MIT licence).
EOF

(cd "$stage" && TZ=UTC zip -q -r -X "$zip" "$name")
echo "package-windows: $(du -h "$zip" | cut -f1) $zip, $(find "$dir" -type f | wc -l) files:" >&2
(cd "$dir" && find . -type f | sort | sed 's/^\.\//  /') >&2
echo "$zip"
