#!/usr/bin/env bash
# The real dist/Lumora.scr under Wine, driven as Windows drives a screen saver:
#   /s full screen: particles and logo after two seconds; a 3-pixel mouse move keeps it,
#      2 more pixels end it with exit code 0 within a second; a key press ends it too
#   a planted d3dcompiler_47.dll beside the saver is not loaded (the system's is)
#   /p HWND inside a parent window: fills its client area, ignores input, ends with the parent
#   bad switches exit with -1 and show nothing
#   "Acceleration.Level" 0 passes the requirements check, 1 fails it; the error screen for
#      "CurLang" 0, 1 and 7 when the driver key has "Acceleration.Level" 1,
#      without spinning a core, ending on input
#   log_output.txt holds the creation lines in order
#   a second /s brings the first forward and exits with 0; an empty command line and /c
#      open the configuration dialog, and the configuration ends with -1
#   a picture claiming 65000x65000 pixels is skipped at once and the next one shown
#   a program folder the ANSI code page cannot spell still reads its archive
# Run from the repository root after ./lumora build.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source scripts/wine-env.sh
source tests/wine/e2e_lib.sh

WORK="$ROOT/build/e2e/saver"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/shots"
cp dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat "$WORK/app/"
# A DLL of a system name in the program folder, as a download folder may hold one: it marks
# its loading with a file beside it and has no D3DAssemble, so loading it would also cost
# the particles.
cat >"$WORK/marker.c" <<'C'
#include <windows.h>
#include <wchar.h>
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    wcscpy(path + n, L".loaded");
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  }
  return TRUE;
}
C
x86_64-w64-mingw32-gcc -shared -o "$WORK/app/d3dcompiler_47.dll" "$WORK/marker.c" || echo "   FAILED: marker DLL not built"
TOOLS="$ROOT/build/windows/tests"

# On a loaded machine the device and the black start-up second can take a while: the
# checks on the screen wait for what they look for up to these seconds.
SHOWN=20
stop_all() { wineserver -k >/dev/null 2>&1; wait "$SAVER" 2>/dev/null; }
ends_with_zero() {  # what, seconds until the window must be gone
  if window_gone_within "$2"; then pass "$1 closes the window within $2 s"; else fail "$1: window still there after $2 s"; fi
  if exited_within "$SAVER" 10 && [ "$CODE" = 0 ]; then pass "$1: exit code 0"; else fail "$1: exit $CODE"; stop_all; fi
}
# Particles: the upper part of the screen is not black; the logo is in the bottom-left corner.
particles_and_logo() { lit "$1" 1024x600+0+0 0.002 && lit "$1" 200x60+5+703 0.05; }

# What this run set in the prefix is taken back however it ends: the other tests share it.
LANG_SET=0
LEVEL_SET=0
reg_lang() {  # number or "none"
  if [ "$1" = none ]; then
    wine reg delete 'HKLM\SOFTWARE\VELMORA\ScreenSaver\Lumora' /v CurLang /f >/dev/null 2>&1
    LANG_SET=0
  else
    LANG_SET=1
    wine reg add 'HKLM\SOFTWARE\VELMORA\ScreenSaver\Lumora' /v CurLang /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
}
level_none() { wine reg delete "HKLM\\$DRIVER_KEY" /v Acceleration.Level /f >/dev/null 2>&1; LEVEL_SET=0; }
restore_registry() {
  [ "$LEVEL_SET" = 1 ] && level_none
  [ "$LANG_SET" = 1 ] && reg_lang none
  csmt_restore
}
wine_cleanup_on_exit restore_registry
wine_setup 1024x768 || exit 1
# The screen is read from the X server, not from the device: Wine's command-stream thread
# can go, and with it the processor time it takes from the start-up second.
csmt_off
DRIVER_KEY="$(wine "$TOOLS/lumora_display_key.exe" 2>/dev/null | tr -d '\r')"
level_none
reg_lang none

echo "-- /s: full screen, then the input rules"
start_shown full_screen "$SHOWN" particles_and_logo -- /s
if gt "$(mean full_screen 1024x600+0+0)" 0.002; then pass "particles drawn"; else fail "no particles"; fi
if gt "$(mean full_screen 200x60+5+703)" 0.05; then pass "logo drawn"; else fail "no logo"; fi
if [ -f "$WORK/app/d3dcompiler_47.dll" ] && [ ! -e "$WORK/app/d3dcompiler_47.dll.loaded" ]; then
  pass "the d3dcompiler_47.dll beside the saver is not loaded"
