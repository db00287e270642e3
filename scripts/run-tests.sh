#!/usr/bin/env bash
# Every test of the default run, after ./lumora has built both targets:
#   1. native unit and tool tests (ctest)
#   2. short fuzz runs of the readers (LUMORA_LONG=1: long runs)
#   3. the Windows unit tests under Wine on a private Xvfb screen
# Ends with one "N passed, N failed" line.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
passed=0
failed=0
step() {  # name, command...
  local name="$1"; shift
  echo "== $name"
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "!! FAILED: $name"; fi
}

step "native tests" ctest --test-dir build/linux --output-on-failure -j 2

run_fuzz() {
  local seconds="$1"
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DLUMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS='-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=all' \
    -DCMAKE_CXX_FLAGS='-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=all' >/dev/null || return 1
  cmake --build build/fuzz -j 2 >/dev/null || return 1
  local target name corpus rc=0
  for target in build/fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name="$(basename "$target" _fuzz)"
    corpus="build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null
    echo "   $name: ${seconds}s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$corpus" \
      >"build/fuzz/$name.log" 2>&1 || { tail -n 30 "build/fuzz/$name.log"; rc=1; }
  done
  return $rc
}
if [ "${LUMORA_LONG:-0}" = 1 ]; then
  step "fuzz (long)" run_fuzz "${LUMORA_FUZZ_SECONDS:-1800}"
else
  step "fuzz (short)" run_fuzz 20
fi

run_windows_tests() {
  source scripts/wine-env.sh
  wine_setup 1024x768 || return 1
  local rc=0 tests=build/windows/tests
  # The scene tests read the real archive beside the test program, as the saver does.
  cp dist/LMRResource.dat "$tests/"
  rm -rf "$tests/artefacts"
  ( cd "$tests" && timeout 1200 wine ./lumora_tests.exe --gtest_color=no ) || rc=1
  # Once more with an archive that lacks the effect file.
  local stage
  stage="$(mktemp -d)"
  cp -r assets/archive/. "$stage/"
  rm -f "$stage/Resource/ParticleShader.fx"
  build/linux/lumora-tool pack "$stage" "$tests/no_effect.dat" >/dev/null || rc=1
  rm -rf "$stage"
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
step "windows unit tests under wine" run_windows_tests

for script in tests/wine/*_test.sh; do
  [ -f "$script" ] || continue
  step "wine: $(basename "$script" .sh)" bash "$script"
done
if [ "${LUMORA_LONG:-0}" = 1 ]; then
  for script in tests/wine/*_long.sh; do
    step "wine (long): $(basename "$script" .sh)" bash "$script"
  done
fi

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
