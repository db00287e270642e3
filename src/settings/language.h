// The UI language: a number in the registry that chooses the language file, the picture
// list's background and the error screen's picture.
#pragma once
#include <cstdint>

namespace WorkSpace {

extern const wchar_t kLanguageKey[];       // L"SOFTWARE\\VELMORA\\ScreenSaver\\Lumora\\"
extern const wchar_t kLanguageValueName[]; // L"CurLang"
// "CurLang", or 0 when it cannot be read.
uint32_t ReadLanguageNumber();

// The language file InitTextStorage reads, or nullptr when the built-in texts are to be
// used ("CurLang" unreadable, or 7 and above). Unlike ReadLanguageNumber, a missing value
// does not count as English here: it means the built-in texts, not the English file.
const wchar_t* SelectedLanguageMember();

}  // namespace WorkSpace
