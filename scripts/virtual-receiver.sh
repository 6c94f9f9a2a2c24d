#!/usr/bin/env bash
# A sound server with a virtual radio receiver, for tests and screenshots on machines
# without sound hardware (loopback only, runs as root too).
#   eval "$(scripts/virtual-receiver.sh start)"   # exports XDG_RUNTIME_DIR and PULSE_SERVER
#   paplay -d radio file.wav                      # plays into the receiver "Funkempfaenger"
#   scripts/virtual-receiver.sh stop
set -euo pipefail

case "${1:-}" in
start)
    dir="$(mktemp -d /tmp/kub-pulse.XXXXXX)"
    chmod 700 "$dir"
    export XDG_RUNTIME_DIR="$dir"
    export PULSE_SERVER="unix:$dir/pulse/native"
    pulseaudio -D --exit-idle-time=-1 -n --log-target=file:"$dir/pulse.log" \
        --load="module-native-protocol-unix socket=$dir/pulse/native" \
        --load="module-null-sink sink_name=radio" >/dev/null 2>&1
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl load-module module-remap-source master=radio.monitor source_name=radio_in \
        source_properties=device.description=Funkempfaenger >/dev/null
    echo "export XDG_RUNTIME_DIR='$dir' PULSE_SERVER='$PULSE_SERVER'"
    ;;
stop)
    [ -n "${XDG_RUNTIME_DIR:-}" ] || exit 0
    pulseaudio --kill >/dev/null 2>&1 || true
    for _ in $(seq 50); do pulseaudio --check >/dev/null 2>&1 || break; sleep 0.1; done
    case "$XDG_RUNTIME_DIR" in /tmp/kub-pulse.*) rm -rf "$XDG_RUNTIME_DIR" ;; esac
    ;;
*)
    echo "Aufruf: $0 start|stop" >&2
    exit 2
    ;;
esac
