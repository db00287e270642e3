// The settings file: defaults, the reader's tolerance of odd lines, the exact bytes written,
// long and non-ASCII paths, and where the file is placed.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace WorkSpace {
namespace {

const char kEmptyRecord[] =
    "#Picture Info _ begin\r\n"
    "#Picture Info _ end\r\n"
    "BlobsSpeed 40\r\n"
    "BlobsSize 80\r\n"
    "ShowImages 1\r\n"
    "SelectCubeMap 0\r\n"
    "SelectLumoraEffect 0\r\n";

std::wstring TempPath(const std::string& name) {
    std::string path = testing::TempDir() + "lumora_settings_test_" + name;
    return Platform::AnsiToWide(path);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* file = Platform::OpenFile(path, "wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    FILE* file = Platform::OpenFile(path, "rb");
    if (!file) return bytes;
    char chunk[1024];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

void ExpectDefaults(const Settings& s) {
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 40);
    EXPECT_EQ(s.GetValue(L"BlobsSize"), 80);
    EXPECT_EQ(s.GetValue(L"ShowImages"), 1);
    EXPECT_EQ(s.GetValue(L"SelectCubeMap"), 0);
    EXPECT_EQ(s.GetValue(L"SelectLumoraEffect"), 0);
}

// A file body with the given lines after the end marker.
std::string WithValueLines(const std::string& lines) {
    return "#Picture Info _ begin\r\n#Picture Info _ end\r\n" + lines;
}

TEST(SettingsDefaults, MissingFileGivesDefaultsAndNoPictures) {
    Settings s;
    s.AddPicture(L"C:\\left\\over.jpg");
    s.SetValue(L"BlobsSpeed", 3);
    EXPECT_FALSE(s.Load(TempPath("does_not_exist.settings")));
    EXPECT_TRUE(s.pictures.empty());
    ExpectDefaults(s);
    const wchar_t* order[] = {L"BlobsSpeed", L"BlobsSize", L"ShowImages", L"SelectCubeMap", L"SelectLumoraEffect"};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(std::wstring(kSettingRows[i].key), order[i]);
    for (size_t i = 0; i < kSettingCount; ++i) EXPECT_EQ(static_cast<size_t>(kSettingRows[i].id), i);
}

TEST(SettingsDefaults, EmptyPathFailsWithDefaults) {
    Settings s;
    EXPECT_FALSE(s.Load(L""));
    ExpectDefaults(s);
}

TEST(SettingsDefaults, NewRecordWritesTheDefaults) {
    Settings s;
    EXPECT_EQ(s.ToBytes(), kEmptyRecord);
}

TEST(SettingsReader, ValuesWithoutEndMarkerBecomePictures) {
    Settings s;
    s.LoadFromBytes("BlobsSpeed 10\r\nBlobsSize 20\r\nShowImages 0\r\nSelectCubeMap 3\r\nSelectLumoraEffect 2\r\n");
    ASSERT_EQ(s.pictures.size(), 5u);
    EXPECT_EQ(s.pictures[0], L"BlobsSpeed 10");
    EXPECT_EQ(s.pictures[4], L"SelectLumoraEffect 2");
    ExpectDefaults(s);
}

TEST(SettingsReader, LinesBeforeBeginMarkerArePictures) {
    Settings s;
    s.LoadFromBytes("a.jpg\r\n#Picture Info _ begin\r\nb.jpg\r\n#Picture Info _ begin\r\n#Picture Info _ end\r\n");
    ASSERT_EQ(s.pictures.size(), 2u);
    EXPECT_EQ(s.pictures[0], L"a.jpg");
    EXPECT_EQ(s.pictures[1], L"b.jpg");
}

TEST(SettingsReader, LeadingSpacesAndSeveralSpacesBeforeValue) {
    Settings s;
    s.LoadFromBytes(WithValueLines("   BlobsSpeed   55\r\n"));
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 55);
}

TEST(SettingsReader, KeyAloneOrWithOneSpaceLeavesValue) {
    Settings s;
    s.LoadFromBytes(WithValueLines("BlobsSpeed\r\nBlobsSize \r\n   \r\n\r\n"));
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 40);
    EXPECT_EQ(s.GetValue(L"BlobsSize"), 80);
}

