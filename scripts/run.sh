#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window; arguments go to the
# window program (pressling FILE.prc converts FILE once the window is shown).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Without a display Qt would stop with a message about its platform plugins,
# after the whole build; say what to do instead, before it.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] &&
  [[ " $* " != *" -platform "* ]]; then
  echo "run.sh: no desktop session (DISPLAY and WAYLAND_DISPLAY are unset): convert with build/cli/pressling-cli FILE.prc after scripts/build.sh, or show the window on a virtual X server with xvfb-run scripts/run.sh" >&2
  exit 1
fi
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exe="$root/build/ui/pressling"
if [ ! -x "$exe" ]; then
  echo "run.sh: the window program was not built ($exe is missing)" >&2
  exit 1
fi
exec "$exe" "$@"
