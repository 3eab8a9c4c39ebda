#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exe="$root/build/ui/pressling"
if [ ! -x "$exe" ]; then
  echo "run.sh: the window program was not built ($exe is missing)" >&2
  exit 1
fi
exec "$exe" "$@"