else fail "the d3dcompiler_47.dll beside the saver was loaded (or not built)"; fi
check "log in the program folder" wait_for 5 log_has "$WORK/app/log_output.txt" 'Window::Create() - OK'
xdotool mousemove 503 400
check "3-pixel move keeps it running" holds_for 1 alive "$SAVER"
xdotool mousemove 505 400
ends_with_zero "2 more pixels" 1

expected_log=" --------------------------- Lumora Screen Saver -------------------
Window::Create() - Direct3DCreate9 () - OK
Window::Create() - GetDeviceCaps () - OK
Window::Create() - CreateDevice () - OK
Window::Create() - D3DXCreateFont () - OK
Window::Create() - OK
Window::InitLogo() - OK
LumoraEffect::InitEffect() - GetDeviceCaps() - OK
ParticleSystem::ParticleSystem () - OK 
WorkSpace::GetParticleSystem () - SetSize OK 
WorkSpace::GetParticleSystem () - SetLife OK 
WorkSpace::GetParticleSystem () - SetSpeed OK 
WorkSpace::GetParticleSystem () - SetSpawnRate OK 
WorkSpace::GetParticleSystem () - SetFrictionFactor OK 
WorkSpace::GetParticleSystem () - SetColorScheme OK 
WorkSpace::GetParticleSystem () - OK 
LumoraEffect::InitEffect() - D3DXCreateEffect(Resource/ParticleShader.fx) - OK
LumoraEffect::InitEffect() - D3DXCreateTextureFromFileInMemoryEx(Resource/Particle.tga) - OK"
actual_log="$(sed -e 's/\r$//' -e 's/^\[[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\] //' "$WORK/app/log_output.txt" 2>/dev/null)"
if [ "$actual_log" = "$expected_log" ]; then pass "log_output.txt holds the creation lines in order"
else fail "log_output.txt differs:"; diff <(echo "$expected_log") <(echo "$actual_log") | head -20; fi
grep -q $'\r$' "$WORK/app/log_output.txt" && pass "log lines end in CR LF" || fail "log lines without CR LF"

start_shown key_press "$SHOWN" particles_and_logo -- /s || note "the saver drew nothing within $SHOWN s"
xdotool key space
ends_with_zero "a key press" 1

echo "-- the saved settings drive /s: one picture behind Cheerful particles"
convert -size 64x48 xc:'#C02010' "$WORK/app/red.png"
settings SelectLumoraEffect=3 -- "$WORK/app/red.png" >"$WORK/app/Lumora.scr.settings"
red_shown() { read -r r g b <<<"$(means "$1" 200x150+800+20)"; gt "$r" 0.6 && gt 0.25 "$g"; }
# Cheerful particles add green and yellow over the red: pixels whose green is far above
# the picture's own (0x20).
cheerful() {
  green="$(convert "$WORK/shots/$1.png" -crop 1024x600+0+0 +repage -channel G -separate -threshold 50% -format '%[fx:mean]' info:)"
  gt "$green" 0.0005
}
red_and_cheerful() { red_shown "$1" && cheerful "$1"; }
start_shown settings_picture "$SHOWN" red_and_cheerful -- /s
if red_shown settings_picture; then pass "the picture covers the screen"; else fail "picture not shown (rgb $r $g $b)"; fi
if cheerful settings_picture; then pass "Cheerful particles over the picture"; else fail "no cheerful particles over the picture ($green)"; fi
xdotool key space
ends_with_zero "a key press over the pictures" 1
rm -f "$WORK/app/Lumora.scr.settings"

echo "-- a second /s while one runs"
start_shown first_saver "$SHOWN" particles_and_logo -- /s || note "the first saver drew nothing within $SHOWN s"
first=$SAVER
start_saver /s
if exited_within "$SAVER" 20 && [ "$CODE" = 0 ]; then pass "a second /s exits with 0"; else fail "second /s: exit $CODE"; fi
if kill -0 "$first" 2>/dev/null; then pass "the first saver keeps running"; else fail "the first saver ended"; fi
windows="$(xdotool search --name '^Screen Saver$' 2>/dev/null | wc -l)"
[ "$windows" = 1 ] && pass "one saver window" || fail "$windows saver windows"
SAVER=$first
xdotool key space
ends_with_zero "a key press after the second /s" 1

echo "-- the configuration: an empty command line and /c"
DRIVER="$TOOLS/lumora_config_driver.exe"
for sw in "" /c; do
  label="${sw:-an empty command line}"
  if [ -n "$sw" ]; then start_saver "$sw"; else start_saver; fi
  if [ "$(timeout 90 wine "$DRIVER" wait 60 2>/dev/null | tr -d '\r')" = "dialog=1" ]; then
    pass "$label opens the configuration dialog"
    timeout 30 wine "$DRIVER" click 2 >/dev/null 2>&1  # Cancel
  else
    fail "$label: no configuration dialog"
  fi
  if exited_within "$SAVER" 20 && [ "$CODE" = 255 ]; then pass "$label: the configuration ends with -1"
  else fail "$label: exit $CODE"; stop_all; fi
