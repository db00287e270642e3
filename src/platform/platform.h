// The few operating-system services the portable core needs: clock, module path,
// debugger output, local time, files by wide path and ANSI text conversion.
// posix_platform.cpp and win32_platform.cpp implement it; no <windows.h> here.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace WorkSpace {
namespace Platform {

// High-resolution counter (QueryPerformanceCounter / CLOCK_MONOTONIC).
int64_t PerfCounter();
int64_t PerfFrequency();

// Tests drive the frame loop with a scripted clock. Passing nullptr restores the real one.
using CounterFn = int64_t (*)();
void SetCounterForTesting(CounterFn counter, int64_t frequency);

// Full path of the running program's own file.
std::wstring ModulePath();
// Separator between folder and file name on this platform.
wchar_t PathSeparator();

// From here on, a library loaded by bare name comes from the system folder only, never from
// the program's own folder (SetDefaultDllDirectories); nothing to do on Linux.
void RestrictLibrarySearch();

// Debugger output (OutputDebugStringW); standard error on Linux.
void DebugOutput(const std::wstring& text);
// Where DebugOutput goes instead, for programs whose own output it would clutter (the
// benchmark's table). nullptr restores the debugger output.
using DebugSink = void (*)(const std::wstring& text);
void SetDebugOutputForTesting(DebugSink sink);
// The platform's own debugger output, which DebugOutput uses when no sink is set.
void SystemDebugOutput(const std::wstring& text);

// An HRESULT as text for the debugger output: the code in hex, then its name where it is
// one the program meets (D3DERR_INVALIDCALL, E_OUTOFMEMORY, ...), then the system's message
// where the system has one: "0x8876086C D3DERR_INVALIDCALL".
std::wstring HResultText(int32_t hr);
// The system's message for an HRESULT (FormatMessageW), without its line end; empty when
// there is none, and always on Linux.
std::wstring SystemErrorMessage(int32_t hr);

struct TimeOfDay { int hour, minute, second; };
TimeOfDay LocalTime();

// The calling thread's scheduling priority (GetThreadPriority; 0 off Windows), and setting
// it: a thread that does part of another's work runs at that one's.
int ThisThreadPriority();
void SetThisThreadPriority(int priority);

FILE* OpenFile(const std::wstring& path, const char* mode);
// The whole file's bytes; false when it cannot be opened or read, or holds more than
// `limit` bytes (nothing a user's picture or settings file could hold). Read with the
// system's own calls, never the C runtime's FILE functions: the runtime may hold a lock of
// its own for as long as a read stalls on a sleeping drive, and every other thread's fopen
// (the log's, the archive's) would wait on it.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, size_t limit = size_t(1) << 30);
// ReadWholeFile's platform half: a file opened for reading (CreateFileW / open), read in
// pieces (ReadFile / read: the bytes read, 0 at its end, -1 on an error) and closed.
using ReadHandle = intptr_t;
constexpr ReadHandle kNoReadHandle = -1;
ReadHandle OpenForReading(const std::wstring& path);
int64_t ReadSome(ReadHandle file, void* buffer, size_t size);
void CloseReading(ReadHandle file);
// Appends `bytes` to the file at `path`, created if missing, with the system's own calls
// (the log, for the same reason as above). False when the file cannot be opened or written.
bool AppendToFile(const std::wstring& path, const std::string& bytes);
bool RemoveFile(const std::wstring& path);
// `text` upper-cased one character for one, the same way whatever the user's language (and
// not only in ASCII, as the C library's "C" locale does): how the file system sees two names
// that differ only in case as one.
std::wstring UpperCaseForPaths(const std::wstring& text);
// True when `path` lies on a file server: a \\server\share path or a drive mapped to one.
bool IsOnNetwork(const std::wstring& path);
// A file's size in bytes and its last-write time (in the system's own ticks: only ever
// compared with another of its kind), read without opening it; false when it cannot be found.
bool StampFile(const std::wstring& path, int64_t& size, int64_t& modified);
// Puts `bytes` in place of the file at `path` whole or not at all: they go to a new file in
// the same folder, under a name no other save uses, which is flushed to disk and then takes
// the old file's place in one step. What the old file had stays: its permissions and
// attributes (on Windows its other streams too), and where `path` is a symbolic link, the
// file it leads to is replaced and the link stays. A read-only file is not replaced. On
// failure the old file is left as it was and the new one is removed; only where Windows
// took the old file away and the new one could not follow (see ReplaceWith) is the new one
// kept under its temporary name, the only copy of the settings left. After a save,
// RemoveStaleTemporaries runs for the file. `ownPermissionsLost`, when given, says whether
// the file went in place by a plain move over the old one (a share that refuses ReplaceFileW),
// which gives it its folder's permissions instead of its own.
bool ReplaceFileWhole(const std::wstring& path, const std::string& bytes, bool* ownPermissionsLost = nullptr);
// Tests make ReplaceFileWhole's writes fail after `bytes` bytes, as a full disk does;
// SIZE_MAX lets them through again.
void FailWritesAfterForTesting(size_t bytes);
// A name beside `path` that no other save or probe uses at the same time, in this process
// or another: `path` + "." + the process id + "-" + a count of this process + ".tmp".
std::wstring UniqueTemporaryName(const std::wstring& path);
uint32_t ProcessId();
// The platform's parts of ReplaceFileWhole. SaveTarget: the file a save of `path` replaces,
// the end of its chain of symbolic links, or `path` itself. WriteNewFile: creates `path`,
// which must not exist (`nameTaken` says when it did), with `size` bytes of `data`, and puts
// them on the disk; no file is left on failure. ReplaceWith: puts `temporary` in place of
// `path` in one step, keeping what an existing file had; a file that another program holds
// for a moment (a virus scanner, the search indexer) is tried again for up to 2 s. On
// failure it removes `temporary`, unless nothing is left at `path` (Windows, PutInPlace).
std::wstring SaveTarget(const std::wstring& path);
bool WriteNewFile(const std::wstring& path, const char* data, size_t size, bool& nameTaken);
bool ReplaceWith(const std::wstring& temporary, const std::wstring& path, bool* ownPermissionsLost = nullptr);
// Replaces `path` by `temporary` in one step without waiting for the disk, for files whose
// loss costs little. On Windows a file another process has open (the preview's saver reading
// the lap file) is tried again for up to 2 s. After a rename, RemoveStaleTemporaries runs.
bool RenameOver(const std::wstring& temporary, const std::wstring& path);
// Removes the files that saves of `path` left beside it when their process was killed:
// UniqueTemporaryName's names for it, last written more than a day ago. Nothing else, and
// nothing while `path` itself is missing (a kept temporary file may be its only copy).
void RemoveStaleTemporaries(const std::wstring& path);
// The newest (last written) of the files that UniqueTemporaryName names for `path`; empty when
// there is none.
std::wstring NewestTemporaryOf(const std::wstring& path);
enum class MoveResult : uint8_t { Moved, Held, Failed };
// Moves the file `from` to `to`, a name not taken, on another volume too, unless another
// process has `from` open (Held; it stays where it is). Failed for any other refusal.
MoveResult MoveUnheldFile(const std::wstring& from, const std::wstring& to);
// Whether new files can be made in `folder`. On Windows it makes and deletes a probe file
// under a unique name, so that starts at the same moment do not disturb each other.
bool IsWritableFolder(const std::wstring& folder);
bool MakeFolder(const std::wstring& folder);
// %APPDATA% / %LOCALAPPDATA% on Windows, $XDG_CONFIG_HOME-like places on Linux; empty if unknown.
std::wstring UserDataFolder(bool local);

// Conversions through the active ANSI code page (UTF-8 on Linux). Invalid input yields
// an empty string and false.
bool WideToAnsi(const std::wstring& in, std::string& out);
std::wstring AnsiToWide(const std::string& in);
// Wide text to and from UTF-8. Decoding replaces invalid sequences with U+FFFD, as
// MultiByteToWideChar(CP_UTF8, 0) does.
std::string WideToUtf8(const std::wstring& in);
std::wstring Utf8ToWide(const char* data, size_t size);
bool IsValidUtf8(const char* data, size_t size);

}  // namespace Platform
}  // namespace WorkSpace
