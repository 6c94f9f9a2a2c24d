#!/usr/bin/env bash
# The virtual radio receiver of scripts/virtual-receiver.sh on PipeWire with its
# PulseAudio server (pipewire-pulse), as a Debian 12 desktop runs it: PipeWire,
# WirePlumber and pipewire-pulse in a D-Bus session of their own, loopback only.
#   eval "$(scripts/virtual-receiver-pipewire.sh start)"   # exports XDG_RUNTIME_DIR, PULSE_SERVER, KUB_PW_PID
#   paplay -d radio file.wav
#   scripts/virtual-receiver-pipewire.sh stop
set -euo pipefail

case "${1:-}" in
start)
    dir="$(mktemp -d /tmp/kub-pipewire.XXXXXX)"
    chmod 700 "$dir"
    export XDG_RUNTIME_DIR="$dir"
    export PULSE_SERVER="unix:$dir/pulse/native"
    # The session bus and the three daemons end together with the D-Bus session.
    setsid dbus-run-session -- sh -c '
        pipewire & sleep 0.5; wireplumber & pipewire-pulse & wait' >"$dir/pipewire.log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    # WirePlumber links streams only once it is up.
    for _ in $(seq 100); do wpctl status 2>/dev/null | grep -q "WirePlumber" && break; sleep 0.1; done
    pactl load-module module-null-sink sink_name=radio >/dev/null
    pactl load-module module-remap-source master=radio.monitor source_name=radio_in \
        source_properties=device.description=Funkempfaenger >/dev/null
    echo "export XDG_RUNTIME_DIR='$dir' PULSE_SERVER='$PULSE_SERVER' KUB_PW_PID='$pid'"
    ;;
stop)
    [ -n "${KUB_PW_PID:-}" ] || exit 0
    # The process group of the session started above, and nothing else.
    kill -- "-$KUB_PW_PID" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$KUB_PW_PID" 2>/dev/null || break; sleep 0.1; done
    case "${XDG_RUNTIME_DIR:-}" in /tmp/kub-pipewire.*) rm -rf "$XDG_RUNTIME_DIR" ;; esac
    ;;
*)
    echo "Aufruf: $0 start|stop" >&2
    exit 2
    ;;
esac
