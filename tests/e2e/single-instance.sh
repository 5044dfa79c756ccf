#!/usr/bin/env bash
# One instance at a time: eight starts at the same moment leave exactly one program
# running; a later start leaves at once with status 0 and touches no file.
set -euo pipefail
exe=$1
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
running() { n=0; for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && n=$((n + 1)); done; echo "$n"; }

mkdir -p "$dir/icons/quorvia"
cp "$exe" "$dir/quorvia"
printf '[Einstellungen]\r\nRows=2\r\nCols=2\r\n' > "$dir/Quorvia.ini"
touch -d '2001-01-01 00:00:00' "$dir/Quorvia.ini"
before=$(stat -c '%Y %s' "$dir/Quorvia.ini")

for _ in 1 2 3 4 5 6 7 8; do "$dir/quorvia" & pids+=($!); done

# Seven of them leave on their own, quickly.
deadline=$((SECONDS + 30))
while [ "$(running)" -gt 1 ]; do
  [ "$SECONDS" -ge "$deadline" ] && { echo "still $(running) running after 30 s"; exit 1; }
  sleep 0.1
done
sleep 1
[ "$(running)" -eq 1 ] || { echo "expected exactly one running program, found $(running)"; exit 1; }

# A later start ends at once with status 0.
"$dir/quorvia" || { echo "second start exited with $?"; exit 1; }

after=$(stat -c '%Y %s' "$dir/Quorvia.ini")
[ "$before" = "$after" ] || { echo "the settings file was touched: $before -> $after"; exit 1; }
[ "$(ls "$dir")" = "$(printf 'Quorvia.ini\nicons\nquorvia')" ] || { echo "unexpected files: $(ls "$dir")"; exit 1; }
echo "ok"
