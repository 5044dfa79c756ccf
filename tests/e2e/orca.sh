#!/usr/bin/env bash
# What a screen reader says while the game is played by keys alone. Orca runs with speech
# off on the private X server, D-Bus session and accessibility bus and writes each
# utterance to its debug log. The board menu is opened and closed, and a 2 x 3 board is
# played to the win (and on, until an unequal pair came up), each key waiting for what the
# player must hear: the framed card, each
# turned card's face, whether a pair is found, the cards covered again, the card the frame
# moves to when a pair leaves the board, the time and the tries on request, the win message
# and the new board. The reader stays on the cards throughout and fails on no event.
set -euo pipefail
exe=$1 build=$2
. "$(dirname "$0")/reader-session.sh"
printf '[Einstellungen]\r\nRows=2\r\nCols=3\r\n' > "$dir/prog/Quorvia.ini"

# Orca writes its debug log in blocks to a file but line by line to a terminal: it runs on
# the terminal of `script`, which copies every line to the log at once. Orca runs once per
# user and ends (or, told to, kills) any other Orca of the user: in a process namespace of
# its own it sees none, and leaves other tests' and a player's reader alone.
mkdir -p "$dir/home"
isolated=()
if unshare -cpf --mount-proc true 2>/dev/null; then isolated=(unshare -cpf --mount-proc --kill-child); fi
HOME="$dir/home" XDG_CONFIG_HOME="$dir/home" XDG_DATA_HOME="$dir/home" "${isolated[@]}" \
  script -qfec "orca -d speech --debug-file=/dev/tty" "$dir/orca.log" < /dev/null > /dev/null 2>&1 &
opid=$!
trap 'kill "$opid" 2>/dev/null || true; cleanup' EXIT
log=$dir/orca.log
for _ in $(seq 200); do grep -Eq "ATSPI registry initialized|Orca is ready" "$log" 2>/dev/null && break; sleep 0.1; done

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window
xdotool windowfocus --sync "$win"

