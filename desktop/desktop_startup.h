#pragma once
// Start-up of the desktop program, `initApplication`: the default song with
// its samples from the Samples folder, the MixBuffer, the window shown at
// the top-left of the screen with the panel painted at once, the refill
// timer, and then, right after the first paint, the start-up warnings (the
// font, the step-button bitmaps, no output device). Counting the output
// devices can take a second (a JACK server is asked), so it never holds up
// the first paint. Nothing here is fatal: a missing sample, no output
// device or no MIDI leave a working window. Main thread.

#include <functional>

#include "desktop/main_window.h"

namespace tamboro {

// The window's panel: 640 x 460 panel pixels below the menu bar.
QSize startUpWindowSize(MainWindow& window);

// Runs start-up on a window that was made but not shown; `done` runs once
// the warnings after the first paint have been shown.
void initApplication(MainWindow& window, std::function<void()> done = {});

}  // namespace tamboro
