// The small "Add Server Folder..." dialog and its edit form: the address, user and password,
// checked on a worker while the dialog says so (Cancel stops it). The credentials typed are
// held here until the configuration dialog's OK writes them with the list.
#include "config/win32_server_dialog.h"

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

#include "config/picture_files.h"
#include "config/server_credentials.h"
#include "config/win32_config_dialog.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/text_storage.h"
#include "sources/webdav_source.h"
#include "sources/win32_credentials.h"
#include "sources/winhttp_transport.h"

namespace WorkSpace {
namespace {

using Translate::TextId;

const UINT kCheckDone = WM_APP + 41;

struct ServerCredentialEdits {
    std::vector<std::wstring> listAtOpen;
    std::map<std::wstring, ServerCredential> typed;
};
ServerCredentialEdits& Edits() {
    static ServerCredentialEdits edits;
    return edits;
}

std::wstring Text(TextId id) { return Translate::TextStorage::Instance().GetText(id); }

// One check's state, shared with its worker: a Cancel or a closed dialog lets the worker run
// on to its end alone, and its answer then reaches no window.
struct Check {
    std::atomic<bool> cancel{false};
    ServerCheckResult result;
};

struct ServerForm {
    std::wstring entry;  // given when editing: the address stays as the list holds it
    ServerCredential credential;
    std::shared_ptr<Check> check;
};

std::wstring ItemText(HWND dialog, int id) {
    wchar_t buffer[1024] = {};
    GetDlgItemTextW(dialog, id, buffer, 1024);
    return buffer;
}

void ShowStatus(HWND dialog, const std::wstring& text) { SetDlgItemTextW(dialog, IDC_SERVER_STATUS, text.c_str()); }

void SetChecking(HWND dialog, bool checking, bool editing) {
    EnableWindow(GetDlgItem(dialog, IDC_SERVER_ADDRESS), !checking && !editing);
    EnableWindow(GetDlgItem(dialog, IDC_SERVER_USER), !checking);
    EnableWindow(GetDlgItem(dialog, IDC_SERVER_PASSWORD), !checking);
    EnableWindow(GetDlgItem(dialog, IDOK), !checking);
}

std::wstring CheckText(const ServerCheckResult& result) {
    switch (result.check) {
    case ServerCheck::WrongPassword: return Text(TextId::ServerWrongPassword);
    case ServerCheck::NoFolder: return Text(TextId::ServerNoFolder);
    case ServerCheck::Untrusted: return Text(TextId::ServerUntrusted);
    case ServerCheck::NoAnswer: return Text(TextId::ServerNoAnswer);
    case ServerCheck::BadAddress: return Text(TextId::ServerBadAddress);
    case ServerCheck::NotDav: return Text(TextId::ServerNotDav);
    default: return LeftOutEntryText(Text(TextId::ServerAnswered), std::to_wstring(result.status));
    }
}

void StartCheck(HWND dialog, ServerForm& form) {
    // An entry being edited is in the list's form already: decoded once more, a "%" or "#"
    // of its names would turn into another address.
    std::wstring entry = form.entry;
    if (entry.empty() && !NormaliseServerEntry(ItemText(dialog, IDC_SERVER_ADDRESS), entry)) {
        ShowStatus(dialog, Text(TextId::ServerBadAddress));
        return;
    }
    const ServerCredential credential{ItemText(dialog, IDC_SERVER_USER), ItemText(dialog, IDC_SERVER_PASSWORD)};
    form.check = std::make_shared<Check>();
    SetChecking(dialog, true, !form.entry.empty());
    ShowStatus(dialog, Text(TextId::ServerChecking));
    const bool adding = form.entry.empty();
    std::thread([dialog, check = form.check, entry, credential, adding] {
        std::unique_ptr<HttpTransport> transport = MakeWinHttpTransport();
        if (transport) check->result = CheckServerFolder(*transport, entry, credential, &check->cancel, adding);
        if (!check->cancel.load()) PostMessageW(dialog, kCheckDone, 0, 0);
    }).detach();
}

void OnCheckDone(HWND dialog, ServerForm& form) {
    if (!form.check) return;
    const ServerCheckResult result = form.check->result;
    SetChecking(dialog, false, !form.entry.empty());
    if (result.check != ServerCheck::Ok) {
        ShowStatus(dialog, CheckText(result));
        form.check.reset();
        return;
    }
    if (form.entry.empty()) form.entry = result.entry;
    form.credential = {ItemText(dialog, IDC_SERVER_USER), ItemText(dialog, IDC_SERVER_PASSWORD)};
    form.check.reset();
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ServerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<ServerForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        form = reinterpret_cast<ServerForm*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, Text(TextId::ServerFolderTitle).c_str());
        SetDlgItemTextW(dialog, IDC_SERVER_ADDRESS_LABEL, Text(TextId::ServerAddress).c_str());
        SetDlgItemTextW(dialog, IDC_SERVER_USER_LABEL, Text(TextId::ServerUser).c_str());
        SetDlgItemTextW(dialog, IDC_SERVER_PASSWORD_LABEL, Text(TextId::ServerPassword).c_str());
        SetDlgItemTextW(dialog, IDC_SERVER_ADDRESS, form->entry.c_str());
        SetDlgItemTextW(dialog, IDC_SERVER_USER, form->credential.user.c_str());
        SetChecking(dialog, false, !form->entry.empty());
        return TRUE;
    case kCheckDone:
        if (form) OnCheckDone(dialog, *form);
        return TRUE;
    case WM_COMMAND:
        if (!form) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            StartCheck(dialog, *form);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            if (form->check) form->check->cancel = true;
            form->check.reset();
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// The small dialog over the configuration dialog; true with the entry and credential typed.
bool RunServerDialog(ServerForm& form) {
    HWND owner = GetConfigDialogState().configDialog;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SERVER_FOLDER), owner,
                                           ServerDialogProc, reinterpret_cast<LPARAM>(&form));
    return result == IDOK;
}

}  // namespace

