// The caption's date elsewhere than on Windows: the long form Windows gives the UI
// language's main locale, which is what the saver shows on most machines.
#include "pictures/caption.h"

namespace WorkSpace {

std::wstring UserLongDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    return LongDateText(year, month, day, language);
}

}  // namespace WorkSpace
