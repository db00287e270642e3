#!/usr/bin/env bash
# Signs Windows files in place with osslsigncode (Authenticode, SHA-256) when a certificate
# is given; without one it does nothing and the build stays unsigned.
#   LUMORA_SIGN_PFX            the certificate and its key, as a PKCS#12 (.pfx) file
#   LUMORA_SIGN_PASS           its password (empty if it has none)
#   LUMORA_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server; the signature then outlives
#                              the certificate
# Usage: sign.sh FILE...   (./lumora build signs Lumora.scr; the installer script signs the
# uninstaller and LumoraSetup.exe through this script too)
set -euo pipefail
[ -n "${LUMORA_SIGN_PFX:-}" ] || exit 0
[ -f "$LUMORA_SIGN_PFX" ] || { echo "sign.sh: LUMORA_SIGN_PFX: no file $LUMORA_SIGN_PFX" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing" >&2; exit 1; }
timestamp=()
[ -z "${LUMORA_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$LUMORA_SIGN_TIMESTAMP_URL")
for file in "$@"; do
  # The password goes through a pipe, not the command line that every process can read.
  osslsigncode sign -pkcs12 "$LUMORA_SIGN_PFX" -readpass <(printf '%s' "${LUMORA_SIGN_PASS:-}") \
    -h sha256 -n "Lumora Screen Saver" "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null \
    || { rm -f "$file.signed"; echo "sign.sh: signing $file failed" >&2; exit 1; }
  mv -f "$file.signed" "$file"
  echo "signed $(basename "$file")"
done
