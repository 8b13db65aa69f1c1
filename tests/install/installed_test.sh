#!/usr/bin/env bash
# Installs the build into a fresh prefix, makes it read-only, and checks the
# installed program as a user meets it: valid launcher and metadata, --help
# and --version without a display, a command the command-line tool hands to
# its engine, and a German start that reads the shipped
# table and keeps every new text in the user's own copy.
# Arguments: the build folder.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
chmod -R a-w "$prefix"
id=com.vandoriq.Trellimap

for f in bin/trellimap bin/trellimap-cli libexec/trellimap/trellimap-cli-engine share/trellimap/translate.dat \
  share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg share/mime/packages/$id.xml \
  share/metainfo/$id.metainfo.xml share/man/man1/trellimap.1 share/man/man1/trellimap-cli.1; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null

for program in trellimap trellimap-cli; do
  env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --version | grep -q "^$program 1.0$"
  env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help | grep -q "trellimap"
done
"$prefix/bin/trellimap-cli" demo "$work/demo.gip" >/dev/null
[ -s "$work/demo.gip" ] || { echo "the installed command-line tool did not run a command"; exit 1; }

# A German start: the window comes up (and is ended after a while), reading the
# shipped table; whatever it saves goes to the user's data folder.
mkdir -p "$work/config/Vandoriq/Trellimap" "$work/data"
printf '\x01\x00\x00\x00' >"$work/config/Vandoriq/Trellimap/options.dat"
status=0
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=offscreen \
  timeout 4 "$prefix/bin/trellimap" >"$work/out.txt" 2>&1 || status=$?
[ "$status" -eq 124 ] || { echo "the installed program ended early ($status)"; cat "$work/out.txt"; exit 1; }
user=$work/data/Vandoriq/Trellimap/translate.dat
[ -d "$work/data/Vandoriq/Trellimap" ] || { echo "no user data folder"; exit 1; }
if [ -f "$user" ]; then
  # Saved from the shipped table: it holds every row the shipped one does.
  [ "$(stat -c %s "$user")" -ge "$(stat -c %s "$prefix/share/trellimap/translate.dat")" ] || {
    echo "the user's table lost rows"
    exit 1
  }
fi
echo "installed program: ok"
