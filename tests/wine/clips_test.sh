#!/usr/bin/env bash
# Clips in the real dist/Lumora.scr under Wine (Media Foundation's source reader decoding
# through GStreamer), with clips made here by ffmpeg:
#   with "Videos" 1, a clip red for 2 s and then blue is seen red, then blue, and Esc during it
#      ends the saver within 1 s
#   with "Videos" 0 the same clip is not shown: the photo beside it is
#   a truncated clip is skipped with one log line, and the photo beside it shows
#   a live photo pair (a green JPEG and a red MOV of its name) plays its motion, red, then
#      rests on its still, green
#   a motion photo (a green JPEG with a red MP4 after it, found by its XMP MicroVideo offset)
#      does the same, its clip read in place
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/clips"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/clip" "$WORK/off" "$WORK/truncated" "$WORK/live" "$WORK/motion" "$WORK/made"
cp dist/Lumora.scr dist/LMRResource.dat "$WORK/app/"
LOG="$WORK/app/log_output.txt"

shows() {  # shot colour
  local got
  got="$(dominant_of "$1")"
  DETAIL="the screen shows $got"
  [ "$got" = "$2" ]
}
not_shows_now() { shot "$1" && ! shows "$1" "$2"; }  # name colour
# An H.264 MP4 (or MOV) of solid colours in turn: clip FILE COLOUR:SECONDS...
clip() {
  local out="$1" inputs=() n=0 part
  shift
  for part in "$@"; do
    inputs+=(-f lavfi -i "color=c=${part%%:*}:s=320x240:d=${part#*:}:r=30")
    n=$((n + 1))
  done
  ffmpeg -loglevel error -y "${inputs[@]}" -filter_complex "concat=n=$n:v=1" -c:v libx264 -pix_fmt yuv420p \
    "$out"
}
# Starts the saver with the settings and entries until the screen shows COLOUR within 20 s, at
# most four times: a start that misses its 20 frames in the first second (a loaded machine)
# shows the error screen instead.
start_until() {  # name colour settings... -- entries...
  local name="$1" colour="$2" i
  shift 2
  settings SelectLumoraEffect=2 "$@" >"$WORK/app/Lumora.scr.settings"
  rm -f "$LOG"
  TRIES=4 start_shown "$name" 20 shows "$colour" -- /s
}
end_saver() {
  xdotool key Escape
  exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
}

# A motion photo as older Pixels saved them: OUT, the JPEG STILL with an XMP packet saying
# GCamera:MicroVideo 1 and MicroVideoOffset the clip's byte count, then the MP4 CLIP.
motion_photo() {  # out still clip
  python3 - "$@" <<'PY'
import os, struct, sys
out, still, clip = sys.argv[1:4]
jpeg, mp4 = open(still, 'rb').read(), open(clip, 'rb').read()
xmp = ('<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
       '<rdf:Description rdf:about="" xmlns:GCamera="http://ns.google.com/photos/1.0/camera/" '
       'GCamera:MicroVideo="1" GCamera:MicroVideoVersion="1" GCamera:MicroVideoOffset="%d"/>'
       '</rdf:RDF></x:xmpmeta>' % len(mp4)).encode()
payload = b'http://ns.adobe.com/xap/1.0/\0' + xmp
segment = b'\xff\xe1' + struct.pack('>H', len(payload) + 2) + payload
open(out, 'wb').write(jpeg[:2] + segment + jpeg[2:] + mp4)
PY
}

wine_cleanup_on_exit csmt_restore
wine_setup 640x480 || exit 1
csmt_off
clip "$WORK/clip/redblue.mp4" 0xE01010:2 0x1010E0:20
cp "$WORK/clip/redblue.mp4" "$WORK/off/"
convert -size 640x480 'xc:#10E010' "$WORK/off/green.png"
head -c 4000 "$WORK/clip/redblue.mp4" >"$WORK/truncated/truncated.mp4"
cp "$WORK/off/green.png" "$WORK/truncated/"
clip "$WORK/live/IMG_0001.MOV" 0xE01010:2
convert -size 640x480 'xc:#10E010' "$WORK/live/IMG_0001.JPG"
# Made outside the folders the saver is shown: the clip folder holds the red-then-blue clip alone.
clip "$WORK/made/motion.mp4" 0xE01010:2
motion_photo "$WORK/motion/PXL_0001.MP.jpg" "$WORK/live/IMG_0001.JPG" "$WORK/made/motion.mp4"

echo "-- Videos 1: a clip red for 2 s, then blue"
check "the clip's start is seen red" start_until clip_red red Videos=1 -- "$WORK/clip/"
check "then blue, at the clip's own pace" shot_until clip_blue 6 shows blue
xdotool key Escape
check "Esc during a clip ends the saver within 1 s" window_gone_within 1
check "and its process within 10 s" exited_within "$SAVER" 10
alive "$SAVER" && { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }

echo "-- Videos 0: the clip is not shown"
check "the photo beside the clip shows" start_until off_green green Videos=0 -- "$WORK/off/"
check "the clip never does" holds_for 4 not_shows_now off_held red
check "no clip is opened" not log_has "$LOG" "OpenClip"
end_saver

echo "-- a truncated clip"
check "the photo beside it shows" start_until truncated_green green Videos=1 -- "$WORK/truncated/"
check "the clip is skipped with one log line" wait_for 5 log_has "$LOG" 'OpenClip() - .*truncated.mp4 - .* - FAILED'
check "and only one" not lines_over "$LOG" "truncated.mp4" 1
end_saver

echo "-- a live photo"
check "its motion plays" start_until live_motion red Videos=1 -- "$WORK/live/"
check "then it rests on its still" shot_until live_still 8 shows green
end_saver

echo "-- a motion photo"
check "its motion plays, read inside the JPEG" start_until motion_motion red Videos=1 -- "$WORK/motion/"
check "then it rests on its still" shot_until motion_still 8 shows green
check "its clip opened without a log line" not log_has "$LOG" 'OpenClip() - .*PXL_0001'
end_saver

report clips
