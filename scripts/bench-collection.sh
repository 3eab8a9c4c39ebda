#!/usr/bin/env bash
# The corpus folder converted with -o into a fresh folder, against `cp -r` of
# the same folder, with -j 1 and -j 2 and the default run folder (TMPDIR
# unset), and the dry run with a line per bitmap (-n -v) against the real run. Each is run ROUNDS times, in turns; the medians and their ratios are
# printed, then the peak memory of a run with -j 2.
#   scripts/bench-collection.sh [CLI] [ROUNDS]
# CLI defaults to build/cli/pressling-cli; PRESSLING_CORPUS names another corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build/cli/pressling-cli}")
rounds=${2:-15}
corpus=$(realpath "${PRESSLING_CORPUS:-$root/../shared/corpus/real}")
[ -x "$cli" ] || { echo "bench-collection.sh: no program at $cli; build first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "bench-collection.sh: no corpus at $corpus" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-collection.sh: /usr/bin/time is missing (package time)" >&2; exit 1; }
unset TMPDIR

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds of one command, from a fresh target folder.
seconds() {
  rm -rf "$work/target"
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo "scale=4; ($end - $start) / 1000000000" | bc
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/copy" && : >"$work/j1" && : >"$work/j2" && : >"$work/nv"
for _ in $(seq "$rounds"); do
  seconds cp -r "$corpus" "$work/target" >>"$work/copy"
  seconds "$cli" -j 1 -o "$work/target" "$corpus" >>"$work/j1"
  seconds "$cli" -j 2 -o "$work/target" "$corpus" >>"$work/j2"
  seconds "$cli" -j 1 -n -v -o "$work/target" "$corpus" >>"$work/nv"
done
copy=$(median <"$work/copy")
j1=$(median <"$work/j1")
j2=$(median <"$work/j2")
nv=$(median <"$work/nv")
echo "corpus: $corpus ($(find "$corpus" -iname '*.prc' | wc -l) databases), median of $rounds rounds"
printf 'cp -r                 %.4f s\n' "$copy"
printf 'pressling-cli -j 1 -o %.4f s  %.1f times cp -r\n' "$j1" "$(echo "$j1 / $copy" | bc -l)"
printf 'pressling-cli -j 2 -o %.4f s  %.1f times cp -r\n' "$j2" "$(echo "$j2 / $copy" | bc -l)"
printf 'pressling-cli -j 1 -n -v -o %.4f s  %.2f times the real run with -j 1\n' "$nv" "$(echo "$nv / $j1" | bc -l)"

rm -rf "$work/target"
/usr/bin/time -v "$cli" -j 2 -o "$work/target" "$corpus" 2>"$work/time" >/dev/null || true
echo "peak memory with -j 2: $(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time") KiB"
