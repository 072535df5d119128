#!/usr/bin/env bash
# Screenshots of the launcher as a user sees it: the real program on a private X server (Xvfb) with a
# compositor (xcompmgr) over a plain wallpaper, a scratch home and the starter database of a first
# start. Saves three pictures into the folder given (default build/screenshots):
#   1-at-rest.png    the carousel after start-up, the front token's description shown
#   2-mid-move.png   the carousel turning (Page Down: six positions)
#   3-sub-level.png  inside a level after the cross-fade into it
# Needs build/tessaro (or TESSARO_BIN), Xvfb, xcompmgr, xdotool and ImageMagick.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$repo/build/screenshots}"
program="${TESSARO_BIN:-$repo/build/tessaro}"
for tool in Xvfb xcompmgr xdotool import display convert compare; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/dev.sh installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "screenshots: $program is not built (cmake --build build --target tessaro)" >&2; exit 1; }
mkdir -p "$out"

scratch="$(mktemp -d)"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "screenshots: Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$scratch/display")"

# The wallpaper is an ordinary full-screen window at the bottom of the stack, so the compositor
# always has something to blend the launcher's transparent parts onto.
convert -size 1280x800 gradient:'#35577a-#7a2f47' "$scratch/wallpaper.png"
display -geometry 1280x800+0+0 -borderwidth 0 -title wallpaper "$scratch/wallpaper.png" &
pids+=($!)
xdotool search --sync --onlyvisible --name '^wallpaper$' >/dev/null
xcompmgr -n 2>/dev/null &
pids+=($!)

mkdir -p "$scratch/home/Downloads" "$scratch/runtime"
chmod 700 "$scratch/runtime"
# The starter tree is made from the desktop's applications (XDG_DATA_DIRS is passed on, so a folder of
# .desktop entries of your choice can be shown); where the desktop lists none, it lists the programs it
# finds on PATH. So that the pictures show what a desktop user sees even on a bare build machine,
# programs that are missing here are stood in for by do-nothing scripts of the same names (they are
# only listed, never started).
mkdir -p "$scratch/bin"
for name in x-terminal-emulator firefox gedit nautilus gnome-system-monitor gnome-control-center \
    gnome-calculator baobab; do
    command -v "$name" >/dev/null || { printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/$name"; chmod +x "$scratch/bin/$name"; }
done
PATH="$PATH:$scratch/bin" HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share" XDG_CONFIG_HOME="$scratch/home/.config" \
    XDG_CACHE_HOME="$scratch/home/.cache" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=xcb \
    SDL_AUDIODRIVER=dummy "$program" >"$scratch/tessaro.log" 2>&1 &
pids+=($!)
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^Tessaro$' | head -n1)" || {
    echo "screenshots: the launcher window did not appear" >&2; cat "$scratch/tessaro.log" >&2; exit 1; }

# The window with a margin of wallpaper round it.
shoot() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    local margin=40
    local x=$((X > margin ? X - margin : 0)) y=$((Y > margin ? Y - margin : 0))
    import -window root -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$x+$y" +repage "$1"
}
# The title band of the window, to tell levels apart.
title() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x60+$X+$Y" +repage "$1"
}
differs() { [ "$(compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 || true)" != "0" ]; }

xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 2
shoot "$out/1-at-rest.png"

xdotool key --window "$window" Next &
sleep 0.35
shoot "$out/2-mid-move.png"
wait $!
sleep 1.5

# Into the first level found: Down on each token in turn until the title changes.
title "$scratch/root-title.png"
for _ in $(seq 30); do
    xdotool key --window "$window" Down
    sleep 1.2
    title "$scratch/now-title.png"
    if differs "$scratch/root-title.png" "$scratch/now-title.png"; then
        sleep 1
        shoot "$out/3-sub-level.png"
        echo "screenshots: saved in $out"
        exit 0
    fi
    xdotool key --window "$window" Right
    sleep 1
done
echo "screenshots: no token with a level of its own was found" >&2
exit 1
