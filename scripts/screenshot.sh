#!/usr/bin/env bash
# Starts the window on a virtual X server (xvfb-run), drops nothing, and saves
# a PNG screenshot of the window's client area. Prints the PNG's path.
#   scripts/screenshot.sh [OUTPUT.png]
# PRESSLING_BUILD_DIR selects another build directory than build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-${TMPDIR:-/tmp}/pressling-window.png}")

# Tools for the screenshot only; build and tests do not need them.
missing=()
for pkg in xvfb xauth imagemagick x11-utils; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

"$root/scripts/install-deps.sh"
if [ -n "${PRESSLING_BUILD_DIR:-}" ]; then
  cmake --build "$PRESSLING_BUILD_DIR" --target pressling
  exe="$PRESSLING_BUILD_DIR/ui/pressling"
else
  "$root/scripts/build.sh"
  exe="$root/build/ui/pressling"
fi

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -s "$exe" "$out" <<'INNER'
set -euo pipefail
exe=$1 out=$2
"$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk "/\"Dorv's Pressling V0.91\"/ { print \$1; exit }")
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshot.sh: the window did not appear" >&2
  exit 1
fi
sleep 1  # let the first paint finish
import -window "$window" "$out"
INNER
echo "$out"
