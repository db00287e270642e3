// Server folders' credentials in Credential Manager (CredReadW, CredWriteW, CredDeleteW):
// generic credentials named after the entry's address, the password as the credential's
// blob in UTF-16, wiped from our own buffers once handed over.
#include "sources/win32_credentials.h"

#include <windows.h>
#include <wincred.h>

#include "resources/logger.h"

namespace WorkSpace {

std::wstring ServerCredentialTarget(const std::wstring& url) { return L"Lumora:" + url; }

bool ReadServerCredential(const std::wstring& url, ServerCredential& credential) {
    PCREDENTIALW found = nullptr;
    if (!CredReadW(ServerCredentialTarget(url).c_str(), CRED_TYPE_GENERIC, 0, &found)) return false;
    credential.user = found->UserName ? found->UserName : L"";
    credential.password.assign(reinterpret_cast<const wchar_t*>(found->CredentialBlob),
                               found->CredentialBlobSize / sizeof(wchar_t));
    SecureZeroMemory(found->CredentialBlob, found->CredentialBlobSize);
    CredFree(found);
    return true;
}

bool WriteServerCredential(const std::wstring& url, const ServerCredential& credential) {
    std::wstring target = ServerCredentialTarget(url);
    std::wstring user = credential.user;
    std::wstring password = credential.password;
    CREDENTIALW entry{};
    entry.Type = CRED_TYPE_GENERIC;
    entry.TargetName = &target[0];
    entry.UserName = &user[0];
    entry.CredentialBlob = reinterpret_cast<LPBYTE>(&password[0]);
    entry.CredentialBlobSize = static_cast<DWORD>(password.size() * sizeof(wchar_t));
    entry.Persist = CRED_PERSIST_ENTERPRISE;
    const bool written = CredWriteW(&entry, 0) != FALSE;
    const DWORD error = GetLastError();
    SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    if (!written)
        GetLogger().Write(L"WorkSpace::WriteServerCredential() - CredWriteW failed (%lu) for %ls", error, url.c_str());
    return written;
}

bool DeleteServerCredential(const std::wstring& url) {
    if (CredDeleteW(ServerCredentialTarget(url).c_str(), CRED_TYPE_GENERIC, 0)) return true;
    return GetLastError() == ERROR_NOT_FOUND;
}

}  // namespace WorkSpace
