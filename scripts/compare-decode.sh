#!/usr/bin/env bash
# What `kubmon decode` prints, over a fixed set of generated recordings (every protocol and
# data rate, both channels, noise, quiet and overdriven input, everything at once), the
# build's demo recording and the real recordings in ../shared/samples, stored file by file; and the byte-for-byte
# comparison of two such stores. A change that only moves code around must leave every
# file as it was.
#
#   scripts/compare-decode.sh record OUTDIR [KUBMON]   (KUBMON: default build/kubmon)
#   scripts/compare-decode.sh compare BEFORE AFTER
#
# The clock is frozen with faketime (Debian package "faketime"), so that the times in the
# JSON lines are the same on every run.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "Aufruf: $0 record AUSGABEORDNER [KUBMON] | compare VORHER NACHHER" >&2
    exit 2
}

# Name, then the arguments of `kubmon gen` (options first, then the elements).
cases() {
    local t="B3 Brand Wohnhaus - Hauptstraße 12 - Musterstadt"
    cat <<EOF
fms-clean|fms.wav left fms:623B1234:3:0:1 gap:400 fms:62341110:4:0:0 gap:400 fms:62341110:4:0:0 gap:300 fms:12345678:2:1:3 gap:500
fms-text|fms.wav left "fmstext:62341140:1:Einsatz Hauptstrasse 12" gap:800 fms:62341140:3:0:0 gap:500
fms-tonruf|fms.wav left tonruf1:1200 gap:500 tonruf2:900 gap:500 fms:62341110:5:0:0 gap:400
fms-right|fms.wav right fms:52341183:7:0:2 gap:300 fms:52341182:8:1:0 gap:400
fms-snr12|--snr 12 --seed 3 fms.wav left gap:500 fms:623B1234:3:0:1 gap:300 fms:62341152:6:0:0 gap:300 fms:62342140:2:0:0 gap:600
fms-snr6|--snr 6 --seed 4 fms.wav both gap:500 fms:623B1234:3:0:1 gap:300 fms:62341152:6:0:0 gap:300 fms:62342140:2:0:0 gap:600
fms-quiet|--amplitude 0.005 fms.wav left fms:62341110:3:0:0 gap:300 fms:62341141:4:0:0 gap:400
fms-loud|--amplitude 1.0 --noise 0.05 fms.wav left fms:62341110:3:0:0 gap:300 fms:62341141:4:0:0 gap:400
zvei-clean|zvei.wav left gap:300 zvei:25431 gap:600 zvei:25432 gap:600 zvei:25431 gap:600 zvei:11223 gap:600
zvei-tones|zvei.wav left gap:300 zvei:25433:50 gap:700 zvei:25480:100 gap:700 zvei:12345:60 gap:700 zvei:2G431:70 gap:600
zvei-right|--snr 10 --seed 5 zvei.wav right gap:300 zvei:25433 gap:700 zvei:90817 gap:700
zvei-snr4|--snr 4 --seed 6 zvei.wav both gap:300 zvei:25431 gap:700 zvei:25432 gap:700 zvei:54321 gap:700
poc512|pocsag.wav left gap:300 "poc512:1300100:1:RD 1 Sturz Person - Lindenweg 4" gap:800
poc1200|pocsag.wav left gap:300 "poc1200:1234567:3:$t" gap:500 pocnum1200:1300200:0:0123456789 gap:500 poctone1200:25480:2 gap:800
poc2400|pocsag.wav right gap:300 "poc2400:1300200:2:Probealarm Gruppe 1" gap:500 "pocmulti2400:1300100:1:Eins;1300300:3:Zwei:Drei" gap:800
poc-inverted|--inverted pocsag.wav left gap:300 "poc1200:1234567:3:$t" gap:500 "poczero512:8:0:Null" gap:800
poc-snr8|--snr 8 --seed 7 pocsag.wav both gap:300 "poc512:1300100:1:Acht dB" gap:400 "poc1200:1234567:3:$t" gap:400 "poc2400:1300200:2:Probealarm Gruppe 1" gap:800
poc-snr3|--snr 3 --seed 8 pocsag.wav left gap:300 "poc1200:1234567:3:$t" gap:400 "poc2400:1300200:2:Probealarm" gap:800
mixed|--snr 14 --seed 9 mixed.wav left gap:300 zvei:25431 gap:400 fms:62341110:3:0:0 gap:400 "poc1200:1234567:3:$t" gap:400 tonruf2:800 right gap:200 "poc512:1300100:1:RD 1 Sturz" gap:300 fms:52341183:4:0:0 gap:300 zvei:25433 gap:400 "poc2400:1300300:3:THW" gap:800
noise|--noise 0.2 --seed 10 noise.wav both gap:4000
EOF
}

