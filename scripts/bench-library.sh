#!/usr/bin/env bash
# What a photo library costs. Natively: lumora-tool listing 50,000 pictures in 500 folders
# (time and peak memory). Under Wine (unless --native-only): the saver's probe for 1, 1,000
# and 100,000 photos of 4000 x 3000, the library a folder entry of hard links to one photo,
# each run for SECONDS (20): time from start to the first frame, resident memory at the end,
# and a full scan's time (lumora-tool.exe library). With --photo-options, only the probe for
# 1 and 1,000 photos, once with the photo options off (landscape photos, as above) and once
# with all four on (portrait photos with a date and a place, so each is captioned and paired).
# With --index, the photo index for 100,000 photos: natively, lumora-tool index on a new
# index and again with every file unchanged (files a second, bytes a photo); under Wine, the
# probe with no index file and with a whole one made first by lumora-tool.exe index.
# On demand only; run after ./lumora build.
#   bash scripts/bench-library.sh [--native-only] [--photo-options | --index] [SECONDS]
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
NATIVE_ONLY=0 PHOTO_OPTIONS=0 INDEX=0
while [ "${1:-}" != "${1#--}" ]; do
  case "$1" in
    --native-only) NATIVE_ONLY=1 ;;
    --photo-options) PHOTO_OPTIONS=1 ;;
    --index) INDEX=1 ;;
  esac
  shift
done
SECONDS_PER_RUN="${1:-20}"
WORK="$ROOT/build/bench/library"
mkdir -p "$WORK"
source tests/wine/e2e_lib.sh

