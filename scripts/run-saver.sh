#!/usr/bin/env bash
# Runs dist/Lumora.scr full screen under Wine. With a display (DISPLAY set and reachable)
# the saver appears there until a key press or click ends it. Without one it runs on a
# private Xvfb screen for a few seconds and saves screenshots to build/screenshots/.
#   ./lumora run [SWITCH]     SWITCH defaults to /s
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
switch="${1:-/s}"
source scripts/wine-env.sh
wine_cleanup_on_exit

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export LUMORA_DISPLAY="$DISPLAY"
  wine_setup
  echo "Lumora is running on $DISPLAY: press a key or click to end it."
  (cd dist && wine ./Lumora.scr "$switch") || true
  wine_teardown
  exit 0
fi

unset LUMORA_DISPLAY
wine_setup 1024x768
mkdir -p build/screenshots
(cd dist && exec wine ./Lumora.scr "$switch") &
pid=$!
for s in 2 4 6; do
  sleep 2
  import -display "$DISPLAY" -window root "build/screenshots/lumora-${s}s.png" 2>/dev/null || true
done
xdotool key --clearmodifiers space 2>/dev/null || true
sleep 2
kill "$pid" 2>/dev/null || true
wine_teardown
echo "No display here: the saver ran on a virtual screen. Screenshots:"
ls -1 "$ROOT"/build/screenshots/lumora-*.png
