#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brimvale.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$here/build" -DBRIMVALE_BUILD_TESTS=OFF -DBRIMVALE_BUILD_BENCHMARKS=OFF
exec "$here/build/src/app/brimvale" "$@"
