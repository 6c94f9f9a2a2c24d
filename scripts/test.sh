#!/usr/bin/env bash
# Set-up, then the whole test suite twice: a Release build and an
# AddressSanitizer/UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"

scripts/build.sh release
echo "== Tests (Release) =="
ctest --preset release -j "$jobs"

scripts/build.sh asan
echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer) =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j "$jobs"
