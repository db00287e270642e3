#!/usr/bin/env bash
# lumora-tool requirements: the adapter rules end to end on given descriptions, with and
# without the driver's acceleration value, and the exit status of bad usage.
# Usage: requirements_tool_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
tool="${1:?usage: requirements_tool_test.sh LUMORA_TOOL [BUILD_DIR]}"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"

verdict() { "$tool" requirements --description "$@" 2>&1; echo "exit $?"; }  # description [options]
expect() { check "'$2' ${*:3} -> $1" same "$1 exit 0" "$(verdict "${@:2}" | tr '\n' ' ' | sed 's/ $//')"; }  # want description [options]
expect_usage_error() { check "requirements $* -> exit 2" same 2 "$("$tool" requirements "$@" >/dev/null 2>&1; echo $?)"; }

# Known weak RADEON models, in any letter case of the word and in either order.
expect fail "RADEON 9600 SERIES"
expect fail "Mobility Radeon 9600"
expect fail "X1550 Series (RADEON)"
expect pass "Generic Adapter 9600"
expect pass "RADEON X1950"
expect pass "RADEON X1300"

# The old "MX" models, "mx" and a "440" of its own, as written, on any make.
expect fail "NVIDIA GeForce4 MX 440"
expect fail "NVIDIA GeForce4 MX440"
expect fail "NVIDIA GeForce2 MX"
expect fail "NVIDIA GeForce4 MX 4000"
expect fail "some mx adapter"
expect pass "Mx and mX only"

# The newer MX line (MX and three digits) and a 440 inside a longer number pass.
expect pass "NVIDIA GeForce MX450"
expect pass "NVIDIA GeForce MX110"
expect pass "Intel(R) HD Graphics 4400"
expect pass "Model 14400"

# A non-zero acceleration value fails a good adapter; 0 (full acceleration) and its absence pass.
expect pass "NVIDIA GeForce GTX 1060"
expect pass "NVIDIA GeForce GTX 1060" --acceleration-level 0
expect fail "NVIDIA GeForce GTX 1060" --acceleration-level 5

# Non-ASCII text reaches the rules intact: a dash does not hide the model, and a fullwidth
# "radeon" is not the word.
expect fail "Radeon — 9600"
expect pass "ｒａｄｅｏｎ 9600"

expect_usage_error --description
expect_usage_error --acceleration-level 1
expect_usage_error --description "RADEON" --acceleration-level high
expect_usage_error --description "RADEON" --typo 1

report "requirements tool"
