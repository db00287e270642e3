// The text table: the language file's line rules, the built-in texts, the member names per
// language, and how the registry's language number picks the file.
#include "settings/text_storage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/language.h"
#include "settings/registry.h"
#include "platform/platform.h"
#include "resources/archive_members.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"
#include "resources/zip_writer.h"

namespace WorkSpace {
namespace {

using Translate::TextId;
using Translate::TextStorage;

const wchar_t kBom = 0xFEFF;

std::wstring WithBom(const std::wstring& body) { return std::wstring(1, kBom) + body; }

TEST(TextStorageLines, CrLfClosesEachLine) {
    TextStorage t;
    t.LoadFromText(WithBom(L"one\r\ntwo\r\n\r\nfour\r\n"));
    ASSERT_EQ(t.Count(), 4u);
    EXPECT_EQ(t.GetText(0), L"one");
    EXPECT_EQ(t.GetText(1), L"two");
    EXPECT_EQ(t.GetText(2), L"");
    EXPECT_EQ(t.GetText(3), L"four");
}

TEST(TextStorageLines, FirstCharacterSkippedEvenWithoutBom) {
    TextStorage t;
    t.LoadFromText(L"Cancel\r\nPreview\r\n");
    ASSERT_EQ(t.Count(), 2u);
    EXPECT_EQ(t.GetText(0), L"ancel");
    EXPECT_EQ(t.GetText(1), L"Preview");
}

TEST(TextStorageLines, LoneLfDroppedLoneCrKept) {
    TextStorage t;
    t.LoadFromText(WithBom(L"a\nb\r\nc\rd\r\n\n\r\n"));
    ASSERT_EQ(t.Count(), 3u);
    EXPECT_EQ(t.GetText(0), L"ab");
    EXPECT_EQ(t.GetText(1), L"c\rd");
    EXPECT_EQ(t.GetText(2), L"");  // the LF after a CR LF is dropped, then CR LF closes
}

TEST(TextStorageLines, CrCrLfKeepsFirstCr) {
    TextStorage t;
    t.LoadFromText(WithBom(L"x\r\r\n"));
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.GetText(0), L"x\r");
}

TEST(TextStorageLines, UnterminatedLastLineDiscarded) {
    TextStorage t;
    t.LoadFromText(WithBom(L"first\r\nsecond"));
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.GetText(0), L"first");
    EXPECT_EQ(t.GetText(1), L"");
}

TEST(TextStorageLines, TrailingCrWithoutLfDiscardsLine) {
    TextStorage t;
    t.LoadFromText(WithBom(L"first\r\nsecond\r"));
    EXPECT_EQ(t.Count(), 1u);
}

TEST(TextStorageLines, ShortTextsExamineNothing) {
    for (const std::wstring& text : {std::wstring(), std::wstring(L"\r"), std::wstring(L"\r\n"),
                                     WithBom(L"\n"), WithBom(L"a")}) {
        TextStorage t;
        t.LoadFromText(text);
        EXPECT_EQ(t.Count(), static_cast<size_t>(TextStorage::kDefaultCount)) << text.size();
    }
}

TEST(TextStorageLines, ThreeCharactersGiveOneEmptyText) {
    TextStorage t;
    t.LoadFromText(WithBom(L"\r\n"));
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.GetText(0), L"");
}

TEST(TextStorageLines, LfOnlyFileFallsBackToDefaults) {
    TextStorage t;
    t.LoadFromText(WithBom(L"Ok\nCancel\nPreview\n"));
    ASSERT_EQ(t.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(t.GetText(1), L"Cancel");
}

TEST(TextStorageLines, CommasAndQuotesKept) {
    TextStorage t;
    t.LoadFromText(WithBom(L"\"Add\",Remove, \"x,y\"\r\n"));
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.GetText(0), L"\"Add\",Remove, \"x,y\"");
}

TEST(TextStorageLines, LoadingAppends) {
    TextStorage t;
    t.LoadFromText(WithBom(L"a\r\n"));
    t.LoadFromText(WithBom(L"b\r\n"));
    ASSERT_EQ(t.Count(), 2u);
    EXPECT_EQ(t.GetText(1), L"b");
    // A file without lines adds nothing to a table that already has texts.
    t.LoadFromText(WithBom(L"no line end"));
    EXPECT_EQ(t.Count(), 2u);
}

