#!/usr/bin/env bash
# Checks that every include under src/ runs down the layer order, never up:
#   platform < desktop < store < carousel < launcher < ui < app
# and that only src/platform includes the system libraries' own headers (X11, SDL, SQLite, liblnk,
# GLib and GIO).
# Prints each offending include and exits 1; prints a one-line summary and exits 0 when all is well.
set -euo pipefail
cd "$(dirname "$0")/.."

LAYERS=(platform desktop store carousel launcher ui app)

rank_of() {
    local i
    for i in "${!LAYERS[@]}"; do
        [ "${LAYERS[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

status=0
checked=0
while IFS= read -r file; do
    own=$(echo "$file" | cut -d/ -f2)
    own_rank=$(rank_of "$own")
    if [ "$own_rank" -lt 0 ]; then
        echo "$file: folder '$own' is no layer (${LAYERS[*]})"
        status=1
        continue
    fi
    while IFS=: read -r line include; do
        checked=$((checked + 1))
        case "$include" in
        */*)
            target=${include%%/*}
            target_rank=$(rank_of "$target")
            if [ "$target_rank" -gt "$own_rank" ]; then
                echo "$file:$line: includes \"$include\": $own may not use $target"
                status=1
            fi
            ;;
        esac
    done < <(grep -n '^#include "' "$file" | sed -E 's/^([0-9]+):#include "([^"]*)".*/\1:\2/')
    if [ "$own" != platform ] &&
        grep -nE '^#include <(X11/|xcb/|SDL|sqlite3|liblnk|glib|gio/)' "$file" >/dev/null; then
        grep -nE '^#include <(X11/|xcb/|SDL|sqlite3|liblnk|glib|gio/)' "$file" |
            sed "s#^#$file:#; s#\$# (system library outside src/platform)#"
        status=1
    fi
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$status" -eq 0 ]; then
    echo "layers: $checked includes checked, none runs against ${LAYERS[*]}"
fi
exit "$status"
