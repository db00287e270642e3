#!/usr/bin/env bash
# Keys that steer the photos in the real dist/Lumora.scr under Wine, over three pictures of
# one colour each (red, green, blue), made here by ImageMagick:
#   with "PictureKeys" 1: Right shows the next picture within a second and the saver goes on;
#      Left brings the first back; Space holds a picture well past its time; Esc ends the saver
#   with "PictureKeys" 0: Right ends the saver, as any key does
#   with "PictureKeys" 1 and the policy value ScreenSaverIsSecure "1": Enter ends the saver,
#      no file manager starts and the shell is asked for nothing; without it Enter ends the
#      saver and the photos' folder opens (Wine's shell starts explorer.exe on it)
# The particles move over the pictures: each check reads the colour that leads a large part
# of the screen, not single pixels. A start that misses its 20 frames in the first second (a
# loaded machine) shows the error screen; such a start is tried again.
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/keys"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/pictures"
cp dist/Lumora.scr dist/LMRResource.dat "$WORK/app/"
W=640
H=480
P="$WORK/pictures"

shows() {  # shot colour
  local got
  got="$(dominant_of "$1")"
  DETAIL="the screen shows $got"
  [ "$got" = "$2" ]
}
shows_now() { shot "$1" && shows "$1" "$2"; }  # name colour
saver_alive() { alive "$SAVER" && saver_window; }
POLICY='HKCU\Software\Policies\Microsoft\Windows\Control Panel\Desktop'
policy_off() { wine reg delete "$POLICY" /v ScreenSaverIsSecure /f >/dev/null 2>&1; }
restore_all() { policy_off; csmt_restore; }
# A file manager besides Wine's desktop process: an explorer.exe or winefile process of this
# prefix (other Wine sessions may run on the machine), or a window named after the pictures'
# folder on this screen. The command line is read first: a process that is exiting (Wine's
# desktop process, about a second after the last program has ended) reads with an empty one,
# and its environment may still have been readable a moment before.
file_manager() {
  local pid cmdline
  for pid in $(pgrep -i -f 'explorer\.exe|winefile'); do
    cmdline="$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
    case "$cmdline" in "" | *'/desktop'*) continue ;; esac
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -q -x -F "WINEPREFIX=$WINEPREFIX" || continue
    return 0
  done
  xdotool search --onlyvisible --name '^pictures$' >/dev/null 2>&1
}
no_file_manager() { ! file_manager; }
LOG="$WORK/app/log_output.txt"

# Starts the saver until it shows the first picture (red), at most five times.
start_until_red() {
  local i
  for i in 1 2 3 4 5; do
    xdotool mousemove 100 100
    start_saver /s
    shot_until start 25 shows red && return 0
    note "attempt $i: $DETAIL"
    xdotool key Escape
    exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
  done
  return 1
}

wine_cleanup_on_exit restore_all
wine_setup "${W}x${H}" || exit 1
# Several starts in a row on a shared machine: with Wine's Direct3D command stream on, a busy
# one made start after start miss the start-up second and show the error screen.
csmt_off
for c in red:'#E01010' green:'#10E010' blue:'#1010E0'; do convert -size 640x480 "xc:${c#*:}" "$P/${c%%:*}.png"; done

echo "-- PictureKeys 1: the keys steer the photos"
settings SelectLumoraEffect=2 PictureKeys=1 -- "$P/red.png" "$P/green.png" "$P/blue.png" >"$WORK/app/Lumora.scr.settings"
if start_until_red; then
  xdotool key Right
  SHOT_POLL=0.1 check "Right shows the next picture within 1 s" shot_until right 1 shows green
  check "the saver goes on after Right" saver_alive
  xdotool key Left
  check "Left brings the first picture back" shot_until left 5 shows red
  xdotool key space
  # A picture's time is about 17 s, half of it before the next one leads: 20 s is well past.
  check "Space holds the picture past its time" holds_for 20 shows_now space red
  xdotool key space
  check "Space again lets the pictures go on" shot_until resumed 20 shows green
  xdotool key Escape
  check "Esc ends the saver" window_gone_within 10
  exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
else
  fail "the saver shows the first picture" "$DETAIL"
fi

echo "-- PictureKeys 0: any key ends the saver"
settings SelectLumoraEffect=2 -- "$P/red.png" "$P/green.png" "$P/blue.png" >"$WORK/app/Lumora.scr.settings"
if start_until_red; then
  xdotool key Right
  check "Right ends the saver" window_gone_within 10
  exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
else
  fail "the saver shows the first picture" "$DETAIL"
fi

echo "-- PictureKeys 1, the saver secure by policy: Enter only ends the saver"
settings SelectLumoraEffect=2 PictureKeys=1 -- "$P/red.png" "$P/green.png" "$P/blue.png" >"$WORK/app/Lumora.scr.settings"
wine reg add "$POLICY" /v ScreenSaverIsSecure /t REG_SZ /d 1 /f >/dev/null 2>&1
rm -f "$LOG"
if no_file_manager && start_until_red; then
  xdotool key Return
  check "Enter ends the secure saver" window_gone_within 10
  check "the secure saver's process ends" exited_within "$SAVER" 10
  alive "$SAVER" && { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
  check "no file manager starts" holds_for 5 no_file_manager
  check "the log says the saver is secure" log_has "$LOG" "the saver is secure - nothing opened"
  check "the shell is asked for nothing" not log_has "$LOG" "ShowInFolder() - [IS]"
else
  fail "the saver shows the first picture, no file manager before" "${DETAIL:-}"
fi
policy_off

echo "-- PictureKeys 1, not secure: Enter ends the saver and opens the folder"
rm -f "$LOG"
if start_until_red; then
  xdotool key Return
  check "Enter ends the saver" window_gone_within 10
  check "the photos' folder opens" wait_for 20 file_manager
  check "the log has no open-folder failure" not log_has "$LOG" "ShowInFolder()"
  exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
else
  fail "the saver shows the first picture" "$DETAIL"
fi

report "keys end-to-end"
