#!/usr/bin/env bash
# Builds the Debian package from a configured build folder into a scratch folder and
# checks what it holds; the unpacked programs must start. Nothing is installed.
#   check_package.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d /tmp/kub-package.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; echo "cpack -G DEB schlägt fehl" >&2; exit 1; }
deb="$(ls "$scratch"/kub-monitor_*.deb)"
contents="$(dpkg-deb -c "$deb")"
for f in ./usr/bin/kub-monitor ./usr/bin/kubmon ./usr/share/applications/kub-monitor.desktop \
         ./usr/share/icons/hicolor/scalable/apps/kub-monitor.svg \
         ./usr/share/doc/kub-monitor/examples/kubmon.service; do
    grep -q " $f\$" <<<"$contents" || { echo "fehlt im Paket: $f" >&2; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6multimedia6 || { echo "Abhängigkeiten fehlen" >&2; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"
grep -q '^Exec=kub-monitor$' "$scratch/root/usr/share/applications/kub-monitor.desktop"
# Both programs start from the package: kubmon answers, the window comes up (offscreen)
# and keeps running until it is stopped.
"$scratch/root/usr/bin/kubmon" --help 2>/dev/null
HOME="$scratch/home" QT_QPA_PLATFORM=offscreen timeout 3 "$scratch/root/usr/bin/kub-monitor" >/dev/null 2>&1 &&
    { echo "kub-monitor endete von selbst" >&2; exit 1; }
[ $? -eq 124 ] || { echo "kub-monitor startet nicht" >&2; exit 1; }
echo "Paket in Ordnung: $(basename "$deb")"