done

echo "-- a picture too large to hold"
# A valid 65000 x 65000 one-bit PNG: half a megabyte on disk, 17 GB as 32-bit pixels.
python3 - "$WORK/app/huge.png" <<'PY'
import struct, sys, zlib
side = 65000
row = b"\0" * (1 + (side + 7) // 8)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
z = zlib.compressobj(9)
idat = b"".join(z.compress(row) for _ in range(side)) + z.flush()
with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 1, 0, 0, 0, 0))
            + chunk(b"IDAT", idat) + chunk(b"IEND", b""))
PY
settings -- "$WORK/app/huge.png" "$WORK/app/red.png" >"$WORK/app/Lumora.scr.settings"
start_shown huge_picture "$SHOWN" red_shown -- /s
if red_shown huge_picture; then pass "the other picture is shown"; else fail "the other picture is not shown (rgb $r $g $b)"; fi
if kill -0 "$SAVER" 2>/dev/null; then pass "the saver keeps running"; else fail "the saver ended (exit $(wait "$SAVER"; echo $?))"; fi
if wait_for 5 lines_over "$WORK/app/log_output.txt" 'picture too large' 0 &&
  [ "$(grep -a -c 'picture too large' "$WORK/app/log_output.txt")" = 1 ]; then
  pass "one log line names the skipped picture"; else fail "no log line for the skipped picture"; fi
xdotool key space
ends_with_zero "a key press after skipping the picture" 1
rm -f "$WORK/app/Lumora.scr.settings" "$WORK/app/huge.png"

echo "-- a program folder the ANSI code page cannot spell"
UNICODE_APP="$WORK/Иван 中文/Lumora"
mkdir -p "$UNICODE_APP"
cp dist/Lumora.scr dist/LMRResource.dat dist/LumoraPlaces.dat "$UNICODE_APP/"
# Particles, not the error screen: light above the logo, and most of four patches inside
# the error screen's panel black.
particles_shown() {
  local dark=0 g
  for g in 120x60+130+100 120x60+770+100 120x60+130+600 120x60+770+600; do
    gt 0.004 "$(mean "$1" "$g")" && dark=$((dark + 1))
  done
  [ "$dark" -ge 2 ] && gt "$(mean "$1" 1024x600+0+0)" 0.002
}
for try in 1 2; do
  xdotool mousemove 500 400
  (cd "$UNICODE_APP" && exec wine ./Lumora.scr /s) &
  SAVER=$!
  shot_until unicode_folder "$SHOWN" particles_shown && break
  [ "$try" = 2 ] && break
  echo "   note: no particles (load $(cut -d' ' -f1 /proc/loadavg)); trying once more"
  xdotool key space
  exited_within "$SAVER" 10 || stop_all
done
if particles_shown unicode_folder; then pass "particles drawn"; else fail "no particles from a Cyrillic and CJK folder"; fi
# Whatever the first second did, the set-up read the logo and the effect from the archive.
if grep -a -q 'Window::InitLogo() - OK' "$UNICODE_APP/log_output.txt" 2>/dev/null &&
  grep -a -q 'D3DXCreateEffect(Resource/ParticleShader.fx) - OK' "$UNICODE_APP/log_output.txt"; then
  pass "the archive in the Unicode folder is read"; else fail "the archive in the Unicode folder is not read"; fi
if gt "$(mean unicode_folder 200x60+5+703)" 0.05; then pass "logo drawn"; else fail "no logo from a Cyrillic and CJK folder"; fi
xdotool key space
ends_with_zero "a key press in the Unicode folder" 1
# The Russian texts come from the archive (the built-in table is English).
reg_lang 1
(cd "$UNICODE_APP" && exec wine ./Lumora.scr /c) &
SAVER=$!
if [ "$(timeout 90 wine "$DRIVER" wait 60 2>/dev/null | tr -d '\r')" = "dialog=1" ]; then
  caption="$(timeout 30 wine "$DRIVER" texts 2>/dev/null | tr -d '\r' | grep -m1 '^caption=' | cut -d= -f2-)"
  [ "$caption" = "Заставка Lumora" ] && pass "the dialog shows the archive's texts" || fail "dialog caption [$caption]"
  timeout 30 wine "$DRIVER" click 2 >/dev/null 2>&1
