// The adapter rules: weak RADEON models, "MX"/"mx"/"440" adapters, and a driver key that
// holds an acceleration setting. Pure functions over AdapterFacts.
#include "checks/requirements_rules.h"

namespace WorkSpace {

const wchar_t kFirstDisplayName[] = L"\\\\.\\DISPLAY1";
const wchar_t kAccelerationValueName[] = L"Acceleration.Level";

namespace {

// Models of the RADEON line too weak for the effect, searched in this order.
const wchar_t* const kWeakRadeonModels[] = {
    L"9000", L"9100", L"9150", L"8500", L"8550", L"9250", L"9200",
    L"9700", L"9800", L"9500", L"9550", L"9600", L"9650", L"X300",
    L"X500", L"X550", L"X600", L"X700", L"X1000", L"X1050", L"X1550",
};

// The kernel's prefix of a local-machine key; its characters, not the text, are trimmed.
const wchar_t kMachineRootCharacters[] = L"\\Registry\\Machine\\";

// Only a-z change: a locale-aware upper-casing would also fold letters such as a Turkish
// dotless i and could make "RADEON" appear where the rules never saw it.
std::wstring AsciiUpper(const std::wstring& text) {
    std::wstring upper = text;
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return upper;
}

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

}  // namespace

bool AdapterDescriptionPasses(const std::wstring& description) {
    const std::wstring upper = AsciiUpper(description);
    // The word and the model are separate searches: "X1550 ... RADEON" fails as well.
    if (Contains(upper, L"RADEON"))
        for (const wchar_t* model : kWeakRadeonModels)
            if (Contains(upper, model)) return false;
    // Case-sensitive on the unchanged text: "Mx" or "mX" alone is not a match.
    return !Contains(description, L"MX") && !Contains(description, L"mx") && !Contains(description, L"440");
}

std::wstring TrimRegistryPath(const std::wstring& deviceKey) {
    const size_t last = deviceKey.find_last_not_of(kMachineRootCharacters);
    if (last == std::wstring::npos) return std::wstring();
    const std::wstring trailingTrimmed = deviceKey.substr(0, last + 1);
    return trailingTrimmed.substr(trailingTrimmed.find_first_not_of(kMachineRootCharacters));
}

bool EvaluateRequirements(const AdapterFacts& facts) {
    if (!facts.displayFound) return true;
    if (!AdapterDescriptionPasses(facts.description)) return false;
    // Any setting at all means the user turned acceleration down; a driver key that cannot
    // be read tells nothing, so it passes.
    if (!facts.keyOpened || !facts.accelerationLevelRead) return true;
    // The value is there, whatever it holds; only a key that then refuses to close passes,
    // as every other failed system call does.
    return facts.keyCloseFailed;
}

}  // namespace WorkSpace
