#!/bin/sh
# Decoding quality of every decoder against white noise, ours (improvements on and the
# classic way) beside multimon-ng, from 30 dB down to 0 dB SNR in 2 dB steps; and the real
# POCSAG recordings. Writes the tables to docs/quality/ and the curves as PNG to docs/.
#
#   bench/plot_sensitivity.sh [build folder, default build] [transmissions per point, default 50]
#
# Needs the release build (bench_fms, bench_zvei, bench_pocsag, kubmon), multimon-ng and
# gnuplot (Debian: gnuplot-nox); sox for the multimon-ng column of the real recordings.
# Takes a few minutes on two cores.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in /*) ;; *) build="$here/$build" ;; esac
per=${2:-50}
out="$here/docs/quality"
mkdir -p "$out"

for tool in gnuplot multimon-ng; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool fehlt (Debian: apt-get install gnuplot-nox multimon-ng)" >&2; exit 1; }
done

echo "FMS ..."
"$build/bench/bench_fms" "$per" 1 --no-throughput > "$out/fms.txt"
echo "ZVEI ..."
"$build/bench/bench_zvei" "$per" 0 > "$out/zvei.txt"
for rate in 512 1200 2400; do
    echo "POCSAG $rate ..."
    "$build/bench/bench_pocsag" "$per" $rate > "$out/pocsag$rate.txt"
done

# Every table row of a benchmark's output: the SNR, then for each decoder "right/sent" and
# the number of wrong receptions (fields with "." or "%" between them are skipped).
# Output: snr ours% ours-wrong classic% classic-wrong multimon% multimon-wrong.
table() {
    awk '/bit\/s|^[^ 0-9]/ { next }
         $1 ~ /^[0-9]+$/ && NF > 4 {
             line = $1; n = 0
             for (i = 2; i <= NF && n < 3; i++) {
                 if ($i ~ /^[0-9]+\/[0-9]+$/) {
                     split($i, f, "/"); pct = 100 * f[1] / f[2]
                     for (j = i + 1; j <= NF; j++) if ($j ~ /^[0-9]+$/) break
                     line = line sprintf(" %.1f %s", pct, $j); n++; i = j
                 }
             }
             if (n == 3) print line
         }' "$1"
}
for name in fms zvei pocsag512 pocsag1200 pocsag2400; do
    table "$out/$name.txt" > "$out/$name.dat"
done

plot() {
    name=$1
    title=$2
    gnuplot <<EOF
set terminal pngcairo size 720,440 font "sans,10"
set output "$here/docs/sensitivity_$name.png"
set title "$title"
set xlabel "SNR in dB (weißes Rauschen über 0 bis 11025 Hz)"
set ylabel "dekodiert in %"
set xrange [30:0]
set yrange [0:105]
set xtics 2
set grid
set key bottom left
plot "$out/$name.dat" using 1:2 with linespoints lw 2 pt 7 title "KUB-Monitor (Verbesserungen an)", \
     "$out/$name.dat" using 1:4 with linespoints lw 1 pt 6 dt 2 title "KUB-Monitor klassisch", \
     "$out/$name.dat" using 1:6 with linespoints lw 2 pt 5 title "multimon-ng"
EOF
}
plot fms "FMS, $per Telegramme je Punkt"
plot zvei "ZVEI, $per Fünftonfolgen je Punkt"
for rate in 512 1200 2400; do plot pocsag$rate "POCSAG $rate bit/s, $per Meldungen je Punkt"; done

# The Markdown tables for docs/quality/decoding.md: decode rate and wrong receptions per SNR.
{
    echo "| SNR dB | FMS ours | FMS classic | FMS multimon-ng | ZVEI ours | ZVEI classic | ZVEI multimon-ng |"
    echo "|---:|---:|---:|---:|---:|---:|---:|"
    paste -d' ' "$out/fms.dat" "$out/zvei.dat" |
        awk '{ printf "| %s | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) |\n",
               $1, $2, $3, $4, $5, $6, $7, $9, $10, $11, $12, $13, $14 }'
    echo
    echo "| SNR dB | 512 ours | 512 classic | 512 multimon-ng | 1200 ours | 1200 classic | 1200 multimon-ng | 2400 ours | 2400 classic | 2400 multimon-ng |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    paste -d' ' "$out/pocsag512.dat" "$out/pocsag1200.dat" "$out/pocsag2400.dat" |
        awk '{ printf "| %s | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) | %s %% (%s) |\n",
               $1, $2, $3, $4, $5, $6, $7, $9, $10, $11, $12, $13, $14, $16, $17, $18, $19, $20, $21 }'
} > "$out/tables.md"

# The real recordings: what each decoder reads from them.
samples="$here/../shared/samples/pocsag"
if [ -d "$samples" ]; then
    {
        echo "| Aufnahme | KUB-Monitor (Verbesserungen an) | KUB-Monitor klassisch | multimon-ng |"
        echo "|---|---|---|---|"
        for f in "$samples"/*.flac; do
            rate=$(basename "$f" | sed 's/.*_\([0-9]*\)_bps.*/\1/')
            ours=$("$build/kubmon" decode "$f" | tr '\n' ' ')
            classic=$("$build/kubmon" decode --klassisch "$f" | tr '\n' ' ')
            theirs="(sox fehlt)"
            if command -v sox >/dev/null 2>&1; then
                theirs=$(sox "$f" -t raw -r 22050 -e signed -b 16 -c 1 - 2>/dev/null |
                         multimon-ng -q -t raw -a POCSAG$rate -f alpha - 2>/dev/null | tr '\n' ' ')
            fi
            echo "| $(basename "$f") | \`${ours:-–}\` | \`${classic:-–}\` | \`${theirs:-–}\` |"
        done
    } > "$out/recordings.md"
fi
echo "Tabellen in $out, Kurven in $here/docs/sensitivity_*.png"
