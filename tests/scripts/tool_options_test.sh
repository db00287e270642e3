#!/usr/bin/env bash
# lumora-tool: every command refuses an option it does not know, or a misspelled one, with
# its usage line and exit code 2, instead of running as if the option were not there.
set -uo pipefail
tool="$1"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
usage_exit() {  # command words...: exit code 2 and the command's usage line
  local err rc
  err="$("$tool" "$@" 2>&1 >/dev/null)"
  rc=$?
  [ "$rc" -eq 2 ] && grep -q "^usage: lumora-tool $1" <<<"$err" && return 0
  DETAIL="exit $rc: $err"
  return 1
}
refuses() { check "$*" usage_exit "$@"; }
refuses sim --frames 2 --bogus 7
refuses sim --frame 2
refuses sim --frames 2 -v
refuses settings /nonexistent.settings --save 1
refuses texts --all
refuses res list /nonexistent.dat --verbose
refuses pack --force /tmp /nonexistent.dat
refuses requirements --description RADEON --typo 1
# A value that starts like an option is still a value.
check "a value starting with '-' is a value" same pass "$("$tool" requirements --description "-RADEON-" 2>&1)"
report "tool options"
