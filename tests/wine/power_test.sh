#!/usr/bin/env bash
# The saver rests: processor time in the effect on battery well below that on mains, in one
# run on a small screen, and the error screen under 1 % of a core. The battery is a stand-in
# /sys/class/power_supply (a discharging BAT0, an AC offline) bound over the machine's own,
# which Wine's GetSystemPowerStatus reads; binding needs root. Prints the figures for the
# performance table in docs/performance.md. Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/power"
SUPPLY="$WORK/power_supply"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$SUPPLY/BAT0" "$SUPPLY/AC"
cp dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/app/"
for f in BAT0/type=Battery BAT0/status=Discharging BAT0/present=1 BAT0/capacity=80 AC/type=Mains AC/online=0; do
  printf '%s\n' "${f#*=}" >"$SUPPLY/${f%%=*}"
done

# Wine's Direct3D command-stream thread polls for work after each frame and costs the window
# thread X11 work: most of the process's time, whatever the saver does. Off for the effect,
# the GL calls run on the saver's render thread, which is what is measured. The prefix is
# shared with the other Wine tests: the battery and the registry are put back on any exit.
BOUND="" DRIVER_KEY="" MAINS="" BATTERY="" ERROR=""
restore() {
  [ -n "$BOUND" ] && umount /sys/class/power_supply && BOUND=""
  csmt_restore
  [ -n "$DRIVER_KEY" ] && wine reg delete "HKLM\\$DRIVER_KEY" /v Acceleration.Level /f >/dev/null 2>&1
  DRIVER_KEY=""
}
wine_cleanup_on_exit restore

# Processor ticks (1/100 s) and milliseconds run (MS) of the launched process (Wine runs the
# program in the process it starts) over $2 seconds, measured once the start-up is over:
# something is drawn and, with "quiet", the process has come to rest (for the still error
# screen, whose start-up decodes and composes pictures). Sets TICKS and MS. Frames
# changing within a second tell the moving effect from the still error screen: sets MOVING.
measure() {  # name seconds [quiet]
  xdotool mousemove 100 100
  start_saver /s
  shot_until "$1_start" 30 drawn || note "$1: nothing drawn within 30 s"
  [ -z "${3:-}" ] || wait_for 15 at_rest "$SAVER" || note "$1: still busy 15 s after the first frame"
  cpu_over "$SAVER" "$2"
  MOVING=""
  moving "$1" 1 20 && MOVING=1
  xdotool key space
  window_gone_within 5 || fail "$1: the saver did not end on a key"
  # The next run must not be measured while Wine tears this one down.
  exited_within "$SAVER" 15 || { kill "$SAVER" 2>/dev/null; wait "$SAVER" 2>/dev/null; }
}

# The effect for 5 s, measured until it runs: a loaded machine can miss the start-up
# second's 20 frames and show the error screen instead. Sets TICKS, or fails.
drawn() { gt "$(convert "$WORK/shots/$1.png" -format '%[fx:mean]' info:)" 0.002; }
at_rest() { cpu_over "$1" 1; [ "$MS" -lt 10 ]; }  # pid: under 1 % of a core for a second
effect() {  # name
  local try
  for try in 1 2 3; do
    measure "$1" 5
    [ -n "$MOVING" ] && return 0
    echo "   note: $1: no moving effect (load $(cut -d' ' -f1 /proc/loadavg)); trying again"
  done
  fail "$1: the effect did not run"; return 1
}

echo "-- the effect on mains and on battery, 320x240 (Wine's Direct3D command stream off)"
wine_setup 320x240 || exit 1
csmt_off
effect mains && MAINS=$TICKS
if mount --bind "$SUPPLY" /sys/class/power_supply; then BOUND=1; effect battery && BATTERY=$TICKS
else fail "the stand-in battery could not be bound (root needed)"; fi
# 30 frames a second instead of the display's 60: about half the work.
if [ -n "$MAINS" ] && [ -n "$BATTERY" ]; then
  if [ $((BATTERY * 100)) -lt $((MAINS * 75)) ]; then pass "battery $BATTERY ticks, mains $MAINS in 5 s"
  else fail "battery $BATTERY ticks, mains $MAINS in 5 s: no rest"; fi
fi
restore
wine_teardown

echo "-- the error screen, 1024x768 (no Direct3D acceleration)"
wine_setup 1024x768 || exit 1
DRIVER_KEY="$(wine build/windows/tests/lumora_display_key.exe 2>/dev/null | tr -d '\r')"
if [ -n "$DRIVER_KEY" ] && wine reg add "HKLM\\$DRIVER_KEY" /v Acceleration.Level /t REG_DWORD /d 1 /f >/dev/null 2>&1; then
  # Measured once the start-up (COM, the pictures' decoding and composing) is over.
  measure error 10 quiet; ERROR=$MS
  # 1 % of a core over 10 s is 100 ms; the logo tells the error screen from a saver that ended.
  if [ "$MS" -lt 100 ]; then pass "error screen: $MS ms in 10 s"; else fail "error screen: $MS ms in 10 s"; fi
  gt "$(mean error_b 200x60+0+708)" 0.05 || fail "error screen: no logo"
else fail "no display driver key found"; fi

echo "figures: mains ${MAINS:-?} ticks, battery ${BATTERY:-?} ticks (5 s, 320x240); error screen ${ERROR:-?} ms (10 s, 1024x768); $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
echo "   screenshots in $WORK/shots"
report power
