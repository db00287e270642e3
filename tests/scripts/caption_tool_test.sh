#!/usr/bin/env bash
# lumora-tool caption: the date and the place of photos with and without EXIF date and GPS,
# in two languages, against the gazetteer the build made; the same EXIF in each container
# that keeps it (HEIC, AVIF, PNG, WebP, ORF, RW2) gives the JPEG's caption; the place a
# person would name for well-known sights (the city, not its suburb); country names in all
# seven languages; and bad usage.
# Usage: caption_tool_test.sh LUMORA_TOOL [BUILD_DIR]
set -u
tool="${1:?usage: caption_tool_test.sh LUMORA_TOOL [BUILD_DIR]}"
source "$(dirname "${BASH_SOURCE[0]}")/../wine/e2e_lib.sh"
photo="python3 $(dirname "${BASH_SOURCE[0]}")/exif_photo.py"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
$photo "$dir/both.jpg" --date "2023:07:14 10:00:00" --gps 48.1372 11.5756
$photo "$dir/date.jpg" --date "1999:12:31 23:59:59"
$photo "$dir/sea.jpg" --gps 40.0 -30.0 --date "2001:01:01 00:00:00"
$photo "$dir/none.jpg"
for kind in heic avif png webp orf rw2; do $photo "$dir/both.$kind" --date "2023:07:14 10:00:00" --gps 48.1372 11.5756; done
check "date and place" same "Friday, July 14, 2023|Munich, Germany|" "$("$tool" caption "$dir/both.jpg" | tr '\n' '|')"
check "German" same "Freitag, 14. Juli 2023|München, Deutschland|" "$("$tool" caption --lang 2 "$dir/both.jpg" | tr '\n' '|')"
check "no GPS, none near, nothing at all" same "Friday, December 31, 1999||Monday, January 1, 2001||||" \
  "$("$tool" caption "$dir/date.jpg" "$dir/sea.jpg" "$dir/none.jpg" | tr '\n' '|')"
for kind in heic avif png webp orf rw2; do
  check "the JPEG's caption from a .$kind photo" same "$("$tool" caption "$dir/both.jpg")" "$("$tool" caption "$dir/both.$kind")"
done
# Sights inside a city are named for the city; a town next to one keeps its own name.
sights=(48.8584:2.2945 35.7101:139.8107 51.5081:-0.0759 40.758:-73.9855 43.1107:12.3908 50.4542:3.9567
        48.8049:2.1204 35.4437:139.638 50.8225:-0.1372 46.0207:7.7491)
files=()
for s in "${sights[@]}"; do
  $photo "$dir/$s.jpg" --gps "${s%:*}" "${s#*:}"
  files+=("$dir/$s.jpg")
done
check "the city for its sights, the town for itself" same \
  "Paris, France|Tokyo, Japan|London, United Kingdom|New York, United States|Perugia, Italy|Mons, Belgium|Versailles, France|Yokohama, Japan|Brighton, United Kingdom|Zermatt, Switzerland|" \
  "$("$tool" caption "${files[@]}" | sed -n 'n;p' | tr '\n' '|')"
# A city beside a larger one keeps its name, across a border too.
$photo "$dir/kawasaki.jpg" --gps 35.5308 139.7029
$photo "$dir/elpaso.jpg" --gps 31.7587 -106.4869
check "a city beside a larger one" same "Kawasaki, Japan|El Paso, United States|" \
  "$("$tool" caption "$dir/kawasaki.jpg" "$dir/elpaso.jpg" | sed -n 'n;p' | tr '\n' '|')"
# Country names as people say them, in every language.
$photo "$dir/hk.jpg" --gps 22.2855 114.1577
$photo "$dir/kinshasa.jpg" --gps -4.3217 15.3126
countries=""
for lang in 0 1 2 3 4 5 6; do
  countries+="$("$tool" caption --lang $lang "$dir/51.5081:-0.0759.jpg" "$dir/hk.jpg" "$dir/kinshasa.jpg" | sed -n 'n;p' | sed 's/.*[,、] *//' | tr '\n' '|')"
done
check "country names in seven languages" same \
  "United Kingdom|Hong Kong|Congo - Kinshasa|Великобритания|Гонконг|Конго - Киншаса|Vereinigtes Königreich|Hongkong|Kongo-Kinshasa|Royaume-Uni|Hong Kong|Congo-Kinshasa|Reino Unido|Hong Kong|República Democrática del Congo|Regno Unito|Hong Kong|Congo - Kinshasa|イギリス|香港|コンゴ民主共和国|" \
  "$countries"
check "a bad language and a missing file" same "2 1" \
  "$("$tool" caption --lang 7 "$dir/both.jpg" >/dev/null 2>&1; echo $?) $("$tool" caption "$dir/gone.jpg" >/dev/null 2>&1; echo $?)"
report "caption tool"
