#!/usr/bin/env bash
# The game on a Wayland desktop, with Qt's Wayland plug-in installed. With an X display at
# hand as well (XWayland), it runs on X11, where it places itself. With Wayland alone it
# runs there: the compositor places the board, its screen shows it drawn at its size, and
# a pair is played through the accessibility bus (the compositor has no input devices).
set -euo pipefail
exe=$1 build=$2
. "$(dirname "$0")/reader-session.sh"
mkdir -p "$dir/run" "$dir/shots"
chmod 700 "$dir/run"
# The headless compositor, drawing with pixman so that screenshots can be taken.
XDG_RUNTIME_DIR="$dir/run" weston --backend=headless-backend.so --use-pixman --debug --socket=wayland-q \
  --width=1024 --height=768 > "$dir/weston.log" 2>&1 &
wpid=$!
trap 'kill "$wpid" 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 100); do [ -S "$dir/run/wayland-q" ] && break; sleep 0.1; done
[ -S "$dir/run/wayland-q" ] || { echo "weston did not start"; cat "$dir/weston.log"; exit 1; }

# Runs a program in the session; `exec`, so that $! is the program itself.
wayland_session() {
  exec env -u QT_QPA_PLATFORM XDG_SESSION_TYPE=wayland XDG_RUNTIME_DIR="$dir/run" WAYLAND_DISPLAY=wayland-q "$@"
}

# Both: the board opens on the X server, where it centres itself (and follows a drag, as
# menu-quit.sh shows on X).
wayland_session "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
wait_for_window
geometry_becomes "$(( (1024 - 333) / 2 )) $(( (768 - 291) / 2 )) 333 291"
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""

# Wayland alone: the board is drawn on the compositor's screen. Its gradient's one pure blue
# row runs across the window between the 3-pixel borders: 333 - 6 pixels for 5 x 8 cards.
wayland_session env -u DISPLAY QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/prog/quorvia" > "$dir/out.log" 2>&1 &
pid=$!
blue=""
for _ in $(seq 50); do
  sleep 0.2
  kill -0 "$pid" 2>/dev/null || { echo "the game ended on Wayland:"; cat "$dir/out.log"; exit 1; }
  rm -f "$dir"/shots/*.png
  (cd "$dir/shots" && XDG_RUNTIME_DIR="$dir/run" WAYLAND_DISPLAY=wayland-q timeout 10 weston-screenshooter) || continue
  blue=$(convert "$dir"/shots/*.png -fill black +opaque 'rgb(0,0,255)' -fill white -opaque 'rgb(0,0,255)' -trim \
    -format '%w' info: 2>/dev/null || true)
  [ "$blue" = 327 ] && break
done
[ "$blue" = 327 ] || { echo "no board on the Wayland screen (blue row: '$blue')"; cat "$dir/out.log"; exit 1; }
/usr/bin/python3 "$(dirname "$0")/reader-client.py"