TEST(SettingsReader, KeysAreCaseSensitive) {
    Settings s;
    s.LoadFromBytes(WithValueLines("showimages 0\r\nSHOWIMAGES 0\r\n"));
    EXPECT_EQ(s.GetValue(L"ShowImages"), 1);
}

TEST(SettingsReader, ValueWithoutDigitsIsZero) {
    Settings s;
    s.LoadFromBytes(WithValueLines("ShowImages x\r\n"));
    EXPECT_EQ(s.GetValue(L"ShowImages"), 0);
}

TEST(SettingsReader, DigitsUpToFirstNonDigit) {
    Settings s;
    s.LoadFromBytes(WithValueLines("ShowImages 12abc\r\nBlobsSize -7x\r\nBlobsSpeed +9 1\r\n"));
    EXPECT_EQ(s.GetValue(L"ShowImages"), 12);
    EXPECT_EQ(s.GetValue(L"BlobsSize"), -7);
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 9);
}

TEST(SettingsReader, NumbersOutsideInt32Saturate) {
    Settings s;
    s.LoadFromBytes(WithValueLines("BlobsSpeed 99999999999\r\nBlobsSize -99999999999\r\nShowImages 2147483647\r\n"
                                   "SelectCubeMap -2147483648\r\n"));
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), INT32_MAX);
    EXPECT_EQ(s.GetValue(L"BlobsSize"), INT32_MIN);
    EXPECT_EQ(s.GetValue(L"ShowImages"), INT32_MAX);
    EXPECT_EQ(s.GetValue(L"SelectCubeMap"), INT32_MIN);
}

TEST(SettingsReader, TabBelongsToKey) {
    Settings s;
    s.LoadFromBytes(WithValueLines("BlobsSpeed\t55\r\nBlobsSize\t 55\r\n"));
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 40);
    EXPECT_EQ(s.GetValue(L"BlobsSize"), 80);
}

TEST(SettingsReader, TabAfterTheSpaceIsSkippedWithTheNumber) {
    Settings s;
    s.LoadFromBytes(WithValueLines("BlobsSpeed \t55\r\n"));
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 55);
}

TEST(SettingsReader, LastDuplicateWins) {
    Settings s;
    s.LoadFromBytes(WithValueLines("BlobsSpeed 1\r\nBlobsSpeed 2\r\nBlobsSpeed 3\r\n"));
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 3);
}

TEST(SettingsReader, UnknownKeysAreNotAdded) {
    Settings s;
    s.LoadFromBytes(WithValueLines("Colour 5\r\n#Picture Info _ begin\r\nx.jpg\r\n"));
    EXPECT_EQ(s.GetValue(L"Colour"), 0);
    EXPECT_TRUE(s.pictures.empty());
    ExpectDefaults(s);
}

TEST(SettingsReader, EmptyLineBetweenMarkersIsEmptyPicture) {
    Settings s;
    s.LoadFromBytes("#Picture Info _ begin\r\n\r\na.jpg\r\n#Picture Info _ end\r\n");
    ASSERT_EQ(s.pictures.size(), 2u);
    EXPECT_EQ(s.pictures[0], L"");
    EXPECT_EQ(s.pictures[1], L"a.jpg");
    EXPECT_EQ(s.ToBytes().substr(0, 32), std::string("#Picture Info _ begin\r\n\r\na.jpg\r\n"));
}

TEST(SettingsReader, LoneCrStaysAndLfOnlyLinesWork) {
    Settings s;
    s.LoadFromBytes("#Picture Info _ begin\na\rb\r\nc\r\r\n#Picture Info _ end\nShowImages 0\n");
    ASSERT_EQ(s.pictures.size(), 2u);
    EXPECT_EQ(s.pictures[0], L"a\rb");
    EXPECT_EQ(s.pictures[1], L"c\r");
    EXPECT_EQ(s.GetValue(L"ShowImages"), 0);
}

TEST(SettingsReader, LastLineWithoutLineBreakCounts) {
    Settings s;
    s.LoadFromBytes("#Picture Info _ begin\r\nx.png\r\n#Picture Info _ end\r\nSelectLumoraEffect 3");
    ASSERT_EQ(s.pictures.size(), 1u);
    EXPECT_EQ(s.GetValue(L"SelectLumoraEffect"), 3);
}

