// Server folders' user names and passwords in Windows' Credential Manager: one generic
// credential per address in the picture list, so that no password is ever written to the
// settings file. The dialog writes and removes them; a run only reads.
#pragma once
#include <string>

#include "sources/http_transport.h"

namespace WorkSpace {

// "Lumora:" and the entry's address exactly as the picture list holds it; an address listed
// twice shares one credential.
std::wstring ServerCredentialTarget(const std::wstring& url);

// False when there is none (settings copied from another machine) or it cannot be read.
bool ReadServerCredential(const std::wstring& url, ServerCredential& credential);
// Kept with the user's roaming settings (CRED_PERSIST_ENTERPRISE). False with a log line.
bool WriteServerCredential(const std::wstring& url, const ServerCredential& credential);
// True also when there was none.
bool DeleteServerCredential(const std::wstring& url);

}  // namespace WorkSpace
