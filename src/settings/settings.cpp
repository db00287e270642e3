// Reads and writes the settings file. The byte format is fixed by the files already on
// users' disks: CR LF line ends, the picture block between two marker lines, then five
// "Key value" lines. Reading tolerates everything old versions tolerated.
#include "settings/settings.h"

#include <climits>
#include <cstdio>

#include "platform/platform.h"
#include "resources/logger.h"
#include "resources/program_folder.h"

namespace WorkSpace {

// The classic five keep the whole int range: the scheme's "no selection" is -1, and a
// show-images value other than 0 or 1 has always meant "show".
const SettingRow kSettingRows[kSettingCount] = {
    {SettingKey::BlobsSpeed, L"BlobsSpeed", 40, 1, 100},
    {SettingKey::BlobsSize, L"BlobsSize", 80, 1, 100},
    {SettingKey::ShowImages, L"ShowImages", 1, INT32_MIN, INT32_MAX},
    {SettingKey::SelectCubeMap, L"SelectCubeMap", 0, INT32_MIN, INT32_MAX},
    {SettingKey::SelectLumoraEffect, L"SelectLumoraEffect", 0, INT32_MIN, INT32_MAX},
    {SettingKey::PictureFit, L"PictureFit", 0, 0, 2},
    {SettingKey::SpanMonitors, L"SpanMonitors", 0, 0, 1},
    {SettingKey::PictureOrder, L"PictureOrder", 0, 0, 1},
    {SettingKey::Captions, L"Captions", 0, 0, 2},
    {SettingKey::Portraits, L"Portraits", 0, 0, 2},
    {SettingKey::PicturesPerMonitor, L"PicturesPerMonitor", 0, 0, 1},
    {SettingKey::PanZoom, L"PanZoom", 0, 0, 1},
    {SettingKey::PictureKeys, L"PictureKeys", 0, 0, 1},
    {SettingKey::Clock, L"Clock", 0, 0, 2},
    {SettingKey::MinRating, L"MinRating", 0, 0, 5},
    {SettingKey::MinPictureSize, L"MinPictureSize", 0, 0, 65535},
    {SettingKey::Memories, L"Memories", 0, 0, 1},
    {SettingKey::Videos, L"Videos", 0, 0, 2},
    {SettingKey::MaxVideoSeconds, L"MaxVideoSeconds", 30, 0, 3600},
    {SettingKey::ServerCacheMB, L"ServerCacheMB", 1024, 256, 8192},
};

const SettingRow& SettingInfo(SettingKey key) { return kSettingRows[static_cast<size_t>(key)]; }

int32_t ClampSetting(SettingKey key, int32_t value) {
    const SettingRow& row = SettingInfo(key);
    return value < row.minimum ? row.minimum : value > row.maximum ? row.maximum : value;
}

Settings& GetSettings() {
    static Settings* settings = new Settings();  // lives until the process ends
    return *settings;
}

namespace {
const char kBeginMarker[] = "#Picture Info _ begin";
const char kEndMarker[] = "#Picture Info _ end";
const wchar_t kSettingsSuffix[] = L"scr.settings";
const wchar_t kLeftOutKey[] = L"LeaveOutFolder";

// Windows text mode turns CR LF into LF on reading; a CR on its own stays. The file is read
// in binary mode on both platforms and translated here, so Linux and Windows see the same
// lines. (A Ctrl-Z is not taken as the end of the file: we never write one, and cutting a
// file short there would only lose the user's values.)
std::string TextModeBytes(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out.push_back(bytes[i]);
    }
    return out;
}

// Lines are written as UTF-8, which leaves ASCII paths byte for byte as before; files from
// older versions hold paths in the ANSI code page. A line that is valid UTF-8 is taken as
// UTF-8, anything else as ANSI. (An ANSI line that happens to be valid UTF-8 as well, such
// as "Ã¼", would be misread, but real paths practically never look like that.)
std::wstring DecodeLine(const std::string& line) {
    if (Platform::IsValidUtf8(line.data(), line.size())) return Platform::Utf8ToWide(line.data(), line.size());
    return Platform::AnsiToWide(line);
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// The value text becomes a number as wcstol would read it with a 32-bit long (as on
// Windows): leading white space, an optional sign, digits up to the first non-digit,
// 0 without digits, and the nearest limit when the number does not fit.
int32_t ParseValue(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t magnitude = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > limit) magnitude = limit;  // saturate, keep consuming digits
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

// One line after the end marker. Only the space character separates the key from the
// value, so "BlobsSpeed<TAB>55" is a key of its own and is ignored.
void ReadValueLine(Settings& settings, const std::wstring& line) {
    size_t start = line.find_first_not_of(L' ');
    if (start == std::wstring::npos) return;
    size_t end = line.find(L' ', start);
    if (end == std::wstring::npos) return;  // a key without a value text changes nothing
    std::wstring key = line.substr(start, end - start);
    std::wstring valueText = line.substr(end + 1);
    if (valueText.empty()) return;
    if (key == kLeftOutKey) {
        settings.leftOutFolders.push_back(valueText);  // the rest of the line, spaces and all
        return;
    }
    settings.SetValue(key, ParseValue(valueText));
}

void AppendLine(std::string& out, const std::string& line) {
    out += line;
    out += "\r\n";
}
}  // namespace

Settings::Settings() { ResetValues(); }

Settings::~Settings() = default;

void Settings::ResetValues() {
    for (const SettingRow& row : kSettingRows) Set(row.id, row.defaultValue);
}

bool Settings::Load(const std::wstring& path) {
    ClearPictures();
    leftOutFolders.clear();
    ResetValues();
    std::string bytes;
    if (!Platform::ReadWholeFile(path, bytes)) return false;
    LoadFromBytes(bytes);
    return true;
}

void Settings::LoadFromBytes(const std::string& bytes) {
    ClearPictures();
    leftOutFolders.clear();
    ResetValues();
    const std::string text = TextModeBytes(bytes);
    bool pictureMode = true;
    size_t pos = 0;
    // Whole lines, however long: a fixed line buffer once split a long path into several
    // pictures, and a path of exactly the buffer's size into the path plus an empty one.
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t end = lf == std::string::npos ? text.size() : lf;
        const std::string line = text.substr(pos, end - pos);
        pos = lf == std::string::npos ? text.size() : lf + 1;

        if (pictureMode) {
            if (line == kEndMarker) {
                pictureMode = false;
            } else if (line != kBeginMarker) {
                // Lines in front of the begin marker, and empty lines, are pictures too.
                AddPicture(DecodeLine(line));
            }
        } else {
            ReadValueLine(*this, DecodeLine(line));
        }
    }
}

