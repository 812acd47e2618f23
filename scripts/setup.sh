#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs (only those missing) and
# configures + builds the tree in ./build. Sourced by run.sh and test.sh.
set -euo pipefail

VELT_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libmodbus-dev
  fonts-noto-cjk
  xvfb xauth
  help2man lintian dpkg-dev file desktop-file-utils
)

# The Windows build of the core, velt-cli and the core tests (mingw-w64, posix
# threads) and its run under 64-bit Wine: about 170 MB to download. test.sh
# adds them unless VELT_SKIP_WINDOWS=1.
VELT_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix
  wine64 wine
)

# Fuzzing (test.sh, scripts/fuzz.sh): clang with libFuzzer and the sanitizer
# runtimes.
VELT_PACKAGES+=(clang libclang-rt-14-dev)

velt_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

velt_install_packages() {
  local missing=()
  for p in "${VELT_PACKAGES[@]}"; do
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

velt_build() {
  local dir="$1"; shift
  cmake -S "$VELT_ROOT" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$(nproc)"
}

# The fuzz targets (one per folder of fuzz/corpus) and only the core they
# link, built with clang, libFuzzer, ASan and UBSan into build-fuzz/.
velt_build_fuzz() {
  local targets=()
  for t in "$VELT_ROOT"/fuzz/corpus/*/; do targets+=("fuzz_$(basename "$t")"); done
  cmake -S "$VELT_ROOT" -B "$VELT_ROOT/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_FUZZ=ON -DVELT_GUI=OFF -DVELT_BENCH=OFF -DBUILD_TESTING=OFF
  cmake --build "$VELT_ROOT/build-fuzz" -j "$(nproc)" --target "${targets[@]}"
}
