// The run list's stored form: loading it for the Run page and saving the page's list back.
#include "runlist/run_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/message_codes.h"
#include "resources/resource_ids.h"
#include "settings/program_settings.h"
#include "settings/retrying_read.h"
#include "settings/settings_store.h"

namespace dt {

constexpr RunKeyInfo kRunKeys[kRunKeyCount] = {
    {kRunTitle, "Title", &RunItem::title, true},
    {kRunEnable, "Enable", nullptr, true},
    {kRunStartPath, "StartPath", &RunItem::startPath, false},
    {kRunStartParams, "StartParams", &RunItem::startParams, false},
    {kRunClosePath, "ClosePath", &RunItem::closePath, false},
    {kRunCloseParams, "CloseParams", &RunItem::closeParams, false},
    {kRunStartWorkDir, "StartWorkDir", &RunItem::startWorkDir, false},
    {kRunCloseWorkDir, "CloseWorkDir", &RunItem::closeWorkDir, false},
};

namespace {

constexpr bool TableInOrder() {
    for (int i = 0; i < kRunKeyCount; ++i) {
        if (kRunKeys[i].id != i || (kRunKeys[i].text == nullptr) != (i == kRunEnable)) return false;
    }
    return true;
}
static_assert(TableInOrder(), "the run key table is indexed by RunKey");

// Read first: an item without a path is skipped before its other keys are read.
constexpr RunKey kReadFirst[] = {kRunTitle, kRunStartPath, kRunClosePath};
constexpr RunKey kReadAfterPaths[] = {kOnConnectionKeys.params, kOnConnectionKeys.workDir,
                                      kOnDisconnectionKeys.params, kOnDisconnectionKeys.workDir};

// Reads text fields in turn; a value the user lets go (or an absent key) leaves its field empty.
template <size_t count>
bool ReadFields(WindowRef owner, const char* section, const RunKey (&keys)[count], RunItem* item) {
    for (RunKey key : keys) {
        char* field = item->*kRunKeys[key].text;
        ReadOutcome outcome =
            ReadStringRetrying(owner, section, kRunKeys[key].key, field, kRunTextSize,
                               IDS_LOAD_CONFIG_FAILED, g_app.buttons.readError);
        if (outcome == ReadOutcome::kStop) return false;
        if (outcome == ReadOutcome::kDefault) field[0] = '\0';
    }
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
    for (const RunKeyInfo& info : kRunKeys) {
        const char* value = info.text ? item.*info.text : item.enable ? "1" : "0";
        if (!info.alwaysWritten && !value[0]) continue;
        step = Reported([&] {
            return WriteSetting(owner, section, info.key, value, IDS_SAVE_CONFIG_FAILED, buttons,
                                false);
        });
        if (step != Step::kGoOn) return step;
    }
    return Step::kGoOn;
}

}  // namespace

void RunSectionName(char* name, size_t size, int index) {
    std::snprintf(name, size, "Run_%02d", index);
}

bool RunItemsEqual(const RunItem& a, const RunItem& b) {
    for (const RunKeyInfo& info : kRunKeys) {
        if (info.text && std::strcmp(a.*info.text, b.*info.text) != 0) return false;
    }
    return a.enable == b.enable;
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
    ReadOutcome outcome = ReadIntRetrying(owner, kProductSection, kRunCountKey, &count,
                                          IDS_LOAD_CONFIG_FAILED, buttons);
    if (outcome == ReadOutcome::kStop) return false;
    if (outcome == ReadOutcome::kDefault) count = 0;
    if (count > kMaxRunSections) count = kMaxRunSections;

    RunItem scratch;
    char section[kRunSectionSize];
    for (int i = 0; i < count && working->count < kMaxRunItems; ++i) {
        RunSectionName(section, sizeof section, i);
        std::memset(&scratch, 0, sizeof scratch);
        if (!ReadFields(owner, section, kReadFirst, &scratch)) return false;
        // Neither side has anything to open: not an item.
        if (!scratch.startPath[0] && !scratch.closePath[0]) continue;
        if (!scratch.title[0]) {
            std::memcpy(scratch.title, scratch.startPath[0] ? scratch.startPath : scratch.closePath,
                        sizeof scratch.title);
        }
        if (!ReadFields(owner, section, kReadAfterPaths, &scratch)) return false;
        int32_t enable = 1;
        outcome = ReadIntRetrying(owner, section, kRunKeys[kRunEnable].key, &enable,
                                  IDS_LOAD_CONFIG_FAILED, buttons);
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
    char section[kRunSectionSize];
    int written = 0;
    for (int i = 0; i < working->count; ++i) {
        RunSectionName(section, sizeof section, written);
        Step step = WriteItem(owner, section, *working->items[i], buttons);
        if (step == Step::kGiveUp) return false;
        // A skipped item leaves its section name to the next item.
        if (step == Step::kGoOn) ++written;
    }

    char count[16];
    std::snprintf(count, sizeof count, "%d", written);
    Step step = Reported([&] {
        return WriteSetting(owner, kProductSection, kRunCountKey, count, IDS_SAVE_CONFIG_FAILED,
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
        RunSectionName(section, sizeof section, j);
        if (ClearSection(owner, section, buttons) == Step::kGiveUp) return false;
    }
    return true;
}

}  // namespace dt
