#!/usr/bin/env bash
# Builds the Debian package from a configured build folder into a scratch folder and
# checks what it holds and what lintian says of it (no errors, no warnings); the unpacked
# programs must start and tell their version. Nothing is installed.
#   check_package.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d /tmp/kub-package.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; echo "cpack -G DEB schlägt fehl" >&2; exit 1; }
deb="$(ls "$scratch"/kub-monitor_*.deb)"
contents="$(dpkg-deb -c "$deb")"
for f in ./usr/bin/kub-monitor ./usr/bin/kubmon ./usr/libexec/kub-monitor/kubmon-full ./usr/share/applications/kub-monitor.desktop \
         ./usr/share/icons/hicolor/scalable/apps/kub-monitor.svg \
         ./usr/share/doc/kub-monitor/examples/kubmon.service \
         ./usr/share/doc/kub-monitor/examples/kub-monitor-autostart.desktop \
         ./usr/share/doc/kub-monitor/copyright ./usr/share/doc/kub-monitor/changelog.gz \
         ./usr/share/man/man1/kubmon.1.gz ./usr/share/man/man1/kub-monitor.1.gz; do
    grep -q " $f\$" <<<"$contents" || { echo "fehlt im Paket: $f" >&2; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6multimedia6 || { echo "Abhängigkeiten fehlen" >&2; exit 1; }
# Nothing starts by itself: no autostart entry or service outside the examples.
! grep -Eq ' \./(etc|usr/lib/systemd)/' <<<"$contents" || { echo "Paket startet etwas von selbst" >&2; exit 1; }
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log" >&2; echo "lintian beanstandet das Paket" >&2; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"
grep -q '^Exec=kub-monitor$' "$scratch/root/usr/share/applications/kub-monitor.desktop"
# Both programs start from the package: kubmon answers, the window comes up (offscreen)
# and keeps running until it is stopped.
version="$(dpkg-deb -f "$deb" Version)"
[ "$("$scratch/root/usr/bin/kubmon" --version)" = "kubmon $version" ] || { echo "kubmon --version falsch" >&2; exit 1; }
[ "$("$scratch/root/usr/bin/kub-monitor" --version)" = "kub-monitor $version" ] ||
    { echo "kub-monitor --version falsch" >&2; exit 1; }
# Asked-for help is output (stdout, status 0); a wrong command is an error (stderr, 2).
help="$("$scratch/root/usr/bin/kubmon" --help 2>"$scratch/help.err")" && [ -n "$help" ] && [ ! -s "$scratch/help.err" ] ||
    { echo "kubmon --help nicht auf stdout" >&2; exit 1; }
# A command of kubmon-full: the front finds it in libexec.
page="$("$scratch/root/usr/bin/kubmon" page --help 2>"$scratch/page.err")" && [[ "$page" == "Aufruf: kubmon page"* ]] &&
    [ ! -s "$scratch/page.err" ] ||
    { echo "kubmon page --help kommt nicht bei kubmon-full an" >&2; cat "$scratch/page.err" >&2; exit 1; }
bad=0
"$scratch/root/usr/bin/kubmon" gibtsnicht >"$scratch/bad.out" 2>"$scratch/bad.err" || bad=$?
[ "$bad" -eq 2 ] && [ ! -s "$scratch/bad.out" ] && [ -s "$scratch/bad.err" ] ||
    { echo "kubmon mit falschem Befehl: nicht Status 2 auf stderr" >&2; exit 1; }
HOME="$scratch/home" QT_QPA_PLATFORM=offscreen timeout 3 "$scratch/root/usr/bin/kub-monitor" >/dev/null 2>&1 &&
    { echo "kub-monitor endete von selbst" >&2; exit 1; }
[ $? -eq 124 ] || { echo "kub-monitor startet nicht" >&2; exit 1; }
echo "Paket in Ordnung: $(basename "$deb")"
