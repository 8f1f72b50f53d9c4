// Which of Qt's platforms a program of ours starts on, chosen before its
// application object exists.
#pragma once

namespace parlotto {

// X11 where there is an X display (XWayland on a Wayland desktop; the figure
// must be placed in screen pixels, which a Wayland client cannot), else
// offscreen, so that a program without one still runs and speaks instead of
// printing noise about a missing display. QT_QPA_PLATFORM set by the user
// wins.
void ChooseQtPlatform();

}  // namespace parlotto
