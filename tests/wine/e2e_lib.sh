# Sourced by the end-to-end scripts under tests/wine/ after scripts/wine-env.sh: the check
# lines the test run counts, screenshots and their measures, and the saver's process. The
# screenshot helpers need WORK (with shots/ and app/) and DISPLAY set.
failures=0
pass() { echo "   ok: $*"; }
fail() { echo "   FAILED: $*"; failures=$((failures + 1)); }
gt() { python3 -c "import sys; sys.exit(0 if float('$1') > float('$2') else 1)"; }

shot() { import -display "$DISPLAY" -window root "$WORK/shots/$1.png" 2>/dev/null; }
# Mean brightness (0..1) of a region WxH+X+Y of a screenshot, and of its channels.
mean() { convert "$WORK/shots/$1.png" -crop "$2" +repage -format '%[fx:mean]' info:; }
means() { convert "$WORK/shots/$1.png" -crop "$2" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:; }

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
start_saver() {  # args: switch; sets SAVER (the wine launcher's pid)
  (cd "$WORK/app" && exec wine ./Lumora.scr "$@") &
  SAVER=$!
}
# The saver has ended for the user when its full-screen window is gone. Wine with a software
# OpenGL takes another second or two to tear the process down after ExitProcess, so the
# exit code is awaited separately.
window_gone_within() {  # seconds
  local t=0
  while xdotool search --name '^Screen Saver$' >/dev/null 2>&1; do
    sleep 0.1
    t=$((t + 1))
    [ "$t" -ge $(($1 * 10)) ] && return 1
  done
  return 0
}
