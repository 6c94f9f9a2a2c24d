#!/usr/bin/env bash
# Starts a sound server with the virtual receiver, runs the end-to-end test against it
# and stops the server again, whatever the test's outcome.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
eval "$("$here/../../scripts/virtual-receiver.sh" start)" || { echo "Soundserver startet nicht" >&2; exit 1; }
trap '"$here/../../scripts/virtual-receiver.sh" stop' EXIT
QT_QPA_PLATFORM=offscreen "$@"
