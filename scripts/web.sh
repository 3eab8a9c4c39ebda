#!/usr/bin/env bash
# Installs what is missing and builds the page into build-web/site/: the core compiled with emscripten to
# WebAssembly (build-web/wasm/, with zlib and libzip built once from Debian's
# sources by scripts/web-deps.sh, which web/CMakeLists.txt runs), the page's
# own files from web/site/, and fflate's browser module for "download all"
# from node_modules (npm ci when the lockfile is newer).
# Then the whole page in one file, build-web/pressling.html, that works
# opened from the disk (web/single_file.py).
#   scripts/web.sh            build
#   scripts/web.sh --serve    build, then serve it on http://127.0.0.1:8080/
# The folder build-web/site/ is the whole page: any static host serves it.
# build-web/pressling.html is the same page for anyone without a host.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
command -v emcc >/dev/null || { echo "web.sh: emcc is missing (package emscripten; scripts/install-deps.sh)" >&2; exit 1; }
command -v esbuild >/dev/null || { echo "web.sh: esbuild is missing (package esbuild; scripts/install-deps.sh)" >&2; exit 1; }
command -v npm >/dev/null || { echo "web.sh: npm is missing (Node 20 or later with npm)" >&2; exit 1; }

# Debian's emscripten runs its optimizer with the system's Node; with a Node
# from elsewhere on the PATH it finds Debian's acorn only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ ! -d "$root/node_modules" ] || [ "$root/package-lock.json" -nt "$root/node_modules/.package-lock.json" ]; then
  (cd "$root" && npm ci --no-audit --no-fund >/dev/null)
fi

wasm=$root/build-web/wasm
site=$root/build-web/site
emcmake cmake -S "$root/web" -B "$wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" 2>&1 >/dev/null | { grep -v "^configure: " >&2 || true; }
cmake --build "$wasm"

rm -rf "$site"
mkdir -p "$site"
cp "$root"/web/site/* "$site/"
cp "$wasm/pressling.mjs" "$wasm/pressling.wasm" "$site/"
cp "$root/node_modules/fflate/esm/browser.js" "$site/fflate.js"
cp "$root/node_modules/fflate/LICENSE" "$site/fflate-LICENSE.txt"
python3 "$root/web/offline_stamp.py" "$site"
python3 "$root/web/single_file.py" "$site" "$wasm/pressling-classic.js" "$wasm/pressling-classic.wasm" \
  "$root/build-web/pressling.html"
echo "web.sh: the page is in $site, and in one file in $root/build-web/pressling.html"

if [ "${1:-}" = "--serve" ]; then
  echo "web.sh: serving on http://127.0.0.1:8080/ (Ctrl-C stops)"
  exec python3 "$root/web/serve.py" --port 8080 "$site"
fi
