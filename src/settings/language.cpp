// The UI language's number, "CurLang" in the registry, and the language file it chooses:
// none, for the built-in texts, where the value is missing or out of range.
#include "settings/language.h"

#include "settings/registry.h"
#include "resources/archive_members.h"

namespace WorkSpace {

const wchar_t kLanguageKey[] = L"SOFTWARE\\VELMORA\\ScreenSaver\\Lumora\\";
const wchar_t kLanguageValueName[] = L"CurLang";

uint32_t ReadLanguageNumber() {
    uint32_t language = 0;
    if (!ReadRegistryDword(kLanguageKey, kLanguageValueName, language)) return 0;
    return language;
}

const wchar_t* SelectedLanguageMember() {
    uint32_t language = 0;
    if (!ReadRegistryDword(kLanguageKey, kLanguageValueName, language)) return nullptr;
    if (language >= kLanguageCount) return nullptr;
    return LanguageFileMember(language);
}

}  // namespace WorkSpace