TEST(SettingsReader, LongLineStaysOnePicture) {
    const std::string longPath = "C:\\" + std::string(4997, 'p');  // 5000 bytes
    Settings s;
    s.LoadFromBytes("#Picture Info _ begin\r\n" + longPath + "\r\n#Picture Info _ end\r\n");
    ASSERT_EQ(s.pictures.size(), 1u);
    EXPECT_EQ(s.pictures[0].size(), 5000u);
}

TEST(SettingsReader, LineOfExactly2047BytesAddsNoEmptyPicture) {
    Settings s;
    s.LoadFromBytes("#Picture Info _ begin\r\n" + std::string(2047, 'q') + "\r\n#Picture Info _ end\r\n");
    ASSERT_EQ(s.pictures.size(), 1u);
    EXPECT_EQ(s.pictures[0], std::wstring(2047, L'q'));
}

TEST(SettingsReader, OldAnsiLineStillReads) {
    // Older versions stored paths in the ANSI code page; 0xFC is u-umlaut in the Western one.
    if (Platform::AnsiToWide("\xFC") != L"\u00FC") GTEST_SKIP() << "ANSI code page is not Western";
    Settings s;
    s.LoadFromBytes("#Picture Info _ begin\r\nC:\\M\xFCller.jpg\r\n#Picture Info _ end\r\n");
    ASSERT_EQ(s.pictures.size(), 1u);
    EXPECT_EQ(s.pictures[0], L"C:\\M\u00FCller.jpg");
}

TEST(SettingsWriter, ExactBytesOnDisk) {
    Settings s;
    s.AddPicture(L"C:\\Pictures\\one.jpg");
    s.AddPicture(L"D:\\two.png");
    s.SetValue(L"BlobsSpeed", 12);
    s.SetValue(L"BlobsSize", -3);
    s.SetValue(L"ShowImages", 0);
    s.SetValue(L"SelectCubeMap", 7);
    s.SetValue(L"SelectLumoraEffect", 2);
    const std::wstring path = TempPath("exact.settings");
    ASSERT_TRUE(s.Save(path));
    EXPECT_EQ(ReadBytes(path),
              "#Picture Info _ begin\r\n"
              "C:\\Pictures\\one.jpg\r\n"
              "D:\\two.png\r\n"
              "#Picture Info _ end\r\n"
              "BlobsSpeed 12\r\n"
              "BlobsSize -3\r\n"
              "ShowImages 0\r\n"
              "SelectCubeMap 7\r\n"
              "SelectLumoraEffect 2\r\n");
    Platform::RemoveFile(path);
}

TEST(SettingsWriter, LaterKeysOnlyWhenTheyDifferFromTheirDefaults) {
    Settings s;
    s.Set(SettingKey::PictureFit, 0);  // the default: no line, the file keeps its old bytes
    s.Set(SettingKey::SpanMonitors, 1);
    EXPECT_EQ(s.ToBytes(), std::string(kEmptyRecord) + "SpanMonitors 1\r\n");
    s.Set(SettingKey::PictureFit, 2);
    EXPECT_EQ(s.ToBytes(), std::string(kEmptyRecord) + "PictureFit 2\r\nSpanMonitors 1\r\n");
    Settings back;
    back.LoadFromBytes(s.ToBytes());
    EXPECT_EQ(back.Get(SettingKey::PictureFit), 2);
    EXPECT_EQ(back.Get(SettingKey::SpanMonitors), 1);
}

// Left-out folders follow the numbers, one line each; the value reader of older versions
// takes "LeaveOutFolder" for a key it does not know and passes over the line.
TEST(SettingsWriter, LeftOutFoldersFollowTheNumbersAndReadBackWhole) {
    Settings s;
    s.Set(SettingKey::MinRating, 3);
    s.leftOutFolders = {L"C:\\Photos\\Private stuff\\", L"D:\\\u00e9t\u00e9\\"};
    const std::string bytes = s.ToBytes();
    EXPECT_EQ(bytes, std::string(kEmptyRecord) +
                         "MinRating 3\r\nLeaveOutFolder C:\\Photos\\Private stuff\\\r\n"
                         "LeaveOutFolder D:\\\xc3\xa9t\xc3\xa9\\\r\n");
    Settings back;
    back.LoadFromBytes(bytes);
    EXPECT_EQ(back.leftOutFolders, s.leftOutFolders);
    EXPECT_TRUE(back.pictures.empty());
    back.LoadFromBytes(std::string(kEmptyRecord));
    EXPECT_TRUE(back.leftOutFolders.empty());
}

