// Linux has no window thread to ask: a lost device is only simulated there, by tests that
// install their own request hook.
#include "app/workspace.h"

namespace WorkSpace {

void PostRebuildRequest() {}

}  // namespace WorkSpace
