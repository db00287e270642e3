// Which credentials the configuration dialog writes and removes at OK: a pure decision over
// the picture list before and after, carried out by win32_config_dialog.cpp.
#include "config/server_credentials.h"

#include <algorithm>
#include <set>

namespace WorkSpace {

CredentialChanges PlanCredentialChanges(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after,
                                        const std::map<std::wstring, ServerCredential>& entered) {
    const std::set<std::wstring> listed(after.begin(), after.end());
    CredentialChanges changes;
    for (const auto& typed : entered)
        if (listed.count(typed.first)) changes.writes.push_back(typed);
    std::set<std::wstring> removed;
    for (const std::wstring& entry : before)
        if (IsServerEntry(entry) && !listed.count(entry) && removed.insert(entry).second)
            changes.removals.push_back(entry);
    return changes;
}

}  // namespace WorkSpace
