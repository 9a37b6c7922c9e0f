#!/usr/bin/env bash
# A user's journey through the editor on a virtual X display, with a screenshot at each step:
# the empty editor, a photo handed over by a second start, Levels with its preview, a marquee
# selection, Gaussian Blur, a new transparent image, layers in the Layers palette, Image Size,
# Canvas Size, Options, Print with Preview. The pictures go to docs/tour/ (the README shows some).
#
#   scripts/tour.sh [-o folder] [-b path/to/varnel] [-d seconds]
#
# The editor runs with a home, settings and runtime folder of its own (a first start), so the
# user's settings and a running editor are left alone. Needs Xvfb, xwininfo, xdotool and
# ImageMagick (make deps installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

out=docs/tour
bin=
delay=1
while getopts "o:b:d:" opt; do
    case $opt in
        o) out=$OPTARG ;;
        b) bin=$OPTARG ;;
        d) delay=$OPTARG ;;
        *) sed -n '2,10p' "$0"; exit 2 ;;
    esac
done

if [ -z "$bin" ]; then
    for candidate in build/release/src/app/varnel build/asan/src/app/varnel; do
        [ -x "$candidate" ] && { bin=$candidate; break; }
    done
fi
[ -n "$bin" ] && [ -x "$bin" ] || { echo "no editor binary; run 'make run' or 'make build-test' first" >&2; exit 1; }
bin=$(realpath "$bin")
for tool in Xvfb xwininfo xdotool import convert; do
    command -v $tool >/dev/null || { echo "missing $tool: run 'make deps'" >&2; exit 1; }
done
mkdir -p "$out"

display=99
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
export DISPLAY=":$display"

scratch=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -root >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }

# A first start: nothing of the user's is read or written.
mkdir -p "$scratch/home" "$scratch/run" && chmod 700 "$scratch/run"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_STATE_HOME="$scratch/home/.state"
export XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0

# The photo: a smooth landscape of colours made here, so the pictures owe nothing to anyone.
photo="$scratch/harbour.jpg"
convert -seed 11 -size 960x640 plasma:skyblue-darkgoldenrod -blur 0x2 \
    \( -size 960x640 gradient:'#ffffff'-'#808080' \) -compose multiply -composite \
    -modulate 110,130 -quality 92 "$photo"

# The window whose title matches, waited for (up to 20 s).
window() {
    local id=
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
        kill -0 "$app_pid" 2>/dev/null || { echo "the editor exited" >&2; exit 1; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    exit 1
}
# Waits for the window to go, then gives the main window the keyboard again (without a window
# manager nothing else does).
gone() {
    for _ in $(seq 100); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || break; sleep 0.1; done
    xdotool windowfocus --sync "$main"
}
keys() { xdotool key --delay 80 "$@"; sleep 0.3; }
# A screenshot of the main window and a margin around it (where its palettes and dialogs are),
# kept small: no metadata, 256 colours, the best compression.
n=0
shot() {
    sleep "$delay"
    n=$((n + 1))
    local file X Y WIDTH HEIGHT left top right bottom
    file=$(printf '%s/%02d-%s.png' "$out" "$n" "$1")
    eval "$(xdotool getwindowgeometry --shell "$main")"
    left=$((X > 24 ? X - 24 : 0)); top=$((Y > 24 ? Y - 24 : 0))
    right=$((X + WIDTH + 24 < 1280 ? X + WIDTH + 24 : 1280))
    bottom=$((Y + HEIGHT + 24 < 800 ? Y + HEIGHT + 24 : 800))
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
        -dither FloydSteinberg -colors 256 -strip -define png:compression-level=9 "PNG8:$file"
    echo "saved $file"
}
# Clicks at (x, y) of the window `id`.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }
drag() {
    xdotool mousemove --window "$1" "$2" "$3" mousedown 1
    xdotool mousemove --window "$1" "$(( ($2 + $4) / 2 ))" "$(( ($3 + $5) / 2 ))"
    xdotool mousemove --window "$1" "$4" "$5" mouseup 1
    sleep 0.3
}

"$bin" &
app_pid=$!
main=$(window '^Varnel$')
xdotool mousemove --window "$main" 600 400
shot start

# A second start with the photo hands it to the running editor.
"$bin" "$photo"
sleep 3
xdotool windowfocus --sync "$main"
shot photo

keys ctrl+l
levels=$(window '^Levels$')
keys Tab ctrl+a 3 0 Tab ctrl+a 1 period 4 0 Tab ctrl+a 2 3 0 Tab
shot levels-preview
keys Return
gone '^Levels$'

# The marquee (Edit > Active Tool), then a drag across the photo.
keys alt+e t m
drag "$main" 420 260 760 520
shot selection

keys alt+a Right Right
keys g
window '^Gaussian Blur$' >/dev/null
keys ctrl+a 6 Tab
shot gaussian-blur
keys Return
gone '^Gaussian Blur$'

# Layers: a copy of the photo, inverted within the selection, and a new layer.
keys alt+l d
window '^Duplicate Layer$' >/dev/null
keys Return
gone '^Duplicate Layer$'
keys alt+a
keys Up Return
keys alt+l n
window '^New Layer$' >/dev/null
keys ctrl+a
xdotool type --delay 60 Notes
keys Return
gone '^New Layer$'
shot layers

keys alt+l Left i
window '^Image Size$' >/dev/null
shot image-size
keys Escape
gone '^Image Size$'

# Alt+I is both Image and Filter: the Image menu is reached from its neighbour.
keys alt+l Left c
window '^Canvas Size$' >/dev/null
shot canvas-size
keys Escape
gone '^Canvas Size$'

keys ctrl+n
window '^New$' >/dev/null
shot new-image
keys Escape
gone '^New$'

keys alt+e
keys Up Return
window '^Options$' >/dev/null
shot options
keys Escape
gone '^Options$'

keys alt+f v
window '^Print with Preview$' >/dev/null
shot print-preview
keys Escape
gone '^Print with Preview$'
echo "the tour took $n screenshots into $out"
