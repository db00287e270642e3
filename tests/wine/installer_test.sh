#!/usr/bin/env bash
# The release packages, as a user or an administrator meets them:
#   the zip holds Lumora.scr, LMRResource.dat, LumoraPlaces.dat (identical to dist/) and
#      README.txt, which names the places' licence and its address
#   the installer refuses a bad /LANG or /SETCURRENT with exit code 2 and changes nothing
#   a silent install puts the three files into the 64-bit system folder, sets "CurLang", registers
#      the uninstaller and makes Lumora the current saver, which then starts from there
#   installing again keeps the language and the saver choice
#   the silent uninstall (the registered QuietUninstallString) leaves nothing of Lumora behind
#      but each user's own settings, and leaves other programs' things alone
#   the installer script starts nothing from its finish page (it would run with the
#      administrator's token) and shows Lumora's own side picture (164x314) and header (150x57)
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT" || exit 1
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

VERSION="$(tr -d ' \t\r\n' <VERSION)"
SETUP="$ROOT/dist/LumoraSetup.exe"
ZIP="$ROOT/dist/Lumora-$VERSION.zip"
WORK="$ROOT/build/e2e/installer"
SCRUB_ERR="$WORK/scrub-stderr.txt"
SYS="$WINEPREFIX/drive_c/windows/system32"
PROGRAM_DIR="$WINEPREFIX/drive_c/Program Files/Lumora"
VELMORA_KEY='HKLM\SOFTWARE\VELMORA'
SAVER_KEY='HKLM\SOFTWARE\VELMORA\ScreenSaver\Lumora'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora'
DESKTOP_KEY='HKCU\Control Panel\Desktop'
SYS_SAVER='C:\windows\system32\Lumora.scr'
rm -rf "$WORK"
mkdir -p "$WORK/shots"
same_text() { [ "${1,,}" = "${2,,}" ]; }  # Windows paths and names: case does not matter

for f in "$SETUP" "$ZIP" dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat; do
  [ -f "$f" ] || { echo "   FAILED: $f is missing (run ./lumora build)"; exit 1; }
done

echo "-- the portable zip"
names="$(unzip -Z1 "$ZIP" | sort | tr '\n' ' ')"
check "unzip -l lists Lumora.scr, LMRResource.dat, LumoraPlaces.dat and README.txt" \
  [ "$names" = "LMRResource.dat Lumora.scr LumoraPlaces.dat README.txt " ]
for f in Lumora.scr LMRResource.dat LumoraPlaces.dat; do
  check "$f in the zip is identical to dist/$f" cmp -s <(unzip -p "$ZIP" "$f") "dist/$f"
done
readme="$(unzip -p "$ZIP" README.txt)"
check "README.txt names version $VERSION" grep -q "Lumora Screen Saver $VERSION" <<<"$readme"
check "README.txt names the places' licence and its address" grep -q "https://creativecommons.org/licenses/by/4.0/" <<<"$readme"
check "README.txt has Windows line ends" [ "$(grep -c $'\r$' <<<"$readme")" = "$(wc -l <<<"$readme")" ]

echo "-- the installer script"
NSI=installer/lumora.nsi
# Everything the finish page could start (a run box, a "show readme" box, a function behind
# either) would run elevated.
check "the finish page starts nothing" \
  bash -c "! grep -Eq '^[[:space:]]*!define[[:space:]]+MUI_FINISHPAGE_(RUN|SHOWREADME)' '$NSI'"
check "no Exec of control.exe or the saver anywhere" \
  bash -c "! grep -Eiq '^[[:space:]]*Exec(Shell|Wait)?[[:space:]].*(control\.exe|desk\.cpl|\.scr)' '$NSI'"
bitmap_size() { identify -format '%m %wx%h' "$1" 2>/dev/null; }
for art in "MUI_WELCOMEFINISHPAGE_BITMAP welcome.bmp 164x314" "MUI_HEADERIMAGE_BITMAP header.bmp 150x57"; do
  read -r define file size <<<"$art"
  check "$define names assets/installer/$file" \
    grep -Eq "^!define $define \"\.\./assets/installer/$file\"" "$NSI"
  check "assets/installer/$file is a $size BMP" [ "$(bitmap_size "assets/installer/$file")" = "BMP3 $size" ]
