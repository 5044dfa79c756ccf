#!/usr/bin/env bash
# Without the configured theme's folder and without "icons/quorvia", a player sees exactly
# one window, the message box, and never the board; Enter closes it and the program ends,
# having written nothing. Runs on a private X server.
set -euo pipefail
exe=$1
. "$(dirname "$0")/private-x.sh"

mkdir -p "$dir/prog/icons/other"
printf '[Einstellungen]\r\nCollection=weg\r\n' > "$dir/prog/Quorvia.ini"
before=$(md5sum < "$dir/prog/Quorvia.ini")
cp "$exe" "$dir/prog/quorvia"
"$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!

wait_for_window
sleep 0.5
count=$(xdotool search --onlyvisible --name "Quorvia" 2>/dev/null | wc -l)
[ "$count" -eq 1 ] || { echo "expected one window, found $count"; exit 1; }
title=$(xdotool getwindowname "$win")
[ "$title" = "Oskel's Quorvia" ] || { echo "unexpected title: $title"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$win")"
# The board window would be at least 117 x 150 pixels and frameless; a message box with the
# critical icon and one line of text is wider than it is high.
[ "$WIDTH" -gt "$HEIGHT" ] || { echo "that window is not the message box (${WIDTH}x${HEIGHT})"; exit 1; }

xdotool windowfocus --sync "$win"
xdotool key Return
ends_cleanly "the program did not end after OK"
[ "$(md5sum < "$dir/prog/Quorvia.ini")" = "$before" ] || { echo "the settings file changed"; exit 1; }
echo ok
