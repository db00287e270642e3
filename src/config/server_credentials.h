// The dialog's rules for server folders' credentials: which entries of the picture list are
// server folders, and what Credential Manager must be told at OK, so that Cancel leaves it
// as it was and an address listed twice keeps its one credential until the last goes.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sources/http_transport.h"
#include "sources/server_url.h"

namespace WorkSpace {

struct CredentialChanges {
    std::vector<std::pair<std::wstring, ServerCredential>> writes;
    std::vector<std::wstring> removals;
};

// From the list as the dialog opened it (`before`) and as OK leaves it (`after`), with the
// credentials typed while it was open (`entered`, by address): a write for each address
// typed that is still listed, a removal for each server address no longer listed.
CredentialChanges PlanCredentialChanges(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after,
                                        const std::map<std::wstring, ServerCredential>& entered);

}  // namespace WorkSpace