# The utterances logged after byte $from, one a line.
from=0
utterances() {
  tail -c +"$((from + 1))" "$log" | tr -d '\r' | awk '
    /SPEECH OUTPUT: \x27/ {
      s = $0
      while (s !~ /\x27 ?\{/ && (getline more) > 0) s = s " " more
      sub(/.*SPEECH OUTPUT: \x27/, "", s); sub(/\x27 ?\{.*/, "", s); gsub(/ +/, " ", s); print s
    }'
}
# Waits up to 15 s for an utterance since $from that matches the pattern: $said.
heard() {
  for _ in $(seq 150); do
    said=$(utterances | grep -E -m1 -- "$1" || true)
    [ -n "$said" ] && return 0
    sleep 0.1
  done
  { echo "Orca did not say /$1/; it said:"; utterances | sed 's/^/  /'; } >&2
  exit 1
}
press() {
  from=$(stat -c %s "$log")
  xdotool key "$1"
}
number() { sed -E 's/^Karte ([0-9]+).*/\1/' <<< "$1"; }

# Only the game's own texts are matched, not Orca's words around them (role names differ
# between versions and languages). Faces are file names without blanks.
heard "^Karte 1, Reihe 1, Spalte 1: verdeckt"
at=1
frame_to() {
  while [ "$at" -ne "$1" ]; do
    if [ "$1" -gt "$at" ]; then press Right; else press Left; fi
    heard "^Karte [0-9]+[,:] "
    at=$(number "$said")
  done
}
turn() {
  frame_to "$1"
  press space
}

# The board menu opens on its first item, and closed, leaves the reader on the card.
press shift+F10
heard "^Optionen\.\.\."
press Escape
heard "^Karte 1, Reihe 1, Spalte 1: verdeckt"

declare -A face gone
games=0 unequal=0 scored=0
while [ "$games" -lt 1 ] || [ "$unequal" -eq 0 ]; do
  [ "$games" -lt 6 ] || { echo "no unequal pair in $games games"; exit 1; }
  face=() gone=() tries=0 pairs=0
  while [ "$pairs" -lt 3 ]; do
    # A known pair, or else the first card not seen yet and then its partner if known.
    a="" b=""
    for i in 1 2 3 4 5 6; do
      for j in 1 2 3 4 5 6; do
        if [ -z "$a" ] && [ "$i" -lt "$j" ] && [ -z "${gone[$i]:-}${gone[$j]:-}" ] && [ -n "${face[$i]:-}" ] &&
          [ "${face[$i]}" = "${face[$j]:-}" ]; then a=$i b=$j; fi
      done
    done
    for i in 1 2 3 4 5 6; do [ -z "$a" ] && [ -z "${face[$i]:-}" ] && a=$i; done
    turn "$a"
    heard "^Karte $a: [^ ,]+"
    face[$a]=$(sed -E 's/^Karte [0-9]+: ([^ ,]+).*/\1/' <<< "$said")
    for i in 1 2 3 4 5 6; do
      [ -z "$b" ] && [ "$i" -ne "$a" ] && [ -z "${gone[$i]:-}" ] && [ "${face[$i]:-}" = "${face[$a]}" ] && b=$i
    done
    for i in 1 2 3 4 5 6; do [ -z "$b" ] && [ "$i" -ne "$a" ] && [ -z "${face[$i]:-}" ] && b=$i; done
    turn "$b"
    tries=$((tries + 1))
    # The last pair wins: the win message says so.
    [ "$pairs" -lt 2 ] || break
    heard "^Karte $b: [^ ,]+, (gefunden|kein Paar)"
    face[$b]=$(sed -E 's/^Karte [0-9]+: ([^ ,]+).*/\1/' <<< "$said")
    if [[ $said == *"kein Paar"* ]]; then
      unequal=$((unequal + 1))
      # A second later both turn back: the framed card says so, and names the other one.
      heard "^Karte $b, Reihe [0-9], Spalte [0-9]: verdeckt"
      heard "Karte $a wieder verdeckt"
    else
      pairs=$((pairs + 1)) gone[$a]=1 gone[$b]=1
      # The pair leaves the board: the frame moves on to a card still there, which is
      # told first, with the pair after it.
      before=$(utterances | grep -B1 -m1 "^Karte $b: " | head -n 1)
      [[ $before =~ ^Karte\ [0-9]+,\ Reihe\ [0-9],\ Spalte\ [0-9]:\ verdeckt ]] ||
        { echo "after the pair of cards $a and $b Orca said '$before'"; exit 1; }
      at=$(number "$before")
      [ -z "${gone[$at]:-}" ] || { echo "the frame stayed on the removed card $at"; exit 1; }
    fi
    if utterances | grep -q "^Spielfeld"; then echo "Orca left the cards:"; utterances; exit 1; fi
    if [ "$scored" -eq 0 ]; then
      press s
      heard "^Zeit: [0-9]+ Sekunden, Versuche: $tries\.?$"
      scored=1
    fi
  done
  heard "DU HAST ES GESCHAFFT"
  heard "In [0-9]+ Sekunden.* Mit $tries Versuchen"
  games=$((games + 1))
  # OK closes the message, and the board has the focus again (given back by the test, as
  # there is no window manager): the new board's framed card has it.
  press Return
  for _ in $(seq 50); do
    [ "$(xdotool search --onlyvisible --name Quorvia | wc -l)" -eq 1 ] && break
    sleep 0.1
  done
  xdotool windowfocus --sync "$win"
  heard "^Karte [0-9]+, Reihe [0-9], Spalte [0-9]: verdeckt"
  at=$(number "$said")
done

if grep -a -A3 "ERROR: Could not process" "$log"; then echo "Orca failed on an event of the game"; exit 1; fi
echo "ok: $games games, $unequal unequal pairs"
