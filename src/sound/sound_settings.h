// The two alert sounds as chosen in the settings file: lost connection and warning time.
#pragma once

#include <cstdint>

namespace dt {

// Values of SoundSpec::mode as stored under `Play`.
enum SoundMode : int32_t { kNoSound = 0, kPlayFile = 1, kBeep = 2 };

// Indexes of SoundSettings::alerts.
constexpr int kLostConnectionAlert = 0;
constexpr int kWarningAlert = 1;

struct SoundSpec {
    int32_t mode;           // a SoundMode
    char file[260];         // full path of the file to play; may be empty
    int32_t beepCount;      // 1 to 9
    int32_t beepFrequency;  // hertz, 50 to 4000
};

// Filled at start-up from the sections "Sound" and "WarnSound"; replaced as a whole when the
// Sounds page saves.
struct SoundSettings {
    SoundSpec alerts[2];
};

extern SoundSettings g_soundSettings;

}  // namespace dt
