// Server folders in the configuration dialog: the small dialog that adds or edits one, how
// an entry reads in the list, and the credentials typed, held until OK writes them.
#pragma once
#include <string>
#include <vector>

namespace WorkSpace {

// The list as the dialog opens: what OK's changes to Credential Manager are measured from.
void BeginServerCredentialEdits(const std::vector<std::wstring>& list);
// A server entry with no credential stored nor typed.
bool EntryNeedsPassword(const std::wstring& entry);
// The list's text of a server entry: its address, or "%1 (needs its password)".
std::wstring ServerEntryText(const std::wstring& entry);
// "Add Server Folder...": the small dialog; a folder checked becomes a new entry.
void AddServerFolderFromDialog();
// Double-click or "Edit...": the small dialog for the entry's user and password.
void EditServerEntry(const std::wstring& entry);
// At OK, once the list is saved: the credentials typed are written, those of server entries
// no longer listed removed.
void CommitServerCredentials(const std::vector<std::wstring>& list);

}  // namespace WorkSpace
