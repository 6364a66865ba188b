#!/usr/bin/env bash
# Installs what is needed, builds the console, installs it into its home
# folder and starts it from there. Without an X display it starts a virtual
# one (Xvfb) and says so.
#
# The console keeps its data beside its executable ("Teams/", "Texts/",
# "Pics/", "Views/", "Gols.txt", "Period.txt", ...), so it runs from a folder
# that no build step touches: $TABLO_HOME, by default ~/.local/share/tablo.
# A clean rebuild never deletes the team library or the goal list. Its
# settings live in ~/.config/Quellmark/tablo.settings ($XDG_CONFIG_HOME).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target tablo

home="${TABLO_HOME:-$HOME/.local/share/tablo}"
mkdir -p "$home"
# Data left beside an executable in build/ by earlier runs moves along once;
# nothing already in the home folder is replaced.
for item in Teams Texts Pics Views Gols.txt Period.txt Position.txt; do
  if [ -e "build/$item" ] && [ ! -e "$home/$item" ]; then
    cp -a "build/$item" "$home/$item"
    echo "Moved $item from build/ to $home/."
  fi
done
mkdir -p "$home/Teams" "$home/Texts" "$home/Pics" "$home/Views"
# The new executables replace the old ones whole (a running console keeps its
# own); the spreadsheet reader runs beside the console.
for exe in tablo tablo-sheet-reader; do
  install -m 0755 "build/$exe" "$home/.$exe.new"
  mv -f "$home/.$exe.new" "$home/$exe"
done

# The Flash player's files go beside the console as ruffle/, replaced whole.
ruffle_src="$(ls -d .deps/ruffle-* 2>/dev/null | sort -V | tail -n 1 || true)"
if [ -n "$ruffle_src" ] && [ -f "$ruffle_src/ruffle.js" ]; then
  rm -rf "$home/.ruffle.new"
  cp -a "$ruffle_src" "$home/.ruffle.new"
  rm -rf "$home/ruffle"
  mv "$home/.ruffle.new" "$home/ruffle"
fi

# A private runtime folder when the session has none (Qt wants one, mode 0700).
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  rt="${TMPDIR:-/tmp}/tablo-runtime-$(id -u)"
  if ! { mkdir -m 0700 "$rt" 2>/dev/null || { [ -d "$rt" ] && [ ! -L "$rt" ] && [ -O "$rt" ]; }; }; then
    rt="$(mktemp -d "${TMPDIR:-/tmp}/tablo-runtime-XXXXXX")"
  fi
  chmod 0700 "$rt"
  export XDG_RUNTIME_DIR="$rt"
fi

echo "Console and its data: $home"
cd "$home"
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display found: starting the console on a virtual display (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$home/tablo" "$@"
fi
exec "$home/tablo" "$@"
