// The program's one block of alert-sound choices.
#include "sound/sound_settings.h"

namespace dt {
SoundSettings g_soundSettings = {};
}  // namespace dt
