// The user's choices: the picture list and the numbers of the settings table, kept in a
// small text file ("<program>.scr.settings" style) with the exact byte format below.
//   #Picture Info _ begin
//   <one picture path per line>
//   #Picture Info _ end
//   BlobsSpeed %d / BlobsSize %d / ShowImages %d / SelectCubeMap %d / SelectLumoraEffect %d
//   then each later key ("PictureFit %d", ...) only when it differs from its default
//   then "LeaveOutFolder <path>" for each folder left out of the folders above it
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

// Every number the settings file keeps, in file order. A new option is one more row in
// kSettingRows and one more name here.
enum class SettingKey : uint8_t {
    BlobsSpeed,
    BlobsSize,
    ShowImages,
    SelectCubeMap,
    SelectLumoraEffect,
    PictureFit,    // 0 stretch, 1 fit (bars), 2 fill (crop)
    SpanMonitors,  // 0 a scene per monitor, 1 one scene over all of them
    PictureOrder,  // 0 the list's order, 1 shuffled, a new order each lap
    Captions,            // 0 none, 1 the date, 2 the date and the place
    Portraits,           // 0 as any photo, 1 two side by side, 2 over a blurred copy
    PicturesPerMonitor,  // 0 the same picture on every monitor, 1 each monitor its own
    PanZoom,             // 0 still, 1 a gentle pan and zoom
    PictureKeys,         // 0 any input ends the saver, 1 keys steer the photos
    Clock,               // 0 none, 1 the time, 2 the time and the date
    MinRating,           // 0 every photo, else only photos rated at least that many stars
    MinPictureSize,      // 0 any, else the shortest side a photo must have, in pixels
    Memories,            // 0 off, 1 the photos taken on this day in earlier years first
    Videos,              // 0 clips skipped, 1 clips and live photos, 2 live photos only
    MaxVideoSeconds,     // the longest a clip plays before the next entry; 0 the whole clip
    ServerCacheMB,       // the bound of the server photos' offline cache, in MB
};
constexpr size_t kSettingCount = 20;
// The first rows are always written, as every file on users' disks has them; the rows
// after them only when they differ from their defaults, so an untouched file keeps its bytes.
constexpr size_t kAlwaysWrittenSettings = 5;

struct SettingRow {
    SettingKey id;
    const wchar_t* key;
    int32_t defaultValue;
    int32_t minimum, maximum;  // where the value is used; the file keeps what it holds
};
extern const SettingRow kSettingRows[kSettingCount];
const SettingRow& SettingInfo(SettingKey key);
// `value` brought into the row's range.
int32_t ClampSetting(SettingKey key, int32_t value);

class Settings {
public:

    // Starts with the defaults, so a record saved before any load still writes sane numbers.
    Settings();
    ~Settings();

    // Resets to the defaults, then reads `path`; false when it cannot be opened.
    bool Load(const std::wstring& path);
    // Writes the whole record; false when the file cannot be created.
    bool Save(const std::wstring& path) const;
    // Parses a whole file's bytes as Load does (after resetting); used by Load and the fuzzer.
    void LoadFromBytes(const std::string& bytes);
    // The exact bytes Save writes (CR LF line ends).
    std::string ToBytes() const;

    // The value as the file holds it, and brought into its range for use.
    int32_t Get(SettingKey key) const { return values[static_cast<size_t>(key)]; }
    int32_t GetClamped(SettingKey key) const { return ClampSetting(key, Get(key)); }
    void Set(SettingKey key, int32_t value) { values[static_cast<size_t>(key)] = value; }
    // By the key's name in the file: 0 for a name that is not in the table, which is ignored.
    int32_t GetValue(const std::wstring& key) const;
    void SetValue(const std::wstring& key, int32_t value);
    // Whether the file (and lumora-tool's listing) carries this row's line.
    bool IsWritten(SettingKey key) const;
    std::wstring GetPicture(int32_t index) const;  // empty when out of range
    void AddPicture(const std::wstring& path) { pictures.push_back(path); }
    void RemovePictureAt(int32_t index);
    void ClearPictures() { pictures.clear(); }
    void ResetValues();  // the table's defaults; pictures untouched

    std::vector<std::wstring> pictures;
    // Folders (ending with a separator) left out, with all below them, of the folder entries
    // above them. Kept after the numbers, as lines whose key older readers do not know and
    // so pass over.
    std::vector<std::wstring> leftOutFolders;
    std::array<int32_t, kSettingCount> values;  // by SettingKey
};

// The process-wide settings record, shared by the saver, its preview and the dialog.
Settings& GetSettings();

// The settings file's path, decided once for load and save alike: beside the program when
// that place can be written, otherwise in the user's own data folder under "Lumora".
// Empty when the command line cannot be split (a quit message has then been posted).
std::wstring GetSettingsPath();
// The rule behind it, on a given argument 0 of the command line.
std::wstring SettingsPathFromProgramPath(const std::wstring& argument0);
// The choice of place for the file named `besideProgram`: that path when the file there can
// be written; else, while it does not exist, the same name in userDataFolder + "Lumora" when
// that file exists, else `besideProgram` when its folder can be written (the only case that
// probes the folder); else the user's file (its folder created when missing).
std::wstring ChooseSettingsPlace(const std::wstring& besideProgram, const std::wstring& userDataFolder);
// The file to read the settings from: `settingsPath`, or, while that does not exist yet,
// the file beside the program that it replaces. Saves always go to `settingsPath`.
std::wstring SettingsPathToRead(const std::wstring& settingsPath, const std::wstring& besideProgram);
// The same for the place GetSettingsPath decided, after KeptSaveToRead; any other path is
// read as it is.
std::wstring SettingsPathToRead(const std::wstring& settingsPath);
// Whether `bytes` are a settings file as a save writes it whole: the end marker, then the five
// lines every file has, and a line end at its close.
bool IsWholeSettingsFile(const std::string& bytes);
// While `settingsPath` is missing and the newest of its saves' temporary files beside it is
// whole (a save Windows cut short after taking the old file away), that file: put in place
// when it can be, so `settingsPath` itself, else the temporary file's own path. Otherwise empty.
std::wstring KeptSaveToRead(const std::wstring& settingsPath);
// Argument 0 of the process's command line (Win32: CommandLineToArgvW; Linux: the module
// path). On Windows a failed split posts a quit message and returns false.
bool CommandLineArgument0(std::wstring& argument0);
// The program's module path and its long form (Win32: GetModuleFileNameW, then
// GetLongPathNameW; Linux: the module path twice). False, both empty, when either fails.
bool ModulePathForms(std::wstring& modulePath, std::wstring& longPath);
// What the settings file is named from: argument 0 as it stands, unless Windows started the
// program by a short (8.3) name, "LUMORA~1.SCR": its module path then differs from the long
// form beyond letter case, and the long form names the file, so a saver started either way
// meets one file. Without the two forms, argument 0.
std::wstring SettingsProgramPath(const std::wstring& argument0, const std::wstring& modulePath,
                                 const std::wstring& longPath);

}  // namespace WorkSpace
