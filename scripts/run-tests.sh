#!/usr/bin/env bash
# Every test of the default run, after ./lumora has built both targets:
#   1. native unit and tool tests (ctest)
#   2. the native unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
#      in a shuffled order, and the render-thread and archive-reader tests under
#      ThreadSanitizer (each variant builds only the test program, in build/asan, build/tsan)
#   3. short fuzz runs of the readers (LUMORA_LONG=1: long runs)
#   4. the Windows unit tests under Wine on a private Xvfb screen
#   5. the end-to-end scripts of tests/wine
# --quick: stage 1 only (./lumora test --quick builds only the native target).
# --busy: a busy process per core runs beside every stage, as on a shared machine.
# Ends with one "tests: N passed, N failed" line that counts test cases and checks: ctest
# cases, GoogleTest cases, fuzz targets and the "ok:"/"FAILED:" lines of the scripts. A
# stage that fails without reporting a failure of its own (a build, a crash) counts as one.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
QUICK=0
[ "${1:-}" = --quick ] && QUICK=1
if [ "${1:-}" = --busy ]; then
  BUSY=()
  for _ in $(seq "$(nproc)"); do (while :; do :; done) & BUSY+=($!); done
  trap 'kill "${BUSY[@]}" 2>/dev/null' EXIT
  echo "== $(nproc) busy processes beside the run"
fi
passed=0
failed=0
LOGS="$ROOT/build/test-logs"
mkdir -p "$LOGS"

# Counts in one stage's output, by the form its tests report in; prints "PASSED FAILED".
count_ctest() {  # "100% tests passed, 0 tests failed out of 6"
  sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\2 \1/p' "$1" |
    awk '{ p += $1 - $2; f += $2 } END { print p + 0, f + 0 }'
}
count_gtest() {  # "[  PASSED  ] 215 tests." and "[  FAILED  ] 3 tests, listed below:"
  awk '/^\[  PASSED  \] [0-9]+ tests?\./ { p += $4 }
       /^\[  FAILED  \] [0-9]+ tests?, listed below:/ { f += $4 }
       END { print p + 0, f + 0 }' "$1"
}
count_checks() {  # "   ok: ..." / "   FAILED: ..." (and "ok   - " / "FAIL - ")
  awk '/^[ \t]*(ok:|ok +- )/ { p++ } /^[ \t]*(FAILED:|FAIL - )/ { f++ } END { print p + 0, f + 0 }' "$1"
}

