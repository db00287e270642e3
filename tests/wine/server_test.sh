#!/usr/bin/env bash
# Server folders in the real dist/Lumora.scr under Wine, against Apache's WebDAV on loopback
# (its own configuration in a temporary folder, stopped by the trap): photos from a folder
# behind Basic authentication show; with the server stopped, the next start shows them from
# the cache; photos replaced on the server show new at the next start, not as the cache kept
# them; with "MinRating" 3 only the rated server photos show; a server that takes the
# connection and never answers delays neither the first local photo nor the exit; a
# self-signed certificate is refused with a log line; the reads after the first 401 carry
# the credential at once; the password is in no file the saver writes. The credential goes
# in through lumora_credential.exe, as the dialog writes it.
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/server"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/dav/photos" "$WORK/dav/rated" "$WORK/local" "$WORK/apache/logs"
cp dist/Lumora.scr dist/LMRResource.dat build/windows/tests/lumora_credential.exe build/windows/tests/lumora_wine_perf.exe \
  "$WORK/app/"
W=640
H=480
USER_NAME=ann
PASSWORD='Pw-7q!server-e2e'
PORT="$(free_port)" TLS_PORT="$(free_port)" STALL_PORT="$(free_port)"
PHOTOS="http://127.0.0.1:$PORT/photos/"
RATED="http://127.0.0.1:$PORT/rated/"
SELF_SIGNED="https://127.0.0.1:$TLS_PORT/photos/"
STALLED="http://127.0.0.1:$STALL_PORT/photos/"

colour_photo() {  # file colour exif-options...
  local file="$1" colour="$2"
  shift 2
  convert -size "${W}x${H}" "xc:$colour" -quality 90 "$WORK/plain.jpg"
  python3 tests/scripts/exif_photo.py "$file" --into "$WORK/plain.jpg" "$@"
}
RED='#E01010' GREEN='#10E010' BLUE='#1010E0'
colour_photo "$WORK/dav/photos/a.jpg" "$GREEN"
colour_photo "$WORK/dav/photos/b.jpg" "$GREEN"
colour_photo "$WORK/dav/rated/a.jpg" "$RED"
colour_photo "$WORK/dav/rated/b.jpg" "$GREEN" --rating 3
colour_photo "$WORK/dav/rated/c.jpg" "$RED" --rating 1
colour_photo "$WORK/local/a.jpg" "$BLUE"

# Apache as this test's own server: WebDAV with Basic authentication on one port, the same
# folders over TLS with a certificate made now and trusted by nobody on another.
dav_configure "$PORT" "$TLS_PORT"
# A listener that takes connections and never says a word.
python3 - "$STALL_PORT" <<'PY' &
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(16)
held = []
while True:
    held.append(s.accept()[0])
PY
STALLER=$!
cleanup() { apache_stop; kill "$STALLER" 2>/dev/null; csmt_restore; }
wine_cleanup_on_exit cleanup
wine_setup "${W}x${H}" || exit 1
csmt_off

credential() { (cd "$WORK/app" && wine ./lumora_credential.exe write "$1" "$USER_NAME" "$PASSWORD") >/dev/null 2>&1; }
for url in "$PHOTOS" "$RATED" "$SELF_SIGNED" "$STALLED"; do
  check "the credential of $url is stored" credential "$url"
done
LOG="$WORK/app/log_output.txt"

# SEEN: the photos shown so far, each change once ("green blue green").
SEEN=""
look() {
  local c
  shot "$1" || return 0
  c="$(dominant_of "$1")"
  case "$c" in black | mixed) ;; *) [ "${SEEN##* }" = "$c" ] || SEEN="${SEEN:+$SEEN }$c" ;; esac
}
any_photo() { look "$1"; [ -n "$SEEN" ]; }
seen_start() { look "$1"; [[ "$SEEN" == "$2"* ]] || [[ "$2" != "$SEEN"* ]]; }
# A loaded machine's start may miss its first second and show the error screen: the later
# tries run the performance probe, which makes the saver's own set-up and frames but draws on.
start_until_photo() {  # seconds per start
  local try
  for try in 1 2 3; do
    SEEN=""
    xdotool mousemove 100 100
    if [ "$try" = 1 ]; then
      start_saver /s
    else
      (cd "$WORK/app" && exec wine ./lumora_wine_perf.exe 90 "$W" "$H" "$(winpath "$WORK/app/Lumora.scr.settings")") \
        >/dev/null 2>&1 &
      SAVER=$!
    fi
    shot_until first "$1" any_photo && return 0
    note "start $try showed no photo (load $(cut -d' ' -f1 /proc/loadavg)); starting again"
    stop_saver
  done
  return 1
}

