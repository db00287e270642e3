// The registry read behind the language number: HKEY_LOCAL_MACHINE only, query access only,
// since the program never writes the registry and may run without administrator rights.
#include "settings/registry.h"

#include <windows.h>

namespace WorkSpace {

bool ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName, uint32_t& out) {
    static_assert(sizeof(DWORD) == sizeof(uint32_t), "a DWORD is read straight into the result");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    // At most 4 bytes: a larger value makes the query fail. The stored type is not examined.
    DWORD size = sizeof(uint32_t);
    const LONG queried = RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(&out), &size);
    const LONG closed = RegCloseKey(key);
    return queried == ERROR_SUCCESS && closed == ERROR_SUCCESS;
}

}  // namespace WorkSpace