TEST(TextStorageDefaults, ExactTexts) {
    TextStorage t;
    t.LoadDefaults();
    ASSERT_EQ(t.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(t.GetText(TextId::Ok), std::wstring(L"\u041E") + L"k");
    EXPECT_EQ(t.GetText(TextId::Ok).size(), 2u);
    EXPECT_EQ(t.GetText(TextId::Cancel), L"Cancel");
    EXPECT_EQ(t.GetText(TextId::Add), L"Add");
    EXPECT_EQ(t.GetText(TextId::AuroraTitle), L"Aurora Screen Saver");
    EXPECT_EQ(t.GetText(TextId::NebulaTitle), L"Nebula Screen Saver");
    EXPECT_EQ(t.GetText(TextId::CometTitle), L"Comet Screen Saver");
    EXPECT_EQ(t.GetText(TextId::LumoraTitle), L"Lumora Sreen Saver");
    EXPECT_EQ(t.GetText(TextId::TrailLength), L"Trail Length");
    EXPECT_EQ(t.GetText(TextId::GlowIntensity), L"Glow Intensity");
    EXPECT_EQ(t.GetText(TextId::SchemeFlame), L"Flame");
    EXPECT_EQ(t.GetText(TextId::SchemeCheerful), L"Cheerful");
    EXPECT_EQ(t.GetText(TextId::InstallDirectX),
              L"DirectX 9.0c or later is not installed. Please update your DirectX version from the Microsoft web site.");
    EXPECT_EQ(t.GetText(TextId::ListHint), L"Add your images or photos here.");
    EXPECT_EQ(t.GetText(TextId::ListHintDetail), L"Click Add or just drag and drop files to this window.");
    const wchar_t* later[] = {L"Effect", L"Speed", L"Size", L"Pictures", L"Stretch",
                              L"Fit", L"Fill", L"Monitors", L"Each monitor", L"Span all monitors"};
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(t.GetText(Translate::TextAfter(TextId::Effect, i)), later[i]) << i;
}

TEST(TextStorageDefaults, OutOfRangeIsEmpty) {
    TextStorage t;
    EXPECT_EQ(t.GetText(0), L"");
    t.LoadDefaults();
    EXPECT_EQ(t.GetText(-1), L"");
    EXPECT_EQ(t.GetText(TextStorage::kDefaultCount), L"");
    EXPECT_EQ(t.GetText(INT32_MIN), L"");
    EXPECT_EQ(t.GetText(INT32_MAX), L"");
}

TEST(TextStorageDefaults, ShippedEnglishFileMatchesBuiltInTexts) {
    FILE* file = nullptr;
    for (const char* place : {"/assets/archive/Resource/Language_en.csv", "/assets/Resource/Language_en.csv"}) {
        file = Platform::OpenFile(Platform::AnsiToWide(std::string(LUMORA_SOURCE_DIR) + place), "rb");
        if (file) break;
    }
    if (!file) GTEST_SKIP() << "no English language file in the source tree";
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, got);
    fclose(file);
    TextStorage fromFile;
    LoadTextsFromMember(fromFile, bytes.data(), static_cast<uint32_t>(bytes.size()));
    TextStorage builtIn;
    builtIn.LoadDefaults();
    ASSERT_EQ(fromFile.Count(), builtIn.Count());
    // The file mends two slips of the built-in texts: the title's "Sreen", and the OK
    // button's Cyrillic first letter, which screen readers spell out.
    EXPECT_EQ(fromFile.GetText(0), L"OK");
    EXPECT_EQ(fromFile.GetText(26), L"Lumora Screen Saver");
    for (int32_t i = 1; i < TextStorage::kDefaultCount; ++i) {
        if (i != 26) {
            EXPECT_EQ(fromFile.GetText(i), builtIn.GetText(i)) << i;
        }
    }
    // The ids by name meet the file's lines: an id one off would show its neighbour's text.
    const struct {
        TextId id;
        const wchar_t* english;
    } named[] = {{TextId::Effect, L"Effect"}, {TextId::Speed, L"Speed"}, {TextId::Size, L"Size"},
                 {TextId::Pictures, L"Pictures"}, {TextId::Monitors, L"Monitors"}};
    for (const auto& n : named) EXPECT_EQ(fromFile.GetText(n.id), n.english);
}