done
check "the header picture is switched on" grep -Eq '^!define MUI_HEADERIMAGE$' "$NSI"

# ---------------------------------------------------------------------------------------------
# Wine now and then fails a start right after its server was restarted (exit code 1, nothing
# done). A command that only reads, or sets up what a check needs, is tried up to three times.
up_to_3() { local try; for try in 1 2 3; do "$@" && return 0; done; return 1; }
# Registry helpers: `wine reg query` prints "    NAME    REG_TYPE    DATA".
key_exists() { timeout 30 wine reg query "$1" >/dev/null 2>&1; }
# reg says 1 both for a missing key and when Wine did not start at all, so its status cannot
# tell "absent". The parent's listing, read in one start, can: it names every subkey. A parent
# reg did not list is asked about in turn: gone too, the key is gone; there, it is read again.
# Status 0 where the key is not there, 1 where it is, 2 where reg could not tell.
key_state() {  # key
  local parent="${1%\\*}" name="${1##*\\}" listing try
  [ "$parent" != "$1" ] || return 2
  for try in 1 2 3; do
    if listing="$(reg_dump "$parent")"; then
      awk -F "\\\\" -v name="${name,,}" '/^HKEY_/ && tolower($NF) == name { found = 1 }
        END { exit found }' <<<"$listing"
      return
    fi
    if [ "$try" = 1 ]; then
      key_state "$parent"
      case $? in 0) return 0 ;; 2) return 2 ;; esac
    fi
  done
  return 2
}
key_absent() {  # key: a key that is there leaves what it holds in DETAIL
  key_state "$1"
  case $? in
    0) return 0 ;;
    1) DETAIL="$(reg_dump "$1" /s | grep -v '^$' | paste -sd ' ')"
       DETAIL="it holds: ${DETAIL:-(reg did not say what)}" ;;
    *) DETAIL="reg did not answer for $1" ;;
  esac
  return 1
}
reg_dump() {  # key [switches]: reg's listing, and its status
  local out rc
  out="$(timeout 30 wine reg query "$@" 2>/dev/null)"
  rc=$?
  # Even an empty key's listing is a line: nothing at all is a Wine that did not run reg.
  [ "$rc" != 0 ] || [ -n "$out" ] || rc=1
  [ "$rc" != 0 ] || printf '%s\n' "${out//$'\r'/}"
  return "$rc"
}
reg_read() { up_to_3 reg_dump "$@"; }  # a key that should be there
value_in() {  # dump name -> data; status 1 when the value is not there
  local line
  line="$(grep -F -i -m 1 "    $2    REG_" <<<"$1")" || return 1
  sed -E 's/^ +[^ ].*    REG_[A-Z_]+    ?//' <<<"$line"
}
reg_value() { value_in "$(reg_read "$1")" "$2"; }
value_absent() { ! value_in "$1" "$2" >/dev/null; }
all_absent() {  # files...
  local f
  for f; do [ ! -e "$f" ] || return 1; done
}

