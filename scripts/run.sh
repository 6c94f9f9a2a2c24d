#!/usr/bin/env bash
# Set-up, Release build, then the monitor's window. Its program folder (settings, vehicles,
# logs) is $KUB_ORDNER, by default ~/KUB-Monitor: the programs are copied there and started
# from there, so its data files lie beside it as the monitor expects.
#   scripts/run.sh          the monitor; without any capture device the demo
#   scripts/run.sh --demo   the demo: a fictional district in $KUB_ORDNER/Demo, its radio
#                           traffic from a recording, played in a loop
set -euo pipefail
cd "$(dirname "$0")/.."
demo=0
case "${1:-}" in
    --demo) demo=1 ;;
    "") ;;
    *) echo "Aufruf: $0 [--demo]" >&2; exit 2 ;;
esac
scripts/setup.sh
scripts/build.sh release
folder="${KUB_ORDNER:-$HOME/KUB-Monitor}"
mkdir -p -m 700 "$folder"   # for its owner alone: it holds radio traffic and the FTP password
install -m 755 build/kub-monitor "$folder/kub-monitor"
# The web upload runs "kubmon ftp" from beside the window program; kubmon hands it to
# kubmon-full beside itself.
install -m 755 build/kubmon "$folder/kubmon"
install -m 755 build/kubmon-full "$folder/kubmon-full"
if [ "$demo" -eq 0 ] && ! "$folder/kubmon" devices >/dev/null 2>&1; then
    echo "== Keine Soundkarte gefunden: die Demo startet (scripts/run.sh --demo) =="
    demo=1
fi
if [ "$demo" -eq 1 ]; then
    install -D -m 644 build/demo/demo.wav "$folder/Demo/demo.wav"
    echo "== KUB-Monitor-Demo in $folder/Demo =="
    exec "$folder/kub-monitor" --demo
fi
echo "== KUB-Monitor in $folder =="
exec "$folder/kub-monitor"
