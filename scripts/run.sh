#!/usr/bin/env bash
# Set-up, Release build, then the monitor's window. Its program folder (settings, vehicles,
# logs) is $KUB_ORDNER, by default ~/KUB-Monitor: the programs are copied there and started
# from there, so its data files lie beside it as the monitor expects.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
folder="${KUB_ORDNER:-$HOME/KUB-Monitor}"
mkdir -p -m 700 "$folder"   # for its owner alone: it holds radio traffic and the FTP password
install -m 755 build/kub-monitor "$folder/kub-monitor"
# The web upload runs "kubmon ftp" from beside the window program.
install -m 755 build/kubmon "$folder/kubmon"
echo "== KUB-Monitor in $folder =="
exec "$folder/kub-monitor"