APPDATA_LUMORA=""
CREATED_USER_SETTINGS=0
scrub_registry() {  # reg's messages go to SCRUB_ERR
  timeout 30 wine reg delete "$VELMORA_KEY" /f >/dev/null 2>"$SCRUB_ERR"
  timeout 30 wine reg delete "$UNINSTALL_KEY" /f >/dev/null 2>>"$SCRUB_ERR"
  timeout 30 wine reg delete "$DESKTOP_KEY" /v SCRNSAVE.EXE /f >/dev/null 2>>"$SCRUB_ERR"
}
registry_scrubbed() {
  local desktop
  DETAIL=""
  key_absent "$VELMORA_KEY" && key_absent "$UNINSTALL_KEY" || return 1
  desktop="$(reg_read "$DESKTOP_KEY")" || { DETAIL="the Desktop key unread"; return 1; }
  value_absent "$desktop" SCRNSAVE.EXE || { DETAIL="SCRNSAVE.EXE still set"; return 1; }
}
# Leaves the prefix as the other tests expect it, whatever an earlier or this run left.
scrub() {
  rm -f "$SYS/Lumora.scr" "$SYS/LMRResource.dat" "$SYS/LumoraPlaces.dat" "$SYS/Lumora.scr.settings"
  grep -q 'Lumora Screen Saver' "$SYS/log_output.txt" 2>/dev/null && rm -f "$SYS/log_output.txt"
  grep -q 'installer test' "$SYS/log_output.txt" 2>/dev/null && rm -f "$SYS/log_output.txt"
  rm -rf "$PROGRAM_DIR"
  # A reg that did not start deletes nothing, and the checks below would blame the installer
  # for what an earlier test left: the keys are looked at again until they are gone.
  local try scrubbed=1
  for try in 1 2 3; do
    scrub_registry
    registry_scrubbed && { scrubbed=0; break; }
    note "scrub $try of 3 left Lumora's keys: $DETAIL; reg wrote: $(tr -d '\r' <"$SCRUB_ERR" | paste -sd ' ')"
  done
  if [ "$CREATED_USER_SETTINGS" = 1 ]; then
    rm -f "$APPDATA_LUMORA/Lumora.scr.settings"
    rmdir "$APPDATA_LUMORA" 2>/dev/null
    CREATED_USER_SETTINGS=0
  fi
  return "$scrubbed"
}

# Scrubbed on exit only once the prefix is ready.
wine_cleanup_on_exit
wine_setup 1024x768 || exit 1
wine_cleanup_on_exit scrub
# What an earlier test left must not be charged to the installer.
scrub || { fail "the prefix holds none of Lumora's keys before the installs" "$DETAIL"; report installer; exit 1; }