std::string Settings::ToBytes() const {
    std::string out;
    AppendLine(out, kBeginMarker);
    for (const std::wstring& picture : pictures) AppendLine(out, Platform::WideToUtf8(picture));
    AppendLine(out, kEndMarker);
    for (const SettingRow& row : kSettingRows) {
        if (!IsWritten(row.id)) continue;
        char number[16];
        snprintf(number, sizeof(number), " %d", static_cast<int>(Get(row.id)));
        AppendLine(out, Platform::WideToUtf8(row.key) + number);
    }
    for (const std::wstring& folder : leftOutFolders)
        AppendLine(out, Platform::WideToUtf8(kLeftOutKey) + " " + Platform::WideToUtf8(folder));
    return out;
}

bool Settings::Save(const std::wstring& path) const {
    // Explicit CR LF: the same bytes on every platform. Whole or not at all: the picture
    // list is the user's work.
    bool ownPermissionsLost = false;
    if (!Platform::ReplaceFileWhole(path, ToBytes(), &ownPermissionsLost)) return false;
    if (ownPermissionsLost)
        GetLogger().Write(L"Settings::Save() - ReplaceFileW () kept failing, moved over - the file's own permissions were not kept");
    return true;
}

bool Settings::IsWritten(SettingKey key) const {
    return static_cast<size_t>(key) < kAlwaysWrittenSettings || Get(key) != SettingInfo(key).defaultValue;
}

int32_t Settings::GetValue(const std::wstring& key) const {
    for (const SettingRow& row : kSettingRows)
        if (key == row.key) return Get(row.id);
    return 0;
}

void Settings::SetValue(const std::wstring& key, int32_t value) {
    for (const SettingRow& row : kSettingRows)
        if (key == row.key) {
            Set(row.id, value);
            return;
        }
}

std::wstring Settings::GetPicture(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= pictures.size()) return std::wstring();
    return pictures[static_cast<size_t>(index)];
}

void Settings::RemovePictureAt(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= pictures.size()) return;
    pictures.erase(pictures.begin() + index);
}

std::wstring SettingsPathFromProgramPath(const std::wstring& argument0) {
    static const wchar_t kBlanks[] = L" \t\n\v\f\r";
    std::wstring path = argument0;
    path.erase(path.find_last_not_of(kBlanks) + 1);  // npos + 1 == 0: an all-blank path empties
    path.erase(0, path.find_first_not_of(kBlanks));  // nothing left to trim when it is empty
    if (!path.empty() && path[0] == L'"') path = path.size() >= 2 ? path.substr(1, path.size() - 2) : std::wstring();
    // "Foo.scr" -> "Foo." + "scr.settings": the extension's letters are replaced, the dot kept.
    path.erase(path.size() - (path.size() < 3 ? path.size() : 3));
    return path + kSettingsSuffix;
}

namespace {
wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}
}  // namespace

std::wstring SettingsProgramPath(const std::wstring& argument0, const std::wstring& modulePath,
                                 const std::wstring& longPath) {
    // The long form also spells the letters as the disk does; that alone is no short name.
    if (modulePath.empty() || longPath.empty() || SameIgnoringAsciiCase(modulePath, longPath)) return argument0;
    return longPath;
}

