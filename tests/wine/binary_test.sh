#!/usr/bin/env bash
# The release files as built: Lumora.scr imports no d3dx9 DLL (a clean Windows 10 or 11 has
# none) and loads d3dcompiler_47.dll only at run time; the archive holds the 24 members.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
failures=0
imports="$(x86_64-w64-mingw32-objdump -p dist/Lumora.scr | sed -n 's/.*DLL Name: //p')"
if echo "$imports" | grep -qi 'd3dx9'; then echo "   FAILED: imports a d3dx9 DLL"; failures=$((failures + 1)); else echo "   ok: no d3dx9 import"; fi
if echo "$imports" | grep -qi 'd3dcompiler'; then echo "   FAILED: imports d3dcompiler"; failures=$((failures + 1)); else echo "   ok: d3dcompiler_47.dll is not an import"; fi
echo "$imports" | grep -qi '^d3d9.dll' && echo "   ok: imports d3d9.dll" || { echo "   FAILED: no d3d9.dll import"; failures=$((failures + 1)); }
members="$(build/linux/lumora-tool res list dist/LMRResource.dat | wc -l)"
[ "$members" -eq 24 ] && echo "   ok: 24 archive members" || { echo "   FAILED: $members archive members"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
