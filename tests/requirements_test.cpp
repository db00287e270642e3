// The adapter rules: weak RADEON models, old "MX"/"mx"/"440" adapters, the driver's acceleration
// setting, the registry-path trim, and the order in which the answers are given.
#include "checks/requirements_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "checks/requirements.h"

namespace WorkSpace {
namespace {

// A machine whose first display is `description`, with a readable driver key; with
// `accelerationValue` the key turns acceleration down one step.
AdapterFacts Display(const std::wstring& description, bool accelerationValue = false) {
    AdapterFacts facts;
    facts.displayFound = true;
    facts.description = description;
    facts.deviceKey = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\{GUID}\\0000";
    facts.keyOpened = true;
    facts.accelerationLevelRead = accelerationValue;
    facts.accelerationLevel = accelerationValue ? 1 : 0;
    return facts;
}

TEST(RequirementsRadeon, ListedModelWithTheWordFails) {
    EXPECT_FALSE(AdapterDescriptionPasses(L"RADEON 9600 SERIES"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"ATI RADEON X700 PRO"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"RADEON 9000"));
}

TEST(RequirementsRadeon, WordIsFoundInAnyLetterCase) {
    EXPECT_FALSE(AdapterDescriptionPasses(L"Mobility Radeon 9600"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"ATI radeon 9250"));
}

TEST(RequirementsRadeon, ModelWithoutTheWordPasses) {
    EXPECT_TRUE(AdapterDescriptionPasses(L"Some Adapter 9600"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"RADEOX 9600"));
}

TEST(RequirementsRadeon, WordAndModelInEitherOrderFail) {
    EXPECT_FALSE(AdapterDescriptionPasses(L"X1550 Series by RADEON"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"RADEON X1550"));
}

TEST(RequirementsRadeon, NewerModelsPass) {
    EXPECT_TRUE(AdapterDescriptionPasses(L"RADEON X1950"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"RADEON X1300"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"ATI Radeon HD 4850"));
}

TEST(RequirementsRadeon, ModelLettersAreUpperCasedToo) {
    // The model is searched in the upper-case copy, so "x300" counts as "X300".
    EXPECT_FALSE(AdapterDescriptionPasses(L"radeon x300"));
}

TEST(RequirementsRadeon, EveryListedModelFails) {
    const wchar_t* models[] = {L"9000", L"9100", L"9150", L"8500", L"8550", L"9250", L"9200",
                               L"9700", L"9800", L"9500", L"9550", L"9600", L"9650", L"X300",
                               L"X500", L"X550", L"X600", L"X700", L"X1000", L"X1050", L"X1550"};
    for (const wchar_t* model : models)
        EXPECT_FALSE(AdapterDescriptionPasses(std::wstring(L"RADEON ") + model)) << model;
    EXPECT_TRUE(AdapterDescriptionPasses(L"RADEON 9900"));
}

TEST(RequirementsRadeon, OnlyAsciiLettersAreUpperCased) {
    // A fullwidth "ｒａｄｅｏｎ" is not the word, whatever a locale would make of it.
    EXPECT_TRUE(AdapterDescriptionPasses(L"\xFF52\xFF41\xFF44\xFF45\xFF4F\xFF4E 9600"));
}

TEST(RequirementsOtherAdapters, OldMxAnd440Fail) {
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce4 MX 440"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce4 MX440"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce4 MX 440-SE"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce2 MX"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce2 MX/MX 400"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce4 MX 4000"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"NVIDIA GeForce MX4000"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"MX"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"MX45"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"Some mx card"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"geforce mx450"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"440"));
    EXPECT_FALSE(AdapterDescriptionPasses(L"Model 440 4400"));
    // One old name is enough, whatever newer one stands beside it.
    EXPECT_FALSE(AdapterDescriptionPasses(L"GeForce MX450 / GeForce2 MX"));
}

TEST(RequirementsOtherAdapters, NewerMxAndLongerNumbersWith440Pass) {
    EXPECT_TRUE(AdapterDescriptionPasses(L"NVIDIA GeForce MX450"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"NVIDIA GeForce MX110"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"NVIDIA GeForce MX570 A"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"Intel(R) HD Graphics 4400"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"Model 4405"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"Model 14400"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"Model 1440"));
}

TEST(RequirementsOtherAdapters, MixedCaseMxPasses) {
    EXPECT_TRUE(AdapterDescriptionPasses(L"Mx Graphics"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"mX Graphics"));
    EXPECT_TRUE(AdapterDescriptionPasses(L"NVIDIA GeForce GTX 1060"));
    EXPECT_TRUE(AdapterDescriptionPasses(L""));
}

