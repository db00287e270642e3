#!/usr/bin/env bash
# The photo library in the real dist/Lumora.scr under Wine:
#   a folder entry of 3,000 hard-linked photos starts and stays as small as one photo
#   a drive whose reads stall 10 s (a small FUSE file system) delays neither the
#      particles nor the exit: a key ends the saver within one second
#   shuffle gives three different first pictures in three starts
# Run from the repository root after ./lumora build, as root (FUSE: fuse3, python3-fusepy).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/library"
STALL="$WINEPREFIX/drive_c/stall"
cleanup() {
  fusermount -u "$STALL" 2>/dev/null || umount -l "$STALL" 2>/dev/null
  rmdir "$STALL" 2>/dev/null
  rm -rf "$WORK"
}
wine_cleanup_on_exit cleanup
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/photos" "$WORK/slow" "$WORK/colours" "$STALL"
cp dist/Lumora.scr dist/LMRResource.dat "$WORK/app/"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

write_settings() {  # order entry...
  local order="$1"
  shift
  { printf '#Picture Info _ begin\r\n'; [ $# = 0 ] || printf '%s\r\n' "$@"
    printf '#Picture Info _ end\r\nShowImages 1\r\nSelectLumoraEffect 2\r\n'
    [ "$order" = 0 ] || printf 'PictureOrder %s\r\n' "$order"; } >"$WORK/app/Lumora.scr.settings"
}
# Starts the saver; ms_SHOT = time to its first drawn frame (particles), 99000 when none
# came within the seconds. Not for $(...): the saver would hold its pipe open.
start_timed() {  # shot seconds
  local t0
  t0=$(date +%s%N)
  start_saver /s >/dev/null 2>&1
  printf -v "ms_$1" 99000
  for _ in $(seq $(($2 * 5))); do
    shot "$1"
    gt "$(mean "$1" 640x480+0+0)" 0.005 && { printf -v "ms_$1" %d $((($(date +%s%N) - t0) / 1000000)); return 0; }
    sleep 0.2
  done
  return 1
}
stop_saver() {  # a key, then up to 10 s for the process to end
  xdotool key space
  for _ in $(seq 100); do kill -0 "$SAVER" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$SAVER" 2>/dev/null && wineserver -k >/dev/null 2>&1
  wait "$SAVER" 2>/dev/null
}
resident_mb() { awk '/^VmRSS/ {print int($2 / 1024)}' "/proc/$(saver_pid)/status" 2>/dev/null || echo 0; }

wine_setup 640x480 || exit 1
xdotool mousemove 100 100

echo "-- a folder of 3,000 hard-linked photos costs what one photo does"
MAGICK_THREAD_LIMIT=1 convert -size 4000x3000 "gradient:#306040-#2050C0" -quality 90 "$WORK/photo.jpg"
mkdir "$WORK"/photos/album{10..39}
for i in $(seq 1000 3999); do ln "$WORK/photo.jpg" "$WORK/photos/album${i:0:2}/IMG_$i.jpg"; done
measure() {  # name entry: sets name_early and name_late, resident MB 5 s and 15 s after the first frame
  write_settings 0 "$2"
  start_timed mem 30
  sleep 5; printf -v "$1_early" %s "$(resident_mb)"
  sleep 10; printf -v "$1_late" %s "$(resident_mb)"
  stop_saver
}
measure one "$(winpath "$WORK/photo.jpg")"
measure lib "$(winpath "$WORK/photos")\\"
echo "   one photo: $one_early / $one_late MB; 3,000 in a folder: $lib_early / $lib_late MB"
limit=$((one_late * 11 / 10 + 20))
if [ "$one_late" -gt 0 ] && [ "$lib_early" -le "$limit" ] && [ "$lib_late" -le "$limit" ]; then
  pass "the library stays within 10 % + 20 MB of one photo ($limit MB)"
else fail "the library takes $lib_early / $lib_late MB, one photo $one_late MB"; fi

echo "-- a drive whose reads stall 10 s"
for c in 1 2 3; do cp "$WORK/photo.jpg" "$WORK/slow/photo$c.jpg"; done
cat >"$WORK/stall.py" <<'PY'
import errno, os, sys, time
from fuse import FUSE, FuseOSError, Operations
class Stall(Operations):  # a read-only mirror of the current folder
    woken = set()
    def getattr(self, path, fh=None):
        try: st = os.lstat('.' + path)
        except OSError: raise FuseOSError(errno.ENOENT)
        return {k: getattr(st, k) for k in ('st_mode', 'st_size', 'st_nlink', 'st_uid', 'st_gid', 'st_atime', 'st_mtime', 'st_ctime')}
    def readdir(self, path, fh): return ['.', '..'] + os.listdir('.' + path)
    def open(self, path, flags): return os.open('.' + path, os.O_RDONLY)
    def read(self, path, size, offset, fh):
        # Only the first read of each opening stalls, as a drive waking up: stalling every
        # read would keep Wine's process alive for minutes after its exit.
        if fh not in self.woken: self.woken.add(fh); time.sleep(10)
        return os.pread(fh, size, offset)
    def release(self, path, fh): self.woken.discard(fh); os.close(fh)
FUSE(Stall(), sys.argv[1], foreground=True, ro=True, allow_other=True)
PY
(cd "$WORK/slow" && exec python3 "$WORK/stall.py" "$STALL") >/dev/null 2>&1 &
for _ in $(seq 50); do mountpoint -q "$STALL" && break; sleep 0.1; done
write_settings 0 'C:\stall\'
start_timed stall 40
sleep 2
xdotool key space
if window_gone_within 1; then pass "a key ends the saver within one second while a read stalls"
else fail "the saver was still on the screen one second after the key"; fi
# Wine's process lingers until the stalled read returns; the user no longer sees it.
wineserver -k >/dev/null 2>&1
wait "$SAVER" 2>/dev/null
write_settings 0
start_timed bare 40
stop_saver
echo "   first frame: $ms_stall ms with the stalled drive, $ms_bare ms without pictures"
if [ "$ms_stall" -le $((ms_bare + 2000)) ]; then
  pass "the particles start as quickly with a stalled drive as without pictures"
else fail "the particles came after $ms_stall ms (without pictures $ms_bare ms)"; fi

echo "-- shuffle: three starts, three different first pictures"
for i in $(seq 0 11); do convert -size 320x240 "xc:hsl($((i * 30)),90%,50%)" "$WORK/colours/c$i.png"; done
write_settings 1 "$(winpath "$WORK/colours")\\"
rm -f "$WORK/app/LumoraPictureLap.txt"
firsts=()
for run in 1 2 3; do
  start_timed "shuffle$run" 30
  sleep 1
  shot "shuffle$run"
  firsts+=("$(means "shuffle$run" 200x120+220+180 | tr ' ' ,)")
  stop_saver
done
echo "   first pictures: ${firsts[*]}"
# Pictures 30 degrees of hue apart differ by far more than the faint particles change one.
if python3 -c "import sys; c = [[float(x) for x in a.split(',')] for a in sys.argv[1:]]
sys.exit(any(max(abs(x - y) for x, y in zip(c[i], c[j])) <= 0.12 for i in range(3) for j in range(i)))" \
  "${firsts[@]}" && [ -s "$WORK/app/LumoraPictureLap.txt" ]; then
  pass "three different first pictures, the place kept beside the settings"
else fail "first pictures ${firsts[*]}"; fi

echo "library: $failures failure(s)"
[ "$failures" -eq 0 ]