echo "-- photos from a server folder with Basic authentication"
check "Apache serves the folder" apache_start
settings SelectLumoraEffect=2 -- "$PHOTOS" >"$WORK/app/Lumora.scr.settings"
if start_until_photo 30; then
  check "the server's photo shows" same green "$SEEN"
else
  fail "a server photo shows" "$(grep -a -i -m3 'server\|webdav\|http' "$LOG" | tr '\n' ' ')"
fi
stop_saver
# Once the server has asked for Basic authentication (the listing), the credential goes with
# each request's first try: no photo's read is answered 401.
gets_sent_ahead() { grep -q '^GET 20[06]' "$WORK/apache/logs/access.log" && ! grep -q '^GET 401' "$WORK/apache/logs/access.log"; }
check "the photos' reads carry the credential from their first try" gets_sent_ahead

echo "-- the server stopped: the next start shows them from the cache"
apache_stop
if start_until_photo 30; then
  check "the cached photo shows" same green "$SEEN"
else
  fail "a cached photo shows" "$(grep -a -i -m3 'server\|webdav\|http' "$LOG" | tr '\n' ' ')"
fi
stop_saver
check "Apache serves the folders again" apache_start

echo "-- the photos replaced on the server: the next start shows the new ones, not the copies"
colour_photo "$WORK/dav/photos/a.jpg" "$RED"
colour_photo "$WORK/dav/photos/b.jpg" "$RED"
settings SelectLumoraEffect=2 -- "$PHOTOS" >"$WORK/app/Lumora.scr.settings"
if start_until_photo 30; then
  check "the replaced photo shows" same red "$SEEN"
else
  fail "a replaced photo shows" "$(grep -a -i -m3 'server\|webdav\|http' "$LOG" | tr '\n' ' ')"
fi
stop_saver

echo "-- MinRating 3: only the rated server photo shows"
settings SelectLumoraEffect=2 MinRating=3 -- "$RATED" >"$WORK/app/Lumora.scr.settings"
if start_until_photo 60; then
  check "only the photo of three stars shows" holds_for 15 seen_start rating green
else
  fail "a rated server photo shows" "no start showed one"
fi
stop_saver

echo "-- a server that never answers delays neither the local photo nor the exit"
settings SelectLumoraEffect=2 -- "$STALLED" "$WORK/local/" >"$WORK/app/Lumora.scr.settings"
if start_until_photo 10; then
  check "the local photo shows within 10 s" same blue "$SEEN"
else
  fail "the local photo shows within 10 s" "no start showed it"
fi
stop_saver
# The real saver for its exit, with the request to the silent server in flight (a start that
# missed its first second ends from its error screen alike).
xdotool mousemove 100 100
start_saver /s
check "the saver's window is up" wait_for 30 saver_window
check "the silent server is being asked" wait_for 30 log_has "$LOG" "D3DXCreateTextureFromFileInMemoryEx"
xdotool key Escape
check "Esc ends the saver within 1 s" window_gone_within 1
exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }

echo "-- a self-signed certificate is refused"
settings SelectLumoraEffect=2 -- "$SELF_SIGNED" "$WORK/local/" >"$WORK/app/Lumora.scr.settings"
start_saver /s
check "the log says the certificate is not trusted" wait_for 30 log_has "$LOG" "certificate"
no_green() { shot "$1" && [ "$(dominant_of "$1")" != green ]; }
check "no server photo shows" holds_for 5 no_green tls
stop_saver

echo "-- the password is in no file the saver writes"
# In UTF-8 and in UTF-16, the forms a Windows program would write it in.
holds_password() {
  python3 - "$PASSWORD" "$@" <<'PY'
import os, sys
forms = [sys.argv[1].encode(), sys.argv[1].encode("utf-16-le")]
for top in sys.argv[2:]:
    for folder, _, names in os.walk(top):
        for name in names:
            try:
                data = open(os.path.join(folder, name), "rb").read()
            except OSError:
                continue
            if any(f in data for f in forms):
                print(os.path.join(folder, name))
                sys.exit(0)
sys.exit(1)
PY
}
check "no file of the prefix or beside the saver holds the password" not holds_password "$WINEPREFIX/drive_c" "$WORK/app"
report server
