// Fuzzes loading accounts and program settings from any settings-file text: nothing crashes or
// overruns, and every loaded record holds together.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/messages.h"
#include "engine/account_record.h"
#include "engine/calendar.h"
#include "engine/ras_api.h"
#include "settings/program_settings.h"
#include "settings/settings_store.h"
#include "fuzz_support.h"

namespace {

// One file in memory, enough for the store.
class MemoryFiles : public dt::FileSystem {
  public:
    std::string disk;

    dt::SysError OpenAlways(const char*, dt::FileHandle* file) override {
        *file = 1;
        position_ = 0;
        return 0;
    }
    dt::SysError CreateNew(const char*, dt::FileHandle*) override { return dt::kErrorAccessDenied; }
    dt::SysError GetSize(dt::FileHandle, uint32_t* size) override {
        *size = static_cast<uint32_t>(disk.size());
        return 0;
    }
    dt::SysError SeekStart(dt::FileHandle) override {
        position_ = 0;
        return 0;
    }
    dt::SysError Read(dt::FileHandle, void* buffer, uint32_t count, uint32_t* done) override {
        size_t n = position_ < disk.size() ? std::min<size_t>(count, disk.size() - position_) : 0;
        std::memcpy(buffer, disk.data() + position_, n);
        position_ += n;
        *done = static_cast<uint32_t>(n);
        return 0;
    }
    dt::SysError Write(dt::FileHandle, const void* buffer, uint32_t count,
                       uint32_t* done) override {
        if (disk.size() < position_ + count) disk.resize(position_ + count);
        std::memcpy(&disk[position_], buffer, count);
        position_ += count;
        *done = count;
        return 0;
    }
    dt::SysError Truncate(dt::FileHandle) override {
        disk.resize(position_);
        return 0;
    }
    dt::SysError Flush(dt::FileHandle) override { return 0; }
    void Close(dt::FileHandle) override {}
    dt::SysError Replace(const char*, const char*) override { return dt::kErrorAccessDenied; }
    dt::SysError Rename(const char*, const char*) override { return dt::kErrorAccessDenied; }
    dt::SysError Remove(const char*) override { return 0; }
    bool Exists(const char*) override { return true; }
    dt::SysError FullPath(const char* path, char* buffer, uint32_t size,
                          uint32_t* needed) override {
        return fuzz::PathAsGiven(path, buffer, size, needed);
    }

