#!/usr/bin/env bash
# Stage of scripts/test: the program through the accessibility bridge (AT-SPI on a private session bus,
# openbox on Xvfb), in English and Japanese; see tests/e2e/a11y-journey.sh. A missing tool fails the
# stage rather than skipping it. BUILD_DIR (default build/default) names the build it uses.
set -euo pipefail
cd "$(dirname "$0")/../.."
bin="$(pwd)/${BUILD_DIR:-build/default}/bin"
for tool in Xvfb openbox dbus-daemon xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps installs it)"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "FAILED: python3-pyatspi is not installed"; exit 1; }
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "FAILED: at-spi2-core is not installed"; exit 1; }
for program in sonvale-data-manager ostra-emulator; do
  [ -e "$bin/$program" ] || { echo "FAILED: $bin/$program is not built"; exit 1; }
done
status=0
tests/on-x-display.sh tests/e2e/a11y-journey.sh "$bin/sonvale-data-manager" "$bin/ostra-emulator" || status=$?
[ "$status" -ne 77 ] || { echo "FAILED: the accessibility journey skipped"; exit 1; }
exit "$status"