# A silent run of the installer or uninstaller ends with 0, or 2 where the script quits; 1 (no
# one can cancel a silent run) is a start Wine failed, and the run is started once more.
started_again() {  # code what
  [ "$1" = 1 ] || return 1
  note "$2 ended with 1; started once more"
}
install() {  # switches... -> sets CODE
  local try
  for try in 1 2; do
    timeout 120 wine "$SETUP" "$@" >/dev/null 2>&1
    CODE=$?
    started_again "$CODE" "the installer" || break
  done
}
# Runs the uninstaller as Windows does, from its QuietUninstallString. It copies itself to the
# temporary folder, starts that copy and returns at once; the copy removes the uninstaller's
# folder last, so that folder's going means the whole uninstall has run.
uninstalled() { [ ! -e "$1" ] && [ ! -d "$PROGRAM_DIR" ]; }  # the uninstaller's own file
uninstall() {
  local quiet exe args
  quiet="$(reg_value "$UNINSTALL_KEY" QuietUninstallString)"
  if ! [[ "$quiet" =~ ^\"([^\"]+)\"\ *(.*)$ ]]; then
    fail "QuietUninstallString reads '$quiet'"
    return 1
  fi
  exe="${BASH_REMATCH[1]}"
  args="${BASH_REMATCH[2]}"
  local try
  for try in 1 2; do
    # shellcheck disable=SC2086  # the switches are words
    timeout 60 wine "$exe" $args >/dev/null 2>&1
    started_again $? "the uninstaller" || break
  done
  if ! wait_for 60 uninstalled "$(winepath -u "$exe" 2>/dev/null)"; then
    fail "the uninstaller still there after 60 s"
    return 1
  fi
  pass "silent uninstall through QuietUninstallString ($quiet) finished"
}
installed_files_identical() {
  cmp -s "$SYS/Lumora.scr" dist/Lumora.scr && cmp -s "$SYS/LMRResource.dat" dist/LMRResource.dat &&
    cmp -s "$SYS/LumoraPlaces.dat" dist/LumoraPlaces.dat
}

echo "-- bad switches"
for bad in /LANG=9 /LANG=x /SETCURRENT=2; do
  install /S "$bad"
  check "$bad ends with exit code 2 (got $CODE)" [ "$CODE" = 2 ]
done
check "nothing installed after bad switches" all_absent "$SYS/Lumora.scr" "$PROGRAM_DIR"
check "no Lumora key after bad switches" key_absent "$SAVER_KEY"

echo "-- silent install: /S /LANG=1 /SETCURRENT=1"
install /S /LANG=1 /SETCURRENT=1
check "exit code 0 (got $CODE)" [ "$CODE" = 0 ]
check "Lumora.scr, LMRResource.dat and LumoraPlaces.dat in the 64-bit system folder, identical to dist/" installed_files_identical
check "nothing in the 32-bit system folder" all_absent "$WINEPREFIX/drive_c/windows/syswow64/Lumora.scr"
check "CurLang is the DWORD 1" [ "$(reg_value "$SAVER_KEY" CurLang)" = 0x1 ]

uninstall_entry="$(reg_read "$UNINSTALL_KEY")"
check "the uninstall key is there" [ -n "$uninstall_entry" ]
check "DisplayName" [ "$(value_in "$uninstall_entry" DisplayName)" = "Lumora Screen Saver" ]
check "DisplayVersion is $VERSION" [ "$(value_in "$uninstall_entry" DisplayVersion)" = "$VERSION" ]
check "Publisher" [ -n "$(value_in "$uninstall_entry" Publisher)" ]
uninstall_string="$(value_in "$uninstall_entry" UninstallString)"
check "UninstallString names uninstall.exe in Program Files\\Lumora" \
  same_text "$uninstall_string" '"C:\Program Files\Lumora\uninstall.exe"'
check "the uninstaller is there" [ -f "$PROGRAM_DIR/uninstall.exe" ]
check "QuietUninstallString is UninstallString /S" \
  [ "$(value_in "$uninstall_entry" QuietUninstallString)" = "$uninstall_string /S" ]
check "DisplayIcon is the installed saver" same_text "$(value_in "$uninstall_entry" DisplayIcon)" "$SYS_SAVER,0"
size_hex="$(value_in "$uninstall_entry" EstimatedSize)"
size_kb=$((size_hex))
files_kb=$((($(stat -c %s dist/Lumora.scr) + $(stat -c %s dist/LMRResource.dat) + $(stat -c %s dist/LumoraPlaces.dat)) / 1024))
check "EstimatedSize ($size_kb KB) fits the files ($files_kb KB)" \
  test "$size_kb" -ge "$files_kb" -a "$size_kb" -le $((files_kb + 256))
check "NoModify is 1" [ "$(value_in "$uninstall_entry" NoModify)" = 0x1 ]
check "NoRepair is 1" [ "$(value_in "$uninstall_entry" NoRepair)" = 0x1 ]

desktop="$(reg_read "$DESKTOP_KEY")"
scrnsave="$(value_in "$desktop" SCRNSAVE.EXE)"
check "SCRNSAVE.EXE is $SYS_SAVER" same_text "$scrnsave" "$SYS_SAVER"
check "ScreenSaveActive is 1" [ "$(value_in "$desktop" ScreenSaveActive)" = 1 ]

echo "-- the saver from the system folder, started as Windows starts it"
saver_from_system_folder() { saver_pid "$SYS/Lumora.scr" >/dev/null; }
xdotool mousemove 500 400
(cd "$WORK" && exec wine "$scrnsave" /s) >/dev/null 2>&1 &
saver=$!
check "it draws on the screen" shot_until installed_saver 20 lit 1024x600+0+0 0.002
check "the running saver is the system folder's" saver_from_system_folder
xdotool key space
# Kept for a person to look at: the uninstaller removes the original.
cp "$SYS/log_output.txt" "$WORK/installed_saver_log.txt" 2>/dev/null
check "a key press ends it" window_gone_within 3
if exited_within "$saver" 10; then
  check "it exits with 0 (got $CODE)" [ "$CODE" = 0 ]
else
  fail "the saver process still running"
  wineserver -k >/dev/null 2>&1
  wait "$saver" 2>/dev/null
fi

echo "-- installing again (an update): /S"
install /S
check "exit code 0 (got $CODE)" [ "$CODE" = 0 ]
check "the files are still identical to dist/" installed_files_identical
check "CurLang is kept (1)" [ "$(reg_value "$SAVER_KEY" CurLang)" = 0x1 ]
check "SCRNSAVE.EXE is kept" same_text "$(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE)" "$SYS_SAVER"

echo "-- silent uninstall"
# Settings an administrator saved beside the installed saver, and a user's own.
settings >"$SYS/Lumora.scr.settings"
appdata_folder() {  # the user's %APPDATA%, as a Unix path
  local appdata
  appdata="$(timeout 30 wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')" && [ -n "$appdata" ] &&
    winepath -u "$appdata" 2>/dev/null | grep .
}
APPDATA_LUMORA="$(up_to_3 appdata_folder)/Lumora"
if [ "$APPDATA_LUMORA" = /Lumora ]; then
  fail "the user's %APPDATA% read" "Wine did not say"
  APPDATA_LUMORA=""
elif [ ! -e "$APPDATA_LUMORA/Lumora.scr.settings" ]; then
  mkdir -p "$APPDATA_LUMORA"
  settings >"$APPDATA_LUMORA/Lumora.scr.settings"
  CREATED_USER_SETTINGS=1
fi
had_log=0
grep -q 'Lumora Screen Saver' "$SYS/log_output.txt" 2>/dev/null && had_log=1
uninstall
for f in Lumora.scr LMRResource.dat LumoraPlaces.dat Lumora.scr.settings; do
  check "no $f left in the system folder" [ ! -e "$SYS/$f" ]
done
if [ "$had_log" = 1 ]; then check "the saver's log_output.txt is gone" [ ! -e "$SYS/log_output.txt" ]; fi
check "no Program Files\\Lumora folder" [ ! -e "$PROGRAM_DIR" ]
check "no VELMORA key" key_absent "$VELMORA_KEY"
check "no uninstall key" key_absent "$UNINSTALL_KEY"
desktop="$(reg_read "$DESKTOP_KEY")"
check "SCRNSAVE.EXE removed" value_absent "$desktop" SCRNSAVE.EXE
check "ScreenSaveActive is 0" [ "$(value_in "$desktop" ScreenSaveActive)" = 0 ]
check "the user's own settings in %APPDATA%\\Lumora stay" [ -f "$APPDATA_LUMORA/Lumora.scr.settings" ]

echo "-- other programs' things stay: a fresh /S install and uninstall"
other_saver='C:\Savers\Lumora.scr'  # a copy from the zip, chosen with right-click "Install"
up_to_3 timeout 30 wine reg add "$DESKTOP_KEY" /v SCRNSAVE.EXE /d "$other_saver" /f >/dev/null 2>&1
up_to_3 timeout 30 wine reg add "$VELMORA_KEY\\Other" /v Kept /t REG_DWORD /d 1 /f >/dev/null 2>&1
printf 'installer test: another program\r\n' >"$SYS/log_output.txt"
install /S
check "exit code 0 (got $CODE)" [ "$CODE" = 0 ]
check "CurLang defaults to 0" [ "$(reg_value "$SAVER_KEY" CurLang)" = 0x0 ]
check "SCRNSAVE.EXE left as it was" same_text "$(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE)" "$other_saver"
uninstall
check "no Lumora.scr left" [ ! -e "$SYS/Lumora.scr" ]
check "another saver stays chosen" same_text "$(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE)" "$other_saver"
check "VELMORA with another product stays" up_to_3 key_exists "$VELMORA_KEY\\Other"
check "but its ScreenSaver key is gone" key_absent "$VELMORA_KEY\\ScreenSaver"
check "another program's log_output.txt stays" grep -q 'another program' "$SYS/log_output.txt"

report installer
