// Run items: the programs, documents and folders opened when a connection is made or ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/platform.h"

namespace dt {

constexpr int kRunTextSize = 260;
// The most items the Run page shows and edits; the launcher itself opens every stored item.
constexpr int kMaxRunItems = 20;
// Hand-edited files may claim any RunCount; no reader looks further than this many sections.
constexpr int kMaxRunSections = 1000;

// Zero-filled when created; every text holds at most 259 characters, empty = not given.
struct RunItem {
    char title[kRunTextSize];
    char startPath[kRunTextSize];
    char startParams[kRunTextSize];
    char closePath[kRunTextSize];
    char closeParams[kRunTextSize];
    char startWorkDir[kRunTextSize];
    char closeWorkDir[kRunTextSize];
    int32_t enable;
};

// The keys of an item's section, in the order a save writes them.
enum RunKey : int {
    kRunTitle,
    kRunEnable,
    kRunStartPath,
    kRunStartParams,
    kRunClosePath,
    kRunCloseParams,
    kRunStartWorkDir,
    kRunCloseWorkDir,
    kRunKeyCount,
};

// A text key fills its field and is written only when the field is not empty (Title always);
// an absent one leaves the field empty. Enable is the item's flag: written "1" or "0"; read, only
// a stored 0 switches the item off.
struct RunKeyInfo {
    RunKey id;
    const char* key;
    char (RunItem::*text)[kRunTextSize];  // null for Enable
    bool alwaysWritten;
};
extern const RunKeyInfo kRunKeys[kRunKeyCount];

// The keys of one side of the items: what is opened, with which parameters, and where.
struct RunSideKeys {
    RunKey path, params, workDir;
};
constexpr RunSideKeys kOnConnectionKeys = {kRunStartPath, kRunStartParams, kRunStartWorkDir};
constexpr RunSideKeys kOnDisconnectionKeys = {kRunClosePath, kRunCloseParams, kRunCloseWorkDir};

// The number of item sections, in the program's own section.
constexpr const char* kRunCountKey = "RunCount";
// An item's section is named from its position: Run_00, Run_01, ...
constexpr int kRunSectionSize = 50;
void RunSectionName(char* name, size_t size, int index);

bool RunItemsEqual(const RunItem& a, const RunItem& b);
// A zero-filled item, or a heap copy; null when memory is short. Free with FreeRunItem.
RunItem* NewRunItem();
RunItem* CopyRunItem(const RunItem& item);
void FreeRunItem(RunItem* item);

// Each item is owned by the list that points to it.
struct RunList {
    RunItem* items[kMaxRunItems];
    int count;
};

// Frees the items and leaves the list empty.
void ClearRunList(RunList* list);
// Same length and equal items position by position.
bool RunListsEqual(const RunList& a, const RunList& b);

// Reads the stored list into two equal lists (emptied first). False when the user gave up after
// a read error or memory ran out.
bool LoadRunList(WindowRef owner, RunList* saved, RunList* working);
// Writes the working list to the settings file and makes the saved list equal to it. False when
// the user gave up after an error or memory ran out.
bool SaveRunList(WindowRef owner, const RunList* working, RunList* saved);

// Opens the enabled items' "On Connection" (or "On Disconnection") sides, each from a worker
// thread of its own, reading the list afresh from the settings file. Failures are silent.
void LaunchRunItems(WindowRef owner, bool onConnection);

// The shell and the thread starter the launcher uses; tests install their own.
class LaunchBackend {
  public:
    virtual ~LaunchBackend() = default;
    // Opens `path` through the shell with the default verb; `params` and `workDir` may be null.
    virtual void Execute(const char* path, const char* params, const char* workDir) = 0;
    virtual bool StartThread(void (*entry)(void*), void* arg) = 0;
};
LaunchBackend& Launcher();
void SetLaunchBackend(LaunchBackend* backend);

}  // namespace dt