TEST(SettingsRecord, OutOfRangeValuesAreKeptAndClampedWhereUsed) {
    Settings s;
    s.LoadFromBytes(WithValueLines("BlobsSpeed 0\r\nBlobsSize 1000000000\r\nPictureFit -4\r\nSpanMonitors 9\r\n"
                                   "SelectLumoraEffect -1\r\n"));
    EXPECT_EQ(s.Get(SettingKey::BlobsSpeed), 0);
    EXPECT_EQ(s.GetClamped(SettingKey::BlobsSpeed), 1);
    EXPECT_EQ(s.GetClamped(SettingKey::BlobsSize), 100);
    EXPECT_EQ(s.GetClamped(SettingKey::PictureFit), 0);
    EXPECT_EQ(s.GetClamped(SettingKey::SpanMonitors), 1);
    EXPECT_EQ(s.GetClamped(SettingKey::SelectLumoraEffect), -1);  // "no selection" stays
    EXPECT_NE(s.ToBytes().find("BlobsSpeed 0\r\nBlobsSize 1000000000\r\n"), std::string::npos);
    EXPECT_NE(s.ToBytes().find("PictureFit -4\r\nSpanMonitors 9\r\n"), std::string::npos);
}

TEST(SettingsWriter, SaveOverwritesAndEmptyListWritesNoPictureLines) {
    const std::wstring path = TempPath("overwrite.settings");
    ASSERT_TRUE(WriteBytes(path, std::string(10000, 'z')));
    Settings s;
    ASSERT_TRUE(s.Save(path));
    EXPECT_EQ(ReadBytes(path), kEmptyRecord);
    Platform::RemoveFile(path);
}

TEST(SettingsWriter, ASaveThatFailsPartWayLeavesTheOldBytes) {
    const std::wstring path = TempPath("full_disk.settings");
    const std::string old = "#Picture Info _ begin\r\nC:\\p\\a.jpg\r\n#Picture Info _ end\r\n";
    ASSERT_TRUE(WriteBytes(path, old));
    Settings s;
    Platform::FailWritesAfterForTesting(20);  // the disk fills up in the first line
    EXPECT_FALSE(s.Save(path));
    Platform::FailWritesAfterForTesting(SIZE_MAX);
    EXPECT_EQ(ReadBytes(path), old);
    // No temporary file left behind.
    for (const auto& entry : std::filesystem::directory_iterator(testing::TempDir()))
        EXPECT_EQ(entry.path().string().find("full_disk.settings."), std::string::npos) << entry.path();
    Platform::RemoveFile(path);
}

TEST(SettingsWriter, SaveIntoMissingFolderFails) {
    Settings s;
    EXPECT_FALSE(s.Save(TempPath("no_such_folder/x/y.settings")));
}

TEST(SettingsRoundTrip, FileRoundTripKeepsRecord) {
    Settings a;
    a.AddPicture(L"C:\\a b\\c.jpg");
    a.AddPicture(L"");
    a.AddPicture(L"C:\\a b\\c.jpg");
    a.SetValue(L"BlobsSpeed", 100);
    a.SetValue(L"SelectLumoraEffect", 3);
    const std::wstring path = TempPath("roundtrip.settings");
    ASSERT_TRUE(a.Save(path));
    Settings b;
    ASSERT_TRUE(b.Load(path));
    EXPECT_EQ(b.pictures, a.pictures);
    EXPECT_EQ(b.values, a.values);
    Platform::RemoveFile(path);
}

