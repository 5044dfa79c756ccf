#!/usr/bin/env bash
# A player on a real X server: the board window appears frameless at its size, a right
# click on its background opens the board menu, a left drag moves the window by the
# pointer's distance, and "Beenden" in the menu ends the program in the middle of a game
# without a question.
set -euo pipefail
exe=$1
. "$(dirname "$0")/private-x.sh"

mkdir -p "$dir/prog/icons/quorvia"
cp "$exe" "$dir/prog/quorvia"
"$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window

# 5 x 8 cards: 5000 x 4370 twips, 333 x 291 pixels, centred on the screen.
geometry_becomes "$(( (1024 - 333) / 2 )) $(( (768 - 291) / 2 )) 333 291"

# Drag by the background right of the status labels.
x0=$((X + 300)) y0=$((Y + 30))
xdotool mousemove "$x0" "$y0" mousedown 1 mousemove $((x0 + 10)) $((y0 + 5)) mousemove $((x0 + 60)) $((y0 + 40)) mouseup 1
geometry_becomes "$((X + 60)) $((Y + 40)) 333 291"

# Start a game with a click on a card, then quit through the menu's last item.
xdotool mousemove $((X + 30)) $((Y + 95)) click 1
sleep 0.3
xdotool mousemove $((X + 300)) $((Y + 30)) click 3
sleep 0.5
xdotool key Up Return
ends_cleanly "the program is still running after Beenden"
[ ! -e "$dir/prog/Quorvia.ini" ] || { echo "quitting wrote a settings file"; exit 1; }
echo ok
