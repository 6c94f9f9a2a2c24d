#!/usr/bin/env bash
# Screenshots of the three tabs for the user's guide (docs/): the window runs under a virtual X server
# on a demo program folder, with the virtual receiver as its sound card, and plays a
# little radio traffic so that the tables, the board and the alert lists have something
# to show. Writes docs/listenansicht.png, docs/fahrzeugansicht.png, docs/einstellungen.png,
# one picture per settings section (docs/einstellungen-1.png .. -11.png) and the vehicle
# dialog (docs/eigenschaften.png), the board before capture starts with the red line
# of stopped capture (docs/aufnahme-gestoppt.png) and the board of a new, empty folder
# (docs/leere-tafel.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
[ -x build/kub-monitor ] || scripts/build.sh release

demo="$(mktemp -d /tmp/kub-demo.XXXXXX)"
cp build/kub-monitor "$demo/"
python3 - "$demo" <<'PY'
import os, sys
d = sys.argv[1]
def write(name, lines):
    p = os.path.join(d, name)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "wb").write("".join(l + "\r\n" for l in lines).encode("cp1252"))
fzg = ["Löschzug Süd\t\t", "HLF Süd 1\tHilfeleistung\t623B1234", "DLK Süd\tDrehleiter\t623B1235",
       "RTW Süd 1\tRettungswagen\t623B1236", "\t\t", "Führung\t\t", "ELW 1\tEinsatzleitung\t623B1237",
       "KdoW\tKommandowagen\t623B1238", "\t\t", "Rettungsdienst\t\t", "RTW 2\tRettungswagen\t623B5678",
       "NEF 1\tNotarzt\t623B5679", "KTW 1\tKrankentransport\t623B5680"]
write("Fzg.txt", fzg)
for slot, status in [(2, 2), (3, 4), (6, 1), (7, 6), (11, 2), (12, 8)]:
    write(f"Status/{slot}.txt", [f"{status}\t0\t07.12. 08:{slot:02d}"])
write("Wachen.txt", ["Hauptwache", "Süd", "Nord", "Rettungswache", "Übungen"] + [""] * 25)
write("ZVEI.txt", ["12345\tFeuerwehr Musterstadt\t16761024", "23456\tWehrführer\t12648447",
                   "1234567\tZugführer Süd\t12648384"])
write("ZVEI_FMS_Zuord.txt", ["623B1234\t12345\tHLF Süd 1", "623B1234\t1234567\tHLF Süd 1"])
num = lambda v: (" %d " % v) if v >= 0 else ("%d " % v)
colours = [12648384, 12648447, 12632319, 8438015, 16761024, -2147483633, 16777215, 16711935, 16777088]
lines = [num(0)] + [num(c) for c in colours] + [num(1), "/usr/local/bin/alarmierung", "www.example.org", "kub",
         "geheim", "kub", num(0), num(1), "localhost", num(9000), num(0), num(0), "Einsatzleitrechner", num(4),
         num(1), num(1), num(0), num(0), num(0), num(1)]
write("Mon.ini", lines)
# The live web board on this machine only, so its section shows it running.
open(os.path.join(d, "Web.ini"), "w", encoding="utf-8").write("Adresse=127.0.0.1\nPort=8088\nZugangsschlüssel=\n")
PY

display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1400x950x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
eval "$(scripts/virtual-receiver.sh start)"
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    scripts/virtual-receiver.sh stop
    rm -rf "$demo"
}
trap cleanup EXIT
export DISPLAY="$display"
sleep 1
(cd "$demo" && exec ./kub-monitor >/dev/null 2>&1) &
app=$!
win=""
for _ in $(seq 50); do win="$(xdotool search --name '^KUB-Monitor$' 2>/dev/null | head -1 || true)"; [ -n "$win" ] && break; sleep 0.2; done
[ -n "$win" ] || { echo "Fenster erscheint nicht" >&2; exit 1; }
xdotool windowsize "$win" 1380 930
sleep 0.5

click_tab() { xdotool mousemove --window "$win" "$1" 20 click 1; sleep 0.6; }
# Before "Start": the red line beside the tabs, on the board.
click_tab 170
import -window "$win" docs/aufnahme-gestoppt.png
# Settings tab, then "Start" (the receiver is device 0 and saved as such).
click_tab 285
start="$(xdotool search --name '^KUB-Monitor$' | head -1)"
xdotool mousemove --window "$win" 390 203 click 1
sleep 1
# FMS on the left receiver, ZVEI and POCSAG on the right one.
"$root/build/kubmon" gen "$demo/funk.wav" left gap:300 fms:623B1234:3:0:1 gap:800 fms:623B1237:5:0:1 \
    gap:800 fms:623B5678:7:0:1 gap:800 fms:623B1236:0:0:1 gap:500 right gap:1500 zvei:12345 gap:800 \
    "poc1200:1234567:3:B3 Wohnungsbrand Hauptstr. 5" gap:500 sync >/dev/null
paplay -d radio "$demo/funk.wav"
sleep 1.5
import -window "$win" docs/einstellungen.png
click_tab 55
import -window "$win" docs/listenansicht.png
click_tab 170
xdotool mousemove --window "$win" 60 170
sleep 0.3
xdotool mousemove --window "$win" 60 185
sleep 0.5
import -window "$win" docs/fahrzeugansicht.png
# The vehicle dialog of "HLF Süd 1" (right mouse button on its tile), closed with Escape.
xdotool mousemove --window "$win" 60 185 click 3
dialog=""
for _ in $(seq 25); do dialog="$(xdotool search --onlyvisible --name '^Eigenschaften$' 2>/dev/null | head -1 || true)"; [ -n "$dialog" ] && break; sleep 0.2; done
if [ -n "$dialog" ]; then
    sleep 0.4
    import -window "$dialog" docs/eigenschaften.png
    # Sent to the focused window: a window-addressed key is refused (BadWindow) by this dialog.
    xdotool windowfocus "$dialog" 2>/dev/null || true
    xdotool key Escape
    sleep 0.3
fi
# Every settings section: the first entry of the section list, then one down per picture.
click_tab 285
xdotool mousemove --window "$win" 60 55 click 1
sleep 0.3
for i in 1 2 3 4 5 6 7 8 9 10 11; do
    xdotool key Down
    sleep 0.5
    import -window "$win" "docs/einstellungen-$i.png"
done
# A new, empty program folder: the board with its hint on how to begin.
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
mkdir -p "$demo/neu"
cp build/kub-monitor "$demo/neu/"
(cd "$demo/neu" && exec ./kub-monitor >/dev/null 2>&1) &
app=$!
win=""
for _ in $(seq 50); do win="$(xdotool search --onlyvisible --name '^KUB-Monitor$' 2>/dev/null | head -1 || true)"; [ -n "$win" ] && break; sleep 0.2; done
[ -n "$win" ] || { echo "Fenster erscheint nicht" >&2; exit 1; }
sleep 0.5
click_tab 170
import -window "$win" docs/leere-tafel.png
echo "docs/listenansicht.png docs/fahrzeugansicht.png docs/einstellungen.png docs/einstellungen-1..11.png docs/eigenschaften.png docs/leere-tafel.png"
