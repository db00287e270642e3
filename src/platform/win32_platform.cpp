// Windows implementation of platform.h: performance counter, module path, debugger
// output and files opened by wide path.
#include "platform/platform.h"
#include "platform/file_replace.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>

#include "platform/long_path.h"

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<CounterFn> g_counter{nullptr};
std::atomic<int64_t> g_frequency{0};
}  // namespace

int64_t PerfCounter() {
    if (CounterFn fn = g_counter.load()) return fn();
    LARGE_INTEGER v;
    QueryPerformanceCounter(&v);
    return v.QuadPart;
}

int64_t PerfFrequency() {
    if (g_counter.load()) return g_frequency.load();
    LARGE_INTEGER v;
    QueryPerformanceFrequency(&v);
    return v.QuadPart;
}

void SetCounterForTesting(CounterFn counter, int64_t frequency) {
    g_frequency.store(frequency);
    g_counter.store(counter);
}

std::wstring ModulePath() {
    wchar_t buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return std::wstring(buf, n);
}

wchar_t PathSeparator() { return L'\\'; }

void SystemDebugOutput(const std::wstring& text) {
    OutputDebugStringW(text.c_str());
}

std::wstring SystemErrorMessage(int32_t hr) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                   nullptr);
    std::wstring message = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message;
}

TimeOfDay LocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return TimeOfDay{st.wHour, st.wMinute, st.wSecond};
}

int ThisThreadPriority() {
    const int priority = GetThreadPriority(GetCurrentThread());
    return priority == THREAD_PRIORITY_ERROR_RETURN ? THREAD_PRIORITY_NORMAL : priority;
}

void SetThisThreadPriority(int priority) { SetThreadPriority(GetCurrentThread(), priority); }

FILE* OpenFile(const std::wstring& path, const char* mode) {
    std::wstring m(mode, mode + strlen(mode));
    return _wfopen(path.c_str(), m.c_str());
}

ReadHandle OpenForReading(const std::wstring& path) {
    // Others may write or replace the file meanwhile (a settings save, a photo being copied):
    // a reader must not make their step fail.
    // The long-path form reaches files deeper than 260 characters, in a photo folder say.
    const HANDLE file = CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoReadHandle : reinterpret_cast<ReadHandle>(file);
}

int64_t ReadSome(ReadHandle file, void* buffer, size_t size) {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!::ReadFile(reinterpret_cast<HANDLE>(file), buffer, want, &got, nullptr)) return -1;
    return got;
}

void CloseReading(ReadHandle file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    CloseHandle(file);
    return ok;
}

bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool StampFile(const std::wstring& path, int64_t& size, int64_t& modified) {
    // The folder's entry alone: no handle is opened, so a cloud-only file is not fetched.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &data)) return false;
    size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    modified = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                    data.ftLastWriteTime.dwLowDateTime);
    return true;
}

std::wstring UpperCaseForPaths(const std::wstring& text) {
    // The invariant locale's casing: no Turkish dotless i, the same on every machine.
    std::wstring upper(text);
    if (text.empty() ||
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()), &upper[0],
                      static_cast<int>(upper.size()), nullptr, nullptr, 0) != static_cast<int>(text.size()))
        return text;
    return upper;
}

bool IsOnNetwork(const std::wstring& path) {
    const std::wstring form = UpperCaseForPaths(LongPathForm(path));
    if (form.compare(0, 8, L"\\\\?\\UNC\\") == 0) return true;
    if (form.size() < 6 || form.compare(0, 4, L"\\\\?\\") != 0 || form[5] != L':') return false;
    const wchar_t root[] = {form[4], L':', L'\\', 0};
    return GetDriveTypeW(root) == DRIVE_REMOTE;
}

uint32_t ProcessId() { return GetCurrentProcessId(); }

std::wstring SaveTarget(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    // Opened without FILE_FLAG_OPEN_REPARSE_POINT, the handle is the file at the end of the
    // links; its name is the file to replace. A link that leads nowhere is replaced itself.
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    std::wstring target(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, &target[0], static_cast<DWORD>(target.size()), FILE_NAME_NORMALIZED);
    if (n >= target.size()) {
        target.resize(n + 1);
        n = GetFinalPathNameByHandleW(file, &target[0], static_cast<DWORD>(target.size()), FILE_NAME_NORMALIZED);
    }
    CloseHandle(file);
    if (n == 0 || n >= target.size()) return path;
    target.resize(n);
    // "\\?\C:\..." and "\\?\UNC\server\..." back to the forms the rest of the program uses.
    if (target.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + target.substr(7);
    if (target.compare(0, 4, L"\\\\?\\") == 0 && target.size() > 6 && target[5] == L':') return target.substr(4);
    return target;
}

bool WriteNewFile(const std::wstring& path, const char* data, size_t size, bool& nameTaken) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        nameTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return false;
    }
    bool ok = true;
    while (ok && size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        ok = WriteFile(file, data, chunk, &written, nullptr) && written == chunk;
        data += chunk;
        size -= chunk;
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (!ok) DeleteFileW(path.c_str());
    return ok;
}

