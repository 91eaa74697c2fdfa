// The on-demand screenshot: one capture of the bound window, bounded, encoded
// and handed to the host's callback on the calling thread.
#ifndef TARSEL_CAPTURE_SCREENSHOT_H
#define TARSEL_CAPTURE_SCREENSHOT_H

#include "capture/screen_capturer.h"
#include "tarsel/tarsel.h"

namespace tarsel {

// Calls callback exactly once unless it is null; whatever the callback throws
// stays here. capturer may be null (not initialised).
void TakeScreenshot(const ScreenCapturer* capturer, bool initialized, int maxSize,
                    ScreenshotCallback callback, void* userData);

}  // namespace tarsel

#endif  // TARSEL_CAPTURE_SCREENSHOT_H
