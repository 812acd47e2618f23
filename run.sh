#!/usr/bin/env bash
# Installs what is missing, builds, and starts VELT Host on the built-in
# simulated drive (press Connect with the default settings).
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

velt_install_packages
velt_build "$VELT_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
if [ -x "$VELT_ROOT/build/app/velt-host" ]; then
  exec "$VELT_ROOT/build/app/velt-host" --demo "$@"
else
  exec "$VELT_ROOT/build/cli/velt-cli" --help
fi
