# Sourced by the scripts that read the game over AT-SPI (reader-client.py, Orca): runs
# the script again inside a private D-Bus session, starts the private X server and the
# accessibility bus (which ends with the session bus), and makes a program folder with the
# built themes and the settings the client expects (5 x 8, found pairs leave the board).
if [ -z "${QUORVIA_PRIVATE_BUS:-}" ]; then
  QUORVIA_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
. "$(dirname "$0")/private-x.sh"
/usr/libexec/at-spi-bus-launcher --launch-immediately > /dev/null 2>&1 &

mkdir -p "$dir/prog"
cp -r "$build/icons" "$dir/prog/icons"
cp "$exe" "$dir/prog/quorvia"
printf '[Einstellungen]\r\nAutoCover=0\r\nRemovePairs=1\r\n' > "$dir/prog/Quorvia.ini"
