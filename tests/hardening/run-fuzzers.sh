#!/usr/bin/env bash
# Runs the three fuzz targets of a fuzz build side by side for a bounded time
# and fails on any finding. Usage: run-fuzzers.sh BUILD_DIR [SECONDS]
# Crash inputs are left in BUILD_DIR/fuzz-findings; commit each one under
# tests/hardening/regressions/<target>/ so that the replay test keeps it.
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
corpus=${PRESSLING_CORPUS:-"$here/../../../shared/corpus/real"}
bin="$build/tests/hardening"
work="$build/fuzz-work"
findings="$build/fuzz-findings"
rm -rf "$findings"
mkdir -p "$work/convert" "$work/family" "$work/archive" "$findings"

if [ -d "$corpus" ]; then
  "$bin/pressling_fuzz_seeds" "$work/seeds" "$corpus"
  convert_seeds=("$work/seeds/convert" "$corpus")
else
  echo "run-fuzzers: no corpus at $corpus; seeding with the worked examples only"
  "$bin/pressling_fuzz_seeds" "$work/seeds"
  convert_seeds=("$work/seeds/convert")
fi

# Archive seeds: the worked examples zipped, deflated and stored, and two
# small corpus databases with an entry and an archive comment.
rm -rf "$work/seeds/archive"
mkdir -p "$work/seeds/archive"
zip -q -X -j "$work/seeds/archive/examples.zip" "$work/seeds/convert"/*
zip -q -X -j -0 "$work/seeds/archive/stored.zip" "$work/seeds/convert"/*
for name in harbaum__palmos__nostreak.prc nsbasic-archive__NS-Basic-for-Palm-OS__NEWtest.prc; do
  if [ -f "$corpus/$name" ]; then zip -q -X -j "$work/seeds/archive/corpus.zip" "$corpus/$name"; fi
done
if [ -f "$work/seeds/archive/corpus.zip" ]; then echo "seed archive" | zip -q -z "$work/seeds/archive/corpus.zip"; fi

# The runs write and sync many small files; a memory file system keeps that cheap.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
run() {
  local target=$1; shift
  "$bin/pressling_fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" "$work/$target" "$@" \
    >"$work/$target.log" 2>&1
}
status=0
run convert "${convert_seeds[@]}" & convert_pid=$!
run family "$work/seeds/family" & family_pid=$!
run archive "$work/seeds/archive" & archive_pid=$!
wait $convert_pid || status=1
wait $family_pid || status=1
wait $archive_pid || status=1
for target in convert family archive; do
  runs=$(grep -m1 'stat::number_of_executed_units' "$work/$target.log" | awk '{print $2}')
  echo "fuzz $target: ${runs:-?} executions in ${seconds} s"
done
if [ $status -ne 0 ] || [ -n "$(ls -A "$findings")" ]; then
  for target in convert family archive; do tail -n 40 "$work/$target.log"; done
  echo "run-fuzzers: findings in $findings" >&2
  exit 1
fi
