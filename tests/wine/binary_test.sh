#!/usr/bin/env bash
# The release files as built: Lumora.scr imports no d3dx9 DLL (a clean Windows 10 or 11 has
# none), loads d3dcompiler_47.dll and d3d9.dll only at run time and binds gdiplus.dll late,
# so its import table names only DLLs that Windows always takes from the system folder
# (known DLLs, and comctl32 bound through the manifest); the archive holds the 24 members;
# the places table lies beside the saver, outside the password-protected archive.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
source tests/wine/e2e_lib.sh
imports="$(x86_64-w64-mingw32-objdump -p dist/Lumora.scr | sed -n 's/.*DLL Name: //p')"
check "no d3dx9 import" not grep -qi 'd3dx9' <<<"$imports"
check "d3dcompiler_47.dll is not an import" not grep -qi 'd3dcompiler' <<<"$imports"
for dll in d3d9.dll gdiplus.dll; do
  check "$dll is not an import" not grep -qix "$dll" <<<"$imports"
done
# The known DLLs of Windows 10 and 11 that the saver may import (HKLM\SYSTEM\CurrentControlSet\
# Control\Session Manager\KnownDLLs), plus comctl32, which the manifest binds to the
# side-by-side Common Controls 6.
system_only='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32)\.dll$'
others="$(echo "$imports" | grep -viE "$system_only" | tr '\n' ' ')"
check "only system-folder DLLs among the imports" same "" "$others"
check "24 archive members (the assets, no places table)" same 24 "$(build/linux/lumora-tool res list dist/LMRResource.dat | wc -l)"
photo="$(mktemp -d)"
python3 tests/scripts/exif_photo.py "$photo/eiffel.jpg" --gps 48.8584 2.2945
check "the places table beside the saver names Paris" same "Paris, France" \
  "$(build/linux/lumora-tool caption --places dist/LumoraPlaces.dat "$photo/eiffel.jpg" | sed -n 2p)"
rm -rf "$photo"
report binary
