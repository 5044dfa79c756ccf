#!/usr/bin/env bash
# A screen reader's view of the real program: on a private X server, D-Bus session and
# accessibility bus, an AT-SPI client finds the board window, counts its 40 card buttons,
# turns cards through their press action, reads what they show, finds a pair and then
# reads the tries line, and sees the found pair leave the board.
set -euo pipefail
exe=$1 build=$2
. "$(dirname "$0")/reader-session.sh"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window

/usr/bin/python3 "$(dirname "$0")/reader-client.py"
