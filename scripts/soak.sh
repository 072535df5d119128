#!/usr/bin/env bash
# A soak of build/tessaro: a private Xvfb with openbox and trayer, a scratch home, and a seeded run
# of random inputs through xdotool (keys, wheel turns, clicks, the hot key, tray toggles, Token
# Manager openings) spread over the given minutes, sampling the program's resident memory.
# Passes when the program never crashed, its resident memory grew by at most 5 MB after the warm-up
# (the first fifth of the run) and Tokens.db passes SQLite's integrity check after an orderly end.
#   scripts/soak.sh [minutes]      SOAK_SEED=n repeats a run's inputs, SOAK_ACTIONS=n (20000),
#                                  SOAK_TOKEN_MANAGER=0 opens no Token Manager
set -uo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-10}
# SOAK_TOKEN_MANAGER=0 leaves out the Token Manager openings (to measure the rest past a fault there).
token_manager=${SOAK_TOKEN_MANAGER:-1}
actions=${SOAK_ACTIONS:-20000}
seed=${SOAK_SEED:-$((($(date +%s) ^ $$) & 32767))}
program=$PWD/build/tessaro
work=$(mktemp -d /tmp/tessaro-soak.XXXXXX)
started=()

finish() {
    # Only the processes this script started, newest first.
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        kill "${started[i]}" 2>/dev/null
        wait "${started[i]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap finish EXIT

echo "soak: $minutes minutes, $actions actions, seed $seed (SOAK_SEED=$seed repeats the inputs)"
RANDOM=$seed

# The display: Xvfb writes the number it chose to the descriptor it is given.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "soak: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY XAUTHORITY
openbox >"$work/openbox.log" 2>&1 &
started+=($!)
trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 32 \
    >"$work/trayer.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do xdotool search --name '^panel$' >/dev/null 2>&1 && break; sleep 0.1; done

# A scratch home; launches reach harmless stand-ins only (a PATH of /bin/true under common names).
mkdir -p "$work/home" "$work/bin" "$work/share" "$work/cores"
mkdir -m 700 "$work/runtime"
for name in xterm x-terminal-emulator firefox gimp gedit mousepad vlc nautilus thunar; do
    ln -s /bin/true "$work/bin/$name"
done
(
    cd "$work/cores"
    ulimit -c unlimited
    exec env HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config" \
        XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_DIRS="$work/share" XDG_RUNTIME_DIR="$work/runtime" PATH="$work/bin" \
        SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb "$program" >"$work/tessaro.log" 2>&1
) &
tessaro=$!
started+=($tessaro)
database="$work/home/.local/share/Tessaro/Tokens.db"
for _ in $(seq 300); do [ -s "$database" ] && xdotool search --name '^Tessaro$' >/dev/null 2>&1 && break; sleep 0.1; done

rss() { awk '/^VmRSS/ { print $2 }' "/proc/$tessaro/status" 2>/dev/null; }
alive() { kill -0 "$tessaro" 2>/dev/null; }
# "X Y WIDTH HEIGHT" of the launcher's window (big) or its tray icon (small; trayer's panel holds it).
place() {
    local win X Y WIDTH HEIGHT SCREEN
    for win in $(xdotool search --onlyvisible --name '^Tessaro$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$win")"
        if { [ "$1" = big ] && ((WIDTH > 100)); } || { [ "$1" = small ] && ((WIDTH <= 64)); }; then
            echo "$X $Y $WIDTH $HEIGHT"
            return
        fi
    done
}

# Random inputs go to xdotool in batches (one process for many inputs, paced by xdotool's own
# sleep), aimed with the window places read before each batch.
keys=(Left Right Left Right Up Down Home End Return space Escape Tab Page_Up Page_Down a z)
batch=25
batch_commands() {
    local count=$1 gap=$2 big small x y w h tx ty tw th i dice r1 r2
    big=$(place big) small=$(place small)
    read -r x y w h <<<"${big:-0 0 0 0}"
    read -r tx ty tw th <<<"${small:-0 0 0 0}"
    for ((i = 0; i < count; i++)); do
        dice=$((RANDOM % 100)) r1=$RANDOM r2=$RANDOM
        if ((dice < 55)); then
            printf '%s ' key --clearmodifiers "${keys[r1 % ${#keys[@]}]}"
        elif ((dice < 85 && (dice < 75 || dice >= 80))); then
            if ((w > 0)); then
                printf '%s ' mousemove $((x + r1 % w)) $((y + r2 % h))
                if ((dice < 70)); then
                    printf '%s ' click $((4 + r1 % 2)) # a wheel turn
                elif ((dice < 75)); then
                    printf '%s ' click 1
                elif ((token_manager)); then
                    printf '%s ' click --repeat 2 --delay 40 1 # opens the Token Manager
                fi
            fi
        elif ((dice < 80)); then
            printf '%s ' key ctrl+alt+l
        elif ((dice < 95)); then
            ((tw > 0)) && printf '%s ' mousemove $((tx + tw / 2)) $((ty + th / 2)) click --repeat 2 --delay 40 1
        else
            # Closes what a stray key opened (message boxes, the Token Manager); toggles the launcher.
            printf '%s ' key Escape key ctrl+alt+l
        fi
        printf '%s ' sleep "$gap"
    done
}

samples=()
usec() { local t=${EPOCHREALTIME/[.,]/}; echo $((10#$t)); }
start=$(usec)
span=$((minutes * 60))
gap=$(awk -v s="$span" -v a="$actions" 'BEGIN { printf "%.3f", s / a * 0.6 }')
next_sample=0
for ((n = 0; n < actions; n += batch)); do
    alive || break
    # shellcheck disable=SC2046 # the commands are words
    xdotool $(batch_commands "$batch" "$gap") >/dev/null 2>&1
    elapsed_us=$(($(usec) - start))
    if ((elapsed_us >= next_sample * 1000000)); then
        samples+=("$((elapsed_us / 1000000)) $(rss)")
        next_sample=$((next_sample + 10))
    fi
    ((n % 1000 == 1000 - batch)) && echo "soak: $((n + batch)) actions, $((elapsed_us / 1000000)) s, RSS $(rss) kB"
    # Paced so the actions fill the run (a slow machine may take longer).
    pause_us=$(((n + batch) * span * 1000000 / actions - elapsed_us))
    ((pause_us > 0)) && sleep "$((pause_us / 1000000)).$(printf %06d $((pause_us % 1000000)))"
done
n=$((n < actions ? n : actions))
samples+=("$span $(rss)")

status=0
if ! alive; then
    echo "soak: FAIL: tessaro ended during the run after $n actions; its output:" >&2
    cat "$work/tessaro.log" >&2
    if [ -f "$work/cores/core" ]; then
        gdb -batch -nx -ex "thread apply all bt" "$program" "$work/cores/core" >&2
    fi
    exit 1
fi
# Resident memory: the median of the samples just after the warm-up against the median of the last
# ones (medians, so a passing spike in either window does not count).
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%s\n' "${samples[@]}" >"$work/rss"
warm=$(awk -v warm="$((span / 5))" '$1 >= warm { print $2 }' "$work/rss" | head -n5 | median)
last=$(awk '{ print $2 }' "$work/rss" | tail -n5 | median)
growth=$((last - warm))
echo "soak: $n actions in $((($(usec) - start) / 1000000)) s;" \
    "RSS after warm-up ${warm} kB, at the end ${last} kB, growth ${growth} kB;" \
    "peak $(awk '/^VmHWM/ { print $2 }' "/proc/$tessaro/status") kB"
((growth <= 5120)) || { echo "soak: FAIL: resident memory grew by more than 5 MB" >&2; status=1; }

# An orderly end (compacting the file), then the integrity check. Message boxes a stray key
# opened are closed first: the program ends once the key that opened one is done.
xdotool key Escape sleep 0.3 key Escape sleep 0.3 key Escape >/dev/null 2>&1
kill -TERM "$tessaro"
for _ in $(seq 300); do alive || break; sleep 0.1; done
if alive; then
    echo "soak: FAIL: tessaro did not end after SIGTERM" >&2
    status=1
elif [ -f "$work/cores/core" ]; then
    echo "soak: FAIL: tessaro crashed while ending:" >&2
    gdb -batch -nx -ex "thread apply all bt" "$program" "$work/cores/core" >&2
    status=1
fi
integrity=$(sqlite3 "$database" "PRAGMA integrity_check" 2>&1)
echo "soak: integrity_check: $integrity; $(sqlite3 "$database" "SELECT count(*) FROM Tokens") tokens"
[ "$integrity" = "ok" ] || status=1
((status == 0)) && echo "soak: PASS" || echo "soak: FAIL"
exit $status