namespace {
// ReplaceFileW and MoveFileExW for PutInPlace.
class SystemSaveCalls final : public SaveCalls {
public:
    SystemSaveCalls(const std::wstring& temporary, const std::wstring& path, DWORD moveFlags)
        : temporary_(temporary), path_(path), moveFlags_(moveFlags) {}
    uint32_t Replace() override {
        // Merge errors (no right to copy the permissions, say) do not stop the save: the
        // user's choices come first.
        return ReplaceFileW(path_.c_str(), temporary_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr)
                   ? SaveError::kNone
                   : GetLastError();
    }
    uint32_t Move() override {
        return MoveFileExW(temporary_.c_str(), path_.c_str(), moveFlags_) ? SaveError::kNone : GetLastError();
    }
    bool PathExists() override { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }
    void RemoveTemporary() override { DeleteFileW(temporary_.c_str()); }
    int64_t NowMs() override { return static_cast<int64_t>(GetTickCount64()); }
    void Wait(uint32_t ms) override { Sleep(ms); }

private:
    const std::wstring& temporary_;
    const std::wstring& path_;
    DWORD moveFlags_;
};
}  // namespace

bool ReplaceWith(const std::wstring& temporary, const std::wstring& path, bool* ownPermissionsLost) {
    if (ownPermissionsLost) *ownPermissionsLost = false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // Read-only is the user's own word; the save fails at once, as it always has.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    // ReplaceFileW keeps the old file's permissions, attributes and streams; a move would
    // give the file those of the temporary one, so it is only for a path with no file, or
    // where ReplaceFileW keeps failing with both files left as they were.
    SystemSaveCalls calls(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    return PutInPlace(calls, attributes != INVALID_FILE_ATTRIBUTES ? SaveCall::Replace : SaveCall::Move,
                      ownPermissionsLost);
}

bool RenameOver(const std::wstring& temporary, const std::wstring& path) {
    SystemSaveCalls calls(temporary, path, MOVEFILE_REPLACE_EXISTING);
    if (!PutInPlace(calls, SaveCall::Move)) return false;
    RemoveStaleTemporaries(path);
    return true;
}

void RemoveStaleTemporaries(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    const size_t sep = path.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : path.substr(0, sep + 1);
    const std::wstring baseName = path.substr(sep == std::wstring::npos ? 0 : sep + 1);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) { return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const int64_t oldest = ticks(now) - kStaleTemporarySeconds * 10000000;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW((path + L".*.tmp").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        // The pattern also matches short 8.3 names; the long name decides.
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (!IsTemporaryNameOf(found.cFileName, baseName, true) || ticks(found.ftLastWriteTime) >= oldest) continue;
        DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

std::wstring NewestTemporaryOf(const std::wstring& path) {
    const size_t sep = path.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : path.substr(0, sep + 1);
    const std::wstring baseName = path.substr(sep == std::wstring::npos ? 0 : sep + 1);
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW((path + L".*.tmp").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring newest;
    ULONGLONG newestTime = 0;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (!IsTemporaryNameOf(found.cFileName, baseName, true)) continue;
        const ULONGLONG t = (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                            found.ftLastWriteTime.dwLowDateTime;
        if (newest.empty() || t > newestTime) {
            newest = folder + found.cFileName;
            newestTime = t;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return newest;
}

MoveResult MoveUnheldFile(const std::wstring& from, const std::wstring& to) {
    // Opened with no sharing, the file tells whether another process (a running saver's
    // index) has it open. A move on its own would not: across volumes MoveFileExW copies, and
    // where it then cannot delete a held source it succeeds and leaves both.
    const HANDLE file = CreateFileW(from.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? MoveResult::Held : MoveResult::Failed;
    CloseHandle(file);
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) return MoveResult::Moved;
    return GetLastError() == ERROR_SHARING_VIOLATION ? MoveResult::Held : MoveResult::Failed;
}

bool IsWritableFolder(const std::wstring& folder) {
    // The only reliable answer on Windows (ACLs, UAC virtualisation off for 64-bit
    // programs) is to try: create and delete a probe file, of a name no other start uses.
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
    base += L"lumora-write-probe";
    for (int attempt = 0; attempt < 8; ++attempt) {
        const HANDLE h = CreateFileW(UniqueTemporaryName(base).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool MakeFolder(const std::wstring& folder) {
    // SHCreateDirectoryExW wants a full path with backslashes only.
    std::wstring path = folder;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    wchar_t full[MAX_PATH] = {};
    if (GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr) == 0) return false;
    int rc = SHCreateDirectoryExW(nullptr, full, nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS;
}

std::wstring UserDataFolder(bool local) {
    // The local folder never roams with the profile: files that hold this machine's paths
    // go there.
    PWSTR folder = nullptr;
    const HRESULT hr =
        SHGetKnownFolderPath(local ? FOLDERID_LocalAppData : FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &folder);
    std::wstring path = SUCCEEDED(hr) && folder ? folder : L"";
    CoTaskMemFree(folder);
    return path;
}

bool WideToAnsi(const std::wstring& in, std::string& out) {
    out.clear();
    if (in.empty()) return true;
    // With Windows' "Use Unicode UTF-8" option the ANSI code page is 65001, for which the
    // call refuses a used-default flag outright; there every character has a form, and only
    // a broken surrogate is lost.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : 0;
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, flags, in.c_str(), static_cast<int>(in.size()), nullptr, 0,
                                nullptr, utf8 ? nullptr : &lossy);
    if (n <= 0 || lossy) return false;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_ACP, flags, in.c_str(), static_cast<int>(in.size()), &out[0], n, nullptr,
                        nullptr);
    return true;
}

std::wstring AnsiToWide(const std::string& in) {
    if (in.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, in.data(), static_cast<int>(in.size()), &out[0], n);
    return out;
}

}  // namespace Platform
}  // namespace WorkSpace
