#!/usr/bin/env bash
# lumora-tool prints its command's output only and leaves no log file beside itself;
# --log shows the log lines on standard error, still without a file.
set -euo pipefail
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cp "$1" "$tmp/lumora-tool"
tool="$tmp/lumora-tool"
"$tool" sim --frames 3 >"$tmp/out" 2>"$tmp/err"
[ ! -s "$tmp/err" ] || { echo "sim wrote to standard error:"; cat "$tmp/err"; exit 1; }
[ ! -e "$tmp/log_output.txt" ] || { echo "sim left a log_output.txt"; exit 1; }
"$tool" --log sim --frames 3 >"$tmp/logged" 2>"$tmp/err"
cmp -s "$tmp/out" "$tmp/logged" || { echo "--log changed the command's output"; exit 1; }
grep -q '^\[[0-9:]*\] ParticleSystem::ParticleSystem () - OK' "$tmp/err" || {
  echo "--log showed no log line:"; cat "$tmp/err"; exit 1; }
[ ! -e "$tmp/log_output.txt" ] || { echo "--log left a log_output.txt"; exit 1; }
echo "quiet tool: ok"
