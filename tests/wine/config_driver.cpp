// Drives the configuration dialog of a running "Lumora.scr /c" from outside, one action per
// run, for tests/wine/config_dialog_test.sh: finds the dialog, reads its controls, clicks,
// presses keys on a control, fills the open-file dialog, drops files, opens and ends the
// preview, holds a file as a virus scanner does, and checks the tab order and that every
// caption fits. Prints what it read as UTF-8 lines "key=value"; exits 0 on success, 1 when
// the action could not be done.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const int kList = 1001;
const int kSpeed = 1002;
const int kSize = 1003;
const int kShowImages = 1004;
const int kScheme = 1008;
const int kPictureFit = 1016;
const int kMonitors = 1018;
const int kPreview = 1009;
const int kAdd = 3;
const int kFileNameCombo = 0x47c;  // cmb13 of the explorer-style open-file dialog
const int kFileNameEdit = 0x480;   // edt1, its older name field

void Print(const std::wstring& key, const std::wstring& value) {
    std::wstring line = key + L"=" + value + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &out[0], bytes, nullptr, nullptr);
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 2, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return text.data();
}

// The configuration dialog: a visible dialog with the picture list and the scheme box.
HWND FindConfigDialog() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            if (ClassOf(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
            HWND list = GetDlgItem(window, kList);
            if (!list || !GetDlgItem(window, kScheme) || ClassOf(list) != L"ListBox") return TRUE;
            reinterpret_cast<Search*>(data)->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible dialog owned by the configuration dialog: the open-file dialog or the preview.
HWND FindOwnedDialog(HWND owner, bool wantControls) {
    struct Search {
        HWND owner;
        bool wantControls;
        HWND found = nullptr;
    } search{owner, wantControls};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            Search* s = reinterpret_cast<Search*>(data);
            if (window == s->owner || ClassOf(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
            if (GetWindow(window, GW_OWNER) != s->owner) return TRUE;
            const bool hasControls = GetWindow(window, GW_CHILD) != nullptr;
            if (hasControls != s->wantControls) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// How long the open-file dialog and the preview may take to come and to go: deadlines of
// conditions, so only a busy machine waits them out (a folder of 730 files lists slowly).
constexpr int kDialogMilliseconds = 30000;

template <typename F>
HWND WaitFor(F find, int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 100) {
        HWND window = find();
        if (window) return window;
        Sleep(100);
    }
    return nullptr;
}

template <typename F>
bool WaitGone(F find, int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 100) {
        if (!find()) return true;
        Sleep(100);
    }
    return false;
}

HWND RequireDialog() {
    HWND dialog = WaitFor(FindConfigDialog, 5000);
    if (!dialog) Print(L"error", L"no configuration dialog");
    return dialog;
}

// Clicks a button without waiting for what it starts (a modal dialog would block a send).
void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Lets the dialog's thread finish what the last posted message started.
void Settle(HWND dialog) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
}

std::wstring ListText(HWND list, int index) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return L"";
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

// A combo box's items, joined with "|".
std::wstring ComboItems(HWND combo) {
    std::wstring items;
    int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t item[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        items += (i ? L"|" : L"") + std::wstring(item);
    }
    return items;
}

std::wstring Number(LRESULT value) { return std::to_wstring(static_cast<long long>(value)); }

int CommandTexts(HWND dialog) {
    Print(L"caption", TextOf(dialog));
    const int controls[] = {3, 4, 5, 1009, 1, 2, 1010, 1004, 1011, 1012, 1013, 1014, 1015, 1017, 1023,
                            1026, 1027, 1029, 1031};
    for (int id : controls) Print(L"ctl" + std::to_wstring(id), TextOf(GetDlgItem(dialog, id)));
    HWND combo = GetDlgItem(dialog, kScheme);
    Print(L"schemes", ComboItems(combo));
    Print(L"scheme", std::to_wstring(static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0))));
    Print(L"fits", ComboItems(GetDlgItem(dialog, kPictureFit)));
    Print(L"fit", Number(SendDlgItemMessageW(dialog, kPictureFit, CB_GETCURSEL, 0, 0)));
    Print(L"monitorItems", ComboItems(GetDlgItem(dialog, kMonitors)));
    Print(L"monitors", Number(SendDlgItemMessageW(dialog, kMonitors, CB_GETCURSEL, 0, 0)));
    // The Photos group's choices: portraits, each monitor, pan and zoom.
    std::wstring photos;
    for (int id : {1028, 1030, 1032})
        photos += (photos.empty() ? L"" : L"|") + Number(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
    Print(L"photoChoices", photos);
    for (int id : {kSpeed, kSize}) {
        const std::wstring name = id == kSpeed ? L"speed" : L"size";
        Print(name, Number(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0)));
        Print(name + L"Range", Number(SendDlgItemMessageW(dialog, id, TBM_GETRANGEMIN, 0, 0)) + L"-" +
                                   Number(SendDlgItemMessageW(dialog, id, TBM_GETRANGEMAX, 0, 0)));
    }
    Print(L"check", std::to_wstring(static_cast<int>(SendDlgItemMessageW(dialog, kShowImages, BM_GETCHECK, 0, 0))));
    HWND list = GetDlgItem(dialog, kList);
    int entries = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    Print(L"count", std::to_wstring(entries));
    Print(L"selected", std::to_wstring(static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0))));
    for (int i = 0; i < entries; ++i) Print(L"entry" + std::to_wstring(i), ListText(list, i));
    // Which controls are shown: the spare combo box stays hidden, and so does the message
    // of a failed save (1023) until one fails.
    const int shown[] = {1002, 1003, 1006, 1012, 1016, 1018, 1023};
    for (int id : shown)
        Print(L"visible" + std::to_wstring(id), IsWindowVisible(GetDlgItem(dialog, id)) ? L"1" : L"0");
    return 0;
}

