# Sourced by the test and run scripts: a private Wine prefix and a private Xvfb screen, so
# Wine tests never touch the user's own prefix or display.
#   wine_setup [WIDTHxHEIGHT]   start Xvfb (unless LUMORA_DISPLAY is set) and prepare the prefix
#   wine_teardown               stop what wine_setup started
LUMORA_ROOT="${LUMORA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${LUMORA_WINEPREFIX:-$LUMORA_ROOT/build/wine/prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
LUMORA_XVFB_PID=""

wine_setup() {
  local size="${1:-1024x768}"
  if [ -n "${LUMORA_DISPLAY:-}" ]; then
    export DISPLAY="$LUMORA_DISPLAY"
  else
    local fifo
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    LUMORA_XVFB_PID=$!
    local n
    read -r -t 20 n <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$n"
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
