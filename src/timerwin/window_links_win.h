// The windows of other parts of the program that the timer window and its menu open or close.
#pragma once

namespace dt {

// Opens the Settings window: modal when the program runs without the timer window (it returns
// when the window has closed), otherwise modeless (it returns at once). Callers open it only
// when no Settings window exists; the About box is already closed.
void OpenSettingsWindow();
// Ends the program: the About box goes, then the Settings window (asking about unsaved changes
// with `ask`; when the user keeps them the program stays), then the timer window.
void CloseAllWindows(bool ask);
// Opens the About box as a modeless dialog without owner.
void OpenAboutBox();
// Tells the Display page and the timer-font dialog, when open, that the timer window was shown
// or hidden, so that they relabel their buttons.
void TellTimerVisibilityChanged();

}  // namespace dt
