// Stand-ins for the About box and the Display page's timer buttons until they exist.
#include "timerwin/window_links_win.h"

namespace dt {

void OpenAboutBox() {}

void TellTimerVisibilityChanged() {}

}  // namespace dt
