#!/usr/bin/env bash
# Starts the editor on a virtual X display with the given files, waits for its main window and
# saves a screenshot of the whole display.
#
#   scripts/screenshot.sh [-o shot.png] [-b path/to/varnel] [-s 1280x800] [-w seconds] [file...]
#
# The editor runs with its own runtime folder, so it never hands its files to an editor that is
# already running on this machine. Needs Xvfb, xwininfo (x11-utils) and ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."

out=screenshot.png
bin=
size=1280x800
settle=1
while getopts "o:b:s:w:" opt; do
    case $opt in
        o) out=$OPTARG ;;
        b) bin=$OPTARG ;;
        s) size=$OPTARG ;;
        w) settle=$OPTARG ;;
        *) sed -n '2,8p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

if [ -z "$bin" ]; then
    for candidate in build/release/src/app/varnel build/asan/src/app/varnel; do
        [ -x "$candidate" ] && { bin=$candidate; break; }
    done
fi
[ -n "$bin" ] && [ -x "$bin" ] || { echo "no editor binary; run 'make run' or 'make build-test' first" >&2; exit 1; }
for tool in Xvfb xwininfo import; do
    command -v $tool >/dev/null || { echo "missing $tool (apt-get install xvfb x11-utils imagemagick)" >&2; exit 1; }
done

# A free display number.
display=99
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done

runtime=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
# A loaded machine can take seconds to bring the server up; the editor cannot start without it.
for _ in $(seq 300); do xwininfo -display ":$display" -root >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -display ":$display" -root >/dev/null 2>&1 || { echo "Xvfb did not start on :$display" >&2; exit 1; }

DISPLAY=":$display" XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS=detect_leaks=0 "$bin" "$@" &
app_pid=$!

# Wait (up to 20 s) for a window whose title starts with the product name.
for _ in $(seq 200); do
    if xwininfo -display ":$display" -root -tree 2>/dev/null | grep -q '"Varnel'; then break; fi
    kill -0 "$app_pid" 2>/dev/null || { echo "the editor exited early" >&2; exit 1; }
    sleep 0.1
done
xwininfo -display ":$display" -root -tree | grep -q '"Varnel' || { echo "no editor window appeared" >&2; exit 1; }
sleep "$settle"
import -display ":$display" -window root "$out"
echo "saved $out"
