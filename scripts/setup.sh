#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs (only those missing) and
# builds the trees of CMakePresets.json. Sourced by run.sh, test.sh and the
# other scripts.
set -euo pipefail

VELT_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-translations-l10n
  libmodbus-dev
  python3-pymodbus python3-serial python3-serial-asyncio  # the interop peer; its server needs both serial modules
  fonts-noto-cjk fonts-wine
  xvfb xauth
  clang-format
)

# ./test.sh --all adds the rest. The Debian package and its checks:
VELT_PACKAGE_PACKAGES=(help2man lintian dpkg-dev file desktop-file-utils)
# The Windows build (mingw-w64, posix threads) and its run under 64-bit Wine,
# velt-host.exe on a virtual X server (xwininfo sees its window, python3
# compares its picture), zip packs the Windows program: about
# 170 MB to download. Qt for mingw comes from scripts/build-qt-mingw.sh.
VELT_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 wine xvfb xauth x11-utils zip unzip python3)
# Building that Qt from Debian's source package (when the prebuilt archive is
# not there): apt-get source needs dpkg-dev; the host tools come from
# qt6-base-dev-tools above.
VELT_QT_MINGW_SOURCE_PACKAGES=(dpkg-dev xz-utils)
# Fuzzing: clang with libFuzzer and the sanitizer runtimes.
VELT_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

velt_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs VELT_PACKAGES and the packages given, where missing.
velt_install_packages() {
  local missing=()
  for p in "${VELT_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    velt_sudo apt-get update -q
    velt_sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

# velt_build PRESET [TARGET...]: configures the preset's tree (CMakePresets.json)
# and builds it, or only the targets given.
velt_build() {
  local preset="$1"; shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  (cd "$VELT_ROOT" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}")
}

# velt_test PRESET [CTEST ARGS...]: runs the preset's tests (CMakePresets.json).
velt_test() {
  local preset="$1"; shift
  (cd "$VELT_ROOT" && ctest --preset "$preset" "$@")
}
