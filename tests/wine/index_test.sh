#!/usr/bin/env bash
# The photo index in the real dist/Lumora.scr under Wine: a damaged LumoraPhotos.db beside
# the settings is moved aside as it was and built again, filled with the library's photos
# behind the show, the log says so in one line, and the photos show.
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/index"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots" "$WORK/photos"
cp dist/Lumora.scr dist/LMRResource.dat "$WORK/app/"
W=640
H=480
for i in 1 2 3; do big_photo "$WORK/photos/photo$i.jpg" '#306040' '#2050C0' 800x600; done
settings SelectLumoraEffect=2 -- "$WORK/photos/" >"$WORK/app/Lumora.scr.settings"
DB="$WORK/app/LumoraPhotos.db"
head -c 10000 /dev/urandom >"$DB"
cp "$DB" "$WORK/damaged"

# The gradient photo behind the particles, or the error screen that a start missing its
# first second on a loaded machine shows (the index is filled all the same).
photo_shown() { read -r r g b <<<"$(means "$1" 200x120+220+180)"; gt "$b" 0.08 && gt "$b" "$(python3 -c "print($r + 0.05)")"; }
# The new index is SQLite's and holds the three photos.
indexed() {
  python3 - "$DB" <<'PY' 2>/dev/null
import sqlite3, sys
db = sqlite3.connect("file:%s?mode=ro" % sys.argv[1], uri=True, timeout=2)
sys.exit(0 if db.execute("SELECT count(*) FROM photos").fetchone()[0] == 3 else 1)
PY
}

wine_cleanup_on_exit
wine_setup "${W}x${H}" || exit 1
xdotool mousemove 100 100
(cd "$WORK/app" && exec wine ./Lumora.scr /s) &
SAVER=$!
check "the photos show" shot_until shown 30 photo_shown
check "the new index holds the library's photos" wait_for 30 indexed
stop_saver
check "the damaged file is kept beside it as it was" same_file "$WORK/damaged" "$DB.old"
check "the log says so in one line" same 1 "$(grep -a -c 'PhotoIndex::Open() - damaged or foreign' "$WORK/app/log_output.txt")"
wine_teardown
report "index end-to-end"
