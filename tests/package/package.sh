#!/usr/bin/env bash
#   package.sh DEB ROOT [RELEASE]
# The package on a clean Debian root of RELEASE (bookworm unless named; a debootstrap root,
# made once and kept; the package must be built for that release): installed with
# its dependencies, played by two ordinary users under a private X server, with the
# launcher's Exec line. A board size chosen in the options holds at the next start and is
# stored in the player's ~/.config/quorvia/; a theme of the player's own is offered and
# dealt; two players play at once; nothing below /usr changes; purging leaves no file.
set -euo pipefail
deb=$(readlink -f "$1") root=$(readlink -f "$2") release=${3:-bookworm}
[ -x "$root/usr/bin/apt-get" ] || debootstrap --variant=minbase "$release" "$root" http://deb.debian.org/debian
in_root() { chroot "$root" "$@"; }
. "$(dirname "$0")/../e2e/private-x.sh"
mounted=()
cleanup_root() { for m in "${mounted[@]}"; do umount -l "$root/$m"; done; cleanup; }
trap cleanup_root EXIT
for m in proc dev tmp/.X11-unix; do mkdir -p "$root/$m"; mount --rbind "/$m" "$root/$m"; mounted+=("$m"); done

cp "$deb" "$root/tmp/quorvia.deb"
ls "$root"/var/lib/apt/lists/*Packages > /dev/null 2>&1 || in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/quorvia.deb > /dev/null
exe=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.quorvia.Quorvia.desktop")
usr_state() { in_root find /usr -printf '%p %s %T@\n' | sort | md5sum; }
before=$(usr_state)
declare -A uid=([ida]=1001 [max]=1002)
for u in ida max; do
  grep -q "^$u:" "$root/etc/passwd" || { echo "$u:x:${uid[$u]}:${uid[$u]}::/home/$u:/bin/sh" >> "$root/etc/passwd"
    echo "$u:x:${uid[$u]}:" >> "$root/etc/group"; }
  rm -rf "${root:?}/home/$u" && mkdir -p "$root/home/$u" "$root/tmp/run-$u" && chmod 700 "$root/tmp/run-$u"
  chown -R "${uid[$u]}:${uid[$u]}" "$root/home/$u" "$root/tmp/run-$u"
done

# Starts the game as a player; sets $pid and, once the board is shown, $win, $X, $Y, ...
play() {
  chroot --userspec="${uid[$1]}:${uid[$1]}" "$root" env -i HOME="/home/$1" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="/tmp/run-$1" \
    PATH=/usr/games:/usr/bin:/bin $exe > "$dir/out.log" 2>&1 &
  pid=$!
  wait_for_window && sleep 0.5 && eval "$(xdotool getwindowgeometry --shell "$win")"
}
# Opens the options from the board menu; sets $DX and $DY to the dialog's corner.
options() {
  xdotool mousemove $((X + WIDTH - 20)) $((Y + 30)) click 3 sleep 0.5 key Down Return sleep 1
  eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name Optionen | head -n 1)" |
    sed 's/^X=/DX=/; s/^Y=/DY=/; /^[WHS]/d')"
}
# Chooses "Beenden" in the board menu; the game must end.
quit() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH - 20)) $((Y + 30)) click 3 sleep 0.5 key Up Return
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$pid" 2>/dev/null || { echo "the game did not end"; exit 1; }
}

play ida
options
xdotool mousemove $((DX + 41)) $((DY + 81)) click 1 mousemove $((DX + 112)) $((DY + 396)) click 1  # 4 x 6, OK
sleep 1
quit
grep -q 'Rows=4' "$root/home/ida/.config/quorvia/Quorvia.ini" || { echo "the size was not stored"; exit 1; }
play ida
[ "$WIDTH x $HEIGHT" = "263 x 256" ] || { echo "the board is $WIDTH x $HEIGHT at the next start"; exit 1; }

# A theme of ida's own, all of one colour, is the first in the options list and is dealt.
mkdir -p "$root/home/ida/.local/share/quorvia/icons/meins"
for i in 1 2 3; do convert -size 32x32 xc:'#ff00ff' "$root/home/ida/.local/share/quorvia/icons/meins/m$i.ico"; done
chown -R 1001:1001 "$root/home/ida/.local"
eval "$(xdotool getwindowgeometry --shell "$win")"
options
xdotool mousemove $((DX + 223)) $((DY + 206)) click 1 sleep 0.5 mousemove $((DX + 58)) $((DY + 225)) click 1 sleep 0.3 \
  mousemove $((DX + 112)) $((DY + 396)) click 1 sleep 1 mousemove $((X + 43)) $((Y + 108)) click 1 sleep 0.5
colour=$(import -window root -depth 8 -crop 1x1+$((X + 43))+$((Y + 108)) txt:- | grep -o '#[0-9A-F]\{6\}')
[ "$colour" = "#FF00FF" ] || { echo "the player's theme was not dealt (card shows $colour)"; exit 1; }

# A second player's game starts beside the first.
first=$pid
play max
kill -0 "$first" || { echo "ida's game ended"; exit 1; }
[ "$(xdotool search --onlyvisible --name Quorvia | wc -l)" -ge 2 ] || { echo "two players cannot play at once"; exit 1; }
kill "$first" "$pid"; wait "$first" "$pid" || true; pid=""
[ "$(usr_state)" = "$before" ] || { echo "playing changed files below /usr"; exit 1; }

files=$(in_root dpkg -L quorvia)
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quorvia > /dev/null
for f in $files; do [ -d "$root$f" ] || [ ! -e "$root$f" ] || { echo "left behind: $f"; exit 1; }; done
[ ! -e "$root/usr/share/games/quorvia" ] || { echo "left behind: /usr/share/games/quorvia"; exit 1; }
echo ok