TEST(RequirementsTrim, KernelKeyBecomesThePathBelowTheMachineRoot) {
    EXPECT_EQ(TrimRegistryPath(L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\{GUID}\\0000"),
              L"System\\CurrentControlSet\\Control\\Video\\{GUID}\\0000");
}

TEST(RequirementsTrim, LettersOfTheSetAreCutFromTheNextElementToo) {
    // A character-set trim, not a prefix removal: every letter of "Machine" and "Registry" is
    // in the set, so the trim runs on into the next element up to its first other letter.
    EXPECT_EQ(TrimRegistryPath(L"\\Registry\\Machine\\MachineStuff\\0001"), L"Stuff\\0001");
    EXPECT_EQ(TrimRegistryPath(L"\\Registry\\Machine\\RegistryCache\\0001"), L"Cache\\0001");
}

TEST(RequirementsTrim, TrailingCharactersOfTheSetGoFirst) {
    EXPECT_EQ(TrimRegistryPath(L"\\Registry\\Machine\\Video\\Machine\\"), L"Video");
    EXPECT_EQ(TrimRegistryPath(L"\\Registry\\Machine\\"), L"");
    EXPECT_EQ(TrimRegistryPath(L""), L"");
}

TEST(RequirementsTrim, SetIsCaseSensitive) {
    // Every letter of a lower-case "registry" happens to be in the set, but 'm' is not: only
    // the capital M of "Machine" is.
    EXPECT_EQ(TrimRegistryPath(L"\\registry\\machine\\System\\0000"), L"machine\\System\\0000");
}

TEST(RequirementsVerdict, NoFirstDisplayPassesWithoutFurtherTests) {
    AdapterFacts facts = Display(L"RADEON 9600", true);
    facts.displayFound = false;
    EXPECT_TRUE(EvaluateRequirements(facts));
}

TEST(RequirementsVerdict, WeakAdapterFailsBeforeTheRegistryIsConsidered) {
    AdapterFacts facts = Display(L"RADEON 9600");
    facts.keyOpened = false;
    EXPECT_FALSE(EvaluateRequirements(facts));
    EXPECT_FALSE(EvaluateRequirements(Display(L"GeForce4 MX 440")));
}

AdapterFacts WithLevel(uint32_t level) {
    AdapterFacts facts = Display(L"Good Adapter", true);
    facts.accelerationLevel = level;
    return facts;
}

TEST(RequirementsVerdict, AccelerationValueZeroIsFullAccelerationAndPassesAnyOtherFails) {
    EXPECT_TRUE(EvaluateRequirements(WithLevel(0)));
    for (uint32_t level : {1u, 5u, 0xFFFFFFFFu}) EXPECT_FALSE(EvaluateRequirements(WithLevel(level))) << level;
}

TEST(RequirementsVerdict, AccelerationValueAbsentPasses) {
    EXPECT_TRUE(EvaluateRequirements(Display(L"Good Adapter", false)));
}

TEST(RequirementsVerdict, KeyThatDoesNotOpenPasses) {
    AdapterFacts facts = Display(L"Good Adapter", true);
    facts.keyOpened = false;
    EXPECT_TRUE(EvaluateRequirements(facts));
}

TEST(RequirementsVerdict, KeyThatFailsToCloseAfterTheReadPasses) {
    AdapterFacts facts = Display(L"Good Adapter", true);
    facts.keyCloseFailed = true;
    EXPECT_TRUE(EvaluateRequirements(facts));
}

#ifndef _WIN32
class RequirementsCheck : public ::testing::Test {
protected:
    void TearDown() override { SetAdapterFactsForTesting(nullptr); }
};

TEST_F(RequirementsCheck, NothingToAskOnLinuxPasses) {
    SetAdapterFactsForTesting(nullptr);
    EXPECT_TRUE(CheckSystemRequirements());
    EXPECT_TRUE(CheckDisplayAdapter());
}

TEST_F(RequirementsCheck, GatheredFactsDecideTheAnswer) {
    AdapterFacts facts = Display(L"Mobility Radeon 9600");
    SetAdapterFactsForTesting(&facts);
    EXPECT_FALSE(CheckSystemRequirements());
    facts = Display(L"Good Adapter", true);
    SetAdapterFactsForTesting(&facts);
    EXPECT_FALSE(CheckSystemRequirements());
    facts = Display(L"Good Adapter", false);
    SetAdapterFactsForTesting(&facts);
    EXPECT_TRUE(CheckSystemRequirements());
}
#endif

}  // namespace
}  // namespace WorkSpace
