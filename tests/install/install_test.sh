#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr and checks what a desktop finds there:
# the programs (and that their --help, --version and a bad option answer without a display),
# the manual and the manual pages, the launcher, the software-centre description and the icons. The validators come from Debian
# (desktop-file-utils, appstream); a missing one is reported and the test ends as skipped once
# everything else has passed.
#
#   install_test.sh CMAKE BUILD_DIR
set -uo pipefail
cmake=$1
build=$2

failures=0
skipped=()
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; skipped+=("$1"); }

dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
if ! DESTDIR="$dest" "$cmake" --install "$build" --prefix /usr >"$dest/install.log" 2>&1; then
    cat "$dest/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi
root=$dest/usr
share=$root/share

for program in varnel varnel-cli; do
    [ -x "$root/bin/$program" ] || fail "bin/$program is missing or not executable"
done

# The editor answers on the command line without a window system (no display, no platform).
if [ -x "$root/bin/varnel" ]; then
    run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$root/bin/varnel" "$@"; }
    out=$(run --version 2>&1)
    [ $? = 0 ] && [[ $out =~ ^varnel\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
        fail "varnel --version printed '$out'"
    out=$(run --help 2>&1)
    [ $? = 0 ] && [[ $out == "Usage: varnel "* ]] || fail "varnel --help printed '$out'"
    err=$(run --no-such-option 2>&1 >/dev/null)
    status=$?
    [ $status = 2 ] || fail "varnel --no-such-option exited with $status, not 2"
    [[ $err == *"unknown option '--no-such-option'"* ]] || fail "varnel's refusal read '$err'"
fi

# The manual lies where the installed editor looks for it: ../share/varnel/manual from bin/.
manual=$share/varnel/manual
[ -f "$manual/contents.xml" ] && [ -f "$manual/index.html" ] &&
    [ -f "$manual/feedback_support.html" ] || fail "the user manual is not installed in $manual"

# A manual page for each program, which man reads without a warning.
for program in varnel varnel-cli; do
    page=$share/man/man1/$program.1.gz
    if [ ! -f "$page" ]; then
        fail "the manual page $program.1.gz is missing"
    elif command -v groff >/dev/null; then
        warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1) || fail "groff failed on $program.1"
        [ -z "$warnings" ] || fail "groff warns about $program.1: $warnings"
    fi
done

desktop=$share/applications/varnel.desktop
metainfo=$share/metainfo/com.orvane.varnel.metainfo.xml
[ -f "$desktop" ] || fail "the desktop entry is missing"
[ -f "$metainfo" ] || fail "the metainfo file is missing"

# The launcher's program and icon are installed where it looks for them.
if [ -f "$desktop" ]; then
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    [ "$exec_line" = "varnel %F" ] || fail "Exec reads '$exec_line'"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon '$icon'"
fi

# Each PNG icon has the size of its folder (width and height from the PNG header).
for size in 16 22 24 32 48 64 128 256 512; do
    png=$share/icons/hicolor/${size}x${size}/apps/varnel.png
    if [ ! -f "$png" ]; then
        fail "icon ${size}x${size} is missing"
        continue
    fi
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w $h" = "$size $size" ] || fail "icon ${size}x${size} is ${w}x${h}"
done

if command -v desktop-file-validate >/dev/null; then
    [ -f "$desktop" ] && { desktop-file-validate "$desktop" || fail "desktop-file-validate"; }
else
    skip desktop-file-validate "not installed (Debian: desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
    [ -f "$metainfo" ] && { appstreamcli validate --no-net --explain "$metainfo" ||
        fail "appstreamcli validate"; }
else
    skip appstreamcli "not installed (Debian: appstream)"
fi

if [ $failures -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
if [ ${#skipped[@]} -gt 0 ]; then
    echo "Everything else passed; not checked without ${skipped[*]}"
    exit 77
fi
echo "The installed tree is complete and valid"
