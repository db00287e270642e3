#!/usr/bin/env bash
# Refreshes the pictures of the README and docs/user-guide.md (docs/images/) from the real
# saver under Wine: a short animation of the effect, the four colour schemes (from the scene
# tests' back-buffer images), the error screen and the photo options (from the end-to-end
# tests' screenshots). Run after ./lumora test.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
OUT=docs/images
mkdir -p "$OUT"
ARTEFACTS=build/windows/tests/artefacts
for scheme in flame ice smoke cheerful; do
  [ -f "$ARTEFACTS/scheme_$scheme.png" ] && convert "$ARTEFACTS/scheme_$scheme.png" -resize 480x "$OUT/scheme_$scheme.png"
done
[ -f build/e2e/saver/shots/error_0.png ] && convert build/e2e/saver/shots/error_0.png -resize 480x "$OUT/error_screen.png"
# The photo options, from the photos and monitors end-to-end tests.
for shot in photos/shots/portraits_pair photos/shots/portraits_blur monitors/shots/three_pictures; do
  [ -f "build/e2e/$shot.png" ] && convert "build/e2e/$shot.png" -resize 480x "$OUT/$(basename "$shot").png"
done
# Pan and zoom: the left of the screen at the first shot with the picture and when the
# edge had moved, side by side, three times their size.
if [ -f build/e2e/photos/shots/pan_zoom_start.png ] && [ -f build/e2e/photos/shots/pan_zoom.png ]; then
  convert \( build/e2e/photos/shots/pan_zoom_start.png build/e2e/photos/shots/pan_zoom.png \) \
    -crop 96x160+0+160 +repage -scale 300% -bordercolor white -border 4 +append "$OUT/pan_zoom.png"
fi
# A photo's caption: the bottom-right quarter of the end-to-end test's screenshot, unscaled.
[ -f build/e2e/captions/shots/caption.png ] && convert build/e2e/captions/shots/caption.png -crop 512x384+512+384 +repage "$OUT/caption.png"
# The clock: the top-right strip of the same test's screenshot with Clock 1, unscaled.
[ -f build/e2e/captions/shots/clock.png ] && convert build/e2e/captions/shots/clock.png -crop 512x160+512+0 +repage "$OUT/clock.png"

# The animation: the saver full screen, 16 frames a quarter of a second apart, after the
# stream has had a few seconds to build up.
source scripts/wine-env.sh
work="$(mktemp -d)"
remove_work() { rm -rf "$work"; }
wine_cleanup_on_exit remove_work
wine_setup 800x600
cp dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat "$work/"
xdotool mousemove 400 300
(cd "$work" && exec wine ./Lumora.scr /s) &
sleep 8
for i in $(seq -w 1 16); do
  import -display "$DISPLAY" -window root "$work/frame_$i.png" 2>/dev/null
  sleep 0.25
done
xdotool key space
sleep 2
# The configuration dialog, cropped to its window.
(cd "$work" && exec wine ./Lumora.scr /c) &
sleep 5
geometry="$(xwininfo -root -tree | grep -m1 'Lumora' | grep -o '[0-9]*x[0-9]*+[0-9-]*+[0-9-]*' | head -n 1)"
import -display "$DISPLAY" -window root "$work/dialog_full.png" 2>/dev/null
[ -n "$geometry" ] && convert "$work/dialog_full.png" -crop "$geometry" +repage "$OUT/config_dialog.png"
wine_teardown
convert -delay 25 -loop 0 "$work"/frame_*.png -resize 400x -layers Optimize "$OUT/lumora.gif"
rm -rf "$work"
ls -l "$OUT"
