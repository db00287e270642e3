#!/usr/bin/env bash
# A photo's caption in the real dist/Lumora.scr under Wine: a dark photo with an EXIF date
# and a GPS position near Munich, "Captions" 2. White text shows in the bottom-right corner
# and none in the top left, nor a clock in the top right; with "Clock" 1 the time shows there
# too. The screenshots stay in build/e2e/captions/shots/ (caption.png, clock.png).
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/captions"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/pictures"
cp dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/app/"
P="$WORK/pictures"

# The share of a region's pixels that are near white.
white_share() { convert "$WORK/shots/$1.png" -crop "$2" +repage -colorspace gray -threshold 85% -format '%[fx:mean]' info:; }
caption_shown() {  # shot
  local corner other
  corner="$(white_share "$1" 420x130+604+638)"
  other="$(white_share "$1" 420x130+0+0)"
  MSG="white in the bottom right $corner, in the top left $other"
  gt "$corner" 0.01 && ! gt "$other" 0.002
}
# The clock's corner while the first photo's caption is in the bottom right.
CLOCK_CORNER=260x100+764+0
clock_shown() {  # shot
  local clock
  clock="$(white_share "$1" "$CLOCK_CORNER")"
  MSG="white in the top right $clock"
  gt "$clock" 0.004
}

wine_cleanup_on_exit
wine_setup 1024x768 || exit 1

convert -size 1024x768 xc:'#102040' -quality 92 "$P/plain.jpg"
python3 tests/scripts/exif_photo.py "$P/munich.jpg" --date "2023:07:14 10:00:00" --gps 48.1372 11.5756 --into "$P/plain.jpg"
settings SelectLumoraEffect=2 PictureFit=1 Captions=2 -- "$P/munich.jpg" >"$WORK/app/Lumora.scr.settings"

# The saver until shot NAME passes CHECK, three tries at most: a loaded machine can miss the
# start-up rule and show the error screen.
saver_shows() {  # name check
  local attempt
  for attempt in 1 2 3; do
    xdotool mousemove 100 100
    start_saver /s
    if shot_until "$1" 40 "$2"; then stop_saver; return 0; fi
    stop_saver
    echo "   (attempt $attempt: $MSG; retrying, the machine may be loaded)"
  done
  return 1
}

check "the caption is drawn in the bottom-right corner" saver_shows caption caption_shown
check "the saver's log has no FAILED line" not log_has "$WORK/app/log_output.txt" FAILED
check "no clock in the top right with Clock 0" not gt "$(white_share caption "$CLOCK_CORNER")" 0.002

settings SelectLumoraEffect=2 PictureFit=1 Captions=2 Clock=1 -- "$P/munich.jpg" >"$WORK/app/Lumora.scr.settings"
check "with Clock 1 the time is drawn in the top-right corner" saver_shows clock clock_shown
check "the clock's run logs no FAILED line" not log_has "$WORK/app/log_output.txt" FAILED

rm -f "$WORK/app/Lumora.scr.settings"
wine_teardown
echo "   screenshots in $WORK/shots/caption.png and clock.png"
report "captions end-to-end"
