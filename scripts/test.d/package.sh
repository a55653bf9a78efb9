#!/usr/bin/env bash
# Stage of scripts/test: the Debian package as a packager and a software centre check it. Builds it with
# scripts/package (Release, only what the package holds), then runs lintian on it, and on its unpacked
# contents appstreamcli on the AppStream metainfo and desktop-file-validate on the desktop entry. Any
# error or warning fails the stage; lintian's and appstreamcli's finer notes are shown, not counted.
# With --build-only it builds the package and ends (scripts/test builds it while earlier tests run).
set -euo pipefail
cd "$(dirname "$0")/../.."
for tool in lintian appstreamcli desktop-file-validate dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps installs it)"; exit 1; }
done

if [ "${1:-}" = --build-only ]; then
  scripts/package
  exit 0
fi
echo "=== package: build"
deb=$(scripts/package | tail -n 1)
echo "$deb"

echo "=== package: lintian"
lintian --fail-on error,warning --display-info --pedantic "$deb"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
metainfo=("$contents"/usr/share/metainfo/*.metainfo.xml)
desktop=("$contents"/usr/share/applications/*.desktop)
[ -e "${metainfo[0]}" ] || { echo "FAILED: the package holds no AppStream metainfo"; exit 1; }
[ -e "${desktop[0]}" ] || { echo "FAILED: the package holds no desktop entry"; exit 1; }

echo "=== package: appstreamcli"
appstreamcli validate --no-net --pedantic "${metainfo[@]}"
# The tree as installed: the metainfo together with the desktop entry it names.
appstreamcli validate-tree --no-net "$contents"

echo "=== package: desktop-file-validate"
# It prints nothing for a valid entry; its hints, which it does not count as failures, fail here too.
report=$(desktop-file-validate "${desktop[@]}" 2>&1) && [ -z "$report" ] || {
  echo "$report"; echo "FAILED: desktop-file-validate has found faults in the desktop entry"; exit 1; }
echo "=== package: passed"
