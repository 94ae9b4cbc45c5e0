// Reads of single settings that ask the user on an error and repeat while asked to.
#pragma once

#include <cstdint>

#include "app/platform.h"

namespace dt {

enum class ReadOutcome {
    kValue,    // the value was read
    kDefault,  // absent, not a number, or the user chose to go on: use the default
    kStop,     // the user chose Cancel or Abort: give up the whole task
};

ReadOutcome ReadIntRetrying(WindowRef owner, const char* section, const char* key, int32_t* value,
                            int messageId, uint32_t buttons);
ReadOutcome ReadInt64Retrying(WindowRef owner, const char* section, const char* key, int64_t* value,
                              int messageId, uint32_t buttons);
ReadOutcome ReadStringRetrying(WindowRef owner, const char* section, const char* key, char* buffer,
                               uint32_t size, int messageId, uint32_t buttons);

}  // namespace dt
