# Sourced by the test and run scripts: a private Wine prefix and a private Xvfb screen, so
# Wine tests never touch the user's own prefix or display.
#   wine_setup [WxH [Xvfb args]]     start Xvfb (unless LUMORA_DISPLAY is set), prepare the prefix
#   wine_teardown                    stop what wine_setup started
#   wine_cleanup_on_exit [FUNCTION]  however the script ends from now on, run FUNCTION (which
#                                    undoes the script's own changes), then wine_teardown
LUMORA_ROOT="${LUMORA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${LUMORA_WINEPREFIX:-$LUMORA_ROOT/build/wine/prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
LUMORA_XVFB_PID=""
LUMORA_ON_EXIT=""

# A private screen on a free display number; sets DISPLAY and LUMORA_XVFB_PID.
start_xvfb() {  # WIDTHxHEIGHT [Xvfb args...]
  local size="$1" fifo n
  shift
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" "$@" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  LUMORA_XVFB_PID=$!
  if ! read -r -t 20 n <"$fifo"; then
    echo "Xvfb did not start" >&2
    rm -f "$fifo"
    kill "$LUMORA_XVFB_PID" 2>/dev/null
    wait "$LUMORA_XVFB_PID" 2>/dev/null
    LUMORA_XVFB_PID=""
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=":$n"
}

wine_setup() {  # [WIDTHxHEIGHT [Xvfb args...]]
  local size="${1:-1024x768}"
  if [ -n "${LUMORA_DISPLAY:-}" ]; then
    export DISPLAY="$LUMORA_DISPLAY"
  else
    start_xvfb "$size" "${@:2}" || return 1
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i >/dev/null 2>&1 || true
    # Xvfb runs no window manager: windows Wine leaves to one would make every hide wait
    # for a withdrawal that never comes (about two seconds each). Wine manages them itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
  fi
}

wine_teardown() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$LUMORA_XVFB_PID" ]; then
    kill "$LUMORA_XVFB_PID" 2>/dev/null || true
    wait "$LUMORA_XVFB_PID" 2>/dev/null || true
    LUMORA_XVFB_PID=""
  fi
}

# Bash runs the EXIT trap on an exit, a failing command under set -e, TERM and HUP. INT
# becomes an exit, since a child that survives Ctrl-C would let the script go on.
wine_cleanup_on_exit() {  # [FUNCTION]
  LUMORA_ON_EXIT="${1:-}"
  trap wine_exit_trap EXIT
  trap 'exit 130' INT
}
wine_exit_trap() {
  trap : INT TERM HUP  # a second Ctrl-C must not cut the clean-up short
  # The script's own launchers first: a Wine process still starting would bring up a new
  # wineserver after the one below is stopped.
  local job
  for job in $(jobs -p); do
    [ "$job" = "$LUMORA_XVFB_PID" ] || kill "$job" 2>/dev/null || true
  done
  # || true: under set -e a failing step would otherwise skip the teardown.
  if [ -n "$LUMORA_ON_EXIT" ]; then "$LUMORA_ON_EXIT" || true; fi
  wine_teardown
}
