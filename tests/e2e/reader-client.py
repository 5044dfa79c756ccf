# The AT-SPI client of the screen reader tests: finds the board window, counts its 40 card
# buttons, turns cards through their press action until a pair is found, then reads the
# tries line and sees the pair leave the board.
import sys, time, pyatspi
from gi.repository import GLib

heard = []  # the names readers are told of as they change
pyatspi.Registry.registerEventListener(lambda e: heard.append(e.source.name), "object:property-change:accessible-name")

def wait(what, get, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        try: value = get()
        except Exception: value = None
        if value: return value
        while GLib.MainContext.default().iteration(False): pass
        time.sleep(0.05)
    sys.exit("timed out: " + what)

def cards(window): return pyatspi.findAllDescendants(window, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON)

def press(card):  # a face-down card; returns its face's name
    card.queryAction().doAction(0)
    return wait("a turned card's name", lambda: not card.name.endswith("verdeckt") and card.name.split(": ", 1)[1].split(", ")[0])

window = wait("the board window", lambda: pyatspi.findDescendant(pyatspi.Registry.getDesktop(0), lambda a: "Quorvia" in a.name))
buttons = wait("40 card buttons", lambda: len(cards(window)) == 40 and cards(window))
if buttons[9].name != "Karte 10, Reihe 2, Spalte 2: verdeckt":
    sys.exit("card 10 reads " + repr(buttons[9].name))

# Cards two by two: each first card with the card of the same face seen before, if any.
seen = {}
for i in range(0, 40, 2):
    face = press(buttons[i])
    partner = seen.get(face, i + 1)
    second = press(buttons[partner])
    if second == face: break
    seen.update({face: i, second: i + 1})
else:
    sys.exit("no pair found")

line = wait("the tries line", lambda: pyatspi.findDescendant(window, lambda a: a.name == "Versuche: %d" % (i // 2 + 1)))
wait("the found pair to leave the board", lambda: len(cards(window)) == 38)
wait("the tries line and a turned card told", lambda: line.name in heard and any(n.startswith("Karte %d: %s" % (i + 1, face)) for n in heard))
print("ok: a pair of %s after %d tries" % (face, i // 2 + 1))
