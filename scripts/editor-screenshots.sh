#!/bin/sh
# Takes the screenshots of the user guide (docs/editor.md) by driving a real Sprig window on a
# virtual X server with xdotool, as a user would. Usage: scripts/editor-screenshots.sh [BUILD]
set -e
BUILD=${1:-build}
OUT=docs/images
SPRIG="$BUILD/app/sprig"
mkdir -p "$OUT"
export XDG_CONFIG_HOME="$(mktemp -d)"   # first-run settings, not the user's
export XDG_RUNTIME_DIR="$XDG_CONFIG_HOME"
DISPLAY_NUM=:77
Xvfb $DISPLAY_NUM -screen 0 1280x800x24 >/dev/null 2>&1 &
XVFB=$!
trap 'kill $SPRIG_PID $XVFB 2>/dev/null || true; rm -rf "$XDG_CONFIG_HOME"' EXIT
export DISPLAY=$DISPLAY_NUM
sleep 1

shot() { sleep "${2:-1}"; import -window root -crop 1200x760+0+0 "$OUT/$1.png"; }
# Puts a text in the editor as typed keys (clicks into the editor first).
retype() {
    xdotool mousemove 300 300 click 1
    xdotool key ctrl+a BackSpace
    printf '%s\n' "$1" | while IFS= read -r line; do
        [ -n "$line" ] && xdotool type --delay 2 -- "$line"
        xdotool key Return
    done
}

"$SPRIG" >/dev/null 2>&1 &
SPRIG_PID=$!
sleep 4
xdotool search --sync --name 'Sprig' windowmove 0 0 windowsize 1200 760
shot editor-template 2

retype "recursion 4
angle 22
thickness 15
axiom >(90)X
rule X=F[+X][-X]FX
rule F=FF
colour 2 1 1 1
angle much
"
sleep 3
xdotool key ctrl+shift+c      # a refresh keeps the camera; Center frames the new model
xdotool mousemove 300 300 click 1
shot editor-errors 1

# Ctrl+click on the link in the axiom line selects the rule it points to.
retype "# A link from every rule character to its definition
recursion 3
angle 30
axiom A
rule A = F[+A][-A]B
rule B = F[&A]
"
sleep 3
xdotool mousemove 80 138 keydown ctrl click 1 keyup ctrl
shot editor-link 1

# Line numbers and a bracket with its partner (the caret after "]" in the rule of A); then the
# search bar with the replace row.
xdotool mousemove 300 300 click 1
xdotool key ctrl+shift+c ctrl+Home Down Down Down Down End Left
sleep 1
import -window root -crop 600x170+0+80 "$OUT/editor-brackets.png"
xdotool key ctrl+h
xdotool type --delay 20 "A"
xdotool key ctrl+h
xdotool type --delay 20 "Bud"
shot editor-find 1
xdotool key Escape

# File > Open Example, and the language guide searched for "axiom".
xdotool mousemove 20 8 click 1
sleep 1
xdotool mousemove 60 96
sleep 0.5
xdotool mousemove 300 96
shot editor-examples 1
xdotool key Escape Escape
sleep 0.5
xdotool mousemove 300 300 click 1
xdotool key F1
sleep 2
xdotool type --delay 20 "axiom"
xdotool key Return Return
shot editor-help 1
xdotool key ctrl+w
sleep 0.5
xdotool mousemove 300 300 click 1

# The save prompt before New, and the preferences dialog.
xdotool key ctrl+n
shot editor-prompt 1
xdotool key Escape
sleep 1
xdotool mousemove 300 400 click 1
xdotool key ctrl+comma
shot editor-preferences 1
