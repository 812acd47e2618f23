#!/usr/bin/env bash
# Installs what is missing, builds, and starts VELT Host on the built-in
# simulated drive (press Connect with the default settings). Arguments are
# passed on to velt-host.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

velt_install_packages
velt_build plain velt-host
exec "$VELT_ROOT/build/app/velt-host" --demo "$@"
