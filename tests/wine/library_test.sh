#!/usr/bin/env bash
# The photo library in the real dist/Lumora.scr under Wine:
#   a folder entry of 3,000 hard-linked photos starts and stays as small as one photo
#   a drive whose every read stalls 10 s (a small FUSE file system) delays neither the
#      particles nor the exit: a key ends the saver within one second
#   shuffle gives three different first pictures in three starts
# Run from the repository root after ./lumora build, as root (FUSE: fuse3, python3-fusepy).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/library"
STALL=""
FUSE_PID=""
unmount_stall() {
  [ -n "$STALL" ] || return 0
  fusermount -u "$STALL" 2>/dev/null || umount -l "$STALL" 2>/dev/null
  [ -n "$FUSE_PID" ] && { kill "$FUSE_PID" 2>/dev/null; wait "$FUSE_PID" 2>/dev/null; }
  rmdir "$STALL" 2>/dev/null
  STALL="" FUSE_PID=""
}
cleanup() {
  unmount_stall
  wine_teardown
  rm -rf "$WORK"
}
trap cleanup EXIT
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/photos" "$WORK/slow" "$WORK/colours"
cp dist/Lumora.scr dist/LMRResource.dat "$WORK/app/"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

write_settings() {  # order entry...
  local order="$1" e
  shift
  {
    printf '#Picture Info _ begin\r\n'
    for e in "$@"; do printf '%s\r\n' "$e"; done
    printf '#Picture Info _ end\r\nShowImages 1\r\nSelectLumoraEffect 2\r\n'
    [ "$order" != 0 ] && printf 'PictureOrder %s\r\n' "$order"
  } >"$WORK/app/Lumora.scr.settings"
}
visible_within() {  # seconds shot: the first drawn frame (particles) on the screen
  local t=0
  while [ "$t" -lt $(($1 * 5)) ]; do
    shot "$2"
    gt "$(convert "$WORK/shots/$2.png" -format '%[fx:mean]' info:)" 0.005 && return 0
    sleep 0.2
    t=$((t + 1))
  done
  return 1
}
stop_saver() {
  xdotool key space
  local t=0
  while kill -0 "$SAVER" 2>/dev/null && [ "$t" -lt 100 ]; do sleep 0.1; t=$((t + 1)); done
  kill -0 "$SAVER" 2>/dev/null && { wineserver -k >/dev/null 2>&1; sleep 1; }
  wait "$SAVER" 2>/dev/null
}
resident_mb() { awk '/^VmRSS/ {print int($2 / 1024)}' "/proc/$(saver_pid)/status" 2>/dev/null || echo 0; }

wine_setup 640x480 || exit 1
xdotool mousemove 100 100

