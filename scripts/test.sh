#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
ctest --test-dir "$root/build" --output-on-failure -j2

# The page: the core as WebAssembly, served and as the single file, run in
# headless Chromium and Firefox against the pressling-cli just built (npm ci
# from the lockfile on first use).
"$root/scripts/web.sh"
node --test "$root"/tests/web/*.test.mjs

# The core and its tests again under AddressSanitizer and UndefinedBehaviorSanitizer
# (-O1: a quarter of the compile time of -O2 with the sanitizers on).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DPRESSLING_SANITIZE=ON -DPRESSLING_WITH_UI=OFF -DPRESSLING_WITH_BENCH=OFF >/dev/null
cmake --build "$root/build-asan"
ctest --test-dir "$root/build-asan" --output-on-failure -j2

# The three libFuzzer targets (conversion, bitmap family, archive) side by side
# for 40 seconds: the whole command then stays within 15 minutes on 2 cores.
CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DPRESSLING_WITH_FUZZ=ON -DPRESSLING_WITH_TESTS=OFF -DPRESSLING_WITH_UI=OFF -DPRESSLING_WITH_BENCH=OFF >/dev/null
cmake --build "$root/build-fuzz"
"$root/tests/hardening/run-fuzzers.sh" "$root/build-fuzz" 40
