#!/usr/bin/env bash
# End-to-end checks of the configuration dialog ("Lumora.scr /c") under Wine on a private
# Xvfb screen: texts in several languages and that they fit, the tab order, Add through the
# open-file dialog, dropped files, Remove, the right-click menu, the Effect group's sliders
# and combo boxes, the exact bytes OK writes, Cancel writing nothing, an unknown scheme and
# out-of-range values, the settings file's fallback place, OK on a full disk, OK while another
# program holds the settings file, a preview opened twice, the preview's speed, an older
# archive's language file, and the layout at 150 % scaling.
# The dialog is driven from outside by lumora_config_driver.exe (tests/wine/config_driver.cpp);
# everything runs on a copy of dist/ in a temporary folder. One line per check; exits
# non-zero when a check fails.
#   LUMORA_DIST            folder with Lumora.scr and LMRResource.dat (default dist)
#   LUMORA_CONFIG_DRIVER   the driver (default build/windows/tests/lumora_config_driver.exe)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
DIST="${LUMORA_DIST:-dist}"
DRIVER="${LUMORA_CONFIG_DRIVER:-build/windows/tests/lumora_config_driver.exe}"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh
for f in "$DIST/Lumora.scr" "$DIST/LMRResource.dat" "$DRIVER"; do
  [ -f "$f" ] || { fail "setup: $f is missing (run ./lumora build first)"; exit 1; }
done

WORK="$(mktemp -d /tmp/lumora-config-test.XXXXXX)"
SHOTS="$ROOT/build/wine/config-dialog-shots"
mkdir -p "$SHOTS"
cp "$DIST/Lumora.scr" "$DIST/LMRResource.dat" "$WORK/"
cp "$DRIVER" "$WORK/driver.exe"
SETTINGS="$WORK/Lumora.scr.settings"
# The Windows view of the work folder (Wine maps / to drive Z:).
WIN_WORK="$(winpath "$WORK")"
PICS="$WIN_WORK\\pics"
# The dropped files have a folder of their own: Wine finds names without regard to case, and
# a.jpg beside a.JPG would be one file to it.
mkdir -p "$WORK/pics/drop/album" "$WORK/pics/drop/holiday.jpg" "$WORK/pics/many"
for name in a.jpg b.png c.bmp d.tif drop/a.JPG; do cp assets/archive/Resource/logo.png "$WORK/pics/$name"; done
echo "not a picture" >"$WORK/pics/drop/b.txt"
LANG_KEY='HKLM\SOFTWARE\VELMORA\ScreenSaver\Lumora'
# The Effect group's controls with the scheme's label and box, "Add Folder..." and the
# Photos group's, whose captions and items must fit in every language.
EFFECT_IDS="1002 1003 1012 1013 1014 1015 1016 1017 1018 1010 1008 1019 1020 1021 1024 1025 1026 1027 1028 1029 1030 1031 1032 1045 1046 1047 1048 1049 1050 1051"


SCR_PID=""
IMMUTABLE=""
MOUNTED=""
DPI_CHANGED=""
ORIGINAL_LANGUAGE=""
cleanup() {
  [ -n "$SCR_PID" ] && kill "$SCR_PID" 2>/dev/null
  [ -n "$IMMUTABLE" ] && chattr -i "$IMMUTABLE" 2>/dev/null
  [ -n "$MOUNTED" ] && { timeout 30 wineserver -k >/dev/null 2>&1; umount -l "$MOUNTED" && rmdir "$MOUNTED"; }
  # The prefix is shared with the other Wine tests: leave its language as it was.
  [ -n "${DISPLAY:-}" ] && set_language "$ORIGINAL_LANGUAGE"
  [ -n "${DISPLAY:-}" ] && [ -n "$DPI_CHANGED" ] && set_dpi restore
  [ -n "${DISPLAY:-}" ] && csmt_restore
  rm -rf "$WORK"
}
wine_cleanup_on_exit cleanup

