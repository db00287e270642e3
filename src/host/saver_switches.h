// The screen-saver command line, read the way Windows writes it: /s, /p HWND, /l HWND,
// /c[:HWND], /a HWND, or nothing. Only the first letter counts.
#pragma once
#include <cstdint>

namespace WorkSpace {

enum class SaverMode { Configure, FullScreen, Preview, ChangePassword, Invalid };

struct SaverSwitch {
    SaverMode mode = SaverMode::Invalid;
    uint32_t window = 0;     // the window number that followed, 0 when none
    bool hasNumber = false;  // digits were present
    bool named = false;      // Configure: the letter C was given (else: an empty command line)
};

// The command line after the program name: a quoted name is skipped to its closing quote,
// an unquoted one up to the first blank, then blanks and control characters.
const wchar_t* CommandLineTail(const wchar_t* commandLine);
// Decimal digits only, wrapping modulo 2^32; stops at the first other character.
uint32_t ParseWindowNumber(const wchar_t*& p);
SaverSwitch ParseSaverSwitch(const wchar_t* tail);

}  // namespace WorkSpace
