// Linux has no GDI+ and no window to draw into: the error screen is a blank one that waits
// for the stop request, 10 ms at a time, so it neither spins a core nor delays the shutdown.
#include <chrono>
#include <thread>

#include "checks/error_screen.h"

namespace WorkSpace {

int ShowErrorScreen(const ErrorScreenTarget& target) {
    while (target.stop->load() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
}

}  // namespace WorkSpace
