#!/usr/bin/env bash
# Long mode only (LUMORA_LONG=1 ./lumora test): runs dist/Lumora.scr /s for ten minutes
# under Wine, samples the process's resident memory every 30 s and checks that it stays
# flat, and that the saver still ends on input. Prints the samples for docs/performance.md.
# The particle stream takes a few minutes of software rendering to reach its steady
# population (its arrays grow only), so "flat" is judged from the fifth minute on (at most
# 2% more at the end), with the first minute kept within 5% as well.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh
MINUTES="${LUMORA_SOAK_MINUTES:-10}"
WORK="$ROOT/build/e2e/soak"
rm -rf "$WORK"
mkdir -p "$WORK/app"
cp dist/Lumora.scr dist/LMRResource.dat "$WORK/app/"
wine_cleanup_on_exit
wine_setup 1024x768 || exit 1
xdotool mousemove 500 400
start_saver /s
wait_for 30 saver_pid >/dev/null || fail "no saver process within 30 s"
pid="$(saver_pid)"
rss() { awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null; }
first=""
steady=""
last=""
for ((s = 30; s <= MINUTES * 60; s += 30)); do
  sleep 30
  kb="$(rss)"
  [ -n "$kb" ] || { echo "soak: the saver ended by itself after $s s"; wine_teardown; exit 1; }
  echo "   ${s}s: ${kb} kB resident"
  [ "$s" -eq 60 ] && first="$kb"
  [ "$s" -eq $((MINUTES * 30)) ] && steady="$kb"
  last="$kb"
done
xdotool key space
check "ends on a key press after the soak" exited_within "$SAVER" 10
wine_teardown
if [ -n "$steady" ] && [ "$last" -le $((steady + steady / 50)) ] && [ "$last" -le $((first + first / 20)) ]; then
  pass "${last} kB after ${MINUTES} min, ${steady} kB halfway, ${first} kB after 1 min"
else
  fail "memory grew: ${first:-?} kB after 1 min, ${steady:-?} kB halfway, ${last} kB at the end"
fi
report soak