TEST(SettingsRoundTrip, NonAsciiPathsRoundTrip) {
    Settings a;
    a.AddPicture(L"C:\\Bilder\\M\u00FCller\\\u00E9t\u00E9.jpg");
    a.AddPicture(L"C:\\\u0424\u043E\u0442\u043E\\\u65E5\u672C\u8A9E.png");
    a.AddPicture(L"C:\\plain.bmp");
    const std::string bytes = a.ToBytes();
    // ASCII paths keep their bytes; others are stored as UTF-8.
    EXPECT_NE(bytes.find("C:\\plain.bmp\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("C:\\Bilder\\M\xC3\xBCller\\\xC3\xA9t\xC3\xA9.jpg\r\n"), std::string::npos);
    const std::wstring path = TempPath("unicode.settings");
    ASSERT_TRUE(a.Save(path));
    Settings b;
    ASSERT_TRUE(b.Load(path));
    EXPECT_EQ(b.pictures, a.pictures);
    Platform::RemoveFile(path);
}

TEST(SettingsRecord, GetPictureOutOfRangeIsEmpty) {
    Settings s;
    s.AddPicture(L"a");
    EXPECT_EQ(s.GetPicture(0), L"a");
    EXPECT_EQ(s.GetPicture(1), L"");
    EXPECT_EQ(s.GetPicture(-1), L"");
}

TEST(SettingsRecord, RemovePictureAt) {
    Settings s;
    s.AddPicture(L"a");
    s.AddPicture(L"b");
    s.AddPicture(L"c");
    s.RemovePictureAt(-1);
    s.RemovePictureAt(3);
    ASSERT_EQ(s.pictures.size(), 3u);
    s.RemovePictureAt(1);
    ASSERT_EQ(s.pictures.size(), 2u);
    EXPECT_EQ(s.pictures[0], L"a");
    EXPECT_EQ(s.pictures[1], L"c");
    s.ClearPictures();
    EXPECT_TRUE(s.pictures.empty());
}

TEST(SettingsRecord, SetValueIgnoresUnknownKey) {
    Settings s;
    s.SetValue(L"Unknown", 9);
    s.SetValue(L"blobsspeed", 9);
    EXPECT_EQ(s.GetValue(L"Unknown"), 0);
    ExpectDefaults(s);
    s.SetValue(L"SelectCubeMap", 4);
    EXPECT_EQ(s.GetValue(L"SelectCubeMap"), 4);
}

TEST(SettingsPath, ScrExtensionBecomesScrSettings) {
    EXPECT_EQ(SettingsPathFromProgramPath(L"C:\\Windows\\system32\\Foo.scr"),
              L"C:\\Windows\\system32\\Foo.scr.settings");
}

TEST(SettingsPath, QuotedAndSpaces) {
    EXPECT_EQ(SettingsPathFromProgramPath(L"\"C:\\Program Files\\Lumora.scr\""),
              L"C:\\Program Files\\Lumora.scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"  \t\"C:\\x\\L.scr\"  \r\n"), L"C:\\x\\L.scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"  C:\\x\\L.scr  "), L"C:\\x\\L.scr.settings");
    // The quote test comes after trimming; blanks inside the quotes stay.
    EXPECT_EQ(SettingsPathFromProgramPath(L"\" C:\\L.scr \""), L" C:\\L.sscr.settings");
}

TEST(SettingsPath, OtherExtensionsLoseThreeCharacters) {
    EXPECT_EQ(SettingsPathFromProgramPath(L"C:\\x\\Lumora.exe"), L"C:\\x\\Lumora.scr.settings");
}

TEST(SettingsPath, ShortStrings) {
    EXPECT_EQ(SettingsPathFromProgramPath(L""), L"scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"ab"), L"scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"abc"), L"scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"abcd"), L"ascr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"\""), L"scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"\"\""), L"scr.settings");
    EXPECT_EQ(SettingsPathFromProgramPath(L"   "), L"scr.settings");
}

TEST(SettingsPath, AProgramStartedByItsShortNameIsNamedByItsLongOne) {
    const std::wstring argument0 = L"C:\\WINDOWS\\system32\\LUMORA~1.SCR";
    const std::wstring longPath = L"C:\\WINDOWS\\system32\\Lumora Particles.scr";
    EXPECT_EQ(SettingsPathFromProgramPath(SettingsProgramPath(argument0, argument0, longPath)),
              L"C:\\WINDOWS\\system32\\Lumora Particles.scr.settings");
}

