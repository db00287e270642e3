#!/usr/bin/env bash
# What a large server folder costs the saver under Wine: 10,000 photos in 100 folders (a few
# distinct small JPEGs linked under many names, made once under build/bench/server) served
# by Apache's WebDAV on loopback with Basic authentication (its own configuration, stopped
# by the trap). In each round, side by side: `rclone lsf -R` lists the tree, the saver's walk
# (`lumora-tool walk`, the Windows build) walks it; then, once, `lumora-tool index` walks and
# indexes it into a fresh index. Then the perf probe's first photo on screen, from the server with an
# empty offline cache and, the server stopped, from the cache. Prints a markdown table.
# On demand only; run after ./lumora build.
#   bash scripts/bench-server.sh [ROUNDS]
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh
ROUNDS="${1:-3}"
WORK="$ROOT/build/bench/server"
TREE="$WORK/dav/photos"
FOLDERS=100
PER_FOLDER=100
USER_NAME=bench
PASSWORD='Bench-server-9z'
command -v rclone >/dev/null || { echo "bench-server: rclone is missing (./lumora deps installs it)" >&2; exit 1; }

# The tree, once: eight distinct 640 x 480 JPEGs with a date taken (about 35 KB each, less
# than the first range the server source asks for), hard-linked.
if [ "$(find "$TREE" -name '*.jpg' 2>/dev/null | wc -l)" != $((FOLDERS * PER_FOLDER)) ]; then
  rm -rf "$WORK/dav" "$WORK/distinct"
  mkdir -p "$TREE" "$WORK/distinct"
  for k in 0 1 2 3 4 5 6 7; do
    MAGICK_THREAD_LIMIT=1 convert -size 640x480 "gradient:#${k}06040-#20${k}0C0" -attenuate 0.3 +noise Gaussian \
      -quality 85 "$WORK/distinct/plain$k.jpg"
    python3 tests/scripts/exif_photo.py "$WORK/distinct/d$k.jpg" --into "$WORK/distinct/plain$k.jpg" \
      --date "2024:05:0$((1 + k)) 10:00:00"
  done
  python3 - "$WORK/distinct" "$TREE" "$FOLDERS" "$PER_FOLDER" <<'PY'
import os, sys
distinct, tree, folders, per = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
for f in range(folders):
    folder = os.path.join(tree, "f%03d" % f)
    os.makedirs(folder, exist_ok=True)
    for i in range(per):
        os.link(os.path.join(distinct, "d%d.jpg" % ((f * per + i) % 8)), os.path.join(folder, "p%03d.jpg" % i))
PY
fi
mkdir -p "$WORK/apache/logs" "$WORK/shots"
cp dist/LMRResource.dat build/windows/lumora-tool.exe build/windows/tests/lumora_credential.exe \
  build/windows/tests/lumora_wine_perf.exe "$WORK/" || exit 1

PORT="$(free_port)"
PHOTOS="http://127.0.0.1:$PORT/photos/"
dav_configure "$PORT"
wine_cleanup_on_exit apache_stop
wine_setup 640x480 || exit 1
apache_start || { echo "bench-server: Apache did not start" >&2; exit 1; }
: >"$WORK/apache/logs/access.log"
(cd "$WORK" && wine ./lumora_credential.exe write "$PHOTOS" "$USER_NAME" "$PASSWORD") >/dev/null 2>&1 ||
  { echo "bench-server: the credential could not be stored" >&2; exit 1; }

export RCLONE_CONFIG="$WORK/rclone.conf" RCLONE_WEBDAV_URL="$PHOTOS" RCLONE_WEBDAV_USER="$USER_NAME"
RCLONE_WEBDAV_PASS="$(rclone obscure "$PASSWORD")"
export RCLONE_WEBDAV_PASS
: >"$RCLONE_CONFIG"
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "?" }'; }
tool() { (cd "$WORK" && wine ./lumora-tool.exe "$@" 2>&1 | tr -d '\r'); }
# The requests Apache served since the last call, by method and status, with the mean time
# it took over each (from reading the request to sending the answer); the log starts anew.
served() {
  awk '{ n[$1 " " $2]++; t[$1 " " $2] += $3 }
       END { for (k in n) { printf "%s%d %s (server %.1f ms each)", sep, n[k], k, t[k] / n[k] / 1000; sep = ", " } }' \
    "$WORK/apache/logs/access.log"
  : >"$WORK/apache/logs/access.log"
}

