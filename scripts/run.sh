#!/usr/bin/env bash
# Set-up, Release build, then the monitor's main job: decode the demo recording that the
# build generated with our own signal generator and print its receptions.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
echo "== Empfang aus build/demo/demo.wav =="
./build/kubmon decode build/demo/demo.wav
