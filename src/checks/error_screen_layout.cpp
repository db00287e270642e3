// The error screen's rectangles. The reduced logo keeps its odd constants (3.2, 1.8 and a
// 17-pixel nudge) as single-precision values so it lands where the pictures were made for.
#include "checks/error_screen_layout.h"

namespace WorkSpace {

ErrorScreenLayout ComputeErrorScreenLayout(float clientWidth, float clientHeight, float backgroundWidth,
                                           float backgroundHeight, float logoWidth, float logoHeight) {
    ErrorScreenLayout layout;
    layout.showBackground = clientWidth >= kErrorScreenMinWidth && clientHeight >= kErrorScreenMinHeight;
    layout.background = {(clientWidth - backgroundWidth) * 0.5f, (clientHeight - backgroundHeight) * 0.5f,
                         backgroundWidth, backgroundHeight};
    layout.logo = {0.0f, clientHeight - logoHeight, logoWidth, logoHeight};
    // The half size is taken in double and only the sum is rounded to float, which is where
    // the float quotients by 3.2 and 1.8 meet it.
    layout.reducedLogo = {static_cast<float>(clientWidth * 0.5 - logoWidth / 3.2f + 17.0),
                          static_cast<float>(clientHeight * 0.5 - logoHeight / 3.2f), logoWidth / 1.8f,
                          logoHeight / 1.8f};
    return layout;
}

}  // namespace WorkSpace
