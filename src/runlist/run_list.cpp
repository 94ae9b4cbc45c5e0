// The run list's stored form: loading it for the Run page and saving the page's list back.
#include "runlist/run_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/message_codes.h"
#include "resources/resource_ids.h"
#include "settings/retrying_read.h"
#include "settings/settings_store.h"

namespace dt {
namespace {

constexpr const char* kRunCountKey = "RunCount";

void SectionName(char* name, size_t size, int index) {
    std::snprintf(name, size, "Run_%02d", index);
}

// Reads one text field; a value the user lets go (or an absent key) leaves it empty.
bool ReadField(WindowRef owner, const char* section, const char* key, char* field) {
    ReadOutcome outcome = ReadStringRetrying(owner, section, key, field, kRunTextSize,
                                             IDS_LOAD_CONFIG_FAILED, g_app.buttons.readError);
    if (outcome == ReadOutcome::kStop) return false;
    if (outcome == ReadOutcome::kDefault) field[0] = '\0';
    return true;
}

bool Append(RunList* list, RunItem* item) {
    if (list->count >= kMaxRunItems) return false;
    list->items[list->count++] = item;
    return true;
}

// How one reported step of a save ended.
enum class Step { kGoOn, kSkipItem, kGiveUp };

template <typename Operation>
Step Reported(Operation operation) {
    for (;;) {
        int result = operation();
        if (result == 0) return Step::kGoOn;
        if (result == kResultIgnore || result == kResultContinue) return Step::kSkipItem;
        switch (ClassifyAnswer(result)) {
            case ErrorAnswer::kRepeat:
                continue;
            case ErrorAnswer::kGiveUp:
                return Step::kGiveUp;
            case ErrorAnswer::kGoOn:
                return Step::kGoOn;
        }
    }
}

// Removes the section, and any duplicate of it that the removal brings to light, so that keys
// left out afterwards are really absent.
Step ClearSection(WindowRef owner, const char* section, uint32_t buttons) {
    for (;;) {
        bool exists = false;
        Step step = Reported([&] {
            return SettingsSectionExists(owner, section, IDS_LOAD_CONFIG_FAILED, buttons, &exists);
        });
        if (step != Step::kGoOn || !exists) return step;
        bool deleted = false;
        step = Reported([&] {
            int result =
                DeleteSettingsSection(owner, section, IDS_SAVE_CONFIG_FAILED, buttons, false);
            deleted = result == 0;
            return result;
        });
        // A failure the user let pass would only fail again.
        if (step != Step::kGoOn || !deleted) return step;
    }
}

Step WriteItem(WindowRef owner, const char* section, const RunItem& item, uint32_t buttons) {
    Step step = ClearSection(owner, section, buttons);
    if (step != Step::kGoOn) return step;
    const struct {
        const char* key;
        const char* value;
        bool always;
    } keys[] = {
        {"Title", item.title, true},
        {"Enable", item.enable ? "1" : "0", true},
        {"StartPath", item.startPath, false},
        {"StartParams", item.startParams, false},
        {"ClosePath", item.closePath, false},
        {"CloseParams", item.closeParams, false},
        {"StartWorkDir", item.startWorkDir, false},
        {"CloseWorkDir", item.closeWorkDir, false},
    };
    for (const auto& entry : keys) {
        if (!entry.always && !entry.value[0]) continue;
        step = Reported([&] {
            return WriteSetting(owner, section, entry.key, entry.value, IDS_SAVE_CONFIG_FAILED,
                                buttons, false);
        });
        if (step != Step::kGoOn) return step;
    }
    return Step::kGoOn;
}

}  // namespace

bool RunItemsEqual(const RunItem& a, const RunItem& b) {
    return std::strcmp(a.title, b.title) == 0 && std::strcmp(a.startPath, b.startPath) == 0 &&
           std::strcmp(a.startParams, b.startParams) == 0 &&
           std::strcmp(a.closePath, b.closePath) == 0 &&
           std::strcmp(a.closeParams, b.closeParams) == 0 &&
           std::strcmp(a.startWorkDir, b.startWorkDir) == 0 &&
           std::strcmp(a.closeWorkDir, b.closeWorkDir) == 0 && a.enable == b.enable;
}

RunItem* NewRunItem() { return static_cast<RunItem*>(std::calloc(1, sizeof(RunItem))); }

RunItem* CopyRunItem(const RunItem& item) {
    auto* copy = static_cast<RunItem*>(std::malloc(sizeof(RunItem)));
    if (copy) std::memcpy(copy, &item, sizeof(RunItem));
    return copy;
}

void FreeRunItem(RunItem* item) { std::free(item); }

void ClearRunList(RunList* list) {
    for (int i = 0; i < list->count; ++i) {
        FreeRunItem(list->items[i]);
        list->items[i] = nullptr;
    }
    list->count = 0;
}

bool RunListsEqual(const RunList& a, const RunList& b) {
    if (a.count != b.count) return false;
    for (int i = 0; i < a.count; ++i) {
        if (!RunItemsEqual(*a.items[i], *b.items[i])) return false;
    }
    return true;
}

bool LoadRunList(WindowRef owner, RunList* saved, RunList* working) {
    ClearRunList(saved);
    ClearRunList(working);
    const uint32_t buttons = g_app.buttons.readError;
    int32_t count = 0;
    ReadOutcome outcome =
        ReadIntRetrying(owner, kProductName, kRunCountKey, &count, IDS_LOAD_CONFIG_FAILED, buttons);
    if (outcome == ReadOutcome::kStop) return false;
    if (outcome == ReadOutcome::kDefault) count = 0;
    if (count > kMaxRunSections) count = kMaxRunSections;

    RunItem scratch;
    char section[50];
    for (int i = 0; i < count && working->count < kMaxRunItems; ++i) {
        SectionName(section, sizeof section, i);
        std::memset(&scratch, 0, sizeof scratch);
        if (!ReadField(owner, section, "Title", scratch.title) ||
            !ReadField(owner, section, "StartPath", scratch.startPath) ||
            !ReadField(owner, section, "ClosePath", scratch.closePath)) {
            return false;
        }
        // Neither side has anything to open: not an item.
        if (!scratch.startPath[0] && !scratch.closePath[0]) continue;
        if (!scratch.title[0]) {
            std::memcpy(scratch.title, scratch.startPath[0] ? scratch.startPath : scratch.closePath,
                        sizeof scratch.title);
        }
        if (!ReadField(owner, section, "StartParams", scratch.startParams) ||
            !ReadField(owner, section, "StartWorkDir", scratch.startWorkDir) ||
            !ReadField(owner, section, "CloseParams", scratch.closeParams) ||
            !ReadField(owner, section, "CloseWorkDir", scratch.closeWorkDir)) {
            return false;
        }
        int32_t enable = 1;
        outcome =
            ReadIntRetrying(owner, section, "Enable", &enable, IDS_LOAD_CONFIG_FAILED, buttons);
        if (outcome == ReadOutcome::kStop) return false;
        scratch.enable = outcome == ReadOutcome::kValue ? (enable != 0 ? 1 : 0) : 1;

        RunItem* forSaved = CopyRunItem(scratch);
        RunItem* forWorking = CopyRunItem(scratch);
        if (!forSaved || !forWorking) {
            FreeRunItem(forSaved);
            FreeRunItem(forWorking);
            return false;
        }
        Append(saved, forSaved);
        Append(working, forWorking);
    }
    return true;
}

bool SaveRunList(WindowRef owner, const RunList* working, RunList* saved) {
    const uint32_t buttons = g_app.buttons.readError;
    char section[50];
    int written = 0;
    for (int i = 0; i < working->count; ++i) {
        SectionName(section, sizeof section, written);
        Step step = WriteItem(owner, section, *working->items[i], buttons);
        if (step == Step::kGiveUp) return false;
        // A skipped item leaves its section name to the next item.
        if (step == Step::kGoOn) ++written;
    }

    char count[16];
    std::snprintf(count, sizeof count, "%d", written);
    Step step = Reported([&] {
        return WriteSetting(owner, kProductName, kRunCountKey, count, IDS_SAVE_CONFIG_FAILED,
                            buttons, true);
    });
    if (step == Step::kGiveUp) return false;

    const int oldCount = saved->count;
    const int common = oldCount < working->count ? oldCount : working->count;
    for (int i = 0; i < common; ++i) *saved->items[i] = *working->items[i];
    for (int i = oldCount; i < working->count; ++i) {
        RunItem* copy = CopyRunItem(*working->items[i]);
        if (!copy) return false;
        Append(saved, copy);
    }
    // Sections beyond the new list leave the file at its next save; RunCount no longer reaches
    // them before that.
    for (int j = working->count; j < oldCount; ++j) {
        FreeRunItem(saved->items[j]);
        saved->items[j] = nullptr;
    }
    if (oldCount > working->count) saved->count = working->count;
    for (int j = working->count; j < oldCount; ++j) {
        SectionName(section, sizeof section, j);
        if (ClearSection(owner, section, buttons) == Step::kGiveUp) return false;
    }
    return true;
}

}  // namespace dt
