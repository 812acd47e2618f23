#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks it:
#   - control fields and contents (dpkg-deb), one version everywhere;
#   - lintian: no errors (the tags left are printed);
#   - the desktop entry (desktop-file-validate) and the manual pages;
#   - the unpacked programs, run from a temporary root with HOME and the XDG
#     folders in a temporary folder: velt-cli reads and stores the parameters
#     of velt-drive-sim, velt-host --demo connects and takes a screenshot, and
#     none of them writes beside itself.
# Installing the package into the machine is not part of the check.
# Usage: scripts/check-package.sh BUILD_DIR
set -euo pipefail

build="$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)"
failures=0
fail() {
  echo "check-package: FAIL: $*" >&2
  failures=$((failures + 1))
}

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# --- Build -------------------------------------------------------------------
cmake --build "$build" -j 2 >"$work/build.log" || { cat "$work/build.log" >&2; exit 1; }
rm -f "$build"/package/velt-host_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  echo "check-package: cpack failed" >&2
  exit 1
}
debs=("$build"/package/velt-host_*.deb)
deb="${debs[0]}"
[ -f "$deb" ] || { echo "check-package: no package in $build/package" >&2; exit 1; }
echo "check-package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# --- Control fields ----------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
version="$(field Version)"
arch="$(dpkg --print-architecture)"
[ "$(field Package)" = velt-host ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ "$(basename "$deb")" = "velt-host_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
for f in Maintainer Description Section Priority Installed-Size; do
  [ -n "$(field "$f")" ] || fail "no $f field"
done
depends="$(field Depends)"
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
  [[ ", $depends," == *", $lib "* ]] || fail "Depends lacks $lib: $depends"
done
for font in fonts-wine fonts-noto-cjk; do
  [[ "$(field Recommends)" == *"$font"* ]] || fail "Recommends lacks $font"
done

# --- Contents ----------------------------------------------------------------
cat >"$work/expected" <<EOF
-rw-r--r-- ./usr/share/applications/velt-host.desktop
-rw-r--r-- ./usr/share/doc/velt-host/changelog.gz
-rw-r--r-- ./usr/share/doc/velt-host/copyright
-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/velt-host.png
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/velt-host.svg
-rw-r--r-- ./usr/share/man/man1/velt-cli.1.gz
-rw-r--r-- ./usr/share/man/man1/velt-drive-sim.1.gz
-rw-r--r-- ./usr/share/man/man1/velt-host.1.gz
-rwxr-xr-x ./usr/bin/velt-cli
-rwxr-xr-x ./usr/bin/velt-drive-sim
-rwxr-xr-x ./usr/bin/velt-host
EOF
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $6 }' | sort >"$work/contents"
if ! diff -u "$work/expected" "$work/contents" >"$work/contents.diff"; then
  cat "$work/contents.diff" >&2
  fail "contents differ from the expected files (- expected, + in the package)"
fi
if dpkg-deb -c "$deb" | awk '{ print $2 }' | grep -qv '^root/root$'; then
  fail "files not owned by root/root"
fi

# --- lintian -----------------------------------------------------------------
# lintian warns when run as root; that is not about the package.
if ! lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>"$work/lintian.err"; then
  cat "$work/lintian.log" "$work/lintian.err" >&2
  fail "lintian reports errors"
fi
grep -v 'running with root privileges' "$work/lintian.err" >&2 || true
echo "check-package: lintian: $(grep -c '^E:' "$work/lintian.log" || true) errors," \
  "$(grep -c '^W:' "$work/lintian.log" || true) warnings, $(grep -c '^I:' "$work/lintian.log" || true) infos"
sed 's/^/check-package:   /' "$work/lintian.log"

# --- Unpacked tree -----------------------------------------------------------
root="$work/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"

desktop-file-validate "$root/usr/share/applications/velt-host.desktop" || fail "desktop entry not valid"
grep -qx 'Exec=velt-host' "$root/usr/share/applications/velt-host.desktop" || fail "desktop entry does not start velt-host"
grep -qx 'Icon=velt-host' "$root/usr/share/applications/velt-host.desktop" || fail "desktop entry has not the icon velt-host"

