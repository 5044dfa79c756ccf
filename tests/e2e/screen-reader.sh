#!/usr/bin/env bash
# A screen reader's view of the real program: on a private X server, D-Bus session and
# accessibility bus, an AT-SPI client finds the board window, counts its 40 card buttons,
# turns cards through their press action, reads what they show, finds a pair and then
# reads the tries line, and sees the found pair leave the board.
set -euo pipefail
exe=$1 build=$2
if [ -z "${QUORVIA_PRIVATE_BUS:-}" ]; then
  QUORVIA_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
. "$(dirname "$0")/private-x.sh"

# The accessibility bus; it ends with the session bus.
/usr/libexec/at-spi-bus-launcher --launch-immediately > /dev/null 2>&1 &

mkdir -p "$dir/prog"
cp -r "$build/icons" "$dir/prog/icons"
cp "$exe" "$dir/prog/quorvia"
printf '[Einstellungen]\r\nRows=5\r\nCols=8\r\nAutoCover=0\r\nRemovePairs=1\r\n' > "$dir/prog/Quorvia.ini"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window

/usr/bin/python3 "$(dirname "$0")/reader-client.py"