// Types into the open-file dialog's name field and presses Open.
bool EnterFileName(HWND fileDialog, const std::wstring& text) {
    HWND field = GetDlgItem(fileDialog, kFileNameCombo);
    if (!field) field = GetDlgItem(fileDialog, kFileNameEdit);
    if (!field) return false;
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
    return true;
}

// add FOLDER NAME... : one name is chosen by its full path; several are chosen in FOLDER.
// add-cancel : opens the dialog and cancels it.
int CommandAdd(HWND dialog, const std::vector<std::wstring>& args, bool cancel) {
    Click(dialog, kAdd);
    HWND fileDialog = WaitFor([&] { return FindOwnedDialog(dialog, true); }, kDialogMilliseconds);
    if (!fileDialog) {
        Print(L"error", L"no open-file dialog");
        return 1;
    }
    Sleep(300);
    if (cancel) {
        PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (args.size() == 2) {
        std::wstring folder = args[0];
        if (folder.back() != L'\\') folder += L'\\';
        EnterFileName(fileDialog, folder + args[1]);
    } else {
        // Go to the folder first, then choose the names in it.
        if (!EnterFileName(fileDialog, args[0])) return 1;
        Sleep(700);
        std::wstring names;
        for (size_t i = 1; i < args.size(); ++i) names += L"\"" + args[i] + L"\" ";
        EnterFileName(fileDialog, names);
    }
    if (!WaitGone([&] { return FindOwnedDialog(dialog, true); }, kDialogMilliseconds)) {
        Print(L"error", L"open-file dialog still open");
        return 1;
    }
    Settle(dialog);
    return 0;
}

// drop PATH... : WM_DROPFILES as the shell sends it. The drop block must live in the
// dialog's process, where DragQueryFileW reads it: it is written there with the fixed
// memory form of a global block (a plain pointer, which GlobalLock hands back unchanged).
int CommandDrop(HWND dialog, const std::vector<std::wstring>& paths) {
    std::vector<BYTE> block(sizeof(DROPFILES), 0);
    for (const std::wstring& path : paths) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(path.c_str());
        block.insert(block.end(), bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
    }
    block.insert(block.end(), sizeof(wchar_t), 0);
    DROPFILES* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->pt.x = 40;
    header->pt.y = 120;
    header->fNC = FALSE;
    header->fWide = TRUE;

    DWORD process = 0;
    GetWindowThreadProcessId(dialog, &process);
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (!target) {
        Print(L"error", L"OpenProcess failed");
        return 1;
    }
    void* remote = VirtualAllocEx(target, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T written = 0;
    const bool ok = remote && WriteProcessMemory(target, remote, block.data(), block.size(), &written) &&
                    written == block.size();
    CloseHandle(target);
    if (!ok) {
        Print(L"error", L"could not write the drop block");
        return 1;
    }
    PostMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
    Settle(dialog);
    return 0;
}

// preview : presses Preview and waits for the full-screen preview; prints its rectangle.
int CommandPreview(HWND dialog) {
    Click(dialog, kPreview);
    HWND preview = WaitFor([&] { return FindOwnedDialog(dialog, false); }, kDialogMilliseconds);
    if (!preview) {
        Print(L"error", L"no preview");
        return 1;
    }
    RECT r = {};
    GetWindowRect(preview, &r);
    Print(L"preview", std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
                          std::to_wstring(r.bottom));
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    GetCursorInfo(&cursor);
    Print(L"cursorShown", (cursor.flags & CURSOR_SHOWING) ? L"1" : L"0");
    return 0;
}

// preview-state : whether a preview is open (1) or not (0).
int CommandPreviewState(HWND dialog) {
    Print(L"previewOpen", FindOwnedDialog(dialog, false) ? L"1" : L"0");
    return 0;
}

// preview-gone : waits until the preview has ended.
int CommandPreviewGone(HWND dialog) {
    if (!WaitGone([&] { return FindOwnedDialog(dialog, false); }, kDialogMilliseconds)) {
        Print(L"error", L"preview still open");
        return 1;
    }
    Settle(dialog);
    return 0;
}

// preview-message lbutton|shift-lbutton|rbutton|enter|esc : sends the preview that input.
int CommandPreviewMessage(HWND dialog, const std::wstring& what) {
    HWND preview = FindOwnedDialog(dialog, false);
    if (!preview) {
        Print(L"error", L"no preview");
        return 1;
    }
    const LPARAM at = MAKELPARAM(300, 300);
    if (what == L"lbutton") PostMessageW(preview, WM_LBUTTONDOWN, MK_LBUTTON, at);
    else if (what == L"shift-lbutton") PostMessageW(preview, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at);
    else if (what == L"rbutton") PostMessageW(preview, WM_RBUTTONDOWN, MK_RBUTTON, at);
    else if (what == L"enter") PostMessageW(preview, WM_KEYDOWN, VK_RETURN, 0);
    else if (what == L"esc") PostMessageW(preview, WM_KEYDOWN, VK_ESCAPE, 0);
    else return 1;
    return 0;
}

// menu INDEX CHOICE : right-clicks entry INDEX of the list and picks menu item CHOICE
// (1 Add, 2 Remove, 3 Remove All) with the arrow keys.
int CommandMenu(HWND dialog, int index, int choice) {
    HWND list = GetDlgItem(dialog, kList);
    RECT item = {};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2));
    HWND menu = WaitFor([] { return FindWindowW(L"#32768", nullptr); }, 5000);
    if (!menu || !IsWindowVisible(menu)) {
        Print(L"error", L"no menu");
        return 1;
    }
    Sleep(300);
    // The menu's loop reads the keys from the dialog thread's queue.
    for (int i = 0; i < choice; ++i) {
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        Sleep(100);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    if (!WaitGone([] {
            HWND m = FindWindowW(L"#32768", nullptr);
            return m && IsWindowVisible(m) ? m : nullptr;
        }, 5000)) {
        Print(L"error", L"menu still open");
        return 1;
    }
    Settle(dialog);
    return 0;
}

// cursor : whether the mouse cursor is shown.
int CommandCursor() {
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    GetCursorInfo(&cursor);
    Print(L"cursorShown", (cursor.flags & CURSOR_SHOWING) ? L"1" : L"0");
    return 0;
}

// rect ID : the control's rectangle on the screen.
int CommandRect(HWND dialog, int id) {
    RECT r = {};
    GetWindowRect(id ? GetDlgItem(dialog, id) : dialog, &r);
    Print(L"rect", std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
                       std::to_wstring(r.bottom));
    return 0;
}

// key ID NAME [COUNT] : presses a key COUNT times on a control, as the keyboard would.
// Sent, not posted: the control and the dialog have handled it when the call returns.
int CommandKey(HWND dialog, int id, const std::wstring& name, int count) {
    struct Key {
        const wchar_t* name;
        WPARAM code;
    };
    const Key keys[] = {{L"left", VK_LEFT}, {L"right", VK_RIGHT}, {L"up", VK_UP},       {L"down", VK_DOWN},
                        {L"home", VK_HOME}, {L"end", VK_END},     {L"pgup", VK_PRIOR}, {L"pgdn", VK_NEXT}};
    WPARAM code = 0;
    for (const Key& key : keys)
        if (name == key.name) code = key.code;
    HWND control = GetDlgItem(dialog, id);
    if (!code || !control) {
        Print(L"error", L"no such key or control");
        return 1;
    }
    DWORD_PTR result = 0;
    for (int i = 0; i < count; ++i) {
        SendMessageTimeoutW(control, WM_KEYDOWN, code, 1, SMTO_NORMAL, 10000, &result);
        SendMessageTimeoutW(control, WM_KEYUP, code, 0xC0000001, SMTO_NORMAL, 10000, &result);
    }
    Settle(dialog);
    return 0;
}

// taborder : the identifiers of the controls that Tab visits, from the first one on.
int CommandTabOrder(HWND dialog) {
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    std::wstring order;
    for (HWND at = first; at;) {
        order += (order.empty() ? L"" : L" ") + std::to_wstring(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(dialog, at, FALSE);
        if (at == first) break;
    }
    Print(L"taborder", order);
    return 0;
}

// layout [ID...] : whether the dialog lies on the screen and every shown control inside
// it, and whether each caption and combo box item of the given controls (all, without
// IDs) fits its control in the dialog's font ("MS Shell Dlg" 8 point at the screen's DPI).
// Prints the offenders, or "ok".
int CommandLayout(HWND dialog, const std::vector<std::wstring>& ids) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    HFONT font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                             L"MS Shell Dlg 2");
    HGDIOBJ old = SelectObject(screen, font);
    auto width = [&](const std::wstring& text) {
        SIZE size = {};
        GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    RECT frame = {}, work = {};
    GetWindowRect(dialog, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::wstring problems;
    auto report = [&](const std::wstring& what) { problems += (problems.empty() ? L"" : L"; ") + what; };
    if (frame.left < work.left || frame.top < work.top || frame.right > work.right || frame.bottom > work.bottom)
        report(L"dialog off the screen");
    RECT client = {};
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(6, dpi, 96);     // a check box's mark and gap
    const int arrow = GetSystemMetrics(SM_CXVSCROLL) + MulDiv(8, dpi, 96);     // a combo box's button and edges
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r = {};
        GetWindowRect(child, &r);
        const int id = GetDlgCtrlID(child);
        const std::wstring name = std::to_wstring(id);
        if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom)
            report(name + L" outside the dialog");
        bool wanted = ids.empty();
        for (const std::wstring& want : ids) wanted = wanted || _wtoi(want.c_str()) == id;
        if (!wanted) continue;
        const std::wstring cls = ClassOf(child);
        const int inner = r.right - r.left;
        if (cls == L"ComboBox") {
            const int count = static_cast<int>(SendMessageW(child, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                wchar_t item[256] = {};
                SendMessageW(child, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
                if (width(item) > inner - arrow) report(name + L" item " + item);
            }
        } else if (cls == L"Static" || cls == L"Button") {
            const std::wstring text = TextOf(child);
            if (text.empty()) continue;
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            const LONG type = style & BS_TYPEMASK;
            int room = inner;
            if (cls == L"Button" && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX)) room -= box;
            if (cls == L"Button" && type == BS_GROUPBOX) room -= MulDiv(16, dpi, 96);
            if (cls == L"Button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) room -= MulDiv(6, dpi, 96);
            if (width(text) > room) report(name + L" " + text);
        }
    }
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    Print(L"dpi", std::to_wstring(dpi));
    Print(L"dialogHeight", std::to_wstring(frame.bottom - frame.top));
    Print(L"layout", problems.empty() ? L"ok" : problems);
    return 0;
}

// Holds `path` for `ms` milliseconds as a virus scanner or the search indexer does (read,
// sharing read and write but not delete) and clicks the button `id` while it holds it.
// Prints whether the dialog was still open when the file was let go.
int CommandHold(HWND dialog, const std::wstring& path, int ms, int id) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    Print(L"held", file != INVALID_HANDLE_VALUE ? L"1" : L"0");
    if (file == INVALID_HANDLE_VALUE) return 1;
    Click(dialog, id);
    Sleep(static_cast<DWORD>(ms));
    Print(L"openAtRelease", IsWindow(dialog) ? L"1" : L"0");
    CloseHandle(file);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fputs("usage: lumora_config_driver COMMAND [ARGS]\n", stderr);
        return 2;
    }
    // Plain LF line ends, as the shell script reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    // Window rectangles and text sizes in real pixels, whatever the display's scaling.
    SetProcessDPIAware();
    const std::wstring command = argv[1];
    std::vector<std::wstring> args(argv + 2, argv + argc);

    if (command == L"wait") {
        const int seconds = args.empty() ? 30 : _wtoi(args[0].c_str());
        HWND dialog = WaitFor(FindConfigDialog, seconds * 1000);
        Print(L"dialog", dialog ? L"1" : L"0");
        if (dialog) Settle(dialog);
        return dialog ? 0 : 1;
    }
    if (command == L"cursor") return CommandCursor();
    if (command == L"gone") {
        const int seconds = args.empty() ? 15 : _wtoi(args[0].c_str());
        const bool gone = WaitGone(FindConfigDialog, seconds * 1000);
        Print(L"gone", gone ? L"1" : L"0");
        return gone ? 0 : 1;
    }

    HWND dialog = RequireDialog();
    if (!dialog) return 1;
    if (command == L"texts") return CommandTexts(dialog);
    if (command == L"click" && args.size() == 1) {
        Click(dialog, _wtoi(args[0].c_str()));
        Sleep(200);
        return 0;
    }
    if (command == L"select" && args.size() == 1) {
        SendDlgItemMessageW(dialog, kList, LB_SETCURSEL, static_cast<WPARAM>(_wtoi(args[0].c_str())), 0);
        return 0;
    }
    if (command == L"scheme" && args.size() == 1) {
        SendDlgItemMessageW(dialog, kScheme, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(args[0].c_str())), 0);
        return 0;
    }
    if (command == L"add" && args.size() >= 2) return CommandAdd(dialog, args, false);
    if (command == L"add-cancel") return CommandAdd(dialog, args, true);
    if (command == L"add-generated" && args.size() == 2) {
        // Too many names for a command line: FOLDER COUNT chooses the files
        // "many_0001_wwww...w.jpg" (80 w) and on, made by the test beforehand.
        std::vector<std::wstring> chosen = {args[0]};
        const int count = _wtoi(args[1].c_str());
        for (int i = 1; i <= count; ++i) {
            wchar_t number[16];
            swprintf(number, 16, L"%04d", i);
            chosen.push_back(L"many_" + std::wstring(number) + L"_" + std::wstring(80, L'w') + L".jpg");
        }
        return CommandAdd(dialog, chosen, false);
    }
    if (command == L"drop" && !args.empty()) return CommandDrop(dialog, args);
    if (command == L"preview") return CommandPreview(dialog);
    if (command == L"preview-state") return CommandPreviewState(dialog);
    if (command == L"preview-gone") return CommandPreviewGone(dialog);
    if (command == L"preview-message" && args.size() == 1) return CommandPreviewMessage(dialog, args[0]);
    if (command == L"menu" && args.size() == 2) return CommandMenu(dialog, _wtoi(args[0].c_str()), _wtoi(args[1].c_str()));
    if (command == L"rect" && args.size() == 1) return CommandRect(dialog, _wtoi(args[0].c_str()));
    if (command == L"key" && (args.size() == 2 || args.size() == 3))
        return CommandKey(dialog, _wtoi(args[0].c_str()), args[1], args.size() == 3 ? _wtoi(args[2].c_str()) : 1);
    if (command == L"hold" && args.size() == 3) return CommandHold(dialog, args[0], _wtoi(args[1].c_str()), _wtoi(args[2].c_str()));
    if (command == L"taborder") return CommandTabOrder(dialog);
    if (command == L"layout") return CommandLayout(dialog, args);
    Print(L"error", L"unknown command " + command);
    return 2;
}
