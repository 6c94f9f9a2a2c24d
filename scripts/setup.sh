#!/usr/bin/env bash
# Installs whatever Debian packages KUB-Monitor needs to build, run and test, and only
# those that are missing; safe to run again. Needs root or sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsndfile1-dev libsamplerate0-dev nlohmann-json3-dev
  qt6-base-dev qt6-multimedia-dev libcurl4-openssl-dev
  libqt6multimedia6 qt6-qpa-plugins fonts-dejavu-core
  pulseaudio pulseaudio-utils
  xvfb xauth x11-apps xdotool imagemagick
  libgtest-dev googletest
  multimon-ng sox python3-pyftpdlib
  clang libclang-rt-14-dev
  lintian   # the package test checks the .deb
  # the end-to-end tests on PipeWire with its PulseAudio server (a D-Bus session of their own)
  pipewire pipewire-pulse wireplumber dbus-daemon
  qt6-httpserver-dev qt6-websockets-dev   # the live web board's server
  chromium chromium-driver python3-selenium   # its end-to-end test in a real browser
  mosquitto mosquitto-clients libmosquitto-dev   # MQTT: client library, and broker + clients for the tests
  openssl   # the MQTT test makes its own certificate authority for TLS
  libtomlplusplus-dev libpcre2-dev   # "Alarmierung.toml", and the named groups of its text fields
  python3-aiosmtpd   # a mail server for the tests of the alarm destinations
  libsqlite3-dev libpq-dev postgresql   # the reception history; its tests start their own PostgreSQL
  libliquid-dev libfftw3-dev libvolk2-dev libsoapysdr-dev rtl-sdr libsox-fmt-all   # SDR channels; codec audio for the benchmarks
  faketime   # scripts/compare-decode.sh: the same clock on every run
)

# scripts/cross-arm64.sh: the cross toolchain, qemu-user for its tests and mmdebstrap for its
# folder of arm64 libraries. Only the amd64 tools are installed; the arm64 libraries never are.
if [ "${1:-}" = "--arm64" ]; then
  packages=(crossbuild-essential-arm64 qemu-user mmdebstrap)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installiere fehlende Pakete: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# Other work shares this machine: a package that would remove another is not installed.
if $SUDO apt-get install -s --no-install-recommends "${missing[@]}" | grep -q '^Remv '; then
  echo "Abbruch: die Installation von ${missing[*]} würde andere Pakete entfernen." >&2
  exit 1
fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
