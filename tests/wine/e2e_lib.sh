# Sourced by the end-to-end scripts (tests/wine/, after scripts/wine-env.sh) and by the tool
# scripts (tests/scripts/): one form for the check lines the test run counts, waiting for a
# condition up to a deadline, Wine paths, settings files, the large test photo, screenshots
# and their measures, and the saver's process. The screenshot helpers need WORK (with
# shots/ and app/) and DISPLAY set.

# ---- Check lines: "   ok: WHAT" and "   FAILED: WHAT", which scripts/run-tests.sh counts ----
failures=0
checks=0
pass() { checks=$((checks + 1)); echo "   ok: $1"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "   FAILED: $1${2:+: $2}"; }  # what [why]
note() { echo "   note: $*"; }
# The one check: the command decides. A predicate may leave a reason in DETAIL, printed
# after the name (further lines indented below it).
DETAIL=""
check() {  # what command...
  local what="$1"
  shift
  DETAIL=""
  if "$@"; then pass "$what"; else fail "$what" "$DETAIL"; fi
}
same() {  # expected actual
  [ "$1" == "$2" ] && return 0
  DETAIL="expected [$1], got [$2]"
  return 1
}
same_file() {  # expected-file actual-file: byte for byte
  cmp -s "$1" "$2" && return 0
  DETAIL="the file differs"$'\n'"$(diff <(cat -A "$1") <(cat -A "$2" 2>/dev/null) | head -n 12 | sed 's/^/       /')"
  return 1
}
not() { ! "$@"; }
gt() { python3 -c "import sys; sys.exit(0 if float('$1') > float('$2') else 1)" 2>/dev/null; }
# The last line of a script: its summary, and its status.
report() {  # name
  echo "$1: $failures failure(s) in $checks checks"
  [ "$failures" -eq 0 ]
}

# ---- Waiting: every check waits for its condition, up to a deadline, never a fixed time ----
E2E_POLL=0.1
now_ms() { echo $(($(date +%s%N) / 1000000)); }
ms_of() { awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }'; }
wait_for() {  # seconds command...: until the command succeeds; status 1 at the deadline
  local end=$(($(now_ms) + $(ms_of "$1")))
  shift
  until "$@"; do
    [ "$(now_ms)" -lt "$end" ] || return 1
    sleep "$E2E_POLL"
  done
}
holds_for() {  # seconds command...: the command keeps succeeding that long; status 1 once it fails
  local end=$(($(now_ms) + $(ms_of "$1")))
  shift
  while "$@"; do
    [ "$(now_ms)" -lt "$end" ] || return 0
    sleep "$E2E_POLL"
  done
  return 1
}
log_has() { grep -a -q -- "$2" "$1" 2>/dev/null; }  # file pattern
lines_over() { [ "$(grep -a -c -- "$2" "$1" 2>/dev/null)" -gt "$3" ]; }  # file pattern count
alive() { kill -0 "$1" 2>/dev/null; }
exited_within() {  # pid seconds: sets CODE (the exit code, or "timeout"); status 1 on time-out
  if wait_for "$2" not alive "$1"; then
    wait "$1" 2>/dev/null
    CODE=$?
    return 0
  fi
  CODE=timeout
  return 1
}

