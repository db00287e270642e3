// The UI text table: texts addressed by number, filled once from the language file of the
// registry's language number, or from the built-in English texts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "settings/text_id.h"

namespace WorkSpace {

class ZipReader;

namespace Translate {

class TextStorage {
public:
    static TextStorage& Instance();
    TextStorage() = default;

    // A copy of text `number`. A number the loaded table does not reach is empty (negative
    // included), except that a table holding the classic 54 texts lends the later ones
    // from the built-in English table.
    std::wstring GetText(int32_t number) const;
    std::wstring GetText(TextId id) const { return GetText(static_cast<int32_t>(id)); }
    // Appends the lines of a decoded language file; falls back to the defaults when none.
    void LoadFromText(const std::wstring& text);
    void LoadDefaults();
    size_t Count() const { return texts_.size(); }
    void ClearForTesting() { texts_.clear(); }

    // Every language file of the first release holds the classic texts 0..53.
    static constexpr int kClassicCount = 54;
    static constexpr int kDefaultCount = 135;
    static const wchar_t* const kDefaults[kDefaultCount];

private:
    std::vector<std::wstring> texts_;
};

}  // namespace Translate

// Opens the resource archive beside the program and fills the text table.
void InitTextStorage();
// The same steps on a given reader, archive path and table, so tests can use an archive of
// their own without touching the process-wide reader.
void InitTextStorage(ZipReader& reader, const std::wstring& archivePath, Translate::TextStorage& table);
// The text-table part of InitTextStorage on given member bytes (tests, lumora-tool texts):
// no data -> built-in texts; otherwise UTF-8 decoded and handed to LoadDecodedTexts.
void LoadTextsFromMember(const char* data, uint32_t size);  // into TextStorage::Instance()
void LoadTextsFromMember(Translate::TextStorage& table, const char* data, uint32_t size);
// A decoded language file: nothing is added when it holds no character at all.
void LoadDecodedTexts(Translate::TextStorage& table, const std::wstring& decoded);

}  // namespace WorkSpace
