// The windows of other parts of the program that the timer window and its menu open or close.
#pragma once

namespace dt {

// Opens the Settings window (modeless). The About box is already closed.
void OpenSettingsWindow();
// Opens the About box as a modeless dialog without owner.
void OpenAboutBox();
// Asks an open Settings window to close, offering its unsaved changes for discarding; false when
// the user kept it open. True when there is none.
bool CloseSettingsForExit();
// Tells the Display page and the timer-font dialog, when open, that the timer window was shown
// or hidden, so that they relabel their buttons.
void TellTimerVisibilityChanged();

}  // namespace dt