void BeginServerCredentialEdits(const std::vector<std::wstring>& list) {
    Edits().listAtOpen = list;
    Edits().typed.clear();
}

bool EntryNeedsPassword(const std::wstring& entry) {
    if (!IsServerEntry(entry) || Edits().typed.count(entry)) return false;
    ServerCredential stored;
    const bool found = ReadServerCredential(entry, stored);
    SecureZeroMemory(&stored.password[0], stored.password.size() * sizeof(wchar_t));
    return !found;
}

std::wstring ServerEntryText(const std::wstring& entry) {
    if (!EntryNeedsPassword(entry)) return ListEntryText(entry);
    return LeftOutEntryText(Text(TextId::NeedsPassword), entry);
}

void AddServerFolderFromDialog() {
    ServerForm form;
    if (!RunServerDialog(form)) return;
    Edits().typed[form.entry] = form.credential;
    GetSettings().AddPicture(form.entry);
    FillPictureList(GetDlgItem(GetConfigDialogState().configDialog, IDC_PICTURE_LIST));
}

void EditServerEntry(const std::wstring& entry) {
    if (!IsServerEntry(entry)) return;
    ServerForm form;
    form.entry = entry;
    auto typed = Edits().typed.find(entry);
    if (typed != Edits().typed.end()) form.credential.user = typed->second.user;
    else ReadServerCredential(entry, form.credential);
    form.credential.password.clear();
    if (!RunServerDialog(form)) return;
    Edits().typed[entry] = form.credential;
    FillPictureList(GetDlgItem(GetConfigDialogState().configDialog, IDC_PICTURE_LIST));
}

void CommitServerCredentials(const std::vector<std::wstring>& list) {
    const CredentialChanges changes = PlanCredentialChanges(Edits().listAtOpen, list, Edits().typed);
    for (const auto& write : changes.writes) WriteServerCredential(write.first, write.second);
    for (const std::wstring& removal : changes.removals) DeleteServerCredential(removal);
    for (auto& typed : Edits().typed)
        SecureZeroMemory(&typed.second.password[0], typed.second.password.size() * sizeof(wchar_t));
    Edits().typed.clear();
    Edits().listAtOpen = list;
}

}  // namespace WorkSpace
