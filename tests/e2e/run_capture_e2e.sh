#!/usr/bin/env bash
# Starts a sound server with the virtual receiver, runs the end-to-end test against it
# and stops the server again, whatever the test's outcome. KUB_SOUND_SERVER=pipewire runs
# it on PipeWire with pipewire-pulse instead of PulseAudio.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
receiver="$here/../../scripts/virtual-receiver.sh"
[ "${KUB_SOUND_SERVER:-}" = pipewire ] && receiver="$here/../../scripts/virtual-receiver-pipewire.sh"
eval "$("$receiver" start)" || { echo "Soundserver startet nicht" >&2; exit 1; }
trap '"$receiver" stop' EXIT
QT_QPA_PLATFORM=offscreen "$@"
