#!/usr/bin/env bash
# Builds the Debian package in one command: installs what is missing, builds
# the programs (without tests and benchmarks) into build-package/ and prints
# the path of velt-host_<version>_<arch>.deb. Install it with
#   sudo apt install ./build-package/package/velt-host_*.deb
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

velt_install_packages "${VELT_PACKAGE_PACKAGES[@]}"
velt_build package
cd "$VELT_ROOT/build-package"
rm -f package/velt-host_*.deb
cpack -G DEB >/dev/null
ls "$VELT_ROOT"/build-package/package/velt-host_*.deb
