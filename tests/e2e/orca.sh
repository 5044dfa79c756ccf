#!/usr/bin/env bash
# What a screen reader says while the game is played by keys alone. Orca runs with speech
# off on the private X server, D-Bus session and accessibility bus and writes each
# utterance to its debug log. The board menu is opened and closed, then a 2 x 3 board is
# played to the win (and on, until an unequal pair came up), each key waiting for what the
# player must hear: the framed card, each turned card's face, whether a pair is found, the
# cards covered again, the card the frame moves to when a pair leaves the board, the time
# and the tries on request, the win message and the new board. The reader stays on the
# cards throughout and fails on no event. Only the game's own texts are matched, not Orca's
# words around them (role names differ between versions and languages).
set -euo pipefail
exe=$1 build=$2
. "$(dirname "$0")/reader-session.sh"
printf '[Einstellungen]\r\nRows=2\r\nCols=3\r\n' > "$dir/prog/Quorvia.ini"

# Orca writes its debug log in blocks to a file but line by line to a terminal: it runs on
# the terminal of `script`, which copies every line to the log at once. Orca runs once per
# user and ends (or, told to, kills) any other Orca of the user: in a process namespace of
# its own it sees none, and leaves other tests' and a player's reader alone.
mkdir -p "$dir/home"
isolated=() && unshare -cpf --mount-proc true 2>/dev/null && isolated=(unshare -cpf --mount-proc --kill-child)
HOME="$dir/home" XDG_CONFIG_HOME="$dir/home" XDG_DATA_HOME="$dir/home" "${isolated[@]}" \
  script -qfec "orca -d speech --debug-file=/dev/tty" "$dir/orca.log" < /dev/null > /dev/null 2>&1 &
opid=$!
trap 'kill "$opid" 2>/dev/null || true; cleanup' EXIT
log=$dir/orca.log
# Orca takes seconds to start, a minute on a busy machine; the game starts once it is ready.
for _ in $(seq 600); do grep -Eq "ATSPI registry initialized|Orca is ready" "$log" 2>/dev/null && break; sleep 0.1; done
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window
xdotool windowfocus --sync "$win"

# The utterances logged after byte $from, one a line (a long one spans lines of the log).
from=0
utterances() { tail -c +"$((from + 1))" "$log" | tr '\r\n' '  ' | grep -o "SPEECH OUTPUT: '[^{]*" | sed -E "s/^[^']*'//; s/' ?$//; s/ +/ /g"; }
# Waits up to 15 s (or $2 tenths of a second) for an utterance since $from that matches the
# pattern: $said.
heard() {
  for _ in $(seq "${2:-150}"); do said=$(utterances | grep -E -m1 -- "$1") && return 0 || sleep 0.1; done
  { echo "Orca did not say /$1/; it said:"; utterances; } >&2 && exit 1
}
press() { from=$(stat -c %s "$log") && xdotool key "$1"; }
card() { at=$(sed -E 's/^Karte ([0-9]+).*/\1/' <<< "$said"); }

# The first card is told once Orca has found the game, which may take a minute on a busy machine.
heard "^Karte 1, Reihe 1, Spalte 1: verdeckt" 600 && at=1
press shift+F10 && heard "^Optionen\.\.\."
press Escape && heard "^Karte 1, Reihe 1, Spalte 1: verdeckt"
# Moves the frame to card $1, each card told on the way, turns it and waits for $2.
turn() {
  while [ "$at" -lt "$1" ]; do press Right && heard "^Karte [0-9]+[,:] " && card; done
  while [ "$at" -gt "$1" ]; do press Left && heard "^Karte [0-9]+[,:] " && card; done
  press space
  heard "$2"
  face[$1]=$(sed -E 's/^Karte [0-9]+: ([^ ,]+).*/\1/' <<< "$said")
}

# Each turn: the first card not seen yet (all seen: the first left), then a card seen with
# the same face, else the next card not seen.
declare -A face
games=0 unequal=0
while [ "$games" -eq 0 ] || [ "$unequal" -eq 0 ]; do
  [ "$games" -lt 6 ] || { echo "no unequal pair in $games games"; exit 1; }
  face=() tries=0 left="1 2 3 4 5 6"
  while [ "$(wc -w <<< "$left")" -gt 2 ]; do
    a="" b=""
    for i in $left; do [ -n "$a" ] || [ -n "${face[$i]:-}" ] || a=$i; done
    a=${a:-${left%% *}}
    turn "$a" "^Karte $a: [^ ,]+"
    for i in $left; do [ -n "$b" ] || [ "$i" = "$a" ] || [ "${face[$i]:-}" != "${face[$a]}" ] || b=$i; done
    for i in $left; do [ -n "$b" ] || [ "$i" = "$a" ] || [ -n "${face[$i]:-}" ] || b=$i; done
    turn "$b" "^Karte $b: [^ ,]+, (gefunden|kein Paar)" && tries=$((tries + 1))
    if [[ $said == *"kein Paar"* ]]; then
      # A second later both turn back: the framed card says so, and names the other one.
      heard "^Karte $b, Reihe [0-9], Spalte [0-9]: verdeckt" && heard "Karte $a wieder verdeckt" && unequal=$((unequal + 1))
    else
      # The pair leaves the board: the frame moves on to a card still there, told first.
      left=$(tr ' ' '\n' <<< "$left" | grep -vx -e "$a" -e "$b" | xargs)
      said=$(utterances | grep -B1 -m1 "^Karte $b: " | head -n 1) && card
      [[ $said =~ ^Karte\ [0-9]+,\ Reihe.*verdeckt && " $left " == *" $at "* ]] || { echo "then: $said"; exit 1; }
    fi
    if utterances | grep "^Spielfeld"; then echo "Orca left the cards"; exit 1; fi
    [ "$games$tries" != 01 ] || { press s && heard "^Zeit: [0-9]+ Sekunden, Versuche: 1\.?$"; }
  done
  # The last pair wins.
  turn "${left%% *}" "^Karte ${left%% *}: "
  turn "${left##* }" "DU HAST ES GESCHAFFT"
  heard "In [0-9]+ Sekunden.* Mit $((tries + 1)) Versuchen" && games=$((games + 1))
  # OK closes the message, and the board has the focus again (given back by the test, as
  # there is no window manager): the new board's framed card has it.
  press Return && for _ in $(seq 50); do [ "$(xdotool search --onlyvisible --name Quorvia | wc -l)" -eq 1 ] && break || sleep 0.1; done
  xdotool windowfocus --sync "$win"
  heard "^Karte [0-9]+, Reihe [0-9], Spalte [0-9]: verdeckt" && card
done

if grep -a -A3 "ERROR: Could not process" "$log"; then echo "Orca failed on an event of the game"; exit 1; fi
echo "ok: $games games, $unequal unequal pairs"