LOAD_BEFORE="$(cut -d' ' -f1-3 /proc/loadavg)"
RCLONE_S="" WALK_S="" WALK_WALL_S="" INDEX_S="" COUNTS=""
for round in $(seq 1 "$ROUNDS"); do
  start="$(now)"
  listed="$(rclone lsf -R :webdav: 2>/dev/null | grep -c '\.jpg$')"
  RCLONE_S+=" $(since "$start")"
  rclone_served="$(served)"
  start="$(now)"
  walk="$(tool walk "$PHOTOS")"
  WALK_WALL_S+=" $(since "$start")"
  WALK_S+=" $(sed -n 's/.*, \([0-9.]*\) s$/\1/p' <<<"$walk")"
  COUNTS+="round $round: rclone $listed photos, $rclone_served; walk: $walk, $(served)"$'\n'
done
# Walking and indexing takes minutes on a loaded machine: once.
rm -f "$WORK/bench.db"*
index="$(tool index --db "$(winpath "$WORK/bench.db")" "$PHOTOS")"
INDEX_S=" $(sed -n 's/.*, \([0-9.]*\) s$/\1/p' <<<"$index")"
COUNTS+="index: $index, $(served)"$'\n'
# The same tree as local folders, for what Wine and the machine cost without a server.
LOCAL_TREE="$(winpath "$TREE")\\"
local_walk="$(tool walk "$LOCAL_TREE")"
rm -f "$WORK/local.db"*
local_index="$(tool index --db "$(winpath "$WORK/local.db")" "$LOCAL_TREE")"
COUNTS+="local walk: $local_walk; local index: $local_index"$'\n'
seconds_of() { sed -n 's/.*, \([0-9.]*\) s$/\1/p' <<<"$1"; }

# The first photo on screen: from the server with an empty offline cache, then from the
# cache alone with the server stopped. The probe draws on where a loaded machine misses
# its start-up second; a start that failed outright is tried again.
first_picture() {  # settings-file
  local out try
  for try in 1 2 3; do
    out="$(cd "$WORK" && wine ./lumora_wine_perf.exe 8 640 480 "$(winpath "$1")" 2>/dev/null | tr -d '\r')"
    grep -q '^start-up failed' <<<"$out" || break
  done
  sed -n 's/^first picture \([0-9.]*\) s after start.*/\1/p' <<<"$out" | grep . || echo "none"
}
# The probe keeps its photo index and offline cache beside the settings file.
settings SelectLumoraEffect=2 -- "$TREE/f000/" >"$WORK/local.settings"
settings SelectLumoraEffect=2 -- "$PHOTOS" >"$WORK/server.settings"
rm -rf "$WORK/ServerCache" "$WORK/LumoraPhotos.db"*
FIRST_LOCAL="$(first_picture "$WORK/local.settings")"
rm -rf "$WORK/ServerCache" "$WORK/LumoraPhotos.db"*
FIRST_SERVER="$(first_picture "$WORK/server.settings")"
CACHED="$(find "$WORK/ServerCache" -name '*.lmc' 2>/dev/null | wc -l)"
apache_stop
FIRST_CACHE="$(first_picture "$WORK/server.settings")"
LOAD_AFTER="$(cut -d' ' -f1-3 /proc/loadavg)"

printf '%s' "$COUNTS" >&2
rclone_m="$(median <<<"$RCLONE_S")" walk_m="$(median <<<"$WALK_S")" index_m="$(median <<<"$INDEX_S")"
ratio="$(awk -v w="$walk_m" -v r="$rclone_m" 'BEGIN { printf "%.2f", w / r }')"
met() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "" && v != "none" && v + 0 <= t) ? "yes" : "NO" }'; }
echo
echo "$((FOLDERS * PER_FOLDER)) photos in $FOLDERS folders, $ROUNDS rounds; load average $LOAD_BEFORE before, $LOAD_AFTER after ($(nproc) cores)"
echo
echo '| what | each round (s) | median (s) | target | met |'
echo '|---|---|---:|---|---|'
echo "| \`rclone lsf -R\`, whole process |$RCLONE_S | $rclone_m | | |"
echo "| the saver's walk (\`lumora-tool walk\`, in the process) |$WALK_S | $walk_m | at most 2x rclone ($ratio x) | $(met "$ratio" 2) |"
echo "| the same, whole Wine process |$WALK_WALL_S | $(median <<<"$WALK_WALL_S") | | |"
echo "| walk and index (\`lumora-tool index\`, fresh index) |$INDEX_S | $index_m | under 20 s | $(met "$index_m" 20) |"
echo "| the same tree as a local folder: walk, in the process | | $(seconds_of "$local_walk") | | |"
echo "| the same tree as a local folder: walk and index | | $(seconds_of "$local_index") | | |"
echo "| first photo on screen, from a local folder of the same photos | | $FIRST_LOCAL | | |"
echo "| first photo on screen, from the server (empty cache) | | $FIRST_SERVER | within 2 s | $(met "$FIRST_SERVER" 2) |"
echo "| first photo on screen, from the cache ($CACHED files), server stopped | | $FIRST_CACHE | within 2 s | $(met "$FIRST_CACHE" 2) |"
