// Linux has no registry: an in-memory stand-in that tests fill. Nothing is stored until a
// test says so, so by default every read fails, as on a machine without the installer's key.
#include "settings/registry.h"

#include <map>
#include <mutex>
#include <utility>

namespace WorkSpace {

namespace {
using Name = std::pair<std::wstring, std::wstring>;  // sub-key, value name

std::map<Name, uint32_t>& Values() {
    static std::map<Name, uint32_t> values;
    return values;
}

std::mutex& ValuesLock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

bool ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName, uint32_t& out) {
    std::lock_guard<std::mutex> hold(ValuesLock());
    auto it = Values().find(Name(subKey, valueName));
    if (it == Values().end()) return false;
    out = it->second;
    return true;
}

void SetRegistryDwordForTesting(const std::wstring& subKey, const std::wstring& valueName,
                                const uint32_t* value) {
    std::lock_guard<std::mutex> hold(ValuesLock());
    if (value)
        Values()[Name(subKey, valueName)] = *value;
    else
        Values().erase(Name(subKey, valueName));
}

}  // namespace WorkSpace
