// The screen saver's command line taken apart: the program's name skipped, then the switch
// letter and the window number after it, read the way Windows writes them.
#include "host/saver_switches.h"

namespace WorkSpace {

const wchar_t* CommandLineTail(const wchar_t* p) {
    if (!p) return L"";
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p > L' ') ++p;
    }
    while (*p >= 1 && *p <= L' ') ++p;
    return p;
}

uint32_t ParseWindowNumber(const wchar_t*& p) {
    uint32_t n = 0;
    while (*p >= L'0' && *p <= L'9') {
        n = n * 10u + static_cast<uint32_t>(*p - L'0');
        ++p;
    }
    return n;
}

namespace {
// The window number that follows a switch letter, if digits are there.
void ReadWindowNumber(const wchar_t*& p, SaverSwitch& s) {
    const wchar_t* digits = p;
    s.window = ParseWindowNumber(p);
    s.hasNumber = p != digits;
}
}  // namespace

SaverSwitch ParseSaverSwitch(const wchar_t* p) {
    SaverSwitch s;
    if (!p) p = L"";
    while (*p == L' ' || *p == L'-' || *p == L'/') ++p;
    switch (*p) {
    case L'\0':
        s.mode = SaverMode::Configure;
        break;
    case L'S':
    case L's':
        s.mode = SaverMode::FullScreen;
        break;
    case L'P':
    case L'p':
    case L'L':
    case L'l':
        ++p;
        while (*p == L' ') ++p;
        ReadWindowNumber(p, s);
        s.mode = SaverMode::Preview;
        break;
    case L'C':
    case L'c':
        ++p;
        s.named = true;
        if (*p == L':') {
            ++p;
            ReadWindowNumber(p, s);
        }
        s.mode = SaverMode::Configure;
        break;
    case L'A':
    case L'a':
        ++p;
        while (*p == L' ') ++p;
        ReadWindowNumber(p, s);
        s.mode = SaverMode::ChangePassword;
        break;
    default:
        s.mode = SaverMode::Invalid;
        break;
    }
    return s;
}

}  // namespace WorkSpace
