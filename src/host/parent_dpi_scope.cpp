// The window thread takes on the parent window's DPI awareness while it makes the small
// preview, through the calls it is handed (null where Windows lacks them), and gives it back.
#include "host/parent_dpi_scope.h"

namespace WorkSpace {

ParentDpiScope::ParentDpiScope(const DpiCalls& calls, void* parent) : calls_(calls) {
    if (!calls.windowContext || !calls.setThreadContext || !parent) return;
    const DpiContext parents = calls.windowContext(parent);
    // A window that is gone has no context; a refused switch leaves nothing to restore.
    if (parents) previous_ = calls.setThreadContext(parents);
}

ParentDpiScope::~ParentDpiScope() {
    if (previous_) calls_.setThreadContext(previous_);
}

}  // namespace WorkSpace
