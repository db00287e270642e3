// The diagnostic log: log_output.txt beside the program, rewritten at every start,
// one "[HH:MM:SS] message" line per set-up step, mirrored to the debugger output.
#pragma once
#include <cstdarg>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace WorkSpace {

class Logger {
public:
    // Deletes log_output.txt in the program's folder and leaves an empty log file open
    // there; where that folder cannot be written, in FallbackLogFolder() instead,
    // rewritten the same way. Only the log's own file is ever deleted: a file of that
    // name in the current directory belongs to whoever put it there.
    Logger();
    // For tests: a log in `folder` without touching the program's folder.
    explicit Logger(const std::wstring& folder);
    // The start-up rule on given folders.
    Logger(const std::wstring& programFolder, const std::wstring& fallbackFolder);
    ~Logger();

    // printf-style wide format. Returns 0 when the line reached the file, -1 when it could
    // not be written there (it still reaches the debugger output).
    int Write(const wchar_t* format, ...);
    // Write, the first time `key` is given in this run; later calls write nothing and return
    // 0. For a failure that would come again at every lap or rebuild (a picture's).
    int WriteOncePerRun(const std::wstring& key, const wchar_t* format, ...);
    // A step that failed with `hr`: `message` (a complete text, no placeholders) becomes its
    // log line exactly as Write makes it, and beside it the debugger output gets one line
    // naming the step and the HRESULT as text: "<message>: 0x8876086C D3DERR_INVALIDCALL".
    int WriteFailed(int32_t hr, const wchar_t* message);
    // From Hold on, the calling thread's lines are kept back instead of written; other
    // threads' lines (a picture's failure on the decoding thread) go on as before. EndHold
    // returns the kept messages (without the time) and writes them as they came when `write`
    // is true, or drops them: a rebuild that fails again and again must not fill the log with
    // its set-up block.
    void Hold();
    std::vector<std::wstring> EndHold(bool write);
    // The log becomes folder + separator + "log_output.txt"; that file is deleted, and lines
    // given once per run are written again to the new one.
    void SetFolder(const std::wstring& folder);
    const std::wstring& Path() const { return path_; }
    // For a program whose own output is the point (the command-line tool): from here on
    // no line reaches a file, only the debugger output, and the empty file the start left
    // open is closed and removed. A file that already holds lines is left as it is.
    void KeepNoFile();

    static constexpr size_t kBufferChars = 2048;

private:
    void OpenIfClosed();
    int Emit(const std::wstring& line);  // under lock_
    int WriteArgs(const wchar_t* format, va_list args);

    struct HeldLine {
        std::wstring message;
        std::wstring line;
    };
    bool holding_ = false;
    std::thread::id holder_;
    std::vector<HeldLine> held_;
    std::set<std::wstring> writtenOnce_;

    // The file is written with the system's own calls, never the C runtime's: a runtime lock
    // that a stalled read elsewhere holds would hold up the window's and the frame's lines.
    bool open_ = false;  // the empty file the start made, no line written to it yet
    std::wstring path_;
    bool noFile_ = false;
    std::mutex lock_;  // the window and render threads may both write
};

// The process-wide log, built during static initialisation.
Logger& GetLogger();

// Where the log goes when the program's folder cannot be written: the per-user local
// application data folder + "Lumora" (%LOCALAPPDATA%\Lumora on Windows).
std::wstring FallbackLogFolder();

// Formats one log line; exposed for tests. `message` is cut to fit the 2048-character buffer.
std::wstring FormatLogLine(int hour, int minute, int second, const std::wstring& message);

}  // namespace WorkSpace