  private:
    size_t position_ = 0;
};

class FixedClock : public dt::Clock {
  public:
    int64_t now = 0;
    uint32_t TickCount() override { return 0; }
    bool LocalFileTime(int64_t* fileTime) override {
        *fileTime = now;
        return true;
    }
};

// Retries a few times, then goes on or gives up as the data says.
class Answers : public dt::MessageHandler {
  public:
    uint8_t choice = 0;
    int asked = 0;
    int Answer(const dt::MessageRecord&) override {
        ++asked;
        if (asked % 4 == 1 && (choice & 1)) return dt::kResultTryAgain;
        return (choice & 2) ? dt::kResultCancel : dt::kResultContinue;
    }
};

class ListedRas : public dt::RasApi {
  public:
    std::vector<std::string> names;
    uint32_t EnumEntries(dt::RasEntry* entries, uint32_t capacity, uint32_t* count) override {
        *count = static_cast<uint32_t>(names.size());
        if (names.size() > capacity) return dt::kRasErrorBufferTooSmall;
        for (size_t i = 0; i < names.size(); ++i) {
            // Names arrive cut to the field but, like a careless system, without a NUL.
            std::memset(entries[i].name, 'x', sizeof entries[i].name);
            std::memcpy(entries[i].name, names[i].data(),
                        std::min(names[i].size() + 1, sizeof entries[i].name));
        }
        return 0;
    }
    uint32_t EnumConnections(dt::RasConnection*, uint32_t, uint32_t* count) override {
        *count = 0;
        return 0;
    }
    uint32_t GetConnectStatus(dt::RasConnectionHandle, dt::RasState*) override { return 6; }
    uint32_t HangUp(dt::RasConnectionHandle) override { return 6; }
    bool GetErrorString(uint32_t, char*, uint32_t) override { return false; }
};

class NoBrushes : public dt::BrushMaker {
  public:
    dt::BrushRef MakeSolid(uint32_t colour) override {
        return colour & 1 ? nullptr : reinterpret_cast<dt::BrushRef>(uintptr_t{16});
    }
    dt::BrushRef Stock(bool) override { return reinterpret_cast<dt::BrushRef>(uintptr_t{32}); }
};

[[noreturn]] void Broken(const char* what, const char* name) {
    std::fprintf(stderr, "account \"%s\": %s\n", name, what);
    std::abort();
}

void Check(const dt::AccountRecord& r) {
    using namespace dt;
    if (r.resetOption < 0 || r.resetOption > 3) Broken("reset option", r.name);
    if (r.countDirection != 0 && r.countDirection != 1) Broken("direction", r.name);
    if (r.resetCount < 1) Broken("count", r.name);
    if (r.resetPeriod != -1 && (r.resetPeriod < 1 || r.resetPeriod > 3)) Broken("period", r.name);
    if (r.resetOption == kResetPeriodically &&
        (r.resetPeriod == kPeriodNone || r.resetCount > MaxResetCount(r.resetPeriod))) {
        Broken("periodic schedule", r.name);
    }
    if ((r.resetOption == kResetPeriodically || r.resetOption == kResetOnDay) && r.resetNext <= 0) {
        Broken("schedule without a date", r.name);
    }
    if (r.resetNext < 0 || r.resetNext > kMaxCount) Broken("next reset", r.name);
    int64_t magnitude = r.timer < 0 ? -static_cast<int64_t>(r.timer) : r.timer;
    if (r.timerNegative != (r.timer < 0) ||
        (r.timerHours * 3600LL + r.timerMinutes * 60 + r.timerSeconds) * 100 !=
            magnitude - magnitude % 100) {
        Broken("timer split", r.name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    static MemoryFiles files;
    static FixedClock clock;
    static Answers answers;
    static ListedRas ras;
    dt::SetFiles(&files);
    dt::SetClock(&clock);
    dt::SetMessageHandler(&answers);
    dt::SetRas(&ras);
    dt::g_app.buttons = {1540, 516, 1536};

    // Mostly times around now, sometimes anywhere in the file-time range.
    clock.now = input.ConsumeBool()
                    ? input.ConsumeIntegralInRange<int64_t>(0, INT64_MAX)
                    : input.ConsumeIntegralInRange<int64_t>(125000000000000000, 135000000000000000);
    answers.choice = input.ConsumeIntegral<uint8_t>();
    answers.asked = 0;
    const bool layered = input.ConsumeBool();
    const int osClass = input.ConsumeIntegralInRange<int>(0, 8);
    const size_t extraEntries = input.ConsumeIntegralInRange<size_t>(0, 40);
    files.disk = input.ConsumeRemainingBytesAsString();

    dt::SettingsFile& settings = dt::Settings();
    settings.Reset();
    dt::SysError error = 0;
    if (!settings.Load("fuzz.ini", &error)) return 0;

    // Every section name is an account name; the phonebook lists them and some more.
    std::vector<std::string> names;
    const std::string text = settings.Text();
    for (size_t at = 0; at < text.size() && names.size() < 40;) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        if (text[at] == '[' && end > at + 2) names.push_back(text.substr(at + 1, end - at - 2));
        at = end + 2;
    }
    for (const std::string& name : names) {
        dt::AccountRecord record{};
        std::snprintf(record.name, sizeof record.name, "%s", name.c_str());
        int64_t now = 0;
        if (dt::LoadAccountRecord(nullptr, &record, &now)) {
            Check(record);
            int64_t next = 0, maximum = 0;
            dt::NextPeriodicResetAt(record, clock.now, &next);
            if (dt::MaximumResetDateAt(record, clock.now, &maximum)) {
                dt::CalendarTime time{};
                char buffer[64];
                if (dt::FileTimeToCalendar(maximum, &time)) {
                    dt::FormatDate(
                        time, buffer, sizeof buffer,
                        dt::kDateDayName | dt::kDateDayNumber | dt::kDateMonthName | dt::kDateYear);
                }
            }
        }
    }

    ras.names = names;
    for (size_t i = 0; i < extraEntries; ++i) ras.names.push_back(std::string(i * 7, 'e'));
    dt::PageRecord* pages = nullptr;
    int count = 0;
    const char* connected = names.empty() ? nullptr : names.back().c_str();
    if (dt::EnumerateAccounts(nullptr, connected, &pages, &count)) {
        if (count > dt::kMaxPhonebookEntries + 1) Broken("too many pages", "");
        for (int i = 0; i < count; ++i) {
            Check(pages[i].account);
            char weekday[32];
            dt::EnteredResetWeekdayText(pages[i], weekday, sizeof weekday);
        }
    }
    std::free(pages);

    NoBrushes brushes;
    dt::ProgramSettingsInput settingsInput{osClass, layered, 0x808080, 0xC0C0C0, 1540, &brushes};
    dt::DisplaySettings display{};
    dt::SoundSettings sounds{};
    if (dt::LoadProgramSettings(settingsInput, &display, &sounds)) {
        if (display.faceName[sizeof display.faceName - 1] != '\0') Broken("face", "");
        for (const dt::SoundSpec& spec : sounds.alerts) {
            if (spec.file[sizeof spec.file - 1] != '\0') Broken("file", "");
            if (spec.mode < 0 || spec.mode > 2) Broken("mode", "");
            if (spec.mode == dt::kPlayFile && spec.file[0] == '\0') Broken("play nothing", "");
        }
    }
    int32_t x = 0, y = 0;
    dt::ReadWindowPosition(1540, &x, &y);
    settings.Reset();
    return 0;
}