drv() { (cd "$WORK" && timeout 90 wine ./driver.exe "$@" 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}"); }
# The value of KEY in the driver's last "texts" output.
TEXTS=""
read_texts() { TEXTS="$(drv texts)"; }
get() { printf '%s\n' "$TEXTS" | grep -m1 "^$1=" | cut -d= -f2-; }

# Ends the saver's process (its dialog with it) and reaps it, with a deadline.
stop_saver() {
  [ -n "$SCR_PID" ] || return 0
  kill "$SCR_PID" 2>/dev/null
  exited_within "$SCR_PID" 10 || { kill -KILL "$SCR_PID" 2>/dev/null; wait "$SCR_PID" 2>/dev/null; }
  SCR_PID=""
}
# Waits for the saver's process, its dialog closed, to end by itself: one still running after
# SECONDS fails the check and is ended.
reap_saver() {  # seconds
  [ -n "$SCR_PID" ] || return 0
  exited_within "$SCR_PID" "$1" || { fail "the saver ends once its dialog has closed" "still running after $1 s"; stop_saver; }
  SCR_PID=""
}
# What a start that showed no dialog left, as notes: the driver's answer, the saver's state,
# its log where this start wrote one, what Wine wrote (its fixme lines left out), the load
# and a screenshot (also the check's detail). WINE_START_FAILED is set where the process
# ended with 1 without the log that the saver makes in its static initialisation, before
# wWinMain: Wine's start failed, not the saver.
NO_DIALOG_SHOTS=0
START_ERR="$WORK/start-stderr.txt"
no_dialog_notes() {  # folder answer status
  local state log="$1/log_output.txt" shot code="" logged=1
  NO_DIALOG_SHOTS=$((NO_DIALOG_SHOTS + 1))
  shot="$SHOTS/no-dialog-$NO_DIALOG_SHOTS.png"
  if alive "$SCR_PID"; then state=runs; else wait "$SCR_PID" 2>/dev/null; code=$?; state="has ended with $code"; fi
  note "the driver answered [${2}] (status $3) to a wait of 60 s; the saver $state; load $(cut -d' ' -f1-3 /proc/loadavg)"
  if [ ! -f "$log" ]; then note "no log from this start"; logged=""
  elif [ ! -s "$log" ]; then note "its log is empty"
  else note "its log ends:"; tail -n 5 "$log" | tr -d '\r' | sed 's/^/         /'; fi
  if grep -qv ':fixme:' "$START_ERR" 2>/dev/null; then
    note "Wine wrote:"; grep -v ':fixme:' "$START_ERR" | tail -n 8 | tr -d '\r' | sed 's/^/         /'
  fi
  WINE_START_FAILED=""
  [ "$code" = 1 ] && [ -z "$logged" ] && WINE_START_FAILED=1
  DETAIL="no screenshot"
  import -window root "$shot" 2>/dev/null && { note "the screen: $shot"; DETAIL="the screen: $shot"; }
}
# Starts "Lumora.scr /c" and waits for its dialog. In CI a start now and then showed no
# dialog while the next one opened it at once; it was not reproduced here. Such a start is
# noted (no_dialog_notes) and started once more: once in the script's run for any such start,
# and besides up to three times for starts that Wine itself failed (in CI: exit code 1 and no
# log, right after Wine had been restarted). The start again must open the dialog: two starts
# in a row without one fail the check, and every later start then fails at once, so that the
# script ends within its time-out. The log is removed before each start (the saver makes it
# anew as it starts), so that one left by an earlier start is never taken for this one's.
DIALOG_RETRIED=""
WINE_START_RETRIES=0
NO_DIALOG_IN_A_ROW=0
start_dialog() {  # [FOLDER [WHAT]]: the saver's folder (default WORK) and the check's name
  local folder="${1:-$WORK}" what="${2:-the configuration dialog opens}" try answer status
  [ "$NO_DIALOG_IN_A_ROW" -lt 2 ] || { fail "$what" "no dialog at the two starts before"; return 1; }
  for try in 1 2; do
    rm -f "$folder/log_output.txt"
    (cd "$folder" && exec wine ./Lumora.scr /c >/dev/null 2>"$START_ERR") &
    SCR_PID=$!
    answer="$(drv wait 60)"
    status=$?
    if [ "$answer" = "dialog=1" ]; then
      NO_DIALOG_IN_A_ROW=0
      return 0
    fi
    NO_DIALOG_IN_A_ROW=$((NO_DIALOG_IN_A_ROW + 1))
    no_dialog_notes "$folder" "$answer" "$status"
    stop_saver
    [ "$NO_DIALOG_IN_A_ROW" -lt 2 ] || break
    if [ -n "$WINE_START_FAILED" ] && [ "$WINE_START_RETRIES" -lt 3 ]; then
      WINE_START_RETRIES=$((WINE_START_RETRIES + 1))
    elif [ -z "$DIALOG_RETRIED" ]; then
      DIALOG_RETRIED=1
    else
      break
    fi
    drv gone 10 >/dev/null
  done
  fail "$what" "$DETAIL"
  return 1
}
# Ends the dialog with OK (1) or Cancel (2) and waits for the process.
end_dialog() {
  drv click "$1" >/dev/null
  # Under Wine a posted click on a busy machine is now and then lost: the dialog stayed open
  # and still closed on a real click. One still open after 15 s is clicked once more; one
  # that stays open fails the check and is ended, so the script goes on.
  drv gone 15 >/dev/null || { drv click "$1" >/dev/null; drv gone 30 >/dev/null; } ||
    { fail "the dialog closes"; stop_saver; }
  reap_saver 30
}
set_language() {
  if [ -z "$1" ]; then
    wine reg delete "$LANG_KEY" /v CurLang /f >/dev/null 2>&1
  else
    wine reg add "$LANG_KEY" /v CurLang /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
}
# A screenshot of the picture list's inside, without its border.
list_shot() {  # file
  local rect l t r b
  rect="$(drv rect 1001 | cut -d= -f2)"
  IFS=, read -r l t r b <<<"$rect"
  import -window root "$1.full.png" 2>/dev/null
  convert "$1.full.png" -crop "$((r - l - 8))x$((b - t - 8))+$((l + 4))+$((t + 4))" +repage "$1" 2>/dev/null
  rm -f "$1.full.png"
}
digest() { [ -f "$1" ] && sha256sum <"$1" | cut -d' ' -f1 || echo "no file"; }
wine_setup 1024x768 || { fail "setup: Wine or Xvfb did not start"; exit 1; }
# Wine's Direct3D command-stream thread polls for work after every frame: on a busy machine
# it takes the time a second preview, which starts on the first one's full stream, needs to
# pass its start-up second. Windows has no such thread, so it is off here; the shared prefix
# gets its value back on any exit.
csmt_off
ORIGINAL_LANGUAGE="$(wine reg query "$LANG_KEY" /v CurLang 2>/dev/null | tr -d '\r' | grep -o '0x[0-9a-fA-F]*$')"
[ -n "$ORIGINAL_LANGUAGE" ] && ORIGINAL_LANGUAGE="$((ORIGINAL_LANGUAGE))"

# ---- English (no language value: the built-in texts; 0: the English file) ----
for lang in "" 0; do
  set_language "$lang"
  rm -f "$SETTINGS"
  start_dialog || break
  read_texts
  label="English texts (CurLang ${lang:-absent})"
  actual="$(get caption)|$(get ctl3)|$(get ctl4)|$(get ctl5)|$(get ctl1009)|$(get ctl1)|$(get ctl2)|$(get ctl1010)|$(get ctl1004)|$(get ctl1011)"
  # The built-in texts keep their two slips ("Sreen", and a Cyrillic O in "Оk"); the
  # English file has them mended.
  if [ -z "$lang" ]; then expected="Lumora Sreen Saver|Add|Remove|Remove All|Preview|Оk"
  else expected="Lumora Screen Saver|Add|Remove|Remove All|Preview|OK"; fi
  check "$label" same "$expected|Cancel|Select Scheme|Show Images|Files" "$actual"
  check "$label: schemes" same "Flame|Ice|Smoke|Cheerful" "$(get schemes)"
  check "$label: the Effect group" same "Effect|Speed|Size|Pictures|Monitors|Stretch|Fit|Fill|Each monitor|Span all monitors" \
    "$(get ctl1012)|$(get ctl1013)|$(get ctl1014)|$(get ctl1015)|$(get ctl1017)|$(get fits)|$(get monitorItems)"
  if [ -z "$lang" ]; then
    check "no settings file: empty list, Show images checked, Flame" same "0|1|0" "$(get count)|$(get check)|$(get scheme)"
    check "no settings file: speed 40, size 80 (of 1-100), Stretch, Each monitor" same "40|80|1-100|1-100|0|0" \
      "$(get speed)|$(get size)|$(get speedRange)|$(get sizeRange)|$(get fit)|$(get monitors)"
    check "the Effect group is shown, the spare combo box and the save message stay hidden" same "1|1|0|1|1|1|0" \
      "$(get visible1002)|$(get visible1003)|$(get visible1006)|$(get visible1012)|$(get visible1016)|$(get visible1018)|$(get visible1023)"
    check "Tab visits the old controls in their order, then the folder buttons, the Photos group and the Effect group column by column" same \
      "taborder=1001 1004 3 4 5 1008 1009 1 2 1019 1045 1044 1021 1016 1025 1028 1030 1032 1035 1039 1041 1043 1047 1049 1002 1003 1018 1037 1051" "$(drv taborder)"
    check "the Photos group: Portraits, Per monitor, Pan and zoom, each at its default" same "Photos|Portraits|Per monitor|Pan and zoom|0|0|0" \
      "$(get ctl1026)|$(get ctl1027)|$(get ctl1029)|$(get ctl1031)|$(get photoChoices)"
    check "every English caption of the Effect group, the scheme row and the library's row fits its control" same "layout=ok" "$(drv layout $EFFECT_IDS | grep '^layout=')"
    # The empty list shows the language's background picture (warm colours), not a blank box.
    list_shot "$SHOTS/empty-list-en.png"
    warm="$(convert "$SHOTS/empty-list-en.png" -format '%[fx:mean.r - mean.b > 0.04 ? 1 : 0]' info: 2>/dev/null)"
    check "the empty list shows the background picture" same "1" "$warm"
  fi
  end_dialog 2
  check "$label: Cancel without a file writes none" same "no file" "$(digest "$SETTINGS")"
done

# ---- Russian ----
set_language 1
if start_dialog; then
  read_texts
  actual="$(get caption)|$(get ctl3)|$(get ctl4)|$(get ctl5)|$(get ctl1009)|$(get ctl1)|$(get ctl2)|$(get ctl1010)|$(get ctl1004)|$(get ctl1011)"
  check "Russian texts (CurLang 1)" same \
    "Заставка Lumora|Добавить|Удалить|Удалить все|Просмотр|ОК|Отмена|Выбрать схему|Показывать изображения|Файлы" "$actual"
  check "Russian texts: schemes" same "Пламя|Лёд|Дым|Весёлая" "$(get schemes)"
  check "Russian texts: the Effect group" same \
    "Эффект|Скорость|Размер|Изображения|Мониторы|Растянуть|Вписать|Заполнить|Каждый монитор|На все мониторы" \
    "$(get ctl1012)|$(get ctl1013)|$(get ctl1014)|$(get ctl1015)|$(get ctl1017)|$(get fits)|$(get monitorItems)"
  check "every Russian caption of the Effect group and the scheme row fits its control" same "layout=ok" "$(drv layout $EFFECT_IDS | grep '^layout=')"
  list_shot "$SHOTS/empty-list-ru.png"
  differ="$(compare -metric AE "$SHOTS/empty-list-en.png" "$SHOTS/empty-list-ru.png" null: 2>&1 | cut -d' ' -f1)"
  if [ "${differ:-0}" -gt 1000 ] 2>/dev/null; then pass "the empty list shows the Russian picture"; else
    fail "the empty list shows the Russian picture" "$differ pixels differ from the English one"; fi
  end_dialog 2
fi

# ---- Japanese, and that the captions of the other languages fit ----
set_language 6
if start_dialog; then
  read_texts
  check "Japanese texts (CurLang 6)" same "プレビュー|キャンセル|ファイル" "$(get ctl1009)|$(get ctl2)|$(get ctl1011)"
  check "Japanese texts: the Effect group" same \
    "エフェクト|速度|サイズ|画像|モニター|引き伸ばす|全体を表示|画面を埋める|モニターごと|全モニターにまたがる" \
    "$(get ctl1012)|$(get ctl1013)|$(get ctl1014)|$(get ctl1015)|$(get ctl1017)|$(get fits)|$(get monitorItems)"
  check "every Japanese caption of the Effect group and the scheme row fits its control" same "layout=ok" "$(drv layout $EFFECT_IDS | grep '^layout=')"
  end_dialog 2
fi
for lang in 2 3 4 5; do
  set_language "$lang"
  start_dialog || continue
  read_texts
  [ "$(get ctl1013)" != "Speed" ] && [ -n "$(get ctl1013)" ] && pass "CurLang $lang: the speed label is translated" ||
    fail "CurLang $lang: the speed label is translated" "[$(get ctl1013)]"
  check "CurLang $lang: every caption of the Effect group and the scheme row fits its control" same "layout=ok" "$(drv layout $EFFECT_IDS | grep '^layout=')"
  end_dialog 2
done
set_language 0

# ---- The Effect group: each slider and combo box item as it is saved ----
# Moved with the keys, as a keyboard-only user does; the item index is the value.
rm -f "$SETTINGS"
if start_dialog; then
  drv key 1002 home >/dev/null
  drv key 1003 end >/dev/null
  drv key 1016 down >/dev/null
  drv key 1018 down >/dev/null
  read_texts
  check "Home, End and Down: speed 1, size 100, Fit, Span all monitors" same "1|100|1|1" \
    "$(get speed)|$(get size)|$(get fit)|$(get monitors)"
  end_dialog 1
  settings BlobsSpeed=1 BlobsSize=100 PictureFit=1 SpanMonitors=1 >"$WORK/expected"
  check "OK saves speed 1, size 100, PictureFit 1 and SpanMonitors 1" same_file "$WORK/expected" "$SETTINGS"
fi
if start_dialog; then
  read_texts
  check "the dialog shows the saved Effect choices" same "1|100|1|1" "$(get speed)|$(get size)|$(get fit)|$(get monitors)"
  drv key 1002 right 39 >/dev/null
  drv key 1003 left 20 >/dev/null
  drv key 1016 down >/dev/null
  drv key 1018 up >/dev/null
  end_dialog 1
  settings PictureFit=2 >"$WORK/expected"
  check "back to speed 40, size 80 and Each monitor, with Fill: only PictureFit 2 is added" same_file "$WORK/expected" "$SETTINGS"
fi
if start_dialog; then
  drv key 1028 end >/dev/null
  drv key 1030 down >/dev/null
  drv key 1032 down >/dev/null
  end_dialog 1
  settings PictureFit=2 Portraits=2 PicturesPerMonitor=1 PanZoom=1 >"$WORK/expected"
  check "OK saves the Photos group: Portraits 2, PicturesPerMonitor 1, PanZoom 1" same_file "$WORK/expected" "$SETTINGS"
  settings PictureFit=2 >"$SETTINGS"  # as the checks below expect it
fi
before="$(digest "$SETTINGS")"
if start_dialog; then
  drv key 1016 home >/dev/null
  drv key 1002 end >/dev/null
  drv key 1018 end >/dev/null
  end_dialog 2
  check "Cancel after moving the Effect controls leaves the file byte for byte" same "$before" "$(digest "$SETTINGS")"
fi
if start_dialog; then
  drv key 1016 home >/dev/null
  end_dialog 1
  settings >"$WORK/expected"
  check "Stretch again: the file is the classic five lines, byte for byte" same_file "$WORK/expected" "$SETTINGS"
fi
# The photo library's Order box: its second item (shuffle) is saved as "PictureOrder 1",
# shown again by the next dialog, and gone from the file once the first item is back.
if start_dialog; then
  drv key 1021 down >/dev/null
  end_dialog 1
  settings PictureOrder=1 >"$WORK/expected"
  check "Down in the Order box: OK saves PictureOrder 1" same_file "$WORK/expected" "$SETTINGS"
fi
if start_dialog; then
  end_dialog 1
  check "the next dialog keeps the saved order" same_file "$WORK/expected" "$SETTINGS"
fi
if start_dialog; then
  drv key 1021 up >/dev/null
  end_dialog 1
  settings >"$WORK/expected"
  check "Up in the Order box: OK saves the classic five lines again" same_file "$WORK/expected" "$SETTINGS"
fi
# Values outside their ranges, written by hand: shown clamped, kept until OK.
settings BlobsSpeed=0 BlobsSize=1000000000 PictureFit=7 SpanMonitors=-3 >"$SETTINGS"
before="$(digest "$SETTINGS")"
if start_dialog; then
  read_texts
  check "speed 0, size 10^9, fit 7, monitors -3 show as 1, 100, Fill, Each monitor" same "1|100|2|0" \
    "$(get speed)|$(get size)|$(get fit)|$(get monitors)"
  end_dialog 2
  check "Cancel keeps the out-of-range values" same "$before" "$(digest "$SETTINGS")"
fi
if start_dialog; then
  end_dialog 1
  settings BlobsSpeed=1 BlobsSize=100 PictureFit=2 >"$WORK/expected"
  check "OK stores the out-of-range values as the dialog shows them" same_file "$WORK/expected" "$SETTINGS"
fi

# ---- Add, drop, Remove, menu, OK ----
rm -f "$SETTINGS"
if start_dialog; then
  drv add "$PICS" c.bmp a.jpg b.png >/dev/null || fail "the open-file dialog takes several files"
  read_texts
  check "Add with several files: entries in the dialog's order" same \
    "3|$PICS\\c.bmp|$PICS\\a.jpg|$PICS\\b.png" "$(get count)|$(get entry0)|$(get entry1)|$(get entry2)"
  drv add "$PICS" d.tif >/dev/null || fail "the open-file dialog takes one file"
  read_texts
  check "Add with one file: its full path" same "4|$PICS\\d.tif" "$(get count)|$(get entry3)"
  drv add-cancel >/dev/null || fail "the open-file dialog can be cancelled"
  read_texts
  check "Add cancelled: nothing changes" same "4" "$(get count)"

  drv drop "$PICS\\drop\\a.JPG" "$PICS\\drop\\b.txt" "$PICS\\drop\\album" "$PICS\\drop\\holiday.jpg" >/dev/null ||
    fail "a drop can be posted"
  read_texts
  check "a drop of a.JPG, b.txt and two folders adds a.JPG and each folder as a folder entry" same \
    "7|$PICS\\drop\\a.JPG|$PICS\\drop\\album\\|$PICS\\drop\\holiday.jpg\\" \
    "$(get count)|$(get entry4)|$(get entry5)|$(get entry6)"
  # The two folder entries go again, so that the checks below keep their list.
  drv select 6 >/dev/null
  drv click 4 >/dev/null
  drv select 5 >/dev/null
  drv click 4 >/dev/null
  drv select -1 >/dev/null

  drv click 4 >/dev/null   # Remove, nothing selected
  read_texts
  check "Remove without a selection removes nothing and selects the first entry" same "5|0" "$(get count)|$(get selected)"
  drv select 2 >/dev/null
  drv click 4 >/dev/null   # Remove entry 2, b.png
  read_texts
  check "Remove with a selection removes that entry and selects the one before" same \
    "4|1|$PICS\\d.tif" "$(get count)|$(get selected)|$(get entry2)"
  drv menu 1 2 >/dev/null || fail "the right-click menu opens and closes"
  read_texts
  check "a right click on entry 1 and Remove in the menu removes that entry" same \
    "3|$PICS\\c.bmp|$PICS\\d.tif|$PICS\\drop\\a.JPG" "$(get count)|$(get entry0)|$(get entry1)|$(get entry2)"
  drv scheme 2 >/dev/null
  end_dialog 1
  settings SelectLumoraEffect=2 -- "$PICS\\c.bmp" "$PICS\\d.tif" "$PICS\\drop\\a.JPG" >"$WORK/expected"
  check "OK writes the exact bytes of the settings file" same_file "$WORK/expected" "$SETTINGS"
fi

# ---- Cancel leaves the file as it was ----
before="$(digest "$SETTINGS")"
if start_dialog; then
  read_texts
  check "the dialog shows the saved pictures and scheme" same "3|2|1" "$(get count)|$(get scheme)|$(get check)"
  drv add "$PICS" a.jpg >/dev/null
  drv select 0 >/dev/null
  drv click 4 >/dev/null
  drv click 1004 >/dev/null
  drv scheme 3 >/dev/null
  end_dialog 2
  check "Cancel after adding and removing leaves the file byte for byte" same "$before" "$(digest "$SETTINGS")"
fi

# ---- Remove All, the check mark and the value ----
if start_dialog; then
  drv click 1004 >/dev/null   # the user unchecks "Show images": the value becomes 0
  drv click 5 >/dev/null      # Remove All
  read_texts
  check "Remove All empties the list" same "0|0" "$(get count)|$(get check)"
  drv add "$PICS" a.jpg >/dev/null
  read_texts
  check "Add sets the check mark" same "1" "$(get check)"
  end_dialog 1
  settings ShowImages=0 SelectLumoraEffect=2 -- "$PICS\\a.jpg" >"$WORK/expected"
  check "the check mark set by Add does not change the saved value" same_file "$WORK/expected" "$SETTINGS"
fi

# ---- A long selection: 30 files whose names fill more than 2,047 characters ----
names=()
for i in $(seq -w 1 30); do
  names+=("photo_${i}_$(printf 'w%.0s' $(seq 1 80)).jpg")
  cp assets/archive/Resource/logo.png "$WORK/pics/many/${names[-1]}"
done
rm -f "$SETTINGS"
if start_dialog; then
  drv add "$PICS\\many" "${names[@]}" >/dev/null || fail "the open-file dialog takes 30 files"
  read_texts
  check "Add of 30 files: the list shows 21 of them" same "21|$PICS\\many\\${names[20]}" "$(get count)|$(get entry20)"
  # 700 names of 95 characters do not fit even the large buffer (Wine's dialog fills it to
  # the brim instead of reporting it): nothing is added, and the log says why.
  w80="$(printf 'w%.0s' $(seq 1 80))"
  for i in $(seq -f '%04g' 1 700); do : >"$WORK/pics/many/many_${i}_$w80.jpg"; done
  drv add-generated "$PICS\\many" 700 >/dev/null
  read_texts
  check "a selection too long for the buffer adds nothing" same "21" "$(get count)"
  if grep -a -q "selection too long" "$WORK/log_output.txt" 2>/dev/null; then pass "a selection too long for the buffer is logged"
  else fail "a selection too long for the buffer is logged"; fi
  end_dialog 1
  expected_pictures=()
  for n in "${names[@]}"; do expected_pictures+=("$PICS\\many\\$n"); done
  settings -- "${expected_pictures[@]}" >"$WORK/expected"
  check "OK saves all 30 files of a selection longer than 2,047 characters" same_file "$WORK/expected" "$SETTINGS"
fi

# ---- More pictures than the list shows: entry n stays picture n ----
# 30 pictures; the list shows 21. Remove one, add one, remove what entry 20 then shows: the
# file must lose exactly the two pictures the user took out and keep the one added.
thirty=()
for i in $(seq -w 0 29); do thirty+=("C:\\album\\photo$i.jpg"); done
settings -- "${thirty[@]}" >"$SETTINGS"
if start_dialog; then
  drv select 5 >/dev/null
  drv click 4 >/dev/null   # Remove photo05
  read_texts
  check "after a Remove the list shows the next hidden picture" same "21|C:\\album\\photo21.jpg" "$(get count)|$(get entry20)"
  drv add "$PICS" a.jpg >/dev/null
  read_texts
  shown="$(get entry20)"
  check "after an Add entry 20 is still picture 20 of the record" same "C:\\album\\photo21.jpg" "$shown"
  drv select 20 >/dev/null
  drv click 4 >/dev/null   # Remove what entry 20 shows
  end_dialog 1
  meant=()
  for p in "${thirty[@]}" "$PICS\\a.jpg"; do
    [ "$p" = "C:\\album\\photo05.jpg" ] || [ "$p" = "$shown" ] || meant+=("$p")
  done
  settings -- "${meant[@]}" >"$WORK/expected"
  check "OK saves exactly the pictures left after removing what the list showed" same_file "$WORK/expected" "$SETTINGS"
fi

# ---- An unknown scheme ----
settings SelectLumoraEffect=9 >"$SETTINGS"
if start_dialog; then
  read_texts
  check "scheme 9 in the file: no selection" same "-1" "$(get scheme)"
  end_dialog 1
  settings SelectLumoraEffect=-1 >"$WORK/expected"
  check "OK without touching the scheme stores -1" same_file "$WORK/expected" "$SETTINGS"
fi

# ---- Preview, twice, and what OK saves after it ----
# 25 pictures that do not exist (the screen stays black behind the particles, so they can be
# told apart from the error screen) and one path longer than a list entry holds.
pictures=()
for i in $(seq -w 1 25); do pictures+=("C:\\missing\\picture$i.jpg"); done
long="C:\\$(printf 'x%.0s' $(seq 1 1100))\\long.png"
settings -- "${pictures[@]}" >"$SETTINGS"

# Particles: most corners of the screen black (the error screen fills them with its panel)
# and a good number of bright pixels above the logo.
shows_particles() {  # screenshot
  local dark=0 g
  for g in 120x60+130+100 120x60+770+100 120x60+130+600 120x60+770+600; do
    [ "$(convert "$1" -crop "$g" +repage -colorspace gray -format '%[fx:mean < 0.004 ? 1 : 0]' info:)" = 1 ] && dark=$((dark + 1))
  done
  local bright
  bright="$(convert "$1" -crop 1024x690+0+0 +repage -colorspace HSB -channel B -separate -threshold 60% \
    -format '%[fx:mean > 0.003 ? 1 : 0]' info:)"
  [ "$dark" -ge 2 ] && [ "$bright" = 1 ]
}
preview_open() { [ "$(drv preview-state)" = "previewOpen=1" ]; }
shot_shows_particles() { import -window root "$1" 2>/dev/null && shows_particles "$1"; }
# Opens the preview and waits up to ten seconds for particles. The particle system keeps its
# particles from one preview to the next, and Wine's software renderer draws a full stream
# at about 20 frames a second: previews kept open longer leave so many particles that the
# next one may miss its 20 frames in the first second and show the error screen, as it may
# under a heavy load. Two more tries tell that apart from a preview that never draws.
open_preview() {  # name
  local try
  for try in 1 2 3; do
    local out
    out="$(drv preview)" || { fail "$1 opens" "$out"; return 1; }
    if [ "$try" = 1 ]; then
      check "$1 covers the screen from 0,0" same "preview=0,0,1024,768" "$(printf '%s\n' "$out" | grep '^preview=')"
      check "$1 hides the cursor" same "cursorShown=0" "$(printf '%s\n' "$out" | grep '^cursorShown=')"
    fi
    # The preview's set-up is done once it shows: its start-up second has begun. On two cores a
    # second preview looked at all through it failed three times running.
    past_startup_second
    if E2E_POLL="${SHOT_POLL:-0.5}" wait_for 10 shot_shows_particles "$SHOTS/$2-$try.png"; then
      pass "$1 shows particles"
      return 0
    fi
    [ "$try" = 3 ] && break
    note "$1 showed no particles (load $(cut -d' ' -f1 /proc/loadavg)); trying once more"
    drv preview-message esc >/dev/null
    drv preview-gone >/dev/null
    sleep 5  # a passing burst of load from elsewhere is the usual cause
  done
  fail "$1 shows particles" "see $SHOTS/$2-*.png"
  return 1
}

if start_dialog; then
  drv drop "$long" >/dev/null
  read_texts
  check "the list shows 21 of 26 pictures" same "21" "$(get count)"
  drv click 1004 >/dev/null   # "Show images" off, unsaved
  drv scheme 1 >/dev/null
  open_preview "the first preview" preview-1
  drv preview-message shift-lbutton >/dev/null
  check "a left click with Shift held does not end the preview" holds_for 1 preview_open
  xdotool mousemove 512 384 click 1
  if drv preview-gone >/dev/null; then pass "a plain left click ends the preview"; else
    fail "a plain left click ends the preview"
    drv preview-message lbutton >/dev/null
    drv preview-gone >/dev/null
  fi
  check "the cursor is shown again" same "cursorShown=1" "$(drv cursor)"
  open_preview "the second preview" preview-2
  drv preview-message esc >/dev/null
  if drv preview-gone >/dev/null; then pass "Esc ends the second preview"; else fail "Esc ends the second preview"; fi
  read_texts
  check "after the previews the dialog keeps its choices" same "21|0|1" "$(get count)|$(get check)|$(get scheme)"
  end_dialog 1
  settings ShowImages=0 SelectLumoraEffect=1 -- "${pictures[@]}" "$long" >"$WORK/expected"
  check "OK after two previews saves all 26 pictures, the long path whole, and the unsaved values" same_file \
    "$WORK/expected" "$SETTINGS"
fi

# ---- The preview runs at the speed the slider shows ----
# Each in a dialog of its own, so both start from an empty stream: after the same three
# seconds, speed 100 has built a bright stream while speed 1 has barely begun one.
bright_pixels() { convert "$1" -crop 1024x690+0+0 +repage -colorspace HSB -channel B -separate -threshold 60% \
  -format '%[fx:int(mean * w * h + 0.5)]' info: 2>/dev/null; }
# Not the error screen: most corners black (the error screen fills them with its panel).
dark_corners() {
  local dark=0 g
  for g in 120x60+130+100 120x60+770+100 120x60+130+600 120x60+770+600; do
    [ "$(convert "$1" -crop "$g" +repage -colorspace gray -format '%[fx:mean < 0.004 ? 1 : 0]' info:)" = 1 ] && dark=$((dark + 1))
  done
  [ "$dark" -ge 2 ]
}
# Past the black start-up second: the logo in the bottom-left corner is drawn.
shot_logo_shown() { import -window root "$1" 2>/dev/null && logo_shown "$1"; }
logo_shown() { [ "$(convert "$1" -crop 200x50+10+710 +repage -colorspace gray -format '%[fx:mean > 0.02 ? 1 : 0]' info:)" = 1 ]; }
preview_at_speed() {  # key (home or end), name, minimum bright pixels: BRIGHT = those after three seconds
  local try shot opened
  BRIGHT=""
  for try in 1 2 3; do
    start_dialog || return 1
    drv key 1002 "$1" >/dev/null
    opened=""
    if drv preview >/dev/null; then
      shot="$SHOTS/$2-$try.png"
      # The three seconds are measured from the first look that finds a drawn frame, past the
      # black start-up second, however long Wine takes to get there.
      past_startup_second
      wait_for 15 shot_logo_shown "$shot" || note "$2: no logo within 15 s"
      measure_window 3
      import -window root "$shot" 2>/dev/null
      # The screenshot counts only if the preview was up all the while.
      [ "$(drv preview-state)" = "previewOpen=1" ] && opened=1
      drv preview-message esc >/dev/null
      drv preview-gone >/dev/null
    fi
    end_dialog 2
    if [ -n "$opened" ] && dark_corners "$shot" && logo_shown "$shot"; then
      BRIGHT="$(bright_pixels "$shot")"
      [ "${BRIGHT:-0}" -ge "$3" ] && return 0
    fi
    note "$2 showed no stream or the error screen (load $(cut -d' ' -f1 /proc/loadavg)); trying once more"
    BRIGHT=""
    sleep 5
  done
  return 1
}
settings >"$SETTINGS"
preview_at_speed end preview-fast 1500
fast="$BRIGHT"
preview_at_speed home preview-slow 0
slow="$BRIGHT"
if [ -n "$fast" ] && [ -n "$slow" ] && [ "$fast" -gt 1500 ] 2>/dev/null && [ "$fast" -gt $((20 * slow + 200)) ] 2>/dev/null; then
  pass "after three seconds the preview at speed 100 shows far more of the stream than at speed 1 ($fast against $slow bright pixels)"
else
  fail "after three seconds the preview at speed 100 shows far more of the stream than at speed 1" \
    "[$fast] against [$slow] bright pixels; see $SHOTS/preview-fast-*.png and preview-slow-*.png"
fi

# ---- A settings file that cannot be written: load and save both use the user's folder ----
# Root may write any file whatever its mode bits, and so may Wine running as root; an
# immutable file cannot be opened for writing by anyone.
# The old file holds the user's choices from before an update: they must carry over.
settings SelectLumoraEffect=2 -- "C:\\old\\kept.jpg" >"$SETTINGS"
user_settings_file() {
  find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Lumora/Lumora.scr.settings' 2>/dev/null | head -n 1
}
user_settings="$(user_settings_file)"
[ -n "$user_settings" ] && rm -f "$user_settings"
if ! chattr +i "$SETTINGS" 2>/dev/null; then
  note "skipped: the settings file's fallback place (no immutable files here)"
else
  IMMUTABLE="$SETTINGS"
  before="$(digest "$SETTINGS")"
  if start_dialog; then
    read_texts
    check "without a file of the user's own, the old file beside the program is read" same \
      "1|C:\\old\\kept.jpg|2" "$(get count)|$(get entry0)|$(get scheme)"
    drv add "$PICS" b.png >/dev/null
    end_dialog 1
    user_settings="$(user_settings_file)"
    check "a settings file that cannot be written stays as it was" same "$before" "$(digest "$SETTINGS")"
    if [ -n "$user_settings" ]; then
      settings SelectLumoraEffect=2 -- "C:\\old\\kept.jpg" "$PICS\\b.png" >"$WORK/expected"
      check "OK saves to the user's own folder instead" same_file "$WORK/expected" "$user_settings"
      if start_dialog; then
        read_texts
        check "the next dialog reads the user's own file" same "2|$PICS\\b.png" "$(get count)|$(get entry1)"
        end_dialog 2
      fi
      rm -f "$user_settings"
    else
      fail "OK saves to the user's own folder instead" "no file under AppData/Roaming/Lumora"
    fi
  fi
  chattr -i "$SETTINGS"
  IMMUTABLE=""
fi

save_message_shown() { read_texts; [ "$(get visible1023)" = 1 ]; }
# ---- A full disk: OK keeps the old file whole and the dialog open; OK again saves ----
# A small tmpfs over a folder of the prefix holds the program and a settings file of 4,096
# bytes with 31 pictures; a filler takes the rest of its room once the dialog is open.
FULL="$WINEPREFIX/drive_c/lumora-full"
room=$(( $(stat -c %s "$WORK/Lumora.scr") + $(stat -c %s "$WORK/LMRResource.dat") + 262144 ))
if [ "$(id -u)" != 0 ] || ! mkdir -p "$FULL" || ! mount -t tmpfs -o "size=$room" lumora-full "$FULL"; then
  note "skipped: a full disk (mounting a tmpfs needs root)"
else
  MOUNTED="$FULL"
  cp "$WORK/Lumora.scr" "$WORK/LMRResource.dat" "$FULL/"
  pictures=()
  for i in $(seq -w 1 31); do pictures+=("$PICS\\full_${i}_$(printf 'p%.0s' $(seq 1 70)).jpg"); done
  settings -- "${pictures[@]}" >"$FULL/Lumora.scr.settings"
  # Padded to 4,096 bytes in the last picture's name.
  pad=$((4096 - $(stat -c %s "$FULL/Lumora.scr.settings")))
  pictures[30]="${pictures[30]%.jpg}$(printf 'q%.0s' $(seq 1 "$pad")).jpg"
  settings -- "${pictures[@]}" >"$FULL/Lumora.scr.settings"
  cp "$FULL/Lumora.scr.settings" "$WORK/old-settings"
  if start_dialog "$FULL" "the configuration dialog opens from the full disk"; then
    dd if=/dev/zero of="$FULL/filler" bs=4k 2>/dev/null
    drv select 3 >/dev/null
    drv click 4 >/dev/null       # one picture fewer
    drv key 1016 down >/dev/null  # Fit
    drv key 1018 down >/dev/null  # Span all monitors
    drv click 1 >/dev/null
    wait_for 30 save_message_shown || note "no save message within 30 s"
    read_texts
    check "OK on a full disk: the dialog stays open and says the settings could not be saved" same \
      "Lumora Screen Saver|1|The settings could not be saved." "$(get caption)|$(get visible1023)|$(get ctl1023)"
    check "OK on a full disk leaves the old file byte for byte" same_file "$WORK/old-settings" "$FULL/Lumora.scr.settings"
    rm -f "$FULL/filler"
    end_dialog 1
    settings PictureFit=1 SpanMonitors=1 -- "${pictures[@]:0:3}" "${pictures[@]:4}" >"$WORK/expected"
    check "with room again, OK once more saves the choices" same_file "$WORK/expected" "$FULL/Lumora.scr.settings"
  fi
  [ -n "$SCR_PID" ] && kill "$SCR_PID" 2>/dev/null
  SCR_PID=""
  timeout 30 wineserver -w 2>/dev/null
  { umount "$FULL" 2>/dev/null || umount -l "$FULL"; } && rmdir "$FULL"
  MOUNTED=""
fi

# ---- A settings file that another program holds for a second: OK waits for it and saves ----
# The driver opens the file as a virus scanner does (no delete sharing), clicks OK while it
# holds it, and lets it go a second later.
settings -- "$PICS\\a.jpg" >"$SETTINGS"
if start_dialog; then
  drv key 1016 down >/dev/null  # Fit
  hold="$(drv hold "$WIN_WORK\\Lumora.scr.settings" 1000 1)"
  check "while the file is held, the dialog waits" same "held=1|openAtRelease=1" "$(printf '%s' "$hold" | paste -sd'|')"
  gone="$(drv gone 30)"
  check "once the file is let go, the dialog closes" same "gone=1" "$gone"
  [ "$gone" = "gone=1" ] || stop_saver
  reap_saver 30
  settings PictureFit=1 -- "$PICS\\a.jpg" >"$WORK/expected"
  check "the held file is saved" same_file "$WORK/expected" "$SETTINGS"
  check "no temporary file is left beside it" same "" "$(cd "$WORK" && ls Lumora.scr.settings.*.tmp 2>/dev/null)"
fi

# ---- Without the list pictures in the archive: the two hint texts on white ----
TOOL="${LUMORA_TOOL:-build/linux/lumora-tool}"
if [ -x "$TOOL" ] && [ -d assets/archive ]; then
  stage="$WORK/archive"
  cp -r assets/archive "$stage"
  rm -f "$stage"/Resource/ListBox*Fone.png
  mv "$WORK/LMRResource.dat" "$WORK/LMRResource.full"
  if "$TOOL" pack "$stage" "$WORK/LMRResource.dat" >/dev/null; then
    rm -f "$SETTINGS"
    if start_dialog; then
      list_shot "$SHOTS/empty-list-hint.png"
      white="$(convert "$SHOTS/empty-list-hint.png" -colorspace gray -threshold 97% -format '%[fx:mean > 0.85 ? 1 : 0]' info:)"
      ink="$(convert "$SHOTS/empty-list-hint.png" -colorspace gray -negate -threshold 50% -format '%[fx:mean > 0.003 ? 1 : 0]' info:)"
      check "without its picture the empty list shows the hint texts on white" same "1|1" "$white|$ink"
      end_dialog 2
    fi
  else
    fail "an archive without the list pictures can be packed"
  fi
  mv -f "$WORK/LMRResource.full" "$WORK/LMRResource.dat"
else
  note "skipped: the hint texts ($TOOL is not built)"
fi

# ---- A language file of an older archive: its 54 texts, and English for the Effect group ----
if [ -x "$TOOL" ] && [ -d assets/archive ]; then
  stage="$WORK/archive-old"
  cp -r assets/archive "$stage"
  head -n 54 assets/archive/Resource/Language_ru.csv >"$stage/Resource/Language_ru.csv"
  mv "$WORK/LMRResource.dat" "$WORK/LMRResource.full"
  if "$TOOL" pack "$stage" "$WORK/LMRResource.dat" >/dev/null; then
    set_language 1
    rm -f "$SETTINGS"
    if start_dialog; then
      read_texts
      check "a Russian file of 54 lines: Russian buttons, the Effect group in English" same \
        "ОК|Отмена|Effect|Speed|Size|Pictures|Monitors|Stretch|Fit|Fill|Each monitor|Span all monitors" \
        "$(get ctl1)|$(get ctl2)|$(get ctl1012)|$(get ctl1013)|$(get ctl1014)|$(get ctl1015)|$(get ctl1017)|$(get fits)|$(get monitorItems)"
      end_dialog 2
    fi
    set_language 0
  else
    fail "an archive with a 54-line language file can be packed"
  fi
  mv -f "$WORK/LMRResource.full" "$WORK/LMRResource.dat"
else
  note "skipped: an older archive's language file ($TOOL is not built)"
fi

# ---- 150 % display scaling, on a screen of the size that offers it ----
# Wine takes the DPI from these three values when it starts; the old ones come back after.
DPI_KEYS=('HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts' 'HKCC\Software\Fonts')
ORIGINAL_DPI=()
for key in "${DPI_KEYS[@]}"; do
  ORIGINAL_DPI+=("$(wine reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | grep -o '0x[0-9a-fA-F]*$')")
done
set_dpi() {  # value for every key, or the original values with "restore"
  local i
  for i in "${!DPI_KEYS[@]}"; do
    local value="$1"
    [ "$1" = restore ] && value="${ORIGINAL_DPI[$i]}"
    if [ -z "$value" ]; then wine reg delete "${DPI_KEYS[$i]}" /v LogPixels /f >/dev/null 2>&1
    else wine reg add "${DPI_KEYS[$i]}" /v LogPixels /t REG_DWORD /d "$((value))" /f >/dev/null 2>&1; fi
  done
}
DPI_CHANGED=1
set_dpi 144
wine_teardown
if wine_setup 1920x1080; then
  for lang in 0 3; do
    set_language "$lang"
    rm -f "$SETTINGS"
    start_dialog || continue
    drv layout $EFFECT_IDS >"$WORK/layout"
    check "150 %, CurLang $lang: the dialog is drawn at 144 DPI" same "dpi=144" "$(grep '^dpi=' "$WORK/layout")"
    check "150 %, CurLang $lang: the dialog is on the screen and the Effect group's captions fit" same "layout=ok" "$(grep '^layout=' "$WORK/layout")"
    [ "$lang" = 0 ] && import -window root "$SHOTS/dialog-150.png" 2>/dev/null
    end_dialog 2
  done
  set_language 0
  set_dpi restore
  DPI_CHANGED=""
else
  fail "a 1920 x 1080 screen for the 150 % checks"
fi

report "config dialog"
