// Linux has no display-device enumeration or driver registry to ask, so the check finds no
// "\\.\DISPLAY1" and passes; tests put the facts of an imagined machine in its place.
#include <memory>

#include "checks/requirements_rules.h"

namespace WorkSpace {

namespace {
struct PosixRequirementsState {
    std::unique_ptr<AdapterFacts> testFacts;
};

PosixRequirementsState& State() {
    static PosixRequirementsState state;
    return state;
}
}  // namespace

void SetAdapterFactsForTesting(const AdapterFacts* facts) {
    State().testFacts = facts ? std::make_unique<AdapterFacts>(*facts) : nullptr;
}

void GatherAdapterFacts(AdapterFacts& facts) {
    facts = State().testFacts ? *State().testFacts : AdapterFacts();
}

}  // namespace WorkSpace
