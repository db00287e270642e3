#!/usr/bin/env bash
# lumora-tool: every command refuses an option it does not know, or a misspelled one, with
# its usage line and exit code 2, instead of running as if the option were not there.
set -uo pipefail
tool="$1"
failures=0
refuses() {  # command words...
  local err rc
  err="$("$tool" "$@" 2>&1 >/dev/null)"
  rc=$?
  if [ "$rc" -eq 2 ] && grep -q "^usage: lumora-tool $1" <<<"$err"; then echo "ok: $*"
  else echo "FAILED: lumora-tool $* -> exit $rc: $err"; failures=$((failures + 1)); fi
}
refuses sim --frames 2 --bogus 7
refuses sim --frame 2
refuses sim --frames 2 -v
refuses settings /nonexistent.settings --save 1
refuses texts --all
refuses res list /nonexistent.dat --verbose
refuses pack --force /tmp /nonexistent.dat
refuses requirements --description RADEON --typo 1
# A value that starts like an option is still a value.
out="$("$tool" requirements --description "-RADEON-" 2>&1)"
[ "$out" = pass ] || { echo "FAILED: a value starting with '-' was taken for an option: $out"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