# n pictures in `folders` folders under DIR, all hard links to FILE (cheap in time and disk).
make_library() {  # dir count folders file
  [ -f "$1/.made-$2" ] && return
  rm -rf "$1"
  python3 - "$@" <<'PY'
import os, sys
root, count, folders, photo = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
per = -(-count // folders)
# A file takes at most 65,000 links on ext4: a copy of the photo for every 50,000 of each
# library.
for i in range(count):
    source = "%s.%s.%d" % (photo, os.path.basename(root), i // 50000)
    if not os.path.exists(source):
        with open(photo, "rb") as a, open(source, "wb") as b: b.write(a.read())
    d = os.path.join(root, "album%04d" % (i // per))
    os.makedirs(d, exist_ok=True)
    os.link(source, os.path.join(d, "IMG_%06d.jpg" % i))
PY
  touch "$1/.made-$2"
}

photo="$WORK/photo.jpg"
[ -f "$photo" ] || big_photo "$photo"

if [ "$PHOTO_OPTIONS" = 1 ]; then
  source scripts/wine-env.sh
  portrait="$WORK/portrait.jpg"
  if [ ! -f "$portrait" ]; then
    big_photo "$WORK/portrait_plain.jpg"
    convert "$WORK/portrait_plain.jpg" -rotate 90 "$WORK/portrait_plain.jpg"
    python3 tests/scripts/exif_photo.py "$portrait" --date "2023:07:14 10:00:00" --gps 48.8566 2.3522 \
      --into "$WORK/portrait_plain.jpg"
  fi
  make_library "$WORK/p1000" 1000 10 "$photo"
  make_library "$WORK/q1000" 1000 10 "$portrait"
  cp build/windows/tests/lumora_wine_perf.exe dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/"
  wine_setup 1024x768 || exit 1
  printf '| photos | photo options | first frame after start | resident after %s s |\n|---:|---|---:|---:|\n' \
    "$SECONDS_PER_RUN"
  for n in 1 1000; do
    for options in off on; do
      if [ "$options" = off ]; then keys=() one="$photo" many="$WORK/p1000/"
      else keys=(Captions=2 Portraits=1 PicturesPerMonitor=1 PanZoom=1) one="$portrait" many="$WORK/q1000/"; fi
      if [ "$n" = 1 ]; then entry="$(winpath "$one")"; else entry="$(winpath "$many")"; fi
      settings "${keys[@]}" -- "$entry" >"$WORK/options_${n}_${options}.settings"
      perf_probe "$SECONDS_PER_RUN" "$WORK/options_${n}_${options}.settings"
      printf '| %s | %s | %s s | %s MB |\n' "$n" "$options" "${FIRST:-?}" "${RESIDENT:-?}"
    done
  done
  wine_teardown
  exit 0
fi

if [ "$INDEX" = 1 ]; then
  make_library "$WORK/p100000" 100000 1000 "$photo"
  db="$WORK/index.db"
  rm -f "$db" "$db-wal" "$db-shm"
  for run in new unchanged; do
    /usr/bin/time -f '%e %M' -o "$WORK/time.txt" build/linux/lumora-tool index --db "$db" "$WORK/p100000/" >"$WORK/index.txt"
    read -r elapsed kb <"$WORK/time.txt"
    echo "native, $run: $(cat "$WORK/index.txt"); $(python3 -c "print(round(100000 / $elapsed))") files/s, peak memory $((kb / 1024)) MB"
  done
  echo "native: the index file $(stat -c %s "$db") bytes, $(( $(stat -c %s "$db") / 100000 )) bytes a photo"
  [ "$NATIVE_ONLY" = 1 ] && exit 0
  source scripts/wine-env.sh
  cp build/windows/tests/lumora_wine_perf.exe build/windows/lumora-tool.exe dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/"
  wine_setup 1024x768 || exit 1
  entry="$(winpath "$WORK/p100000/")"
  settings -- "$entry" >"$WORK/index.settings"
  # The saver's index lies beside its settings: beside the probe in $WORK.
  wdb="$WORK/LumoraPhotos.db"
  printf '| index at start | first frame after start | resident after %s s |\n|---|---:|---:|\n' "$SECONDS_PER_RUN"
  for round in 1 2; do
    rm -f "$wdb" "$wdb-wal" "$wdb-shm"
    perf_probe "$SECONDS_PER_RUN" "$WORK/index.settings"
    printf '| none | %s s | %s MB |\n' "${FIRST:-?}" "${RESIDENT:-?}"
    rm -f "$wdb" "$wdb-wal" "$wdb-shm"
    (cd "$WORK" && wine ./lumora-tool.exe index --db "$(winpath "$wdb")" "$entry" 2>/dev/null | tr -d '\r' >"$WORK/index.txt")
    perf_probe "$SECONDS_PER_RUN" "$WORK/index.settings"
    printf '| 100,000 photos (%s) | %s s | %s MB |\n' "$(cat "$WORK/index.txt")" "${FIRST:-?}" "${RESIDENT:-?}"
  done
  wine_teardown
  exit 0
fi

make_library "$WORK/native" 50000 500 "$photo"
/usr/bin/time -f '%e %M' -o "$WORK/time.txt" build/linux/lumora-tool library "$WORK/native/" >"$WORK/list.txt"
read -r elapsed kb <"$WORK/time.txt"
echo "native: $(wc -l <"$WORK/list.txt") pictures in 500 folders listed in $elapsed s, peak memory $((kb / 1024)) MB"
/usr/bin/time -f '%e %M' -o "$WORK/time.txt" build/linux/lumora-tool library --shuffle --seed 1 "$WORK/native/" >/dev/null
read -r elapsed kb <"$WORK/time.txt"
echo "native, shuffled: $elapsed s, peak memory $((kb / 1024)) MB"
[ "$NATIVE_ONLY" = 1 ] && exit 0

source scripts/wine-env.sh
make_library "$WORK/p1000" 1000 10 "$photo"
make_library "$WORK/p100000" 100000 1000 "$photo"
cp build/windows/tests/lumora_wine_perf.exe build/windows/lumora-tool.exe dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/"
wine_setup 1024x768 || exit 1
printf '| photos | first frame after start | resident after %s s | full scan |\n|---:|---:|---:|---:|\n' "$SECONDS_PER_RUN"
for n in 1 1000 100000; do
  if [ "$n" = 1 ]; then entry="$(winpath "$photo")"; else entry="$(winpath "$WORK/p$n/")"; fi
  settings="$WORK/library_$n.settings"
  settings -- "$entry" >"$settings"
  perf_probe "$SECONDS_PER_RUN" "$settings"
  start=$(date +%s.%N)
  scanned="$(cd "$WORK" && wine ./lumora-tool.exe library "$entry" 2>/dev/null | wc -l)"
  scan="$(python3 -c "import time; print('%.2f' % (time.time() - $start))")"
  printf '| %s | %s s | %s MB | %s s (%s pictures) |\n' "$n" "${FIRST:-?}" "${RESIDENT:-?}" "$scan" "$scanned"
done
wine_teardown
