#!/usr/bin/env bash
# System calls of one conversion of the generated database of 10,000
# resources (the one of bench/bench_convert.cpp), counted with `strace -c -f`,
# in all and per resource. The default run folder is used (TMPDIR unset).
#   scripts/count-syscalls.sh [CLI] [BENCH]
# CLI defaults to build/cli/pressling-cli, BENCH to build/bench/pressling_bench_convert.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build/cli/pressling-cli}")
bench=$(realpath "${2:-$root/build/bench/pressling_bench_convert}")
command -v strace >/dev/null || { echo "count-syscalls.sh: strace is missing (package strace)" >&2; exit 1; }
unset TMPDIR

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-database "$work/generated.prc"
strace -c -f -o "$work/counts" "$cli" "$work/generated.prc" >/dev/null
cat "$work/counts"
awk '/ total$/ { printf "%d system calls, %.2f per resource\n", $4, $4 / 10000 }' "$work/counts"
