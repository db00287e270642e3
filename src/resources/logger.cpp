// Each line is opened, written and closed at once, so a crash loses nothing and other
// programs can read the log while the saver runs.
#include "resources/logger.h"

#include <cstdarg>
#include <cwchar>

#include "platform/platform.h"
#include "resources/program_folder.h"

namespace WorkSpace {

namespace {
const wchar_t kLogName[] = L"log_output.txt";

// Narrows a wide line for the 8-bit file: characters up to U+00FF become the byte of the
// same value; anything above (none of our own messages) becomes '?'.
std::string Narrow(const std::wstring& line) {
    std::string out;
    out.reserve(line.size());
    for (wchar_t c : line) out.push_back(static_cast<unsigned>(c) <= 0xFF ? static_cast<char>(c) : '?');
    return out;
}
}  // namespace

Logger::Logger() : Logger(GetProgramFolder(), FallbackLogFolder()) {}

Logger::Logger(const std::wstring& programFolder, const std::wstring& fallbackFolder) {
    SetFolder(programFolder);
    OpenIfClosed();
    if (!open_ && !fallbackFolder.empty() && Platform::MakeFolder(fallbackFolder)) {
        // A saver installed in the system folder cannot write there for a standard user;
        // the log then lives where the user can still find it.
        SetFolder(fallbackFolder);
        OpenIfClosed();
    }
}

std::wstring FallbackLogFolder() {
    const std::wstring base = Platform::UserDataFolder(true);
    if (base.empty()) return std::wstring();
    return base + Platform::PathSeparator() + L"Lumora";
}

Logger::Logger(const std::wstring& folder) : Logger(folder, std::wstring()) {}

Logger::~Logger() = default;

void Logger::SetFolder(const std::wstring& folder) {
    std::lock_guard<std::mutex> hold(lock_);
    // An empty file made before (nothing logged yet) belongs to the old place: the next
    // line goes to the new one, which is made empty at once in its stead.
    const bool wasOpen = open_;
    open_ = false;
    path_ = folder + Platform::PathSeparator() + kLogName;
    Platform::RemoveFile(path_);
    writtenOnce_.clear();  // a new, empty log: its once-per-run lines have not been written to it
    if (wasOpen) OpenIfClosed();
}

void Logger::KeepNoFile() {
    std::lock_guard<std::mutex> hold(lock_);
    noFile_ = true;
    if (open_) {
        open_ = false;
        Platform::RemoveFile(path_);
    }
}

void Logger::OpenIfClosed() {
    if (!open_ && !noFile_) open_ = Platform::AppendToFile(path_, std::string());
}

std::wstring FormatLogLine(int hour, int minute, int second, const std::wstring& message) {
    wchar_t stamp[16];
    swprintf(stamp, 16, L"[%02d:%02d:%02d] ", hour % 100, minute % 100, second % 100);
    std::wstring line = stamp;
    // The whole line, its line feed included, must fit 2048 characters with its
    // terminator: a longer message is cut rather than overrunning anything.
    const size_t room = Logger::kBufferChars - 2 - line.size();
    line.append(message, 0, room);
    line += L'\n';
    return line;
}

int Logger::Write(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int rc = WriteArgs(format, args);
    va_end(args);
    return rc;
}

int Logger::WriteOncePerRun(const std::wstring& key, const wchar_t* format, ...) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!writtenOnce_.insert(key).second) return 0;
    }
    va_list args;
    va_start(args, format);
    const int rc = WriteArgs(format, args);
    va_end(args);
    return rc;
}

int Logger::WriteArgs(const wchar_t* format, va_list args) {
    std::lock_guard<std::mutex> hold(lock_);
    Platform::TimeOfDay now = Platform::LocalTime();

    wchar_t message[kBufferChars];
    int n = vswprintf(message, kBufferChars, format, args);
    if (n < 0) {
        // Too long for the buffer (or a bad format): keep what fits, terminated.
        message[kBufferChars - 1] = L'\0';
    }

    std::wstring line = FormatLogLine(now.hour, now.minute, now.second, message);
    if (holding_ && std::this_thread::get_id() == holder_) {
        held_.push_back(HeldLine{message, line});
        return 0;
    }
    return Emit(line);
}

void Logger::Hold() {
    std::lock_guard<std::mutex> hold(lock_);
    holding_ = true;
    holder_ = std::this_thread::get_id();
}

std::vector<std::wstring> Logger::EndHold(bool write) {
    std::lock_guard<std::mutex> hold(lock_);
    holding_ = false;
    std::vector<std::wstring> messages;
    for (const HeldLine& held : held_) {
        messages.push_back(held.message);
        if (write) Emit(held.line);
    }
    held_.clear();
    return messages;
}

int Logger::Emit(const std::wstring& line) {
    int rc = 0;
    if (!noFile_) {
        std::string bytes = Narrow(line);
        // The file's lines end in CR LF on every platform, as Windows' text mode wrote them.
        if (!bytes.empty() && bytes.back() == '\n') {
            bytes.back() = '\r';
            bytes.push_back('\n');
        }
        // Opened, written and closed for each line: a crash loses nothing, and a folder
        // that could not be written at the start is tried again.
        rc = Platform::AppendToFile(path_, bytes) ? 0 : -1;
        open_ = false;
    }
    Platform::DebugOutput(line);
    return rc;
}

int Logger::WriteFailed(int32_t hr, const wchar_t* message) {
    const int rc = Write(L"%ls", message);
    Platform::DebugOutput(message + (L": " + Platform::HResultText(hr)) + L"\n");
    return rc;
}

}  // namespace WorkSpace