else
  fail "no configuration dialog from the Unicode folder"
fi
exited_within "$SAVER" 20 || stop_all
reg_lang none

echo "-- /p HWND inside a parent window"
out="$WORK/preview.txt"
(cd "$WORK/app" && wine "$TOOLS/lumora_preview_parent.exe" 'Lumora.scr' 6 >"$out" 2>/dev/null) &
parent=$!
# Halfway through its seconds the parent reports its child: the preview is up.
wait_for 20 log_has "$out" '^child' || note "the preview's parent reported no child within 20 s"
shot preview
xdotool mousemove 260 220 mousemove 300 260 click 1 key space
check "preview ignores mouse and keys" holds_for 0.5 not log_has "$out" '^exit'

exited_within "$parent" 10
if grep -q '^exit 0' "$out"; then pass "destroying the parent ends it with 0"; else fail "preview: $(tr -d '\r' <"$out" | tail -n 1)"; fi
# Wine shows nothing that one process draws into a child window of another process's window
# (its window surfaces belong to the top-level's process), so the preview's pixels cannot be
# checked here. What can: the saver's child covers the parent's client area, and its device
# was created for that window with every step OK.
if grep -q '^child 320x240 visible 1' "$out"; then pass "the preview window fills the parent's client area"
else fail "preview window: $(grep '^child' "$out" | tr -d '\r')"; fi
if grep -q 'Window::Create() - OK' "$WORK/app/log_output.txt" && ! grep -q 'FAILED' "$WORK/app/log_output.txt"; then
  pass "preview set-up in the log, every step OK"; else fail "preview set-up failed"; fi

echo "-- bad switches"
for sw in /x /p /p:123; do
  start_saver "$sw"
  if exited_within "$SAVER" 10 && [ "$CODE" = 255 ]; then pass "$sw exits with -1"; else fail "$sw: exit $CODE"; stop_all; fi
done
shot after_bad_switches
if gt 0.001 "$(mean after_bad_switches 1024x768+0+0)"; then pass "bad switches show nothing"; else fail "something was shown"; fi

echo "-- error screen"
level() { wine reg add "HKLM\\$DRIVER_KEY" /v Acceleration.Level /t REG_DWORD /d "$1" /f >/dev/null 2>&1 && LEVEL_SET=1; }
machine_check() { wine "$ROOT/build/windows/lumora-tool.exe" requirements 2>/dev/null | tr -d '\r'; }
if [ -n "$DRIVER_KEY" ] && level 0; then
  # 0 is full acceleration, as Windows reads it; any other value turns it down.
  check "Acceleration.Level 0 passes the requirements check" same pass "$(machine_check)"
fi
if [ -n "$DRIVER_KEY" ] && level 1; then
  check "Acceleration.Level 1 fails the requirements check" same fail "$(machine_check)"
  for lang in 0 1 7; do
    case "$lang" in 1) picture=RussianErrorFone.png ;; *) picture=EnglishErrorFone.png ;; esac
    reg_lang "$lang"
    xdotool mousemove 500 400
    start_saver /s
    # Measured once the error screen is up: its logo bottom-left.
    shot_until "error_$lang" "$SHOWN" lit 200x60+0+708 0.05
    pid="$(saver_pid)"
    cpu_over "$pid" 5
    shot "error_$lang"
    convert "$WORK/shots/error_$lang.png" -crop 800x600+112+84 +repage "$WORK/shots/error_${lang}_picture.png"
    rmse="$(compare -metric RMSE "$WORK/shots/error_${lang}_picture.png" "assets/archive/Resource/$picture" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')"
    if [ -n "$rmse" ] && gt 0.05 "$rmse"; then pass "CurLang $lang shows $picture"; else fail "CurLang $lang: picture differs (rmse ${rmse:-none})"; fi
    if gt "$(mean "error_$lang" 200x60+0+708)" 0.05; then pass "CurLang $lang: logo bottom-left"; else fail "CurLang $lang: no logo"; fi
    cpu=$TICKS  # clock ticks (1/100 s) over 5 s
    if [ -z "$pid" ]; then fail "CurLang $lang: no saver process of this run to measure"
    elif [ "$cpu" -lt 150 ]; then pass "CurLang $lang: $((cpu * 10)) ms of CPU in 5 s"; else fail "CurLang $lang spins: $((cpu * 10)) ms of CPU in 5 s"; fi
    xdotool key space
    ends_with_zero "a key on the error screen" 1
  done
  level_none
else
  fail "no display driver key found"
fi
reg_lang none

stop_all
wine_teardown
echo "   screenshots in $WORK/shots"
report "saver end-to-end"
