#!/usr/bin/env bash
# The release files as built: Lumora.scr imports no d3dx9 DLL (a clean Windows 10 or 11 has
# none), loads d3dcompiler_47.dll and d3d9.dll only at run time and binds gdiplus.dll late,
# so its import table names only DLLs that Windows always takes from the system folder
# (known DLLs, and comctl32 bound through the manifest); the archive holds the 24 members.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
failures=0
imports="$(x86_64-w64-mingw32-objdump -p dist/Lumora.scr | sed -n 's/.*DLL Name: //p')"
if echo "$imports" | grep -qi 'd3dx9'; then echo "   FAILED: imports a d3dx9 DLL"; failures=$((failures + 1)); else echo "   ok: no d3dx9 import"; fi
if echo "$imports" | grep -qi 'd3dcompiler'; then echo "   FAILED: imports d3dcompiler"; failures=$((failures + 1)); else echo "   ok: d3dcompiler_47.dll is not an import"; fi
for dll in d3d9.dll gdiplus.dll; do
  if echo "$imports" | grep -qix "$dll"; then echo "   FAILED: imports $dll"; failures=$((failures + 1)); else echo "   ok: $dll is not an import"; fi
done
# The known DLLs of Windows 10 and 11 that the saver may import (HKLM\SYSTEM\CurrentControlSet\
# Control\Session Manager\KnownDLLs), plus comctl32, which the manifest binds to the
# side-by-side Common Controls 6.
system_only='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32)\.dll$'
others="$(echo "$imports" | grep -viE "$system_only" | tr '\n' ' ')"
if [ -z "$others" ]; then echo "   ok: only system-folder DLLs among the imports"; else echo "   FAILED: imports $others"; failures=$((failures + 1)); fi
members="$(build/linux/lumora-tool res list dist/LMRResource.dat | wc -l)"
[ "$members" -eq 24 ] && echo "   ok: 24 archive members" || { echo "   FAILED: $members archive members"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
