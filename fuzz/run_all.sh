#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz", clang) and runs every one of them for
# the given time, two at a time.
#   fuzz/run_all.sh MINUTES          long run, e.g. fuzz/run_all.sh 10
#   fuzz/run_all.sh --seconds N      short run, as the test command does it
# New inputs go to build-fuzz/corpus/<harness> (the seeds in fuzz/corpus stay as they
# are); a crash leaves its input in build-fuzz/artifacts and fails the run. Each
# harness's last status line (executions, coverage) goes to build-fuzz/logs/<harness>.log.
# FUZZ_JOBS sets how many run at a time (2).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--seconds" ]; then
  seconds="${2:?Sekunden fehlen}"
else
  minutes="${1:?Aufruf: fuzz/run_all.sh MINUTEN | --seconds N}"
  seconds=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')
fi
jobs="${FUZZ_JOBS:-2}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

harnesses=(fuzz_blocks fuzz_receptions fuzz_pocsag_words fuzz_settings fuzz_vehicles
           fuzz_station_names fuzz_receivers fuzz_day_log fuzz_bos_file fuzz_ftp_script fuzz_raw_pcm fuzz_web_access)
harnesses+=(fuzz_remote_payload fuzz_stderr_line fuzz_export_line)
harnesses+=(fuzz_alarm_settings)
harnesses+=(fuzz_alarm_entry)
harnesses+=(fuzz_alarm_rules fuzz_record_line)
harnesses+=(fuzz_history_input)
harnesses+=(fuzz_history_request)
harnesses+=(fuzz_iq_reader fuzz_sdr_options)
# FUZZ_HARNESSES="fuzz_blocks fuzz_receptions" runs only those.
if [ -n "${FUZZ_HARNESSES:-}" ]; then read -r -a harnesses <<<"$FUZZ_HARNESSES"; fi
mkdir -p build-fuzz/artifacts build-fuzz/logs

run_one() {
  local h="$1"
  mkdir -p "build-fuzz/corpus/$h"
  local opts=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="build-fuzz/artifacts/$h-")
  case "$h" in
    fuzz_blocks) opts+=(-max_len=20000) ;;
    # Scripts of several items from the start: grown slowly, they would stay at one item.
    fuzz_receptions) opts+=(-max_len=200 -len_control=0) ;;
    fuzz_pocsag_words) opts+=(-max_len=8000 -use_value_profile=1) ;;
  esac
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "build-fuzz/fuzz/$h" "${opts[@]}" "build-fuzz/corpus/$h" "fuzz/corpus/$h" \
      >"build-fuzz/logs/$h.log" 2>&1; then
    echo "$h: $(grep -E '^#[0-9]+' "build-fuzz/logs/$h.log" | tail -1)"
  else
    echo "$h: FEHLER, siehe build-fuzz/logs/$h.log"
    tail -40 "build-fuzz/logs/$h.log"
    return 1
  fi
}
export -f run_one
export seconds

printf '%s\n' "${harnesses[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