echo "-- a folder of 3,000 hard-linked photos costs what one photo does"
MAGICK_THREAD_LIMIT=1 convert -size 4000x3000 "gradient:#306040-#2050C0" -quality 90 "$WORK/photo.jpg"
python3 - "$WORK/photos" "$WORK/photo.jpg" <<'PY'
import os, sys
for i in range(3000):
    d = os.path.join(sys.argv[1], "album%02d" % (i // 100))
    os.makedirs(d, exist_ok=True)
    os.link(sys.argv[2], os.path.join(d, "IMG_%05d.jpg" % i))
PY
measure() {  # entry: sets EARLY and LATE, resident MB 5 s and 15 s after the first frame
  write_settings 0 "$1"
  start_saver /s >/dev/null 2>&1
  visible_within 30 mem >/dev/null
  sleep 5
  EARLY="$(resident_mb)"
  sleep 10
  LATE="$(resident_mb)"
  stop_saver
}
measure "$(winpath "$WORK/photo.jpg")"
one_early=$EARLY one_late=$LATE
measure "$(winpath "$WORK/photos")\\"
lib_early=$EARLY lib_late=$LATE
echo "   one photo: $one_early / $one_late MB; 3,000 in a folder: $lib_early / $lib_late MB"
limit=$(python3 -c "print(int($one_late * 1.1 + 20))")
if [ "$one_late" -gt 0 ] && [ "$lib_early" -le "$limit" ] && [ "$lib_late" -le "$limit" ]; then
  pass "the library stays within 10 % + 20 MB of one photo ($limit MB)"
else fail "the library takes $lib_early / $lib_late MB, one photo $one_late MB"; fi

echo "-- a drive whose reads stall 10 s"
for c in 1 2 3; do cp "$WORK/photo.jpg" "$WORK/slow/photo$c.jpg"; done
cat >"$WORK/stall.py" <<'PY'
# A read-only mirror of a folder whose reads stall 10 s.
import errno, os, sys, time
from fuse import FUSE, FuseOSError, Operations
class Stall(Operations):
    def __init__(self, root): self.root, self.woken = root, set()
    def _p(self, path): return os.path.join(self.root, path.lstrip('/'))
    def getattr(self, path, fh=None):
        try: st = os.lstat(self._p(path))
        except OSError: raise FuseOSError(errno.ENOENT)
        return {k: getattr(st, k) for k in ('st_mode', 'st_size', 'st_nlink', 'st_uid', 'st_gid', 'st_atime', 'st_mtime', 'st_ctime')}
    def readdir(self, path, fh): return ['.', '..'] + os.listdir(self._p(path))
    def open(self, path, flags): return os.open(self._p(path), os.O_RDONLY)
    def read(self, path, size, offset, fh):
        # The first read of each opening stalls, as a drive that has to wake up; stalling
        # every read would keep Wine's process alive for minutes after its exit.
        if fh not in self.woken:
            self.woken.add(fh)
            time.sleep(10)
        os.lseek(fh, offset, 0)
        return os.read(fh, size)
    def release(self, path, fh):
        self.woken.discard(fh)
        os.close(fh)
FUSE(Stall(sys.argv[1]), sys.argv[2], foreground=True, ro=True, allow_other=True)
PY
STALL="$WINEPREFIX/drive_c/stall"
mkdir -p "$STALL"
python3 "$WORK/stall.py" "$WORK/slow" "$STALL" >/dev/null 2>&1 &
FUSE_PID=$!
for _ in $(seq 50); do mountpoint -q "$STALL" && break; sleep 0.1; done
write_settings 0 'C:\stall\'
# The same start without pictures is the measure. (Sets FIRST; not run in a subshell, whose
# output pipe the saver would hold open.)
timed_start() {  # shot
  local t0 t1
  t0=$(date +%s.%N)
  start_saver /s >/dev/null 2>&1
  if visible_within 40 "$1"; then
    t1=$(date +%s.%N)
    FIRST="$(python3 -c "print('%.1f' % ($t1 - $t0))")"
  else FIRST=99; fi
}
timed_start stall
stalled="$FIRST"
sleep 2
xdotool key space
if window_gone_within 1; then pass "a key ends the saver within one second while a read stalls"
else fail "the saver was still on the screen one second after the key"; fi
# Wine's process lingers until the stalled read returns; the user no longer sees it.
wineserver -k >/dev/null 2>&1
wait "$SAVER" 2>/dev/null
write_settings 0
timed_start bare
bare="$FIRST"
stop_saver
echo "   first frame: $stalled s with the stalled drive, $bare s without pictures"
if python3 -c "import sys; sys.exit(0 if $stalled <= $bare + 2 else 1)"; then
  pass "the particles start as quickly with a stalled drive as without pictures"
else fail "the particles came after $stalled s (without pictures $bare s)"; fi
unmount_stall

echo "-- shuffle: three starts, three different first pictures"
for i in $(seq 0 11); do
  convert -size 320x240 "xc:hsl($((i * 30)),90%,50%)" "$WORK/colours/c$(printf %02d "$i").png"
done
write_settings 1 "$(winpath "$WORK/colours")\\"
rm -f "$WORK/app/LumoraPictureLap.txt"
firsts=()
for run in 1 2 3; do
  start_saver /s >/dev/null 2>&1
  visible_within 30 "shuffle$run" >/dev/null
  sleep 1
  shot "shuffle$run"
  firsts+=("$(means "shuffle$run" 200x120+220+180 | tr ' ' ,)")
  stop_saver
done
echo "   first pictures: ${firsts[*]}"
# Pictures 30 degrees of hue apart differ by far more than the faint particles change one.
distinct() {
  python3 - "$@" <<'PY'
import sys
c = [list(map(float, a.split(','))) for a in sys.argv[1:]]
sys.exit(0 if all(max(abs(x - y) for x, y in zip(c[i], c[j])) > 0.12 for i in range(3) for j in range(i + 1, 3)) else 1)
PY
}
if distinct "${firsts[@]}" && [ -s "$WORK/app/LumoraPictureLap.txt" ]; then
  pass "three different first pictures, the place kept beside the settings"
else fail "first pictures ${firsts[*]}"; fi

echo "library: $failures failure(s)"
[ "$failures" -eq 0 ]
