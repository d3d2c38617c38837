#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: once as
# built for use, once with AddressSanitizer and UndefinedBehaviorSanitizer.
# The end-to-end tests run against a private Xvfb server started here.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"

display_number=$((90 + RANDOM % 400))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
  display_number=$((display_number + 1))
done
Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY=":$display_number"
# The Wayland end-to-end tests start a private headless sway of this kind each.
export BRIMVALE_TEST_COMPOSITOR=sway
for _ in $(seq 50); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
# The end-to-end tests skip without a display; here they must run.
if ! xdpyinfo >/dev/null 2>&1; then
  echo "Xvfb did not start on $DISPLAY" >&2
  exit 1
fi

status=0
echo "== Build and test =="
"$here/scripts/build.sh" "$here/build" -DBRIMVALE_WERROR=ON
ctest --test-dir "$here/build" --output-on-failure -j 2 || status=1

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
"$here/scripts/build.sh" "$here/build-sanitize" -DBRIMVALE_SANITIZE=ON -DBRIMVALE_WERROR=ON \
  -DBRIMVALE_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir "$here/build-sanitize" --output-on-failure -j 2 || status=1

exit $status
