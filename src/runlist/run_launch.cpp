// Launching the run items: each enabled item's side opens through the shell on its own thread.
#include <cstdlib>
#include <cstring>

#include "app/messages.h"
#include "app/thread_lock.h"
#include "resources/resource_ids.h"
#include "runlist/run_list.h"
#include "settings/program_settings.h"
#include "settings/settings_store.h"

namespace dt {

LaunchBackend& DefaultLaunchBackend();

namespace {

LaunchBackend* g_launcher = nullptr;

// Handed to the worker, which owns and frees it.
struct LaunchRecord {
    LaunchBackend* backend;
    char* path;
    char* params;   // null when none
    char* workDir;  // null when none
};

char* CopyText(const char* text) {
    size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

void FreeRecord(LaunchRecord* record) {
    std::free(record->path);
    std::free(record->params);
    std::free(record->workDir);
    std::free(record);
}

LaunchRecord* MakeRecord(LaunchBackend* backend, const char* path, const char* params,
                         const char* workDir) {
    auto* record = static_cast<LaunchRecord*>(std::calloc(1, sizeof(LaunchRecord)));
    if (!record) return nullptr;
    record->backend = backend;
    record->path = CopyText(path);
    if (params[0]) record->params = CopyText(params);
    if (workDir[0]) record->workDir = CopyText(workDir);
    if (!record->path || (params[0] && !record->params) || (workDir[0] && !record->workDir)) {
        FreeRecord(record);
        return nullptr;
    }
    return record;
}

void LaunchWorker(void* arg) {
    auto* record = static_cast<LaunchRecord*>(arg);
    record->backend->Execute(record->path, record->params, record->workDir);
    FreeRecord(record);
    RemoveWorker();  // the last action: the shutdown wait counts on it
}

// A value the launcher can use: read in full, with reporting off.
bool ReadText(const char* section, const char* key, char* buffer) {
    return ReadSettingString(nullptr, section, key, buffer, kRunTextSize, IDS_LOAD_CONFIG_FAILED,
                             0) == 0;
}

// Only a stored 0 switches an item off; an absent or unreadable Enable leaves it on.
bool SwitchedOff(const char* section) {
    int32_t enable = 1;
    return ReadSettingInt(nullptr, section, kRunKeys[kRunEnable].key, &enable,
                          IDS_LOAD_CONFIG_FAILED, 0) == 0 &&
           enable == 0;
}

}  // namespace

LaunchBackend& Launcher() { return g_launcher ? *g_launcher : DefaultLaunchBackend(); }
void SetLaunchBackend(LaunchBackend* backend) { g_launcher = backend; }

void LaunchRunItems(WindowRef owner, bool onConnection) {
    auto* path = static_cast<char*>(AllocBuffer(owner, kRunTextSize, false, true));
    auto* params =
        path ? static_cast<char*>(AllocBuffer(owner, kRunTextSize, false, true)) : nullptr;
    auto* workDir =
        params ? static_cast<char*>(AllocBuffer(owner, kRunTextSize, false, true)) : nullptr;
    auto* section =
        workDir ? static_cast<char*>(AllocBuffer(owner, kRunSectionSize, false, true)) : nullptr;
    int32_t count = 0;
    if (section && ReadSettingInt(nullptr, kProductSection, kRunCountKey, &count,
                                  IDS_LOAD_CONFIG_FAILED, 0) == 0) {
        if (count > kMaxRunSections) count = kMaxRunSections;
        const RunSideKeys& side = onConnection ? kOnConnectionKeys : kOnDisconnectionKeys;
        const char* pathKey = kRunKeys[side.path].key;
        const char* paramsKey = kRunKeys[side.params].key;
        const char* workDirKey = kRunKeys[side.workDir].key;
        LaunchBackend* backend = &Launcher();
        for (int i = 0; i < count; ++i) {
            RunSectionName(section, kRunSectionSize, i);
            if (SwitchedOff(section)) continue;
            if (!ReadText(section, pathKey, path) || !path[0]) continue;
            if (!Files().Exists(path)) continue;
            if (!ReadText(section, paramsKey, params)) params[0] = '\0';
            if (!ReadText(section, workDirKey, workDir)) workDir[0] = '\0';

            LaunchRecord* record = MakeRecord(backend, path, params, workDir);
            if (!record) continue;
            // Counted before the thread exists, so the shutdown wait cannot miss it.
            AddWorker();
            if (!backend->StartThread(LaunchWorker, record)) {
                FreeRecord(record);
                RemoveWorker();
            }
        }
    }
    std::free(section);
    std::free(workDir);
    std::free(params);
    std::free(path);
}

}  // namespace dt
