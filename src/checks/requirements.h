// Whether this machine's display adapter and driver can run the effect. The rules live in
// requirements_rules.h; this is what the window thread and the render thread call.
#pragma once

namespace WorkSpace {

// True when the machine can run the effect. Failing system queries count as a pass.
bool CheckSystemRequirements();

// The first display's adapter description and its driver's acceleration setting, read
// again on every call: no state is kept between the two callers.
bool CheckDisplayAdapter();

}  // namespace WorkSpace
