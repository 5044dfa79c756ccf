# Sourced by the end-to-end scripts: a scratch folder $dir, a private X server (1024 x 768)
# for the Qt programs started from here, and a clean-up that ends the program under test
# ($pid), the server and the folder however the script ends.
dir=$(mktemp -d)
xpid="" pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  # Wait for the server to be gone: a dying server removes its socket on the way out, and
  # that may already be the socket of the next test's server on the same display number.
  if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null || true; wait "$xpid" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
xpid=$!
for _ in $(seq 50); do [ -s "$dir/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$dir/display")" QT_QPA_PLATFORM=xcb

# Waits up to 10 s for the first visible window whose name contains "Quorvia"; sets $win.
wait_for_window() {
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "Quorvia" 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && return 0
    sleep 0.1
  done
  echo "no window appeared"
  [ -s "$dir/out.log" ] && sed 's/^/  program: /' "$dir/out.log"
  return 1
}

# Waits (up to 5 s, the machine may be busy) until the window has the given geometry.
geometry_becomes() {
  for _ in $(seq 50); do
    eval "$(xdotool getwindowgeometry --shell "$win")"
    [ "$X $Y $WIDTH $HEIGHT" = "$1" ] && return 0
    sleep 0.1
  done
  echo "window at $X $Y size $WIDTH $HEIGHT, expected $1"
  return 1
}

# Waits up to 5 s for the program under test to end, which it must do with status 0.
ends_cleanly() {
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "$1"; exit 1; fi
  wait "$pid" || { echo "the program ended with status $?"; exit 1; }
  pid=""
}
