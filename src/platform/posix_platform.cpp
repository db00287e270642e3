// Linux stand-ins for the Windows services of platform.h, so the portable core and its
// tests run natively. Paths are UTF-8 on disk; the "ANSI code page" is UTF-8.
#include "platform/platform.h"
#include "platform/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <wctype.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<CounterFn> g_counter{nullptr};
std::atomic<int64_t> g_frequency{0};

std::string Narrow(const std::wstring& path) { return WideToUtf8(path); }
}  // namespace

int64_t PerfCounter() {
    if (CounterFn fn = g_counter.load()) return fn();
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

int64_t PerfFrequency() {
    if (g_counter.load()) return g_frequency.load();
    return 1000000000LL;
}

void SetCounterForTesting(CounterFn counter, int64_t frequency) {
    g_frequency.store(frequency);
    g_counter.store(counter);
}

std::wstring ModulePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return std::wstring();
    return Utf8ToWide(buf, static_cast<size_t>(n));
}

wchar_t PathSeparator() { return L'/'; }

void RestrictLibrarySearch() {}

void SystemDebugOutput(const std::wstring& text) {
    std::string s = WideToUtf8(text);
    fwrite(s.data(), 1, s.size(), stderr);
    fflush(stderr);
}

std::wstring SystemErrorMessage(int32_t) { return std::wstring(); }