record() {
    local out="$1" kubmon="${2:-build/kubmon}"
    command -v faketime >/dev/null || { echo "faketime fehlt (apt-get install faketime)" >&2; exit 2; }
    [ -x "$kubmon" ] || { echo "$kubmon fehlt: erst bauen (scripts/build.sh release)" >&2; exit 2; }
    mkdir -p "$out"
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    local inputs=()
    while IFS='|' read -r name items; do
        [ -n "$name" ] || continue
        local args=()
        eval "args=($items)"
        # The output file is the first argument that is not an option or its value.
        local i=0 opts=()
        while [[ "${args[$i]}" == --* ]]; do
            if [ "${args[$i]}" = "--inverted" ]; then opts+=("${args[$i]}"); i=$((i + 1))
            else opts+=("${args[$i]}" "${args[$((i + 1))]}"); i=$((i + 2)); fi
        done
        local wav="$work/$name.wav"
        "$kubmon" gen "${opts[@]}" "$wav" "${args[@]:$((i + 1))}"
        inputs+=("$wav")
    done < <(cases)
    # The demo recording the build makes: 80 s of both channels at once.
    [ -f build/demo/demo.wav ] && inputs+=("build/demo/demo.wav")
    if [ -d ../shared/samples ]; then
        while IFS= read -r f; do inputs+=("$f"); done < <(find ../shared/samples -type f \( -name '*.wav' -o -name '*.flac' \) | sort)
    fi
    local n=0
    for f in "${inputs[@]}"; do
        local base
        base="$(basename "${f%.*}")"
        for mode in text json classic classic-json; do
            local flags=()
            case "$mode" in
                json) flags=(--json) ;;
                classic) flags=(--klassisch) ;;
                classic-json) flags=(--klassisch --json) ;;
            esac
            faketime -f '2026-03-01 08:00:00' "$kubmon" decode "${flags[@]}" "$f" \
                >"$out/$base.$mode.out" 2>"$out/$base.$mode.err" || echo "exit $?" >>"$out/$base.$mode.err"
            n=$((n + 2))
        done
    done
    echo "$n Dateien in $out ($(cat "$out"/*.out | wc -l) Empfänge)"
}

compare() {
    local a="$1" b="$2" n=0 differ=0
    for f in "$a"/*; do
        n=$((n + 1))
        if ! cmp -s "$f" "$b/$(basename "$f")"; then
            echo "verschieden: $(basename "$f")"
            differ=$((differ + 1))
        fi
    done
    for f in "$b"/*; do
        [ -e "$a/$(basename "$f")" ] || { echo "nur in $b: $(basename "$f")"; differ=$((differ + 1)); }
    done
    if [ "$differ" -eq 0 ]; then
        echo "$n Dateien, alle gleich"
    else
        echo "$n Dateien, $differ verschieden"
        exit 1
    fi
}

case "${1:-}" in
    record) [ $# -ge 2 ] || usage; record "$2" "${3:-}" ;;
    compare) [ $# -eq 3 ] || usage; compare "$2" "$3" ;;
    *) usage ;;
esac
