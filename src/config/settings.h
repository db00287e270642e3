// The user's choices: the picture list and five numbers, kept in a small text file
// ("<program>.scr.settings" style) and read and written with the exact byte format below.
//   #Picture Info _ begin
//   <one picture path per line>
//   #Picture Info _ end
//   BlobsSpeed %d / BlobsSize %d / ShowImages %d / SelectCubeMap %d / SelectLumoraEffect %d
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace WorkSpace {

class Settings {
public:
    // Keys and defaults, in file order.
    struct Entry {
        const wchar_t* key;
        int32_t defaultValue;
    };
    static const Entry kDefaults[5];

    // Starts with the defaults, so a record saved before any load still writes sane numbers.
    Settings();
    virtual ~Settings();

    // Resets to the defaults, then reads `path`; false when it cannot be opened.
    bool Load(const std::wstring& path);
    // Writes the whole record; false when the file cannot be created.
    bool Save(const std::wstring& path) const;
    // Parses a whole file's bytes as Load does (after resetting); used by Load and the fuzzer.
    void LoadFromBytes(const std::string& bytes);
    // The exact bytes Save writes (CR LF line ends).
    std::string ToBytes() const;

    int32_t GetValue(const std::wstring& key) const;  // 0 for a key that is not there
    void SetValue(const std::wstring& key, int32_t value);  // unknown keys are ignored
    std::wstring GetPicture(int32_t index) const;  // empty when out of range
    void AddPicture(const std::wstring& path) { pictures.push_back(path); }
    void RemovePictureAt(int32_t index);
    void ClearPictures() { pictures.clear(); }
    void ResetValues();  // the five defaults, in file order; pictures untouched

    std::vector<std::wstring> pictures;
    std::vector<std::pair<std::wstring, int32_t>> values;
};

// The settings file's path, decided once for load and save alike: beside the program when
// that place can be written, otherwise in the user's own data folder under "Lumora".
// Empty when the command line cannot be split (a quit message has then been posted).
std::wstring GetSettingsPath();
// The rule behind it, on a given argument 0 of the command line.
std::wstring SettingsPathFromProgramPath(const std::wstring& argument0);
// The choice of place for the file named `besideProgram`: that path when it can be
// written, else the same name in userDataFolder + "Lumora" (created when missing).
std::wstring ChooseSettingsPlace(const std::wstring& besideProgram, const std::wstring& userDataFolder);
// The file to read the settings from: `settingsPath`, or, while that does not exist yet,
// the file beside the program that it replaces. Saves always go to `settingsPath`.
std::wstring SettingsPathToRead(const std::wstring& settingsPath, const std::wstring& besideProgram);
// The same for the place GetSettingsPath decided; any other path is read as it is.
std::wstring SettingsPathToRead(const std::wstring& settingsPath);
// Argument 0 of the process's command line (Win32: CommandLineToArgvW; Linux: the module
// path). On Windows a failed split posts a quit message and returns false.
bool CommandLineArgument0(std::wstring& argument0);

}  // namespace WorkSpace