TimeOfDay LocalTime() {
    time_t now = time(nullptr);
    tm parts;
    localtime_r(&now, &parts);
    return TimeOfDay{parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int ThisThreadPriority() { return 0; }
void SetThisThreadPriority(int) {}

FILE* OpenFile(const std::wstring& path, const char* mode) {
    // Text and binary mode are the same here; "t" is a Windows extension.
    std::string m;
    for (const char* c = mode; *c; ++c)
        if (*c != 't') m.push_back(*c);
    return fopen(Narrow(path).c_str(), m.c_str());
}

ReadHandle OpenForReading(const std::wstring& path) {
    const int file = open(Narrow(path).c_str(), O_RDONLY | O_CLOEXEC);
    return file < 0 ? kNoReadHandle : file;
}

int64_t ReadSome(ReadHandle file, void* buffer, size_t size) {
    ssize_t got;
    do got = read(static_cast<int>(file), buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

void CloseReading(ReadHandle file) { close(static_cast<int>(file)); }

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    const int file = open(Narrow(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(file, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return close(file) == 0 && done == bytes.size();
}

bool RemoveFile(const std::wstring& path) { return unlink(Narrow(path).c_str()) == 0; }

bool StampFile(const std::wstring& path, int64_t& size, int64_t& modified) {
    struct stat info;
    if (stat(Narrow(path).c_str(), &info) != 0) return false;
    size = static_cast<int64_t>(info.st_size);
    modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

std::wstring UpperCaseForPaths(const std::wstring& text) {
    // The "C" locale cases ASCII alone; C.UTF-8 all of Unicode, as Windows does.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    std::wstring upper(text);
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(unicode ? towupper_l(static_cast<wint_t>(c), unicode) : towupper(static_cast<wint_t>(c)));
    return upper;
}

bool IsOnNetwork(const std::wstring& path) {
    // The native build's index is for tests and the tool: a share looks like any folder.
    (void)path;
    return false;
}

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }

std::wstring SaveTarget(const std::wstring& path) {
    std::string current = Narrow(path);
    // As many links as the system itself follows; a loop ends there and the save then
    // fails on the link, as any open of it would.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
        std::vector<char> buffer(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t n = readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) break;
        std::string next(buffer.data(), static_cast<size_t>(n));
        // A relative target is relative to the link's own folder.
        const size_t slash = current.find_last_of('/');
        if (next[0] != '/' && slash != std::string::npos) next = current.substr(0, slash + 1) + next;
        current = next;
    }
    return Utf8ToWide(current.data(), current.size());
}

bool WriteNewFile(const std::wstring& path, const char* data, size_t size, bool& nameTaken) {
    const std::string name = Narrow(path);
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        nameTaken = errno == EEXIST;
        return false;
    }
    bool ok = true;
    while (ok && size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) {
            data += n;
            size -= static_cast<size_t>(n);
        }
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) unlink(name.c_str());
    return ok;
}

bool ReplaceWith(const std::wstring& temporary, const std::wstring& path, bool* ownPermissionsLost) {
    if (ownPermissionsLost) *ownPermissionsLost = false;
    const std::string from = Narrow(temporary);
    const std::string to = Narrow(path);
    struct stat old;
    if (stat(to.c_str(), &old) == 0) {
        // A file without any write permission is read-only for everyone, as the attribute is
        // on Windows; rename would replace it all the same.
        bool ok = (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && access(to.c_str(), W_OK) == 0;
        // The new file takes the old one's owner where this user may give it away (root);
        // otherwise it stays this user's. The mode comes after, as a change of owner cuts it.
        const bool sameOwner = ok && chown(from.c_str(), old.st_uid, old.st_gid) == 0;
        static_cast<void>(sameOwner);
        ok = ok && chmod(from.c_str(), old.st_mode & 07777) == 0;
        if (!ok) {
            unlink(from.c_str());
            return false;
        }
    }
    // A rename that fails leaves the old file where it was.
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    unlink(from.c_str());
    return false;
}

bool RenameOver(const std::wstring& temporary, const std::wstring& path) {
    if (rename(Narrow(temporary).c_str(), Narrow(path).c_str()) != 0) return false;
    RemoveStaleTemporaries(path);
    return true;
}

void RemoveStaleTemporaries(const std::wstring& path) {
    const std::string target = Narrow(path);
    struct stat info;
    if (stat(target.c_str(), &info) != 0) return;
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string baseName = target.substr(slash == std::string::npos ? 0 : slash + 1);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const time_t oldest = time(nullptr) - kStaleTemporarySeconds;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, baseName.size(), baseName) != 0) continue;
        if (!IsTemporaryNameOf(Utf8ToWide(name.data(), name.size()), Utf8ToWide(baseName.data(), baseName.size()), false))
            continue;
        const std::string file = folder + name;
        if (lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < oldest) unlink(file.c_str());
    }
    closedir(dir);
}

std::wstring NewestTemporaryOf(const std::wstring& path) {
    const std::string target = Narrow(path);
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::wstring baseName = path.substr(path.find_last_of(L'/') + 1);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::wstring();
    std::string newest;
    struct timespec newestTime = {0, 0};
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info;
        if (!IsTemporaryNameOf(Utf8ToWide(name.data(), name.size()), baseName, false)) continue;
        if (lstat((folder + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        const struct timespec t = info.st_mtim;
        if (newest.empty() || t.tv_sec > newestTime.tv_sec ||
            (t.tv_sec == newestTime.tv_sec && t.tv_nsec > newestTime.tv_nsec)) {
            newest = folder + name;
            newestTime = t;
        }
    }
    closedir(dir);
    return newest.empty() ? std::wstring() : Utf8ToWide(newest.data(), newest.size());
}

MoveResult MoveUnheldFile(const std::wstring& from, const std::wstring& to) {
    // POSIX has no share modes to tell a holder by; a rename within the volume is all there is.
    return rename(Narrow(from).c_str(), Narrow(to).c_str()) == 0 ? MoveResult::Moved : MoveResult::Failed;
}

bool IsWritableFolder(const std::wstring& folder) {
    return access(Narrow(folder).c_str(), W_OK) == 0;
}

bool MakeFolder(const std::wstring& folder) {
    std::string p = Narrow(folder);
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

std::wstring UserDataFolder(bool local) {
    const char* env = getenv(local ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME");
    if (env && *env) return Utf8ToWide(env, strlen(env));
    const char* home = getenv("HOME");
    if (!home || !*home) return std::wstring();
    std::string p = std::string(home) + (local ? "/.local/state" : "/.config");
    return Utf8ToWide(p.data(), p.size());
}

bool WideToAnsi(const std::wstring& in, std::string& out) {
    out = WideToUtf8(in);
    return true;
}

// Text that is not valid UTF-8 comes from a Windows machine's ANSI code page (old settings
// files); it is read as Windows-1252, the Western code page, rather than as U+FFFD.
std::wstring AnsiToWide(const std::string& in) {
    if (IsValidUtf8(in.data(), in.size())) return Utf8ToWide(in.data(), in.size());
    static const wchar_t k80To9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::wstring out;
    out.reserve(in.size());
    for (unsigned char c : in) out.push_back(c >= 0x80 && c <= 0x9F ? k80To9F[c - 0x80] : c);
    return out;
}

}  // namespace Platform
}  // namespace WorkSpace