step() {  # kind (ctest, gtest, checks), name, command...
  local kind="$1" name="$2"; shift 2
  local log="$LOGS/$(echo "$name" | tr -c 'A-Za-z0-9_\n-' '_').log" rc p f
  echo "== $name"
  "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  read -r p f < <(count_"$kind" "$log")
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  passed=$((passed + p))
  failed=$((failed + f))
  [ "$rc" -eq 0 ] || echo "!! FAILED: $name"
  echo "   counted: $p passed, $f failed"
}
# A command with a time-out, so that a hang ends with its name instead of holding the run
# (CI ends the whole job after 90 minutes, saying nothing of where). The command gets its
# own process group (all of it is ended), a minute to clean up after TERM, and no terminal
# input, which a background process group would stop on. Being in a group of its own, it no
# longer hears the terminal's Ctrl-C: that is handed on to its group, and the run then ends
# as interrupted instead of going on to the next stage.
timed() {  # seconds, name, command...
  local seconds="$1" name="$2" start=$SECONDS rc pid interrupted=0; shift 2
  timeout --kill-after=60 "$seconds" "$@" </dev/null &
  pid=$!
  trap 'interrupted=1; kill -INT -- -"$pid" 2>/dev/null' INT TERM
  while :; do
    wait "$pid"
    rc=$?
    kill -0 "$pid" 2>/dev/null || break
  done
  trap - INT TERM
  if [ "$interrupted" -eq 1 ]; then kill -INT "$BASHPID"; return 130; fi
  if [ "$rc" -eq 124 ] || { [ "$rc" -eq 137 ] && [ $((SECONDS - start)) -ge "$seconds" ]; }; then
    echo "   FAILED: $name timed out after ${seconds}s"
  fi
  return $rc
}
finish() {
  echo "tests: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

step ctest "native tests" ctest --test-dir build/linux --output-on-failure -j 2
[ "$QUICK" = 1 ] && finish

# The test program alone, built with a sanitizer: dir, time-out of its run in seconds, flags,
# then its arguments. It runs without address-space randomisation: GCC 12's ThreadSanitizer
# stops with "unexpected memory mapping" under the larger randomisation of newer kernels.
# The build may take a while on a busy machine; its time-out only catches a hang.
run_sanitized() {
  local variant="$1" dir="build/$1" seconds="$2" flags="$3"; shift 3
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null || return 1
  timed 1800 "$variant build" cmake --build "$dir" --target lumora_tests -j 2 >"$dir/build.log" 2>&1 ||
    { tail -n 30 "$dir/build.log"; return 1; }
  (cd "$dir" && timed "$seconds" "lumora_tests under $variant" \
    setarch "$(uname -m)" -R ./tests/lumora_tests --gtest_color=no "$@")
}
# Any report fails the run: halt_on_error for ASan and TSan, -fno-sanitize-recover for UBSan.
# Time-outs: the whole program takes about 7 s under ASan on an idle 2-core machine, the
# few TSan cases under a second; a busy machine is several times slower.
SANITIZE_FLAGS='-fno-omit-frame-pointer -fno-sanitize-recover=all'
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:strict_string_checks=1 \
  step gtest "native tests under ASan and UBSan (shuffled)" run_sanitized asan 300 \
    "-fsanitize=address,undefined $SANITIZE_FLAGS" --gtest_shuffle
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  step gtest "render-thread and archive-reader tests under TSan" run_sanitized tsan 120 \
    "-fsanitize=thread $SANITIZE_FLAGS" --gtest_filter='RenderLoop*:ZipReader*'

run_fuzz() {
  local seconds="$1"
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DLUMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS='-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=all' \
    -DCMAKE_CXX_FLAGS='-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=all' >/dev/null || return 1
  timed 1800 "fuzz build" cmake --build build/fuzz -j 2 >/dev/null || return 1
  local target name corpus rc=0
  for target in build/fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name="$(basename "$target" _fuzz)"
    corpus="build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null
    # libFuzzer ends a slow input itself (-timeout); this ends a run that never stops.
    if timeout --kill-after=60 $((seconds + 180)) "$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=0 "$corpus" >"build/fuzz/$name.log" 2>&1 </dev/null; then
      echo "   ok: $name, ${seconds}s"
    elif [ $? -eq 124 ]; then
      echo "   FAILED: $name fuzzing timed out after $((seconds + 180))s"
      rc=1
    else
      tail -n 30 "build/fuzz/$name.log"
      echo "   FAILED: $name"
      rc=1
    fi
  done
  return $rc
}
if [ "${LUMORA_LONG:-0}" = 1 ]; then
  step checks "fuzz (long)" run_fuzz "${LUMORA_FUZZ_SECONDS:-1800}"
else
  step checks "fuzz (short)" run_fuzz 20
fi

run_windows_tests() {  # runs in a subshell of step's pipeline, so its trap ends with it
  source scripts/wine-env.sh
  local rc=0 tests=build/windows/tests
  STAGE=""  # not local: the trap runs after the function has returned
  remove_stage() { [ -z "$STAGE" ] || rm -rf "$STAGE"; }
  wine_cleanup_on_exit remove_stage
  wine_setup 1024x768 || return 1
  # The scene tests read the real archive beside the test program, as the saver does.
  cp dist/LMRResource.dat dist/LumoraPlaces.dat "$tests/"
  rm -rf "$tests/artefacts"
  ( cd "$tests" && timeout 1200 wine ./lumora_tests.exe --gtest_color=no ) || rc=1
  # Once more with an archive that lacks the effect file.
  STAGE="$(mktemp -d)"
  cp -r assets/archive/. "$STAGE/"
  rm -f "$STAGE/Resource/ParticleShader.fx"
  build/linux/lumora-tool pack "$STAGE" "$tests/no_effect.dat" >/dev/null || rc=1
  rm -rf "$STAGE"
  ( cd "$tests" && LUMORA_TEST_ARCHIVE=no_effect.dat timeout 300 wine ./lumora_tests.exe --gtest_color=no \
      --gtest_filter='Scene.WithoutTheEffectFileLogoButNoParticles' ) || rc=1
  wine_teardown
  # Back-buffer images for a person to look at.
  local bmp
  for bmp in "$tests"/artefacts/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
  [ -d "$tests/artefacts" ] && echo "   back-buffer images: $tests/artefacts/"
  return $rc
}
step gtest "windows unit tests under wine" run_windows_tests

for script in tests/wine/*_test.sh; do
  [ -f "$script" ] || continue
  # Each took up to a few minutes in CI.
  step checks "wine: $(basename "$script" .sh)" timed 900 "$(basename "$script" .sh)" bash "$script"
done
if [ "${LUMORA_LONG:-0}" = 1 ]; then
  # The soak runs LUMORA_SOAK_MINUTES (10); twice that and ten minutes more.
  long_seconds=$(( ${LUMORA_SOAK_MINUTES:-10} * 120 + 600 ))
  for script in tests/wine/*_long.sh; do
    step checks "wine (long): $(basename "$script" .sh)" timed "$long_seconds" "$(basename "$script" .sh)" bash "$script"
  done
fi

finish
