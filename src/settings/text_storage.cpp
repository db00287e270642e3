// The UI text table and the language files that fill it. A language file is UTF-8 with a
// byte-order mark, one text per CR LF line; the reader's line rules are kept exactly,
// since the shipped files were written against them.
#include "settings/text_storage.h"

#include <new>

#include "settings/language.h"
#include "platform/platform.h"
#include "resources/resource_archive.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace Translate {

// The names reach exactly the built-in table; the classic texts end with the list's hint.
static_assert(static_cast<int32_t>(TextId::GigabytesN) + 1 == TextStorage::kDefaultCount);
static_assert(static_cast<int32_t>(TextId::ListHintDetail) + 1 == TextStorage::kClassicCount);

// Text 0 begins with a Cyrillic capital O (U+041E) followed by a Latin k: that is how the
// OK button has always been labelled, and the two letters look the same.
const wchar_t* const TextStorage::kDefaults[TextStorage::kDefaultCount] = {
    L"\u041Ek",                                   // 0
    L"Cancel",                                    // 1
    L"Preview",                                   // 2
    L"Remove",                                    // 3
    L"Remove All",                                // 4
    L"Show Images",                               // 5
    L"Select Scheme",                             // 6
    L"Files",                                     // 7
    L"Select",                                    // 8
    L"Options",                                   // 9
    L"Resolution",                                // 10
    L"About",                                     // 11
    L"Screen Saver",                              // 12
    L"Version",                                   // 13
    L"Language",                                  // 14
    L"Open",                                      // 15
    L"Close",                                     // 16
    L"Delete",                                    // 17
    L"Add",                                       // 18
    L"Not Supported",                             // 19
    L"Video acceleration disable",                // 20
    L"Please. Enabl video acceleration",          // 21
    L"Options",                                   // 22
    L"Aurora Screen Saver",                       // 23
    L"Nebula Screen Saver",                       // 24
    L"Comet Screen Saver",                        // 25
    L"Lumora Sreen Saver",                        // 26
    L"Rotation",                                  // 27
    L"Falling",                                   // 28
    L"Approach",                                  // 29
    L"Motion",                                    // 30
    L"Fall Rotation",                             // 31
    L"Fire",                                      // 32
    L"Fireball",                                  // 33
    L"Detonation",                                // 34
    L"Trail Length",                              // 35
    L"Glow Intensity",                            // 36
    L"Solar",                                     // 37
    L"Earth",                                     // 38
    L"RGB",                                       // 39
    L"Caramel",                                   // 40
    L"Flame",                                     // 41
    L"Ice",                                       // 42
    L"Smoke",                                     // 43
    L"Cheerful",                                  // 44
    L"The computer configuration does not meet minimal system requirements",  // 45
    L"Hardware acceleration is not enabled",      // 46
    L"Version 2.0 shaders are not supported",     // 47
    L"Version 1.0 shaders are not supported",     // 48
    L"Please install the latest drivers for your video card from the card manufacturer web site",  // 49
    L"DirectX 9.0c or later is not installed. Please update your DirectX version from the Microsoft web site.",  // 50
    L"The current display resolution is not supported.",  // 51
    L"Add your images or photos here.",           // 52
    L"Click Add or just drag and drop files to this window.",  // 53
    L"Effect",                                    // 54
    L"Speed",                                     // 55
    L"Size",                                      // 56
    L"Pictures",                                  // 57
    L"Stretch",                                   // 58
    L"Fit",                                       // 59
    L"Fill",                                      // 60
    L"Monitors",                                  // 61
    L"Each monitor",                              // 62
    L"Span all monitors",                         // 63
    L"Add Folder...",                             // 64
    L"Order",                                     // 65
    L"In list order",                             // 66
    L"Shuffle",                                   // 67
    L"The settings could not be saved.",          // 68
    L"Photos",                                    // 69
    L"Captions",                                  // 70
    L"None",                                      // 71
    L"Date",                                      // 72
    L"Date and place",                            // 73
    L"Portraits",                                 // 74
    L"As any photo",                              // 75
    L"Two side by side",                          // 76
    L"Over a blurred copy",                       // 77
    L"Per monitor",                               // 78
    L"The same on all",                           // 79
    L"A different one on each",                   // 80
    L"Pan and zoom",                              // 81
    L"Off",                                       // 82
    L"Gentle",                                    // 83
    L"The display turns off after %1 min, before the screen saver would start after %2 min: the screen saver will not appear.",  // 84
    L"Keys",                                      // 85
    L"End the saver",                             // 86
    L"Steer the photos",                          // 87
    L"Clock",                                     // 88
    L"Off",                                       // 89
    L"The time",                                  // 90
    L"The time and date",                         // 91
    L"Minimum rating",                            // 92
    L"Any",                                       // 93
    L"1 star",                                    // 94
    L"2 stars",                                   // 95
    L"3 stars",                                   // 96
    L"4 stars",                                   // 97
    L"5 stars",                                   // 98
    L"Minimum size",                              // 99
    L"Any",                                       // 100
    L"Leave Out Folder...",                       // 101
    L"Left out: %1",                              // 102
    L"Memories",                                  // 103
    L"Off",                                       // 104
    L"On this day first",                         // 105
    L"A year ago",                                // 106
    L"%1 years ago",                              // 107
    L"Videos",                                    // 108
    L"Off",                                       // 109
    L"Clips and live photos",                     // 110
    L"Live photos only",                          // 111
    L"Clip length",                               // 112
    L"Whole clips",                               // 113
    L"15 s",                                      // 114
    L"30 s",                                      // 115
    L"60 s",                                      // 116
    L"Add Server Folder...",                      // 117
    L"Server Folder",                             // 118
    L"Address",                                   // 119
    L"User name",                                 // 120
    L"Password",                                  // 121
    L"Checking the folder...",                    // 122
    L"Wrong password",                            // 123
    L"No such folder",                            // 124
    L"The server's certificate is not trusted",   // 125
    L"No answer",                                 // 126
    L"Not a valid address",                       // 127
    L"The address is not a WebDAV folder",        // 128
    L"The server answered %1",                    // 129
    L"Edit...",                                   // 130
    L"%1 (needs its password)",                   // 131
    L"Server cache",                              // 132
    L"%1 MB",                                     // 133
    L"%1 GB",                                     // 134
};

