#!/usr/bin/env bash
# Fails when a source of the core, the command line, the window or the page holds a Japanese
# literal: every text a person reads is an English message id, and its
# Japanese lives in po/ja.po.
set -euo pipefail
cd "$1"
mapfile -t sources < <(git ls-files -- 'language/*' 'workfolder/*' 'bitmap/*' 'database/*' 'archive/*' 'cli/*' 'json/*' \
  'ui/*.cpp' 'ui/*.h' 'ui/*.in' 'web/*.cpp' 'web/*.h' 'web/*.py' 'web/site/*.js' 'web/site/*.html')
if found=$(grep -nP '[\x{3040}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF01}-\x{FF60}]' "${sources[@]}"); then
  echo "Japanese text outside the catalogs:" >&2
  echo "$found" >&2
  exit 1
fi
