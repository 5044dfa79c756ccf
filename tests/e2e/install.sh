#!/usr/bin/env bash
# `cmake --install` lays out a self-contained program folder plus a launcher, AppStream
# metadata and the icon; both metadata files validate, and the program started through the
# link in bin/ finds its themes (it keeps running with its board instead of ending with the
# missing-theme message).
set -euo pipefail
build=$2
prefix=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
for f in bin/quorvia share/metainfo/org.quorvia.Quorvia.metainfo.xml \
         share/applications/org.quorvia.Quorvia.desktop \
         share/icons/hicolor/48x48/apps/org.quorvia.Quorvia.png; do
  [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
program_dir=$(dirname "$(readlink -f "$prefix/bin/quorvia")")
[ -d "$program_dir/icons/quorvia" ] || { echo "no default theme beside the program"; exit 1; }
grep -qx "Exec=$program_dir/quorvia" "$prefix/share/applications/org.quorvia.Quorvia.desktop" \
  || { echo "the launcher does not start the installed program"; exit 1; }

appstreamcli validate --no-net "$prefix/share/metainfo/org.quorvia.Quorvia.metainfo.xml"
desktop-file-validate "$prefix/share/applications/org.quorvia.Quorvia.desktop"

QT_QPA_PLATFORM=offscreen "$prefix/bin/quorvia" &
pid=$!
sleep 2
kill -0 "$pid" || { echo "the installed program ended by itself"; exit 1; }
echo ok
