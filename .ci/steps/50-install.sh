#!/usr/bin/env bash
# Installation: the desktop entry and the AppStream metainfo validate, the
# build installs into a temporary prefix, and the installed programs run and
# find the demo maps there.
set -euo pipefail
cd "$(dirname "$0")/../.."
if ! command -v desktop-file-validate >/dev/null || ! command -v appstreamcli >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends desktop-file-utils appstream
fi
desktop-file-validate dist/org.korvance.Korvance.desktop
appstreamcli validate --no-net dist/org.korvance.Korvance.metainfo.xml

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix"
for f in bin/korvance bin/korvance-cli bin/korvance-gpsd-monitor \
         share/applications/org.korvance.Korvance.desktop \
         share/metainfo/org.korvance.Korvance.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.korvance.Korvance.svg \
         share/man/man1/korvance.1 share/man/man1/korvance-cli.1 share/man/man1/korvance-gpsd-monitor.1 \
         share/korvance/demo-maps/demo.lst; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/org.korvance.Korvance.desktop"

"$prefix/bin/korvance-cli" --help >/dev/null
"$prefix/bin/korvance-cli" --version
"$prefix/bin/korvance-gpsd-monitor" --help >/dev/null
"$prefix/bin/korvance-gpsd-monitor" --version
QT_QPA_PLATFORM=offscreen "$prefix/bin/korvance" --version
found=$("$prefix/bin/korvance-cli" map demo)
expected=$(realpath "$prefix/share/korvance/demo-maps")
if [ "$found" != "$expected" ]; then
  echo "the installed korvance-cli finds the demo maps in '$found', not in '$expected'"
  exit 1
fi
echo "installed into $prefix; demo maps found at $found"
