// Button sets, button results and icon types of the program's message boxes.
#pragma once

#include <cstdint>

namespace dt {

// Button set bits: bit value 2 << k selects button k; at most three per box.
constexpr uint32_t kButtonOk = 2;
constexpr uint32_t kButtonCancel = 4;
constexpr uint32_t kButtonAbort = 8;
constexpr uint32_t kButtonRetry = 16;
constexpr uint32_t kButtonIgnore = 32;
constexpr uint32_t kButtonYes = 64;
constexpr uint32_t kButtonNo = 128;
constexpr uint32_t kButtonClose = 256;
constexpr uint32_t kButtonTryAgain = 512;
constexpr uint32_t kButtonContinue = 1024;

// The platform's dialog result ids; also what the reporting operations return.
constexpr int kResultNothingShown = 0;
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;
constexpr int kResultAbort = 3;
constexpr int kResultRetry = 4;
constexpr int kResultIgnore = 5;
constexpr int kResultYes = 6;
constexpr int kResultNo = 7;
constexpr int kResultClose = 8;
constexpr int kResultTryAgain = 10;
constexpr int kResultContinue = 11;
// What the settings reporting operations return for an absent or non-numeric entry.
constexpr int kResultAbsent = -1;

// Icon types (the platform's message-box icon values).
constexpr int kIconStop = 16;
constexpr int kIconQuestion = 32;
constexpr int kIconExclamation = 48;
constexpr int kIconInformation = 64;

// The uniform answer to an error box: repeat, give up the whole task, or go on with a default.
enum class ErrorAnswer { kRepeat, kGiveUp, kGoOn };
inline ErrorAnswer ClassifyAnswer(int result) {
    if (result == kResultRetry || result == kResultTryAgain) return ErrorAnswer::kRepeat;
    if (result == kResultCancel || result == kResultAbort) return ErrorAnswer::kGiveUp;
    return ErrorAnswer::kGoOn;
}

}  // namespace dt
