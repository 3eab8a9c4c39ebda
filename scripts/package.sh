#!/usr/bin/env bash
# Builds the Debian package pressling_VERSION-1_amd64.deb with CPack and checks
# it with lintian, whose errors fail the script. Prints the package's path.
#   scripts/package.sh [OUTPUT-FOLDER]     (default: build/package)
# PRESSLING_BUILD_DIR names a build folder to package as it is, without
# installing or building anything first (the package test does this).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/package}")
if [ -n "${PRESSLING_BUILD_DIR:-}" ]; then
  build=$PRESSLING_BUILD_DIR
else
  "$root/scripts/install-deps.sh"
  "$root/scripts/build.sh"
  build=$root/build
fi

rm -rf "$out/_CPack_Packages"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$out/pressling_${version}-1_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "package.sh: CPack did not make $deb" >&2
  exit 1
fi
lintian --fail-on error "$deb" >&2
echo "$deb"
