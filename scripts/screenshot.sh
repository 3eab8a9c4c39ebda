#!/usr/bin/env bash
# Starts the window on a virtual X server (xvfb-run) and saves a PNG
# screenshot of it. Prints the PNG's path.
#   scripts/screenshot.sh [OUTPUT.png [FILE.prc]]
# Without FILE, the window as it starts, its client area only. With FILE, a
# copy of it (in a temporary folder; FILE itself is not touched) is converted,
# the details are opened from the right-click menu, and the picture shows the
# window with its report and the details dialog beside it. The window speaks
# the language of the caller's environment (LANG=en_US.UTF-8 for English).
# PRESSLING_BUILD_DIR selects another build directory than build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-${TMPDIR:-/tmp}/pressling-window.png}")
input=""
if [ $# -ge 2 ]; then
  input=$(realpath -e "$2")
fi

# Tools for the screenshot only; build and tests do not need them.
missing=()
for pkg in xvfb xauth imagemagick x11-utils xdotool; do
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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/runs"
file=""
if [ -n "$input" ]; then
  file="$work/$(basename "$input")"
  cp "$input" "$file"
fi
XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/runs xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" \
  bash -s "$exe" "$out" "$file" <<'INNER'
set -euo pipefail
exe=$1 out=$2 file=$3
if [ -n "$file" ]; then "$exe" "$file" & else "$exe" & fi
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
# The X tools only read window names; they need no locale of the caller's, which may not exist.
xwininfo() { LC_ALL=C.UTF-8 command xwininfo "$@"; }
# The id of the top-level window titled $1, once it is shown.
find_window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v title="\"$1\":" 'index($0, title) { print $1; exit }')
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}
window=$(find_window "Dorv's Pressling V0.91")
if [ -z "$window" ]; then
  echo "screenshot.sh: the window did not appear" >&2
  exit 1
fi
if [ -z "$file" ]; then
  sleep 1  # let the first paint finish
  import -window "$window" "$out"
  exit 0
fi
# The run has ended when its private folder is gone and the menu entry is enabled.
for _ in $(seq 300); do
  [ -z "$(ls -A "$TMPDIR")" ] && break
  sleep 0.1
done
sleep 1
xdotool windowmove "$window" 16 16
sleep 0.3
# Right click on the bare picture, then the second entry of the menu.
xdotool mousemove --window "$window" 250 60 click 3
sleep 0.5
xdotool key Down Down Return
sleep 0.5
details=""
for _ in $(seq 50); do
  details=$(xwininfo -root -tree | awk '/"Details"|"詳細"|"Détails"/ { print $1; exit }')
  [ -n "$details" ] && break
  sleep 0.1
done
if [ -z "$details" ]; then
  echo "screenshot.sh: the details dialog did not appear" >&2
  exit 1
fi
width=$(xwininfo -id "$window" | awk '/Width:/ { print $2 }')
xdotool windowmove "$details" $((16 + width + 16)) 16
sleep 1
dialog_width=$(xwininfo -id "$details" | awk '/Width:/ { print $2 }')
dialog_height=$(xwininfo -id "$details" | awk '/Height:/ { print $2 }')
import -window root -crop "$((16 + width + 16 + dialog_width + 16))x$((16 + dialog_height + 16))+0+0" +repage "$out"
INNER
echo "$out"
