#!/usr/bin/env bash
# Resource archives between lumora-tool and Info-ZIP: what `pack` writes, unzip extracts;
# what `zip -P` writes (stored or deflated), `res cat` reads; damaged copies fail cleanly.
# Usage: archive_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
TOOL="${1:?usage: archive_test.sh LUMORA_TOOL [BUILD_DIR]}"
PASSWORD=5829316
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/lumora-archive-test.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

for tool in zip unzip od dd cmp; do
  command -v "$tool" >/dev/null || { fail "'$tool' is not installed"; exit 1; }
done

# The folder to pack: nested folders, text, binary, an empty file, a name with spaces.
SRC="$WORK/src"
mkdir -p "$SRC/Resource/sub dir"
printf 'id;text\r\n0;Lumora\r\n' >"$SRC/Resource/Language_en.csv"
head -c 40000 /dev/urandom >"$SRC/Resource/Particle.tga"
head -c 30000 /dev/zero >"$SRC/Resource/sub dir/zeros.bin"
: >"$SRC/Resource/empty.txt"

# `res cat` must fail with status 1 and exactly one line on stderr, not crash.
cat_fails() {  # cat_fails ARCHIVE MEMBER
  local status lines
  "$TOOL" res cat "$1" "$2" >"$WORK/cat.out" 2>"$WORK/cat.err"
  status=$?
  lines=$(wc -l <"$WORK/cat.err")
  if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ]; then
    echo "     res cat $2: exit $status, $lines stderr lines (want 1 and 1)"
    return 1
  fi
}

cat_matches() {  # cat_matches ARCHIVE MEMBER FILE
  "$TOOL" res cat "$1" "$2" >"$WORK/cat.out" 2>"$WORK/cat.err" && cmp -s "$WORK/cat.out" "$3"
}

# ---- pack -> Info-ZIP unzip --------------------------------------------------------------
PACKED="$WORK/packed.dat"
check "pack writes an archive" "$TOOL" pack "$SRC" "$PACKED"

mkdir -p "$WORK/unzipped"
check "unzip -P $PASSWORD extracts the packed archive" \
  unzip -q -P "$PASSWORD" "$PACKED" -d "$WORK/unzipped"
check "extracted files equal the packed folder" diff -r "$SRC" "$WORK/unzipped"

expected_names="$(cd "$SRC" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
listed_names="$("$TOOL" res list "$PACKED" | cut -f1)"
check "res list gives every file, sorted by name" test "$expected_names" = "$listed_names"

check "unzip -P with another password rejects the packed archive" \
  bash -c '! unzip -q -o -P 1111111 "$1" -d "$2" >/dev/null 2>&1' _ "$PACKED" "$WORK/wrongpw"

check "res cat reads a packed member back" \
  cat_matches "$PACKED" "resource/particle.TGA" "$SRC/Resource/Particle.tga"

# ---- Info-ZIP zip -> res cat ----------------------------------------------------------------
(cd "$SRC" && zip -q -r -P "$PASSWORD" "$WORK/deflated.zip" .)
(cd "$SRC" && zip -q -r -0 -P "$PASSWORD" "$WORK/stored.zip" .)
for kind in deflated stored; do
  archive="$WORK/$kind.zip"
  check "res cat reads text from a $kind zip -P archive" \
    cat_matches "$archive" "Resource/Language_en.csv" "$SRC/Resource/Language_en.csv"
  check "res cat reads binary from a $kind zip -P archive" \
    cat_matches "$archive" "Resource/Particle.tga" "$SRC/Resource/Particle.tga"
  check "res cat reads a nested member from a $kind zip -P archive" \
    cat_matches "$archive" "Resource/sub dir/zeros.bin" "$SRC/Resource/sub dir/zeros.bin"
  check "res cat gives nothing for an empty member of a $kind archive" \
    cat_matches "$archive" "Resource/empty.txt" "$SRC/Resource/empty.txt"
  check "res cat of a missing member exits 1 ($kind)" cat_fails "$archive" "Resource/missing.png"
done

# ---- damaged copies ----------------------------------------------------------------------
# One big incompressible member, so a byte in the middle of the file is member data.
mkdir -p "$WORK/one"
head -c 20000 /dev/urandom >"$WORK/one/blob.bin"
flip_byte() {  # flip_byte FILE OFFSET
  local old new
  old=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  new=$((old ^ 0x40))
  printf "\\$(printf '%03o' "$new")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
for kind in stored deflated; do
  level=-6
  [ "$kind" = stored ] && level=-0
  archive="$WORK/one-$kind.zip"
  (cd "$WORK/one" && zip -q "$level" -P "$PASSWORD" "$archive" blob.bin)
  check "res cat reads the intact $kind blob" cat_matches "$archive" blob.bin "$WORK/one/blob.bin"

  cp "$archive" "$WORK/flipped.zip"
  flip_byte "$WORK/flipped.zip" 10000
  check "flipped data byte in a $kind member: res cat exits 1" cat_fails "$WORK/flipped.zip" blob.bin

  size=$(stat -c %s "$archive")
  head -c $((size / 2)) "$archive" >"$WORK/truncated.zip"
  check "truncated $kind archive: res cat exits 1" cat_fails "$WORK/truncated.zip" blob.bin
  head -c $((size - 30)) "$archive" >"$WORK/truncated-tail.zip"
  check "$kind archive missing its last bytes: res cat exits 1" \
    cat_fails "$WORK/truncated-tail.zip" blob.bin

  (cd "$WORK/one" && zip -q "$level" -P 1234567 "$WORK/wrongpw-$kind.zip" blob.bin)
  check "$kind archive with another password: res cat exits 1" \
    cat_fails "$WORK/wrongpw-$kind.zip" blob.bin
done

check "res cat on a file that is not an archive exits 1" \
  cat_fails "$SRC/Resource/Language_en.csv" "Resource/Language_en.csv"

report archive_test
