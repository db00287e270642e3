// The requirements check: gather what the system says about the first display, then apply
// the portable rules. Nothing is logged or shown; a "no" sends the render thread to the
// error screen.
#include "checks/requirements.h"

#include "checks/requirements_rules.h"

namespace WorkSpace {

bool CheckSystemRequirements() { return CheckDisplayAdapter(); }

bool CheckDisplayAdapter() {
    AdapterFacts facts;
    GatherAdapterFacts(facts);
    return EvaluateRequirements(facts);
}

}  // namespace WorkSpace
