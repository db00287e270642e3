// The last-chance guard: an exception that nothing handles, on any thread, and a hardware
// fault in the program's own code end the process at once with exit code -1, after telling
// the legacy system that no saver runs.
#include <windows.h>

#include "host/win32_saver_host.h"

namespace WorkSpace {

namespace {

// GCC has no __try/__except, so the guard is the process's top-level
// filter: it runs for an exception that nothing handled, on any thread. It must not pass the
// exception on to UnhandledExceptionFilter, which calls the installed top-level filter (this
// one) again until the stack overflows. After an access violation the heap and the loader's
// state may be damaged, and the detach code that ExitProcess runs in every library could
// hang on them; the process is therefore ended at once, with the exit code of a failed run.
[[noreturn]] void EndFailedRun() {
    SetSaverRunning(FALSE);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(-1));
    ExitProcess(static_cast<UINT>(-1));  // not reached; TerminateProcess does not return for itself
}

LONG WINAPI LastChanceFilter(EXCEPTION_POINTERS*) { EndFailedRun(); }

bool IsHardwareFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
        return true;
    default:
        return false;
    }
}

// A fault inside a window procedure never reaches the top-level filter: the kernel's
// callback into user mode (and Wine, which copies that) handles it and carries on, with
// the program in whatever state the fault left it. The program itself installs no handler
// anywhere, so a fault at an instruction of its own image can only end up swallowed or
// unhandled; it ends the run here, first. Faults in system libraries are left to them:
// some probe memory and handle their own faults.
LONG CALLBACK OwnFaultHandler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
    if (!record || !IsHardwareFault(record->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(record->ExceptionAddress), &module) &&
        module == GetModuleHandleW(nullptr))
        EndFailedRun();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void InstallLastChanceGuard() {
    SetUnhandledExceptionFilter(LastChanceFilter);
    AddVectoredExceptionHandler(1, OwnFaultHandler);
}

}  // namespace WorkSpace