TEST(SettingsPath, ArgumentZeroStandsWhenTheFormsAgreeOrAreMissing) {
    const std::wstring quoted = L"\"Lumora.scr\"";  // started from its folder, by its long name
    const std::wstring module = L"C:\\Savers\\Lumora.scr";
    EXPECT_EQ(SettingsProgramPath(quoted, module, module), quoted);
    EXPECT_EQ(SettingsProgramPath(quoted, L"c:\\savers\\LUMORA.SCR", module), quoted);  // only the case differs
    EXPECT_EQ(SettingsProgramPath(quoted, L"", L""), quoted);
}

TEST(SettingsPath, DecidedOnceAndNamedAfterTheProgram) {
    const std::wstring first = GetSettingsPath();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(GetSettingsPath(), first);
    const std::wstring suffix = L"scr.settings";
    ASSERT_GE(first.size(), suffix.size());
    EXPECT_EQ(first.substr(first.size() - suffix.size()), suffix);
}

TEST(SettingsPlace, BesideTheProgramWhenWritableElseTheUsersFolder) {
    const std::wstring sep(1, Platform::PathSeparator());
    const std::wstring folder = TempPath("place");
    const std::wstring user = TempPath("place_user");
    ASSERT_TRUE(Platform::MakeFolder(folder));
    const std::wstring beside = folder + sep + L"Lumora.scr.settings";
    const std::wstring inUsers = user + sep + L"Lumora" + sep + L"Lumora.scr.settings";

    EXPECT_EQ(ChooseSettingsPlace(beside, user), beside);  // no file yet, folder writable
    ASSERT_TRUE(WriteBytes(beside, kEmptyRecord));
    EXPECT_EQ(ChooseSettingsPlace(beside, user), beside);  // the file itself writable

    const std::wstring missing = folder + sep + L"no-such-folder" + sep + L"Lumora.scr.settings";
    EXPECT_EQ(ChooseSettingsPlace(missing, user), inUsers);
    EXPECT_EQ(ChooseSettingsPlace(missing, L""), missing);  // nowhere else to go

    // What an update leaves: an old file the user may read but not write.
    namespace fs = std::filesystem;
    fs::permissions(fs::path(beside), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    FILE* probe = Platform::OpenFile(beside, "ab");
    if (probe) fclose(probe);
    if (!probe) {
        EXPECT_EQ(ChooseSettingsPlace(beside, user), inUsers);
    }
    fs::permissions(fs::path(beside), fs::perms::owner_write, fs::perm_options::add);
    if (probe) GTEST_SKIP() << "this user may write a read-only file";
}

TEST(SettingsPlace, AUsersOwnFileIsKeptWhileNoneLiesBesideTheProgram) {
    // Where the last save went, even if the program's folder can be written now (a start as
    // administrator): no probe decides it.
    const std::wstring sep(1, Platform::PathSeparator());
    const std::wstring folder = TempPath("own_kept");
    const std::wstring user = TempPath("own_kept_user");
    const std::wstring inUsers = user + sep + L"Lumora" + sep + L"Lumora.scr.settings";
    ASSERT_TRUE(Platform::MakeFolder(folder) && Platform::MakeFolder(user + sep + L"Lumora"));
    ASSERT_TRUE(WriteBytes(inUsers, kEmptyRecord));
    EXPECT_EQ(ChooseSettingsPlace(folder + sep + L"Lumora.scr.settings", user), inUsers);
}

TEST(SettingsPlace, TheOldFileIsReadUntilTheUsersOwnExists) {
    const std::wstring sep(1, Platform::PathSeparator());
    const std::wstring folder = TempPath("upgrade");
    ASSERT_TRUE(Platform::MakeFolder(folder + sep + L"user"));
    const std::wstring beside = folder + sep + L"Lumora.scr.settings";
    const std::wstring own = folder + sep + L"user" + sep + L"Lumora.scr.settings";
    std::remove(Platform::WideToUtf8(own).c_str());
    ASSERT_TRUE(WriteBytes(beside, "#Picture Info _ begin\r\nC:\\old.jpg\r\n#Picture Info _ end\r\nBlobsSpeed 7\r\n"));

    Settings s;
    ASSERT_TRUE(s.Load(SettingsPathToRead(own, beside)));
    EXPECT_EQ(s.GetPicture(0), L"C:\\old.jpg");
    EXPECT_EQ(s.GetValue(L"BlobsSpeed"), 7);

    // OK saves to the user's own file; from then on that one is read.
    s.SetValue(L"BlobsSpeed", 9);
    ASSERT_TRUE(s.Save(own));
    EXPECT_EQ(SettingsPathToRead(own, beside), own);
    EXPECT_EQ(SettingsPathToRead(beside, beside), beside);
    Settings again;
    ASSERT_TRUE(again.Load(SettingsPathToRead(own, beside)));
    EXPECT_EQ(again.GetValue(L"BlobsSpeed"), 9);
}

TEST(SettingsKeptSave, AWholeFileHasTheEndMarkerAndTheFiveLines) {
    const std::string five = "BlobsSpeed 40\r\nBlobsSize 80\r\nShowImages 1\r\nSelectCubeMap 0\r\nSelectLumoraEffect 0\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool whole;
    } cases[] = {
        {"as saved", kEmptyRecord, true},
        {"pictures and later keys", "#Picture Info _ begin\r\nC:\\a.jpg\r\n#Picture Info _ end\r\n" + five + "Clock 1\r\n",
         true},
        {"LF line ends", "#Picture Info _ begin\n#Picture Info _ end\nBlobsSpeed 1\nBlobsSize 2\nShowImages 1\n"
                         "SelectCubeMap 0\nSelectLumoraEffect 0\n", true},
        {"cut in the fifth line", std::string(kEmptyRecord).substr(0, std::string(kEmptyRecord).size() - 4), false},
        {"cut after the fourth line", WithValueLines(five.substr(0, five.find("SelectLumoraEffect"))), false},
        {"no end marker", "#Picture Info _ begin\r\n" + five, false},
        {"a line out of order", WithValueLines("BlobsSize 80\r\nBlobsSpeed 40\r\nShowImages 1\r\nSelectCubeMap 0\r\n"
                                               "SelectLumoraEffect 0\r\n"), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWholeSettingsFile(c.bytes), c.whole) << c.what;
}

TEST(SettingsKeptSave, TheNewestWholeTemporaryFileIsPutInPlaceOfAMissingFile) {
    const std::wstring sep(1, Platform::PathSeparator());
    const std::wstring folder = TempPath("kept");
    std::filesystem::remove_all(Platform::WideToUtf8(folder));
    ASSERT_TRUE(Platform::MakeFolder(folder));
    const std::wstring path = folder + sep + L"Lumora.scr.settings";
    const std::string saved = WithValueLines("BlobsSpeed 7\r\nBlobsSize 80\r\nShowImages 1\r\nSelectCubeMap 0\r\n"
                                             "SelectLumoraEffect 0\r\n");
    ASSERT_TRUE(WriteBytes(path + L".9-1.tmp", saved));
    EXPECT_EQ(KeptSaveToRead(path), path);
    EXPECT_EQ(ReadBytes(path), saved);
    EXPECT_FALSE(std::filesystem::exists(Platform::WideToUtf8(path + L".9-1.tmp")));
    // With the file there, temporary files are not read.
    ASSERT_TRUE(WriteBytes(path + L".9-2.tmp", kEmptyRecord));
    EXPECT_EQ(KeptSaveToRead(path), L"");
}

TEST(SettingsKeptSave, ANewestTemporaryFileCutShortIsNotRead) {
    const std::wstring sep(1, Platform::PathSeparator());
    const std::wstring folder = TempPath("kept_cut");
    std::filesystem::remove_all(Platform::WideToUtf8(folder));
    ASSERT_TRUE(Platform::MakeFolder(folder));
    const std::wstring path = folder + sep + L"Lumora.scr.settings";
    ASSERT_TRUE(WriteBytes(path + L".9-1.tmp", kEmptyRecord));
    const auto older = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(Platform::WideToUtf8(path + L".9-1.tmp"), older);
    ASSERT_TRUE(WriteBytes(path + L".9-2.tmp", "#Picture Info _ begin\r\nC:\\a.jpg\r\n"));
    EXPECT_EQ(KeptSaveToRead(path), L"");
    EXPECT_FALSE(std::filesystem::exists(Platform::WideToUtf8(path)));
}

}  // namespace
}  // namespace WorkSpace
