#!/usr/bin/env bash
# The demo as a newcomer without a sound card meets it: the window started with --demo
# under a virtual X server, no sound server anywhere. It says once that there is no
# sound card, then the demo district's day logs of FMS, ZVEI and POCSAG fill from the
# recording within 90 s; every FMS reception belongs to a vehicle of the district, and
# the program folder beside the demo stays untouched.
#   run_demo_e2e.sh KUB_MONITOR DEMO_WAV
set -uo pipefail
exe="$1"
wav="$2"
scratch="$(mktemp -d /tmp/kub-demo-e2e.XXXXXX)"
xvfb=""
win=""
cleanup() {
    [ -n "$win" ] && kill "$win" 2>/dev/null && wait "$win" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FEHLER: $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb startet nicht"
export DISPLAY=":$(head -1 "$scratch/display")"

# The program folder as scripts/run.sh lays it out; no sound server to be found.
folder="$scratch/KUB-Monitor"
mkdir -p "$folder/Demo" "$scratch/run" "$scratch/home"
chmod 700 "$scratch/run"
cp "$exe" "$folder/kub-monitor"
cp "$wav" "$folder/Demo/demo.wav"
printf 'autospawn = no\n' >"$scratch/pulse-client.conf"
start=$SECONDS
(cd "$scratch" && exec env -u PULSE_SERVER XDG_RUNTIME_DIR="$scratch/run" HOME="$scratch/home" \
    PULSE_CLIENTCONFIG="$scratch/pulse-client.conf" "$folder/kub-monitor" --demo) >"$scratch/log" 2>&1 &
win=$!

boxes=0
logs="$folder/Demo/Logbuch"
filled() { [ -s "$logs/$1" ]; }
while [ $((SECONDS - start)) -lt 90 ]; do
    kill -0 "$win" 2>/dev/null || { cat "$scratch/log" >&2; fail "kub-monitor --demo endete"; }
    # One box may show as more than one X window; a box is one answer with Return.
    ids="$(xdotool search --name '^Achtung!$' 2>/dev/null)"
    if [ -n "$ids" ]; then
        boxes=$((boxes + 1))
        for box in $ids; do xdotool key --window "$box" Return 2>/dev/null; done
        sleep 1
    fi
    day="$(date +%Y-%-m-%-d)"
    if filled "FMS-$day.txt" && filled "zvei-$day.txt" && filled "poc-$day.txt"; then break; fi
    sleep 1
done
day="$(date +%Y-%-m-%-d)"
ls -l "$logs" >&2 2>/dev/null
for f in "FMS-$day.txt" "zvei-$day.txt" "poc-$day.txt"; do
    filled "$f" || fail "$f nach $((SECONDS - start)) s leer"
done
echo "Tagesprotokolle gefüllt nach $((SECONDS - start)) s"
[ "$boxes" -eq 1 ] || fail "\"Keine Soundkarte\" $boxes-mal gemeldet"
# Rows start with the vehicle's call name; "?" or nothing would be a Kennung outside the district.
awk -F'\t' '$1 == "" || $1 == "?" { bad++ } END { exit bad > 0 }' "$logs/FMS-$day.txt" ||
    fail "FMS-Empfang ohne Fahrzeug des Demo-Landkreises: $(cat "$logs/FMS-$day.txt")"
grep -q 'Löschzug Musterstadt' <(iconv -f CP1252 -t UTF-8 "$logs/zvei-$day.txt") ||
    fail "ZVEI-Empfang ohne Meldeempfänger des Demo-Landkreises"
for f in Mon.ini Fzg.txt Logbuch Status; do
    [ ! -e "$folder/$f" ] || fail "der Programmordner neben der Demo wurde angefasst: $f"
done
echo "Demo in Ordnung"
