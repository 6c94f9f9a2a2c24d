#!/usr/bin/env bash
# The house has no arrow that runs back up: the ground floor (src/common) includes only
# itself, and the rooms on it (src/capture, src/decoders, src/storage, src/sdr) include only
# themselves and the ground floor, never each other, the core, the outputs, the window or
# the platform bindings above them. Prints every include that breaks this and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# Room, then the rooms it may include.
allowed() {
    case "$1" in
        common) echo "common" ;;
        capture | decoders | storage | sdr) echo "common $1" ;;
    esac
}

bad=0
for room in common capture decoders storage sdr; do
    ok=" $(allowed "$room") "
    while IFS= read -r hit; do
        file="${hit%%:*}"
        target="$(sed -E 's/.*#include "([^"/]+)\/.*/\1/' <<<"$hit")"
        if [[ "$ok" != *" $target "* ]]; then
            echo "$file: ${hit#*:*:} (src/$room darf src/$target nicht einbinden)"
            bad=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"/]+/' "src/$room" || true)
done
if [ "$bad" -ne 0 ]; then
    echo "Includes laufen von unten nach oben." >&2
    exit 1
fi
echo "Includes: keiner läuft nach oben."
