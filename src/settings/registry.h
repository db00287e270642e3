// The one registry read the program makes: a DWORD under HKEY_LOCAL_MACHINE (Win32); on
// Linux an in-memory stand-in that tests fill.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

bool ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName, uint32_t& out);
#ifndef _WIN32
// Linux stand-in only: what ReadRegistryDword reports (nullptr value: the read fails).
void SetRegistryDwordForTesting(const std::wstring& subKey, const std::wstring& valueName,
                                const uint32_t* value);
#endif

}  // namespace WorkSpace
