#!/usr/bin/env bash
# lumora-tool pace: the output line, its defaults (the mode's rate rounded down, vsync on,
# mains), its options for what the display does and the exit status of bad usage. The
# pacing cases themselves are unit tests.
set -uo pipefail
tool="$1"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"

line="$("$tool" pace --display 59.94 --seconds 4 2>&1)"
match() { [[ "$1" =~ ^vblanks\ [0-9]+\ frames\ [0-9]+\ uneven\ [0-9]+\ speed\ [0-9]+\.[0-9]{3}$ ]] || { DETAIL="$1"; return 1; }; }
check "one line: vblanks V frames F uneven U speed X" match "$line"
check "--reported defaults to the rate rounded down" same "$line" "$("$tool" pace --display 59.94 --reported 59 --seconds 4 2>&1)"
check "--vsync defaults to 1" same "$line" "$("$tool" pace --display 59.94 --vsync 1 --seconds 4 2>&1)"
# Every refresh shows a new frame at the true speed; on battery every second one.
check "59.94 Hz: a frame a refresh, evenly, at the true speed" same "vblanks 178 frames 179 uneven 0 speed 1.000" "$line"
check "60 Hz on battery: a frame every second refresh" same "vblanks 175 frames 89 uneven 0 speed 1.000" \
  "$("$tool" pace --display 60 --battery --seconds 4 2>&1)"

# The options, one row each (--queue: a Present that returns at once until N frames wait;
# --raster 0: a device that cannot read its scan line, the compositor's clock instead), 10 s
# after the start-up second (the pacing's cases are unit tests): a frame a refresh (on
# battery every k-th), evenly, at the true speed.
while IFS='|' read -r args expected; do
  check "pace $args" same "$expected" "$("$tool" pace $args --seconds 11 2>&1)"
done <<'ROWS'
--display 60 --compositor 144|vblanks 598 frames 599 uneven 0 speed 1.000
--display 60 --slow-start 1 --vsync 0|vblanks 598 frames 600 uneven 0 speed 1.000
--display 60 --switch 120@5|vblanks 958 frames 954 uneven 5 speed 1.000
--display 60 --frame-ms 12|vblanks 598 frames 599 uneven 0 speed 1.000
--display 60 --queue 2|vblanks 598 frames 599 uneven 0 speed 1.000
--display 60 --battery --queue 2|vblanks 595 frames 299 uneven 0 speed 1.000
--display 144 --battery --queue 2|vblanks 1434 frames 288 uneven 0 speed 1.000
--display 144 --reported 60 --queue 3|vblanks 1438 frames 1439 uneven 0 speed 1.000
--display 60 --reported 144 --battery --queue 3|vblanks 595 frames 299 uneven 0 speed 1.000
--display 59.94 --battery --queue 2 --raster 0 --compositor 59.94|vblanks 595 frames 299 uneven 0 speed 1.000
ROWS

usage_error() { "$tool" pace "$@" >/dev/null 2>&1; local rc=$?; [ $rc -eq 2 ] || { DETAIL="exit $rc"; return 1; }; }
for bad in "--seconds 3" "--display 0" "--display 60 --vsync 2" "--display 60 --reported 59.5" \
  "--display 60 --compositor 0" "--display 60 --slow-start -1" "--display 60 --switch 120" \
  "--display 60 --switch 120@20" "--display 60 --frame-ms x" "--display 60 --queue 0" "--display 60 --queue 4" "--display 60 --raster 2" \
  "--display 60 --seconds 1"; do  # the last: the start-up second alone
  check "pace $bad: exit 2" usage_error $bad
done
report "pace tool"
