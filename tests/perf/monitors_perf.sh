#!/usr/bin/env bash
# Frame time of the effect under Wine with one, two and three monitors, in one run: the
# performance probe (lumora_wine_perf.exe) in a window over the whole desktop, on one wide
# Xvfb screen cut into monitors by the stand-in libXinerama of the monitor tests. Each
# layout runs per monitor and, from two monitors on, once more as one spanning scene.
#   bash tests/perf/monitors_perf.sh [SECONDS]     after ./lumora build
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh
SECONDS_PER_RUN="${1:-20}"
WORK="$ROOT/build/perf/monitors"
mkdir -p "$WORK"
gcc -shared -fPIC -O2 -o "$WORK/libXinerama.so.1" tests/wine/xinerama_standin.c || exit 1
export LD_LIBRARY_PATH="$WORK${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
# Frame times only: no start-up second, whose 20-frame rule a shared machine can miss.
export LUMORA_PERF_STEADY=1
cp dist/LMRResource.dat build/windows/tests/
settings BlobsSpeed=50 BlobsSize=50 ShowImages=0 >"$WORK/per_monitor.settings"
settings BlobsSpeed=50 BlobsSize=50 ShowImages=0 SpanMonitors=1 >"$WORK/span.settings"

# Without RandR Wine asks Xinerama, which the stand-in answers: a screen of its own.
unset LUMORA_DISPLAY
wine_cleanup_on_exit
wine_setup 1600x1080 -extension RANDR || exit 1

run() {  # monitors width height settings label
  export LUMORA_MONITORS="$1"
  wineserver -k >/dev/null 2>&1; sleep 1  # every Wine process reads the layout at its start
  local attempt out
  for attempt in 1 2; do
    out="$(cd build/windows/tests && wine ./lumora_wine_perf.exe "$SECONDS_PER_RUN" "$2" "$3" "$(winpath "$WORK/$4")" 2>/dev/null | tr -d '\r')"
    grep -q '^frames ' <<<"$out" && break
  done
  local fps
  fps="$(sed -n 's/.*, \([0-9.]*\) frames\/s after.*/\1/p' <<<"$out")"
  printf '%-34s %9s fps  %s ms per frame   (%s)\n' "$5" "${fps:-?}" \
    "$( [ -n "$fps" ] && python3 -c "print('%.1f' % (1000 / $fps))" || echo '?')" \
    "$(grep -E '^(process CPU|live particles)' <<<"$out" | tr '\n' ';')"
}

echo "frame time under Wine, $SECONDS_PER_RUN s per run"
run "800x600+0+0" 800 600 per_monitor.settings "one monitor 800x600"
run "800x600+0+0,800x600+800+0" 1600 600 per_monitor.settings "two 800x600, per monitor"
run "800x600+0+0,800x600+800+0" 1600 600 span.settings "two 800x600, spanning"
run "800x600+0+0,800x600+800+0,640x480+0+600" 1600 1080 per_monitor.settings "two 800x600 + 640x480, per monitor"
run "800x600+0+0,800x600+800+0,640x480+0+600" 1600 1080 span.settings "two 800x600 + 640x480, spanning"

wine_teardown
