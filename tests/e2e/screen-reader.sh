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

/usr/libexec/at-spi-bus-launcher --launch-immediately > /dev/null 2>&1 &
bus=$!
trap 'kill "$bus" 2>/dev/null || true; cleanup' EXIT

mkdir -p "$dir/prog"
cp -r "$build/icons" "$dir/prog/icons"
cp "$exe" "$dir/prog/quorvia"
printf '[Einstellungen]\r\nRows=5\r\nCols=8\r\nAutoCover=0\r\nRemovePairs=1\r\n' > "$dir/prog/Quorvia.ini"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window

/usr/bin/python3 - <<'EOF'
import sys, time, pyatspi
from gi.repository import GLib

heard = []  # the names readers are told of as they change
pyatspi.Registry.registerEventListener(lambda e: heard.append(e.source.name), "object:property-change:accessible-name")

def wait(what, get, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        try: value = get()
        except Exception: value = None
        if value:
            return value
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.05)
    sys.exit("timed out: " + what)

def cards(window):
    return pyatspi.findAllDescendants(window, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON)

def press(card):
    """Presses a face-down card and returns its face's name."""
    card.queryAction().doAction(0)
    return wait("a turned card's name", lambda: not card.name.endswith("verdeckt") and card.name.split(": ", 1)[1].removesuffix(", gefunden"))

window = wait("the board window", lambda: pyatspi.findDescendant(pyatspi.Registry.getDesktop(0), lambda a: "Quorvia" in a.name))
buttons = wait("40 card buttons", lambda: len(cards(window)) == 40 and cards(window))
if buttons[9].name != "Karte 10, Reihe 2, Spalte 2: verdeckt":
    sys.exit("card 10 reads " + repr(buttons[9].name))

seen, tries = {}, 0
for i in range(0, 40, 2):
    face = press(buttons[i])
    if face in seen:
        partner = buttons[seen[face]]
    else:
        seen[face] = i
        partner = buttons[i + 1]
    tries += 1
    second = press(partner)
    if second == face:
        break
    seen.setdefault(second, i + 1)
else:
    sys.exit("no pair found")

line = pyatspi.findDescendant(window, lambda a: a.getRole() == pyatspi.ROLE_LABEL and a.name.startswith("Versuche"))
if line is None or line.name != "Versuche: %d" % tries:
    sys.exit("tries line reads %r after %d tries" % (line and line.name, tries))
wait("the found pair to leave the board", lambda: len(cards(window)) == 38)
told = lambda: line.name in heard and any(n.startswith("Karte %d: %s" % (i + 1, face)) for n in heard)
wait("the tries line and the turned card told to readers", told)
print("ok: a pair of %s after %d tries" % (face, tries))
EOF
