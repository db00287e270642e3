// "requirements": the saver's adapter rules on a description given on the command line, so a
// report such as "my Radeon 9600 shows the error screen" can be checked anywhere. On Windows,
// without arguments, it runs the real check on this machine.
#include <cstdio>
#include <string>

#include "checks/requirements.h"
#include "checks/requirements_rules.h"
#include "platform/platform.h"
#include "tool.h"

namespace LumoraTool {

namespace {
using namespace WorkSpace;

const char kUsage[] = "requirements [--description TEXT [--acceleration-level N]]";

int Verdict(bool passes) {
    printf("%s\n", passes ? "pass" : "fail");
    return 0;
}

int UsageError(const char* why) {
    fprintf(stderr, "requirements: %s\nusage: lumora-tool %s\n", why, kUsage);
    return 2;
}

int RunRequirements(const Args& args) {
    if (args.empty()) {
#ifdef _WIN32
        return Verdict(CheckSystemRequirements());
#else
        return UsageError("--description is needed: this system has no display adapters to ask");
#endif
    }
    // Every word must be one of the two options with its value: a typo must not quietly
    // evaluate something else.
    std::string description, level;
    bool haveDescription = false, haveLevel = false;
    for (size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return UsageError(("no value after '" + args[i] + "'").c_str());
        if (args[i] == "--description" && !haveDescription) {
            description = args[i + 1];
            haveDescription = true;
        } else if (args[i] == "--acceleration-level" && !haveLevel) {
            level = args[i + 1];
            haveLevel = true;
        } else {
            return UsageError(("unexpected '" + args[i] + "'").c_str());
        }
    }
    if (!haveDescription) return UsageError("--description is missing");
    long long number = 0;
    if (haveLevel && (!ParseInt(level, number) || number < 0 || number > 0xFFFFFFFFll))
        return UsageError("--acceleration-level needs a 32-bit unsigned number");

    // A machine whose first display is this adapter, with a readable driver key that holds
    // the acceleration value exactly when one was given.
    AdapterFacts facts;
    facts.displayFound = true;
    facts.description = Platform::AnsiToWide(description);
    facts.keyOpened = true;
    facts.accelerationLevelRead = haveLevel;
    facts.accelerationLevel = static_cast<uint32_t>(number);
    return Verdict(EvaluateRequirements(facts));
}

const Registrar kRequirements({"requirements", kUsage, RunRequirements, "--description= --acceleration-level="});
}  // namespace

}  // namespace LumoraTool
