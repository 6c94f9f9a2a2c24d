#!/usr/bin/env bash
# Writes a dpkg database (status, file lists, shlibs and symbols files) for .deb archives
# that were unpacked into a sysroot rather than installed, so that dpkg-shlibdeps can name
# the packages an arm64 program needs. The file lists carry the sysroot's path, because
# that is where dpkg-shlibdeps finds the libraries.
#   scripts/arm64-package-list.sh SYSROOT ADMINDIR ARCHIVE.deb...
set -euo pipefail
sysroot="$(realpath "$1")"
admindir="$2"
shift 2

rm -rf "$admindir"
mkdir -p "$admindir/info" "$admindir/updates"
# Both architectures count as installed here, as on a multiarch system.
printf 'amd64\narm64\n' > "$admindir/arch"
: > "$admindir/status"
control="$(mktemp -d)"
trap 'rm -rf "$control"' EXIT

for deb in "$@"; do
  # Each package is here in one architecture only, so dpkg files it under its bare name.
  name="$(dpkg-deb -f "$deb" Package)"
  { dpkg-deb -f "$deb"; echo "Status: install ok installed"; echo; } >> "$admindir/status"
  dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./||' -e 's|/$||' -e '/^$/d' \
    -e "s|^|$sysroot/|" > "$admindir/info/$name.list"
  rm -rf "${control:?}"/*
  dpkg-deb -e "$deb" "$control"
  for file in shlibs symbols; do
    [ ! -f "$control/$file" ] || cp "$control/$file" "$admindir/info/$name.$file"
  done
done
