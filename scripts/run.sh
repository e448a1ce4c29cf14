#!/usr/bin/env bash
# Builds the viewer and starts it. Without a configured game folder it opens
# the demo game that the build generates, leaving the user's configuration alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORLIN_BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh"
if [ -z "${QUORLIN_GAME_FOLDER:-}" ]; then
  conf="${XDG_CONFIG_HOME:-$HOME/.config}/Ostrel/Quorlin.conf"
  location=""
  if [ -f "$conf" ]; then
    location=$(awk -F= 'BEGIN{IGNORECASE=1} /^[ \t]*\[/{s=tolower($0)} s ~ /\[[ \t]*duskmere[ \t]*\]/ && tolower($1) ~ /^[ \t]*location[ \t]*$/ {sub(/^[^=]*=[ \t]*/, ""); print; exit}' "$conf")
  fi
  if [ -z "$location" ]; then
    export QUORLIN_GAME_FOLDER="$build/demo/game"
    echo "No game folder configured in $conf: showing the demo game in $QUORLIN_GAME_FOLDER"
  fi
fi
exec "$build/bin/quorlin-viewer" "$@"
