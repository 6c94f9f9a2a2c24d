#!/usr/bin/env bash
# Cross-builds kubmon, kub-monitor and the test program for arm64 (Raspberry Pi 4/5 with a
# 64-bit system, arm64 servers), runs the decoder tests under qemu-user and builds the arm64
# Debian package. Self-contained: installs the cross tools it needs (scripts/setup.sh
# --arm64), unpacks the arm64 libraries into build-arm64/sysroot (no arm64 package is
# installed on this machine) and leaves nothing running. Everything lands in build-arm64/.
# With --ohne-qt only the plain core and its tests that need no Qt are built (build-arm64/
# plain, test program kub_plain_tests, no package): a quarter of the time.
#
#   scripts/cross-arm64.sh [--ohne-qt] [--langsam] [--filter GTEST_FILTER]
#
# The tests run are those whose names match KUB_ARM64_TESTS (decoders, SDR channels, the
# N-channel core); tests the build marks "e2e" start other programs (kubmon, multimon-ng,
# servers), which cannot run without a binfmt registration, and are left out; so are the
# "slow" ones unless --langsam is given. New tests with matching names join by themselves.
set -euo pipefail
cd "$(dirname "$0")/.."

tests_wanted="${KUB_ARM64_TESTS:-*Pocsag*:*Fms*:*Zvei*:*Decoder*:*Sdr*:*Iq*:*Channel*:*Tone*}"
with_slow=0
with_qt=1
while [ $# -gt 0 ]; do
  case "$1" in
    --langsam) with_slow=1 ;;
    --ohne-qt) with_qt=0 ;;
    --filter) shift; tests_wanted="${1:?--filter braucht ein Muster}" ;;
    *) echo "Unbekannte Option: $1 (erlaubt: --ohne-qt, --langsam, --filter MUSTER)" >&2; exit 2 ;;
  esac
  shift
done

out="$PWD/build-arm64"
sysroot="$out/sysroot"
admindir="$out/dpkg"
build="$out/build"
targets=(kubmon kub-monitor kub_tests)
test_program="$build/tests/kub_tests"
plain_option=OFF
if [ "$with_qt" -eq 0 ]; then
  build="$out/plain"
  targets=(kub_plain_tests)
  test_program="$build/tests/kub_plain_tests"
  plain_option=ON
fi
mkdir -p "$out"

started=$SECONDS
step_start=$SECONDS
times=()
step_done() { times+=("$(printf '%-26s %5d s' "$1" $((SECONDS - step_start)))"); step_start=$SECONDS; }

# The arm64 counterparts of the libraries scripts/setup.sh installs for the native build.
sysroot_packages=(
  libc6-dev libstdc++-12-dev
  libsndfile1-dev libsamplerate0-dev nlohmann-json3-dev libtomlplusplus-dev libpcre2-dev
  libcurl4-openssl-dev libsqlite3-dev libpq-dev libliquid-dev libfftw3-dev libvolk2-dev libsoapysdr-dev libmosquitto-dev libgtest-dev
  qt6-base-dev qt6-multimedia-dev qt6-httpserver-dev qt6-websockets-dev libxkbcommon-dev
)

echo "== Werkzeuge für arm64 (crossbuild-essential-arm64, qemu-user, mmdebstrap) =="
scripts/setup.sh --arm64
step_done "Pakete"

# The sysroot is filled once per package list; a changed list fills it afresh.
want_stamp="$(printf '%s\n' "${sysroot_packages[@]}" | sha256sum | cut -d' ' -f1)"
if [ "$(cat "$out/sysroot.stamp" 2>/dev/null)" != "$want_stamp" ]; then
  echo "== arm64-Bibliotheken nach $sysroot =="
  rm -rf "$sysroot" "$admindir" "$out/sysroot.stamp"
  # "extract" unpacks the packages and their dependencies without running anything from
  # them; the downloaded archives stay for the package list below.
  mmdebstrap --quiet --mode=root --variant=extract --architectures=arm64 --skip=cleanup/apt/cache \
    --include="$(IFS=,; echo "${sysroot_packages[*]}")" bookworm "$sysroot" \
    "deb http://deb.debian.org/debian bookworm main" \
    "deb http://deb.debian.org/debian bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main"
  # Library links written as absolute paths would point into this machine's own /lib.
  find "$sysroot/usr/lib" "$sysroot/lib" -type l -lname '/*' | while read -r link; do
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$sysroot$(readlink "$link")")" "$link"
  done
  # qemu-aarch64 -L looks in the sysroot first: the tests' temporary files belong in /tmp.
  rmdir "$sysroot/tmp"
  scripts/arm64-package-list.sh "$sysroot" "$admindir" "$sysroot"/var/cache/apt/archives/*.deb
  rm -f "$sysroot"/var/cache/apt/archives/*.deb
  echo "$want_stamp" > "$out/sysroot.stamp"
fi
step_done "Sysroot"

echo "== Übersetzen für arm64 =="
export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
# The package is made from the two programs only; "install" must not build every target.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-arm64.cmake" -DKUB_ARM64_SYSROOT="$sysroot" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DKUB_PLAIN_ONLY="$plain_option" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
step_done "Übersetzen"

echo "== Tests unter qemu-aarch64 =="
# The suites the build files label "e2e" (and "slow"), as ctest lists them.
skipped_labels="e2e"
[ "$with_slow" -eq 1 ] || skipped_labels="e2e|slow"
# SdrDecode is e2e but starts nothing except kubmon through the shell, which the tests put
# behind the emulator themselves (KUBMON_COMMAND): the whole SDR path of the arm64 kubmon.
left_out="$(ctest --test-dir "$build" -N -L "^($skipped_labels)\$" \
  | sed -n 's/^ *Test *#[0-9]*: \([^ ]*\)\..*/\1.*/p' | { grep -vx 'SdrDecode\.\*' || true; } | sort -u | paste -sd: -)"
filter="$tests_wanted"
[ -z "$left_out" ] || filter="$filter-$left_out"
log="$out/tests.log"
set +e
timeout --kill-after=10 3600 /usr/bin/qemu-aarch64 -L "$sysroot" "$test_program" \
  --gtest_filter="$filter" --gtest_brief=1 --gtest_output="xml:$out/tests.xml" 2>&1 | tee "$log"
tests_rc=${PIPESTATUS[0]}
set -e
step_done "Tests (qemu)"

deb="(ohne Qt keins)"
if [ "$with_qt" -eq 1 ]; then
  echo "== Debian-Paket für arm64 =="
  # dpkg-shlibdeps finds the libraries in the sysroot and their packages in the list made
  # from the sysroot's archives; DEB_HOST_ARCH makes it read them with the arm64 objdump.
  rm -f "$build"/kub-monitor_*_arm64.deb
  (cd "$build" && DEB_HOST_ARCH=arm64 DPKG_ADMINDIR="$admindir" cpack -G DEB >/dev/null)
  deb="$(ls "$build"/kub-monitor_*_arm64.deb)"
  dpkg-deb -f "$deb" Package Version Architecture Depends
  step_done "Paket"
fi

echo "== Zeiten =="
printf '%s\n' "${times[@]}"
printf '%-26s %5d s\n' "Gesamt" $((SECONDS - started))
grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$log" || true
echo "Paket: $deb"
exit "$tests_rc"
