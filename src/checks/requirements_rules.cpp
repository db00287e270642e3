// The adapter rules: weak RADEON models, old "MX"/"mx"/"440" adapters, and a driver key that
// turns acceleration down. Pure functions over AdapterFacts.
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

bool IsDigit(const std::wstring& text, size_t at) {
    return at < text.size() && text[at] >= L'0' && text[at] <= L'9';
}

// NVIDIA's MX line since 2017 writes the model straight after the letters (MX110 ... MX570);
// the old GeForce2/GeForce4 MX names have a blank there ("MX 440", "MX 4000") or no number.
// Exactly three digits: "MX4000" is the old model written without its blank.
bool IsNewerMxModel(const std::wstring& text, size_t at) {
    return IsDigit(text, at + 2) && IsDigit(text, at + 3) && IsDigit(text, at + 4) && !IsDigit(text, at + 5);
}

// "440" standing as a number of its own (GeForce4 MX 440, MX440); inside a longer number
// such as Intel's HD Graphics 4400 or a 14400 it names something else.
bool Is440OnItsOwn(const std::wstring& text, size_t at) {
    return !(at > 0 && IsDigit(text, at - 1)) && !IsDigit(text, at + 3);
}

bool HasOldMxOr440(const std::wstring& description) {
    if (Contains(description, L"mx")) return true;
    for (size_t at = description.find(L"MX"); at != std::wstring::npos; at = description.find(L"MX", at + 1))
        if (!IsNewerMxModel(description, at)) return true;
    for (size_t at = description.find(L"440"); at != std::wstring::npos; at = description.find(L"440", at + 1))
        if (Is440OnItsOwn(description, at)) return true;
    return false;
}

}  // namespace

bool AdapterDescriptionPasses(const std::wstring& description) {
    const std::wstring upper = AsciiUpper(description);
    // The word and the model are separate searches: "X1550 ... RADEON" fails as well.
    if (Contains(upper, L"RADEON"))
        for (const wchar_t* model : kWeakRadeonModels)
            if (Contains(upper, model)) return false;
    // Case-sensitive on the unchanged text: "Mx" or "mX" alone is not a match.
    return !HasOldMxOr440(description);
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
    // A non-zero setting means the user turned acceleration down; a driver key that cannot
    // be read tells nothing, so it passes. 0 is Windows' own "full acceleration", which
    // tweak scripts write into every video key.
    if (!facts.keyOpened || !facts.accelerationLevelRead || facts.accelerationLevel == 0) return true;
    // Only a key that then refuses to close passes, as every other failed system call does.
    return facts.keyCloseFailed;
}

}  // namespace WorkSpace