TEST(TextStorageMember, Utf8WithBomDecoded) {
    const std::string bytes = "\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n\xE6\x97\xA5\r\n";
    TextStorage t;
    LoadTextsFromMember(t, bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_EQ(t.Count(), 2u);
    EXPECT_EQ(t.GetText(0), L"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(t.GetText(1), L"\u65E5");
}

TEST(TextStorageMember, InvalidUtf8BecomesReplacementCharacter) {
    const std::string bytes = "\xEF\xBB\xBF" "a\xFF" "b\r\n";
    TextStorage t;
    LoadTextsFromMember(t, bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_EQ(t.Count(), 1u);
    EXPECT_EQ(t.GetText(0), L"a\uFFFDb");
}

TEST(TextStorageMember, NoDataGivesDefaults) {
    TextStorage t;
    LoadTextsFromMember(t, nullptr, 10);
    EXPECT_EQ(t.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    TextStorage u;
    LoadTextsFromMember(u, "x", 0);
    EXPECT_EQ(u.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
}

TEST(TextStorageMember, ZeroDecodedCharactersAddNothing) {
    TextStorage t;
    LoadDecodedTexts(t, std::wstring());
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.GetText(0), L"");
}

TEST(TextStorageMember, NoLineInMemberGivesDefaults) {
    const std::string bytes = "\xEF\xBB\xBFonly one line";
    TextStorage t;
    LoadTextsFromMember(t, bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(t.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
}

TEST(TextStorageMember, InstanceOverloadFillsTheProcessTable) {
    TextStorage& table = TextStorage::Instance();
    EXPECT_EQ(&table, &TextStorage::Instance());
    table.ClearForTesting();
    const std::string bytes = "\xEF\xBB\xBFz\r\n";
    LoadTextsFromMember(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.GetText(0), L"z");
    table.ClearForTesting();
}

TEST(TextMemberNames, SevenLanguages) {
    const wchar_t* files[] = {L"Resource/Language_en.csv", L"Resource/Language_ru.csv", L"Resource/Language_de.csv",
                           L"Resource/Language_fr.csv", L"Resource/Language_es.csv", L"Resource/Language_it.csv",
                           L"Resource/Language_jp.csv"};
    const wchar_t* lists[] = {L"Resource/ListBoxEnglishFone.png", L"Resource/ListBoxRussianFone.png",
                           L"Resource/ListBoxGermanFone.png", L"Resource/ListBoxFranceFone.png",
                           L"Resource/ListBoxSpannishFone.png", L"Resource/ListBoxItalianFone.png",
                           L"Resource/ListBoxJapanFone.png"};
    const wchar_t* errors[] = {L"Resource/EnglishErrorFone.png", L"Resource/RussianErrorFone.png",
                            L"Resource/GermanErrorFone.png", L"Resource/FranceErrorFone.png",
                            L"Resource/SpannishErrorFone.png", L"Resource/ItalianErrorFone.png",
                            L"Resource/JapanErrorFone.png"};
    for (uint32_t i = 0; i < kLanguageCount; ++i) {
        EXPECT_STREQ(LanguageFileMember(i), files[i]) << i;
        EXPECT_STREQ(ListBackgroundMember(i), lists[i]) << i;
        EXPECT_STREQ(ErrorPictureMember(i), errors[i]) << i;
    }
}

TEST(TextMemberNames, OutOfRangeMeansEnglish) {
    for (uint32_t i : {7u, 8u, 100u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_STREQ(LanguageFileMember(i), L"Resource/Language_en.csv") << i;
        EXPECT_STREQ(ListBackgroundMember(i), L"Resource/ListBoxEnglishFone.png") << i;
        EXPECT_STREQ(ErrorPictureMember(i), L"Resource/EnglishErrorFone.png") << i;
    }
}

TEST(TextMemberNames, RegistryNames) {
    EXPECT_EQ(std::wstring(kLanguageKey), L"SOFTWARE\\VELMORA\\ScreenSaver\\Lumora\\");
    EXPECT_EQ(std::wstring(kLanguageValueName), L"CurLang");
}

#ifndef _WIN32
// The registry stand-in is process-wide: every case starts and ends without "CurLang".
class TextLanguageSelection : public testing::Test {
protected:
    void SetUp() override { Remove(); }
    void TearDown() override {
        Remove();
        TextStorage::Instance().ClearForTesting();
    }
    static void Remove() { SetRegistryDwordForTesting(kLanguageKey, kLanguageValueName, nullptr); }
    static void Set(uint32_t value) { SetRegistryDwordForTesting(kLanguageKey, kLanguageValueName, &value); }
};

TEST_F(TextLanguageSelection, MissingValueMeansBuiltInTexts) {
    EXPECT_EQ(SelectedLanguageMember(), nullptr);
    EXPECT_EQ(ReadLanguageNumber(), 0u);
}

TEST_F(TextLanguageSelection, NumbersPickTheirFiles) {
    Set(0);
    EXPECT_STREQ(SelectedLanguageMember(), L"Resource/Language_en.csv");
    Set(1);
    EXPECT_STREQ(SelectedLanguageMember(), L"Resource/Language_ru.csv");
    EXPECT_EQ(ReadLanguageNumber(), 1u);
    Set(6);
    EXPECT_STREQ(SelectedLanguageMember(), L"Resource/Language_jp.csv");
}

TEST_F(TextLanguageSelection, SevenAndAboveMeanBuiltInTexts) {
    Set(7);
    EXPECT_EQ(SelectedLanguageMember(), nullptr);
    EXPECT_EQ(ReadLanguageNumber(), 7u);  // the pictures then fall back to English
    Set(0xFFFFFFFFu);
    EXPECT_EQ(SelectedLanguageMember(), nullptr);
}

TEST_F(TextLanguageSelection, OnlyTheExactKeyCounts) {
    uint32_t one = 1;
    SetRegistryDwordForTesting(L"SOFTWARE\\VELMORA\\ScreenSaver\\Lumora", kLanguageValueName, &one);
    EXPECT_EQ(SelectedLanguageMember(), nullptr);
    SetRegistryDwordForTesting(L"SOFTWARE\\VELMORA\\ScreenSaver\\Lumora", kLanguageValueName, nullptr);
}

TEST_F(TextLanguageSelection, InitWithoutLanguageLoadsBuiltInTexts) {
    TextStorage::Instance().ClearForTesting();
    InitTextStorage();
    EXPECT_EQ(TextStorage::Instance().Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(TextStorage::Instance().GetText(0), L"\u041Ek");
    EXPECT_EQ(TextStorage::Instance().GetText(53), L"Click Add or just drag and drop files to this window.");
    EXPECT_EQ(TextStorage::Instance().GetText(83), L"Gentle");
    EXPECT_EQ(TextStorage::Instance().GetText(TextStorage::kDefaultCount), L"");
}

TEST_F(TextLanguageSelection, InitWithLanguageSevenLoadsBuiltInTexts) {
    Set(7);
    TextStorage::Instance().ClearForTesting();
    InitTextStorage();
    EXPECT_EQ(TextStorage::Instance().Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(TextStorage::Instance().GetText(0), L"\u041Ek");
}

TEST_F(TextLanguageSelection, InitWithoutArchiveLoadsBuiltInTexts) {
    FILE* archive = Platform::OpenFile(GetProgramFolder() + kArchiveName, "rb");
    if (archive) {
        fclose(archive);
        GTEST_SKIP() << "a resource archive lies beside the test program";
    }
    Set(1);
    TextStorage::Instance().ClearForTesting();
    InitTextStorage();
    EXPECT_EQ(TextStorage::Instance().Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(TextStorage::Instance().GetText(1), L"Cancel");
}

// The whole language step against a real encrypted archive of the test's own.
class TextArchiveInit : public TextLanguageSelection {
protected:
    void TearDown() override {
        if (!archive_.empty()) Platform::RemoveFile(archive_);
        TextLanguageSelection::TearDown();
    }

    // Writes the members and runs InitTextStorage on a fresh reader and table.
    void Init(const std::vector<ZipWriterMember>& members, TextStorage& table) {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        archive_ = Platform::AnsiToWide(testing::TempDir() + "lumora_text_archive_" + name + ".dat");
        ASSERT_TRUE(WriteZipArchive(archive_, members, Platform::WideToUtf8(kArchivePassword)));
        ZipReader reader;
        InitTextStorage(reader, archive_, table);
        // The member was given back: the reader serves the next read at once.
        uint32_t size = 0;
        if (reader.ReadMember(L"Resource/none.txt", size)) ADD_FAILURE() << "unexpected member";
        reader.FreeBuffer();
    }

    static ZipWriterMember Member(const std::string& name, const std::string& text) {
        ZipWriterMember member;
        member.name = name;
        member.bytes.assign(text.begin(), text.end());
        return member;
    }

    // A language file of numbered lines, with its byte-order mark.
    static std::string LanguageFile(const std::string& prefix, int lines = TextStorage::kDefaultCount) {
        std::string text = "\xEF\xBB\xBF";
        for (int i = 0; i < lines; ++i) text += prefix + std::to_string(i) + "\r\n";
        return text;
    }

    std::wstring archive_;
};

TEST_F(TextArchiveInit, RussianFileForLanguageOne) {
    Set(1);
    TextStorage table;
    // "Текст " in UTF-8, then the line number.
    Init({Member("Resource/Language_en.csv", LanguageFile("en ")),
          Member("Resource/Language_ru.csv", LanguageFile("\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82 "))},
         table);
    ASSERT_EQ(table.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(table.GetText(3), L"\u0422\u0435\u043A\u0441\u0442 3");
    EXPECT_EQ(table.GetText(83), L"\u0422\u0435\u043A\u0441\u0442 83");
    EXPECT_EQ(table.GetText(TextStorage::kDefaultCount), L"");
}

TEST_F(TextArchiveInit, OlderFileOfTheClassicTextsLendsTheLaterOnesInEnglish) {
    Set(1);
    TextStorage table;
    Init({Member("Resource/Language_ru.csv", LanguageFile("\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82 ", 54))},
         table);
    ASSERT_EQ(table.Count(), 54u);
    EXPECT_EQ(table.GetText(53), L"\u0422\u0435\u043A\u0441\u0442 53");
    EXPECT_EQ(table.GetText(54), L"Effect");
    EXPECT_EQ(table.GetText(68), L"The settings could not be saved.");
    EXPECT_EQ(table.GetText(TextStorage::kDefaultCount), L"");
}

TEST_F(TextArchiveInit, JapaneseFileForLanguageSix) {
    Set(6);
    TextStorage table;
    Init({Member("Resource/Language_jp.csv", LanguageFile("\xE6\x97\xA5 "))}, table);
    ASSERT_EQ(table.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(table.GetText(0), L"\u65E5 0");
}

TEST_F(TextArchiveInit, LanguageZeroReadsTheEnglishFileNotTheBuiltInTexts) {
    Set(0);
    TextStorage table;
    Init({Member("Resource/Language_en.csv", LanguageFile("file "))}, table);
    EXPECT_EQ(table.GetText(53), L"file 53");
}

TEST_F(TextArchiveInit, ShortFileLeavesLaterTextsEmpty) {
    Set(2);
    TextStorage table;
    Init({Member("Resource/Language_de.csv", "\xEF\xBB\xBFOk\r\nAbbrechen\r\nVorschau")}, table);
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.GetText(1), L"Abbrechen");
    EXPECT_EQ(table.GetText(2), L"");
    EXPECT_EQ(table.GetText(55), L"");  // short of the classic texts: no English lent either
}

TEST_F(TextArchiveInit, EmptyMemberGivesBuiltInTexts) {
    Set(2);
    TextStorage table;
    Init({Member("Resource/Language_de.csv", "")}, table);
    ASSERT_EQ(table.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(table.GetText(0), L"\u041Ek");
}

TEST_F(TextArchiveInit, MissingMemberGivesBuiltInTexts) {
    Set(3);
    TextStorage table;
    Init({Member("Resource/Language_en.csv", LanguageFile("en "))}, table);
    ASSERT_EQ(table.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(table.GetText(1), L"Cancel");
}

TEST_F(TextArchiveInit, LfOnlyMemberGivesBuiltInTexts) {
    Set(4);
    TextStorage table;
    Init({Member("Resource/Language_es.csv", "\xEF\xBB\xBF" "Aceptar\nCancelar\n")}, table);
    ASSERT_EQ(table.Count(), static_cast<size_t>(TextStorage::kDefaultCount));
    EXPECT_EQ(table.GetText(1), L"Cancel");
}

TEST_F(TextArchiveInit, LanguageSevenIgnoresTheArchive) {
    Set(7);
    TextStorage table;
    Init({Member("Resource/Language_en.csv", LanguageFile("file "))}, table);
    EXPECT_EQ(table.GetText(53), L"Click Add or just drag and drop files to this window.");
}
#endif

}  // namespace
}  // namespace WorkSpace
