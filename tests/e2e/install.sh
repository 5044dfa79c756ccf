#!/usr/bin/env bash
# `cmake --install` puts the executable in games/ and the themes in share/games/quorvia/,
# with a launcher, AppStream metadata and the icon; both metadata files validate. Started
# through the launcher's Exec line, the installed game makes the player's settings folder
# in the player's home and changes nothing below the prefix; a second start by the same
# player ends at once with status 0, while another player's game starts beside it. Without
# a runtime folder the lock lies in the player's state folder: a FIFO another user left at
# the old shared name in /tmp neither holds up nor stops the game.
set -euo pipefail
build=$2
prefix=$(mktemp -d) homes=$(mktemp -d)
export DISPLAY=:e2e$$
shared=/tmp/quorvia-$(id -u)-$DISPLAY.lock
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$prefix" "$homes" "$shared"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
desktop=$prefix/share/applications/org.quorvia.Quorvia.desktop
for f in games/quorvia share/games/quorvia/icons/quorvia share/metainfo/org.quorvia.Quorvia.metainfo.xml \
         share/icons/hicolor/48x48/apps/org.quorvia.Quorvia.png share/man/man6/quorvia.6; do
  [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
exe=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exe" = "$prefix/games/quorvia" ] || { echo "the launcher starts $exe"; exit 1; }
appstreamcli validate --no-net "$prefix/share/metainfo/org.quorvia.Quorvia.metainfo.xml"
desktop-file-validate "$desktop"

files_below_prefix() { find "$prefix" -printf '%p %s %T@\n' | sort | md5sum; }
before=$(files_below_prefix)
# Starts the game as the player with the given home and runtime folder (default: the
# home); sets $pid.
play() {
  mkdir -p "$homes/$1"
  env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME HOME="$homes/$1" XDG_RUNTIME_DIR="${2-$homes/$1}" \
    QT_QPA_PLATFORM=offscreen $exe &
  pid=$!
  pids+=("$pid")
}
# The player's first game runs and has made its settings folder; a second one ends at once.
one_game() {
  play "$@"
  sleep 2
  kill -0 "$pid" || { echo "the installed game ended by itself"; exit 1; }
  [ -d "$homes/$1/.config/quorvia" ] || { echo "no settings folder in $1's home: blocked at the lock?"; exit 1; }
  play "$@"
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$pid" 2>/dev/null || { echo "a second game of $1 runs"; exit 1; }
  wait "$pid" || { echo "a second game of $1 ended with status $?"; exit 1; }
}
one_game ida
play max
sleep 2
kill -0 "$pid" || { echo "another player's game did not start"; exit 1; }
mkfifo "$shared"
one_game eva ""
[ -d "$homes/eva/.local/state/quorvia" ] || { echo "no lock folder in eva's home"; exit 1; }
[ "$(files_below_prefix)" = "$before" ] || { echo "the game changed files below the prefix"; exit 1; }
echo ok