# ---- Paths and files ----
# Wine's Direct3D command-stream thread polls for work after every frame, which no Windows
# driver does. csmt_off turns it off and keeps the prefix's value; csmt_restore puts it back
# (call it from the script's exit clean-up: the prefix is shared with the other Wine tests).
CSMT_KEY='HKCU\Software\Wine\Direct3D'
CSMT=""
csmt_off() {
  CSMT="$(wine reg query "$CSMT_KEY" /v csmt 2>/dev/null | tr -d '\r' | awk '/csmt/ {v = $3} END {print v == "" ? "none" : v}')"
  wine reg add "$CSMT_KEY" /v csmt /t REG_DWORD /d 0 /f >/dev/null 2>&1
}
csmt_restore() {
  if [ "$CSMT" = none ]; then wine reg delete "$CSMT_KEY" /v csmt /f >/dev/null 2>&1
  elif [ -n "$CSMT" ]; then wine reg add "$CSMT_KEY" /v csmt /t REG_DWORD /d "$CSMT" /f >/dev/null 2>&1; fi
  CSMT=""
}
# A Linux path as Wine's Z: drive names it.
winpath() { local p="$1"; echo "Z:${p//\//\\}"; }
# A settings file's bytes on standard output, as the saver writes them: the pictures between
# the markers (a path starting with / is a Linux one, given as Wine sees it), the five keys
# that are always written, then each later key given a value other than its default.
#   settings [KEY=VALUE...] [--] [PICTURE...]
settings() {
  local -A v=([BlobsSpeed]=40 [BlobsSize]=80 [ShowImages]=1 [SelectCubeMap]=0 [SelectLumoraEffect]=0
              [PictureFit]=0 [SpanMonitors]=0 [PictureOrder]=0 [Captions]=0 [Portraits]=0
              [PicturesPerMonitor]=0 [PanZoom]=0 [PictureKeys]=0 [Clock]=0 [MinRating]=0
              [MinPictureSize]=0 [Memories]=0 [Videos]=0 [MaxVideoSeconds]=30 [ServerCacheMB]=1024)
  local -A d=([MaxVideoSeconds]=30 [ServerCacheMB]=1024)
  local key p
  while [ $# -gt 0 ]; do
    [ "$1" = -- ] && { shift; break; }
    [[ "$1" =~ ^([A-Za-z]+)=(.*)$ ]] || break
    key="${BASH_REMATCH[1]}"
    [ -n "${v[$key]+set}" ] || { echo "settings: unknown key $key" >&2; return 2; }
    v[$key]="${BASH_REMATCH[2]}"
    shift
  done
  printf '#Picture Info _ begin\r\n'
  for p in "$@"; do
    [ "${p:0:1}" = / ] && p="$(winpath "$p")"
    printf '%s\r\n' "$p"
  done
  printf '#Picture Info _ end\r\n'
  for key in BlobsSpeed BlobsSize ShowImages SelectCubeMap SelectLumoraEffect; do printf '%s %s\r\n' "$key" "${v[$key]}"; done
  for key in PictureFit SpanMonitors PictureOrder Captions Portraits PicturesPerMonitor PanZoom PictureKeys Clock \
    MinRating MinPictureSize Memories Videos MaxVideoSeconds ServerCacheMB; do
    [ "${v[$key]}" = "${d[$key]:-0}" ] || printf '%s %s\r\n' "$key" "${v[$key]}"
  done
}
# A camera-sized photo: 4000 x 3000, a gradient with a little noise, as JPEG quality 90.
big_photo() {  # file [from-colour to-colour [size]]
  MAGICK_THREAD_LIMIT=1 convert -size "${4:-4000x3000}" "gradient:${2:-#306040}-${3:-#2050C0}" \
    -attenuate 0.4 +noise Gaussian -quality 90 "$1"
}

# ---- Screenshots ----
shot() { import -display "$DISPLAY" -window root "$WORK/shots/$1.png" 2>/dev/null; }
# Mean brightness (0..1) of a region WxH+X+Y of a screenshot, and of its channels.
mean() { convert "$WORK/shots/$1.png" -crop "$2" +repage -format '%[fx:mean]' info:; }
means() { convert "$WORK/shots/$1.png" -crop "$2" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:; }
lit() { gt "$(mean "$1" "$2")" "$3"; }  # shot region minimum
# Which of the solid red, green and blue test pictures a region of a shot shows: the channel
# that leads by a factor of two (the particles are grey and dim), black when all are dark,
# else "mixed" (the middle of a cross-fade, whose blend darkens, or the error screen).
dominant_of() {  # shot [region, most of a 640x480 screen by default]
  read -r r g b <<<"$(means "$1" "${2:-560x400+40+40}")"
  python3 - "$r" "$g" "$b" <<'PY'
import sys
r, g, b = map(float, sys.argv[1:])
if max(r, g, b) < 0.03: print("black")
elif r > 2 * g and r > 2 * b: print("red")
elif g > 2 * r and g > 2 * b: print("green")
elif b > 2 * r and b > 2 * g: print("blue")
else: print("mixed")
PY
}
# Shots NAME until CHECK NAME ARGS... succeeds; status 1 at the deadline (the last shot stays).
# A shot and its reading (import, convert, python) cost a good part of a core: taken every
# SHOT_POLL seconds (0.5 unless set), they leave the saver's first second, which must draw 20
# frames on a 2-core machine, most of the processor.
shot_until() {  # name seconds check args...
  local name="$1" seconds="$2"
  shift 2
  E2E_POLL="${SHOT_POLL:-0.5}" wait_for "$seconds" shot_then "$name" "$@"
}
shot_then() { local name="$1" check="$2"; shift 2; shot "$name" && "$check" "$name" "$@"; }
pixels_changed() {  # shot-a shot-b
  local d
  d="$(compare -metric AE "$WORK/shots/$1.png" "$WORK/shots/$2.png" null: 2>&1)"
  echo "${d%% *}"
}
# Frames are drawn: within SECONDS a shot differs from NAME_a in more than PIXELS (100), shot
# every SHOT_POLL seconds as shot_until does.
moving() {  # name seconds [pixels]
  shot "$1_a"
  E2E_POLL="${SHOT_POLL:-0.5}" wait_for "$2" changed_since "$1" "${3:-100}"
}
changed_since() { shot "$1_b" && gt "$(pixels_changed "$1_a" "$1_b")" "$2"; }
# No frames: two shots in a row are the same to the pixel.
still() { shot "$1_a" && shot "$1_b" && [ "$(pixels_changed "$1_a" "$1_b")" = 0 ]; }  # name

# ---- The saver's process ----
# The saver started from the file PATH (default $WORK/app/Lumora.scr) in this run's prefix:
# other runs on the machine may have a Lumora.scr of their own. Wine keeps the command line
# as it was given (often ./Lumora.scr), so the file is found among the process's mappings.
# Prints the pid; status 1 when there is none.
saver_pid() {  # [PATH]
  local path pid
  path="$(realpath -m "${1:-$WORK/app/Lumora.scr}")"
  for pid in $(pgrep -i -u "$(id -u)" -f 'Lumora\.scr'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    awk -v p="$path" 'substr($0, length($0) - length(p)) == " " p { found = 1 } END { exit !found }' \
      "/proc/$pid/maps" 2>/dev/null && { echo "$pid"; return 0; }
  done
  return 1
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# Milliseconds the process's threads have run, from the scheduler's own count: the ticks
# above charge a whole tick to a thread that wakes on the timer, which a thread polling
# every few milliseconds always does.
cpu_ms() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%d\n", ns / 1e6}'; }
# The fixed span a rate or a cost is measured over: a measure, never a wait for a condition.
measure_window() { sleep "$1"; }  # seconds
# What the process runs over a window of SECONDS: sets TICKS (1/100 s) and MS.
cpu_over() {  # pid seconds
  local t0 m0
  t0="$(cpu_ticks "$1")" m0="$(cpu_ms "$1")"
  measure_window "$2"
  TICKS=$(($(cpu_ticks "$1") - t0)) MS=$(($(cpu_ms "$1") - m0))
}
# The saver counts its frames in its first second, drawn black, and shows the error screen
# where they are too few. A screenshot and its reading take about half a second of a core, so
# looking again and again in that second loads the very machine the saver measures. Looks
# start after it: once LOG (a log the saver makes anew at its start) says the scene is loaded
# or a step failed, or at once without one, and the rule's second with a little to spare. The
# saver says nothing when the second ends, so that spare part is a pause, not a wait.
past_startup_second() {  # [log]
  if [ -n "${1:-}" ] && ! wait_for 20 log_has "$1" 'Particle.tga) - OK\|FAILED'; then
    note "the saver's log said nothing of its scene within 20 s"
  fi
  sleep 1.2
}
start_saver() {  # args: switch; sets SAVER (the wine launcher's pid)
  (cd "$WORK/app" && exec wine ./Lumora.scr "$@") &
  SAVER=$!
}
saver_window() { xdotool search --name '^Screen Saver$' >/dev/null 2>&1; }
# The saver has ended for the user when its full-screen window is gone. Wine with a software
# OpenGL takes another second or two to tear the process down after ExitProcess, so the
# exit code is awaited separately.
window_gone_within() { wait_for "$1" not saver_window; }  # seconds
# A key, then up to 10 s for the process to end; Wine is stopped when it does not.
stop_saver() {
  xdotool key space
  exited_within "$SAVER" 10 || { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
}

# Starts the saver (with the mouse at 500,400) until the screen passes CHECK within SECONDS, at
# most TRIES times (3 unless set): on a loaded machine a start that misses its 20 frames in the
# first second shows the error screen instead, as it should, so that start is ended and
# another tried. The last try's shot stays; status 1 when no try passed.
start_shown() {  # name seconds check [check-args...] -- [saver args...]
  local name="$1" seconds="$2" try check=()
  shift 2
  while [ $# -gt 0 ] && [ "$1" != -- ]; do check+=("$1"); shift; done
  shift
  for try in $(seq 1 "${TRIES:-3}"); do
    xdotool mousemove 500 400
    start_saver "$@"
    shot_until "$name" "$seconds" "${check[@]}" && return 0
    note "$name: try $try did not show it (load $(cut -d' ' -f1 /proc/loadavg))"
    [ "$try" = "${TRIES:-3}" ] || stop_saver
  done
  return 1
}

# ---- A WebDAV server ----
# A port on loopback that nothing listens on now.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# Writes $WORK/apache/httpd.conf: Apache's WebDAV on loopback PORT serving $WORK/dav behind
# Basic authentication for $USER_NAME and $PASSWORD; with TLS_PORT, the same folders over TLS
# with a certificate made now and trusted by nobody. Its access log has each request's
# method, status and microseconds. apache_start waits until $PHOTOS answers; apache_stop is
# for the exit trap.
dav_configure() {  # port [tls-port]
  local m=/usr/lib/apache2/modules tls="${2:-}"
  mkdir -p "$WORK/apache/logs"
  htpasswd -bc "$WORK/apache/users" "$USER_NAME" "$PASSWORD" 2>/dev/null
  {
    cat <<EOF
ServerRoot $WORK/apache
PidFile $WORK/apache/logs/httpd.pid
Listen 127.0.0.1:$1
ServerName 127.0.0.1
LoadModule mpm_event_module $m/mod_mpm_event.so
LoadModule authz_core_module $m/mod_authz_core.so
LoadModule authz_user_module $m/mod_authz_user.so
LoadModule authn_core_module $m/mod_authn_core.so
LoadModule authn_file_module $m/mod_authn_file.so
LoadModule auth_basic_module $m/mod_auth_basic.so
LoadModule dav_module $m/mod_dav.so
LoadModule dav_fs_module $m/mod_dav_fs.so
ErrorLog $WORK/apache/logs/error.log
CustomLog $WORK/apache/logs/access.log "%m %>s %D"
DavLockDB $WORK/apache/logs/DavLock
DocumentRoot $WORK/dav
<Directory $WORK/dav>
  Dav On
  AuthType Basic
  AuthName "photos"
  AuthUserFile $WORK/apache/users
  Require valid-user
</Directory>
EOF
    [ -z "$tls" ] || cat <<EOF
Listen 127.0.0.1:$tls
LoadModule socache_shmcb_module $m/mod_socache_shmcb.so
LoadModule ssl_module $m/mod_ssl.so
<VirtualHost 127.0.0.1:$tls>
  SSLEngine on
  SSLCertificateFile $WORK/apache/cert.pem
  SSLCertificateKeyFile $WORK/apache/key.pem
</VirtualHost>
EOF
  } >"$WORK/apache/httpd.conf"
  [ -z "$tls" ] || openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
    -keyout "$WORK/apache/key.pem" -out "$WORK/apache/cert.pem" 2>/dev/null
}
dav_answers() { curl -sf -o /dev/null -X PROPFIND -H 'Depth: 0' -u "$USER_NAME:$PASSWORD" "$PHOTOS"; }
apache_start() { apache2 -f "$WORK/apache/httpd.conf" -k start && wait_for 10 dav_answers; }
apache_stop() {
  [ -f "$WORK/apache/logs/httpd.pid" ] || return 0
  apache2 -f "$WORK/apache/httpd.conf" -k stop
  wait_for 10 not test -f "$WORK/apache/logs/httpd.pid"
}

# ---- The benchmarks' probe ----
# lumora_wine_perf.exe (in $WORK) for SECONDS at 1024x768 with a settings file: sets FIRST
# (seconds from start to the first frame) and RESIDENT (MB at the end), empty when it gave
# none. A start that missed its 20 frames in the first second (a loaded machine) runs again.
perf_probe() {  # seconds settings-file
  local out try
  for try in 1 2 3; do
    out="$(cd "$WORK" && wine ./lumora_wine_perf.exe "$1" 1024 768 "$(winpath "$2")" 2>/dev/null | tr -d '\r')"
    grep -q '^start-up failed' <<<"$out" || break
  done
  FIRST="$(sed -n 's/^first frame \([0-9.]*\) s after start.*/\1/p' <<<"$out")"
  RESIDENT="$(sed -n 's/^resident memory at the end \([0-9]*\) MB.*/\1/p' <<<"$out")"
  [ -n "$FIRST" ] || echo "$out" >&2
}
