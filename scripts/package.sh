#!/usr/bin/env bash
# Builds the Debian package pressling_VERSION-1_amd64.deb with CPack and checks
# it with lintian, whose errors fail the script. Prints the package's path.
# Beside it goes pressling.html, the page in one file for Windows and macOS
# (scripts/web.sh builds it).
#   scripts/package.sh [OUTPUT-FOLDER]     (default: build/package)
# PRESSLING_BUILD_DIR names a build folder to package as it is, without
# installing or building anything first (the package test does this); the
# page goes beside the package then only when it was built already.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/package}")
if [ -n "${PRESSLING_BUILD_DIR:-}" ]; then
  build=$PRESSLING_BUILD_DIR
else
  "$root/scripts/install-deps.sh"
  "$root/scripts/build.sh"
  "$root/scripts/web.sh" >&2
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
if [ -f "$root/build-web/pressling.html" ]; then
  cp "$root/build-web/pressling.html" "$out/pressling.html"
  echo "package.sh: the page in one file is $out/pressling.html" >&2
fi
echo "$deb"