for p in velt-host velt-cli velt-drive-sim; do
  # The programs must find nothing in the build tree: no run path, every library resolved.
  if readelf -d "$bin/$p" | grep -qE 'R(UN)?PATH'; then fail "$p carries a run path"; fi
  if ldd "$bin/$p" | grep -q 'not found'; then fail "$p misses libraries: $(ldd "$bin/$p" | grep 'not found')"; fi
  line="$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$p" --version)" || fail "$p --version failed"
  [ "$line" = "$p (VELT Host) $version" ] || fail "$p --version says '$line', the package is $version"
  page="$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$p.1.gz" 2>"$work/man.err")" || fail "man $p failed"
  [ ! -s "$work/man.err" ] || fail "man $p: $(cat "$work/man.err")"
  [[ "$page" == *"--version"* && "$page" == *"VELT Host $version"* ]] || fail "manual page of $p is not that of this build"
done

# HOME and the XDG folders in the temporary folder; no overrides of the
# program's own folders, so that their defaults are what is checked.
# XDG_RUNTIME_DIR is set as on a desktop; without it Qt makes one in TMPDIR.
home="$work/home"
mkdir -p "$home" "$work/tmp"
mkdir -m 700 "$work/runtime"
run=(env -u VELT_PORTS_DIR -u VELT_PARAMETER_DIR -u VELT_CONFIG_DIR -u XDG_CONFIG_HOME -u XDG_DATA_HOME
  HOME="$home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime")
(cd "$root" && find . -printf '%p %s %T@\n' | sort) >"$work/before"

"${run[@]}" "$bin/velt-drive-sim" --port COM3 </dev/null >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^ready COM3 ' "$work/sim.out" && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if grep -q '^ready COM3 ' "$work/sim.out"; then
  [ -e "$home/.config/velt-host/ports/COM3" ] || fail "velt-drive-sim published COM3 elsewhere than ~/.config/velt-host/ports"
  if "${run[@]}" "$bin/velt-cli" --lang en params read --out "$work/drive.par" 2>"$work/cli.err"; then
    lines="$(tr -d '\r' <"$work/drive.par" | grep -cE '^[0-9]{3} : .* : -?[0-9]+$' || true)"
    [ "$lines" = 144 ] || fail "params read gave $lines parameter lines, not 144"
  else
    cat "$work/cli.err" >&2
    fail "velt-cli params read failed"
  fi
  if "${run[@]}" "$bin/velt-cli" --lang en params write "$work/drive.par" --yes 2>"$work/write.err" >/dev/null; then
    backup="$(sed -n 's/^backup: //p' "$work/write.err")"
    [[ "$backup" == "$home/.local/share/velt-host/VELT_Parameter/BackUp_"*.par && -s "$backup" ]] ||
      fail "the backup went to '$backup', not to ~/.local/share/velt-host/VELT_Parameter"
  else
    cat "$work/write.err" >&2
    fail "velt-cli params write failed"
  fi
else
  cat "$work/sim.err" >&2
  fail "velt-drive-sim did not get ready"
fi
kill "$sim_pid" 2>/dev/null || true
if wait "$sim_pid"; then
  [ ! -e "$home/.config/velt-host/ports/COM3" ] || fail "velt-drive-sim left its COM3 entry behind"
elif grep -q '^ready COM3 ' "$work/sim.out"; then
  fail "velt-drive-sim did not end cleanly on SIGTERM"
fi
sim_pid=""

# The demo runs its drive in-process and publishes it in a private folder
# under TMPDIR, removed at exit.
if (cd "$work" && "${run[@]}" QT_QPA_PLATFORM=offscreen timeout 60 "$bin/velt-host" --demo --connect --lang en \
  --screenshot "$work/demo.png" >"$work/host.log" 2>&1); then
  [ -s "$work/demo.png" ] || fail "velt-host --demo wrote no screenshot"
else
  cat "$work/host.log" >&2
  fail "velt-host --demo --connect --screenshot failed"
fi
[ -z "$(ls -A "$work/tmp")" ] || fail "velt-host --demo left $(ls -A "$work/tmp") in TMPDIR"

(cd "$root" && find . -printf '%p %s %T@\n' | sort) >"$work/after"
diff -u "$work/before" "$work/after" >&2 || fail "the programs wrote into the unpacked tree"

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures check(s) failed" >&2
  exit 1
fi
echo "check-package: all checks passed in ${SECONDS} s"
