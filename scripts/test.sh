#!/usr/bin/env bash
# The include check (no include runs up the house), set-up, then the whole test suite
# twice: a Release build and an AddressSanitizer/UndefinedBehaviorSanitizer build (without
# the benchmarks and the few long sweeps tests/CMakeLists.txt names RELEASE_ONLY); then two
# seconds of every fuzzing harness (clang, libFuzzer): its seeds and what the last runs
# found, and a little more. fuzz/run_all.sh MINUTES is the long fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-includes.sh
scripts/setup.sh
jobs="$(nproc)"

scripts/build.sh release
echo "== Tests (Release) =="
ctest --preset release -j "$jobs"

scripts/build.sh asan
echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer) =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt" ctest --preset asan -j "$jobs"

echo "== Fuzzing (two seconds per harness; fuzz/run_all.sh MINUTEN for a long run) =="
fuzz/run_all.sh --seconds 2