TextStorage& TextStorage::Instance() {
    static TextStorage instance;
    return instance;
}

std::wstring TextStorage::GetText(int32_t number) const {
    // Compared unsigned, so a negative number is simply out of range.
    const uint32_t index = static_cast<uint32_t>(number);
    if (index < texts_.size()) return texts_[index];
    // Language files of older archives end with the classic texts; the controls added since
    // then show in English there rather than without a caption. A table short of the
    // classic texts (a damaged file, or one that decoded to nothing) keeps every missing
    // text empty, as it always has.
    if (texts_.size() >= static_cast<size_t>(kClassicCount) && index < static_cast<uint32_t>(kDefaultCount))
        return kDefaults[index];
    return std::wstring();
}

void TextStorage::LoadFromText(const std::wstring& text) {
    const size_t length = text.size();
    std::wstring line;
    // Position 0 is the byte-order mark and is skipped whether or not it is one; the last
    // position can only be the LF of a closing CR LF, or part of an unterminated line.
    for (size_t i = 1; i + 1 < length; ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' && text[i + 1] == L'\n') {
            texts_.push_back(line);
            line.clear();
        } else if (c != L'\n') {
            line.push_back(c);  // a CR on its own stays part of the text
        }
    }
    // A last line without its CR LF is not taken.
    if (texts_.empty()) LoadDefaults();
}

void TextStorage::LoadDefaults() {
    for (const wchar_t* text : kDefaults) texts_.emplace_back(text);
}

}  // namespace Translate

void LoadDecodedTexts(Translate::TextStorage& table, const std::wstring& decoded) {
    // A file that decodes to nothing leaves the table empty: every text then shows as empty
    // rather than in a language the user did not choose.
    if (decoded.empty()) return;
    table.LoadFromText(decoded);
}

void LoadTextsFromMember(Translate::TextStorage& table, const char* data, uint32_t size) {
    if (!data || size == 0) {
        table.LoadDefaults();
        return;
    }
    // Invalid sequences become U+FFFD, as MultiByteToWideChar(CP_UTF8, 0) does on Windows.
    LoadDecodedTexts(table, Platform::Utf8ToWide(data, size));
}

void LoadTextsFromMember(const char* data, uint32_t size) {
    LoadTextsFromMember(Translate::TextStorage::Instance(), data, size);
}

void InitTextStorage() {
    InitTextStorage(ZipReader::Instance(), ResourceArchivePath(), Translate::TextStorage::Instance());
}

void InitTextStorage(ZipReader& reader, const std::wstring& archivePath, Translate::TextStorage& table) {
    OpenResourceArchive(reader, archivePath);

    try {
        const wchar_t* member = SelectedLanguageMember();
        if (!member) {
            table.LoadDefaults();
            return;
        }
        uint32_t size = 0;
        const uint8_t* data = reader.ReadMember(member, size);
        if (!data || size == 0) {
            reader.FreeBuffer();  // an empty member still leaves a buffer behind
            table.LoadDefaults();
            return;
        }
        LoadTextsFromMember(table, reinterpret_cast<const char*>(data), size);
        reader.FreeBuffer();
    } catch (const std::bad_alloc&) {
        // Out of memory while decoding: give the member back (a held read also holds the
        // reader for this thread) and go on with the table as far as it got.
        reader.FreeBuffer();
    }
}

}  // namespace WorkSpace
