#!/usr/bin/env bash
# What a long list of photos costs the saver under Wine: 1, 10, 50 and 200 photos of
# 4000 x 3000 (a few distinct JPEGs made here, linked under many names), each run for
# 20 s by the probe at 1024 x 768, in one run. Prints the time from start to the first
# frame and the resident memory after 20 s. On demand only; run after ./lumora build.
#   bash scripts/bench-photos.sh [SECONDS]
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh
SECONDS_PER_RUN="${1:-20}"
WORK="$ROOT/build/bench/photos"
mkdir -p "$WORK/photos"
cp build/windows/tests/lumora_wine_perf.exe dist/LMRResource.dat "$WORK/"
for k in 0 1 2 3; do
  f="$WORK/photos/distinct$k.jpg"
  [ -f "$f" ] || big_photo "$f" "#$((2 + k))06040" "#20$((4 + k))0C0"
done
for i in $(seq 0 199); do ln -sf "distinct$((i % 4)).jpg" "$WORK/photos/photo$i.jpg"; done

wine_cleanup_on_exit
wine_setup 1024x768 || exit 1
printf '| photos | first frame after start | resident after %s s |\n|---:|---:|---:|\n' "$SECONDS_PER_RUN"
for n in 1 10 50 200; do
  settings="$WORK/photos_$n.settings"
  photos=()
  for i in $(seq 0 $((n - 1))); do photos+=("$WORK/photos/photo$i.jpg"); done
  settings -- "${photos[@]}" >"$settings"
  perf_probe "$SECONDS_PER_RUN" "$settings"
  printf '| %s | %s s | %s MB |\n' "$n" "${FIRST:-?}" "${RESIDENT:-?}"
done
wine_teardown