namespace {
bool FileExists(const std::wstring& path) {
    FILE* file = Platform::OpenFile(path, "rb");
    if (!file) return false;
    fclose(file);
    return true;
}

bool OpensForAppend(const std::wstring& path) {
    FILE* file = Platform::OpenFile(path, "ab");
    if (!file) return false;
    fclose(file);
    return true;
}
}  // namespace

// The program usually lives in a folder only administrators may write (system32, Program
// Files); saving there would fail silently and the user's choices would be lost. Keep the
// file beside the program whenever it can be written there, as always, and otherwise move
// it to the user's own data folder.
std::wstring ChooseSettingsPlace(const std::wstring& besideProgram, const std::wstring& userDataFolder) {
    const std::wstring folder = FolderOfPath(besideProgram);
    const std::wstring name = besideProgram.substr(folder.size());
    const wchar_t sep = Platform::PathSeparator();
    std::wstring userFolder = userDataFolder;
    if (!userFolder.empty() && userFolder.back() != L'\\' && userFolder.back() != L'/') userFolder += sep;
    userFolder += L"Lumora";
    userFolder += sep;
    // A file that exists decides without a probe: it is where the last save went. A save
    // writes a new file beside the old one and puts it in the old one's place, so an old
    // file must be one that may be written.
    if (FileExists(besideProgram)) {
        if (OpensForAppend(besideProgram)) return besideProgram;
    } else if (!userDataFolder.empty() && FileExists(userFolder + name)) {
        return userFolder + name;
    } else if (Platform::IsWritableFolder(folder.empty() ? L"." : folder)) {
        return besideProgram;
    }
    if (userDataFolder.empty() || !Platform::MakeFolder(userFolder)) return besideProgram;
    return userFolder + name;
}

// An update keeps the old file beside the program, where a standard user cannot write it.
// Until the first save creates the user's own file, the old one still holds their choices.
std::wstring SettingsPathToRead(const std::wstring& settingsPath, const std::wstring& besideProgram) {
    if (settingsPath == besideProgram || FileExists(settingsPath) || !FileExists(besideProgram)) return settingsPath;
    return besideProgram;
}

namespace {
struct SettingsPlaces {
    std::wstring decided;
    std::wstring besideProgram;
};
SettingsPlaces& Places() {
    static SettingsPlaces places;
    return places;
}
}  // namespace

std::wstring GetSettingsPath() {
    // Decided once, so a load and the save after it always meet the same file even if the
    // folder's permissions change in between.
    SettingsPlaces& places = Places();
    if (!places.decided.empty()) return places.decided;
    std::wstring argument0;
    if (!CommandLineArgument0(argument0)) return std::wstring();
    std::wstring modulePath, longPath;
    ModulePathForms(modulePath, longPath);
    places.besideProgram = SettingsPathFromProgramPath(SettingsProgramPath(argument0, modulePath, longPath));
    places.decided = ChooseSettingsPlace(places.besideProgram, Platform::UserDataFolder(false));
    return places.decided;
}

std::wstring SettingsPathToRead(const std::wstring& settingsPath) {
    const SettingsPlaces& places = Places();
    if (places.besideProgram.empty() || settingsPath != places.decided) return settingsPath;
    // The kept save is newer than any file beside the program it replaced.
    const std::wstring kept = KeptSaveToRead(settingsPath);
    return kept.empty() ? SettingsPathToRead(settingsPath, places.besideProgram) : kept;
}

bool IsWholeSettingsFile(const std::string& bytes) {
    const std::string text = TextModeBytes(bytes);
    if (text.empty() || text.back() != '\n') return false;
    // The first end marker closes the picture block; the five lines follow it in their order.
    size_t afterMarker = 0;
    bool marker = false;
    for (size_t pos = 0; pos < text.size() && afterMarker < kAlwaysWrittenSettings;) {
        const size_t lf = text.find('\n', pos);
        const std::string content = text.substr(pos, lf - pos);
        pos = lf + 1;
        if (!marker) {
            marker = content == kEndMarker;
            continue;
        }
        const std::string key = Platform::WideToUtf8(kSettingRows[afterMarker++].key) + " ";
        if (content.compare(0, key.size(), key) != 0) return false;
    }
    return marker && afterMarker == kAlwaysWrittenSettings;
}

std::wstring KeptSaveToRead(const std::wstring& settingsPath) {
    if (FileExists(settingsPath)) return std::wstring();
    const std::wstring kept = Platform::NewestTemporaryOf(settingsPath);
    std::string bytes;
    if (kept.empty() || !Platform::ReadWholeFile(kept, bytes) || !IsWholeSettingsFile(bytes)) return std::wstring();
    return Platform::ReplaceWith(kept, settingsPath) ? settingsPath : kept;
}

}  // namespace WorkSpace
