// Tests of the run list: its stored form, loading and saving through the store, and launching.
#include "runlist/run_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/thread_lock.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeFileSystem;
using test::ScriptedMessages;

const char kPath[] = "dialtick.ini";
WindowRef const kPage = reinterpret_cast<WindowRef>(0x4242);
constexpr uint32_t kNewReadButtons = 1540;  // Cancel, Try Again, Continue

RunItem Item(const char* title, const char* startPath, const char* startParams = "",
             const char* startWorkDir = "", const char* closePath = "",
             const char* closeParams = "", const char* closeWorkDir = "", int enable = 1) {
    RunItem item;
    std::memset(&item, 0, sizeof item);
    std::snprintf(item.title, sizeof item.title, "%s", title);
    std::snprintf(item.startPath, sizeof item.startPath, "%s", startPath);
    std::snprintf(item.startParams, sizeof item.startParams, "%s", startParams);
    std::snprintf(item.startWorkDir, sizeof item.startWorkDir, "%s", startWorkDir);
    std::snprintf(item.closePath, sizeof item.closePath, "%s", closePath);
    std::snprintf(item.closeParams, sizeof item.closeParams, "%s", closeParams);
    std::snprintf(item.closeWorkDir, sizeof item.closeWorkDir, "%s", closeWorkDir);
    item.enable = enable;
    return item;
}

// A list that frees its items when the test ends.
struct OwnedList {
    RunList list{};
    ~OwnedList() { ClearRunList(&list); }
    void Add(const RunItem& item) {
        RunItem* copy = CopyRunItem(item);
        ASSERT_NE(copy, nullptr);
        ASSERT_LT(list.count, kMaxRunItems);
        list.items[list.count++] = copy;
    }
    const RunItem& operator[](int i) const { return *list.items[i]; }
};

std::string RunSections(int count, int firstWithoutPath = -1) {
    std::string text = "[Dialtick]\r\nRunCount=" + std::to_string(count);
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Run_%02d", i);
        text += std::string("\r\n[") + name + "]\r\nTitle=Item " + std::to_string(i);
        if (i != firstWithoutPath) text += "\r\nStartPath=C:\\p" + std::to_string(i) + ".exe";
    }
    return text;
}

class RunListTest : public ::testing::Test {
  protected:
    void SetUp() override { g_app.buttons.readError = kNewReadButtons; }
    void TearDown() override { Settings().Reset(); }

    void LoadFile(const std::string& text) {
        files.SetFile(kPath, text);
        SysError error = 0;
        ASSERT_TRUE(Settings().Load(kPath, &error));
    }
    std::string Text() const { return Settings().Text(); }

    FakeFileSystem files;
    ScriptedMessages messages;
    OwnedList saved, working;
};

// ---- Loading ----

TEST_F(RunListTest, LoadsHandWrittenSectionsWithTheirDefaults) {
    LoadFile(
        "[Dialtick]\r\nRunCount=6\r\n"
        "[Run_00]\r\nTitle=Mail\r\nEnable=0\r\nStartPath=C:\\mail.exe\r\nStartParams=/check "
        "\"all\"\r\nStartWorkDir=C:\\\r\nClosePath=C:\\stop.bat\r\nCloseParams=-q\r\n"
        "CloseWorkDir=D:\\\r\n"
        "[Run_02]\r\nClosePath=C:\\only close.cmd\r\n"
        "[Run_03]\r\nTitle=No path at all\r\nStartParams=x\r\n"
        "[Run_04]\r\nStartPath=a.exe\r\nEnable=7\r\n"
        "[Run_05]\r\nStartPath=b.exe\r\nEnable=yes");
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    EXPECT_EQ(messages.Count(), 0u);
    ASSERT_EQ(working.list.count, 4);
    EXPECT_TRUE(RunListsEqual(saved.list, working.list));
    // Distinct copies: the page edits the working list alone.
    EXPECT_NE(saved.list.items[0], working.list.items[0]);

    EXPECT_TRUE(RunItemsEqual(working[0], Item("Mail", "C:\\mail.exe", "/check \"all\"", "C:\\",
                                               "C:\\stop.bat", "-q", "D:\\", 0)));
    // Only a close path: it becomes the title, and an absent Enable means enabled.
    EXPECT_TRUE(RunItemsEqual(
        working[1], Item("C:\\only close.cmd", "", "", "", "C:\\only close.cmd", "", "", 1)));
    EXPECT_TRUE(RunItemsEqual(working[2], Item("a.exe", "a.exe", "", "", "", "", "", 1)));
    EXPECT_EQ(working[3].enable, 1);  // a non-number counts as absent
}

TEST_F(RunListTest, LoadShowsAtMostTwentyItemsThatHaveAPath) {
    LoadFile(RunSections(25, 3));
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    ASSERT_EQ(working.list.count, kMaxRunItems);
    // Run_03 has no path and does not use up a place.
    EXPECT_STREQ(working[2].title, "Item 2");
    EXPECT_STREQ(working[3].title, "Item 4");
    EXPECT_STREQ(working[19].title, "Item 20");
}

TEST_F(RunListTest, LoadWithoutRunCountOrWithAHugeOneEndsQuickly) {
    LoadFile("[Run_00]\r\nStartPath=x.exe");
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    EXPECT_EQ(working.list.count, 0);
    Settings().Reset();

    LoadFile("[Dialtick]\r\nRunCount=2147483647\r\n[Run_00]\r\nStartPath=x.exe");
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    EXPECT_EQ(working.list.count, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(RunListTest, LoadReportsAValueTooLongForItsFieldAndFollowsTheAnswer) {
    std::string longPath(kRunTextSize, 'p');
    LoadFile("[Dialtick]\r\nRunCount=1\r\n[Run_00]\r\nTitle=T\r\nStartPath=" + longPath +
             "\r\nClosePath=c.exe");
    // Try Again reads once more (same limit, same failure); Continue leaves the field empty.
    messages.Queue({kResultTryAgain, kResultContinue});
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Last().textId, IDS_LOAD_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().code, kErrorInsufficientBuffer);
    EXPECT_EQ(messages.Last().buttons, kNewReadButtons);
    EXPECT_EQ(messages.Last().owner, kPage);
    ASSERT_EQ(working.list.count, 1);
    EXPECT_STREQ(working[0].startPath, "");
    EXPECT_STREQ(working[0].closePath, "c.exe");

    // Cancel gives the whole load up.
    messages.Queue(kResultCancel);
    EXPECT_FALSE(LoadRunList(kPage, &saved.list, &working.list));
}

TEST_F(RunListTest, EveryTextKeyRefusesAValueLongerThanItsField) {
    for (const RunKeyInfo& info : kRunKeys) {
        if (!info.text) continue;
        std::map<std::string, std::string> keys = {{"StartPath", "a.exe"}, {"ClosePath", "c.exe"}};
        keys[info.key] = std::string(kRunTextSize, 'x');
        std::string text = "[Dialtick]\r\nRunCount=1\r\n[Run_00]";
        for (const auto& [key, value] : keys) text += "\r\n" + key + "=" + value;
        Settings().Reset();
        LoadFile(text);
        messages.Clear();
        messages.Queue(kResultContinue);
        ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list)) << info.key;
        EXPECT_EQ(messages.Count(), 1u) << info.key;
        ASSERT_EQ(working.list.count, 1) << info.key;
        // A title left empty falls back on the path.
        EXPECT_STREQ(working[0].*info.text, info.id == kRunTitle ? "a.exe" : "") << info.key;
    }
}

// ---- Saving ----

TEST_F(RunListTest, SaveWritesKeysInTableOrderLeavesEmptyOnesOutAndSavesTheFile) {
    LoadFile("[Dialtick]\r\nIcon=1");
    working.Add(
        Item("Mail", "C:\\mail.exe", "/check \"all\"", "C:\\", "C:\\stop.bat", "-q", "D:\\", 0));
    working.Add(Item("Closer", "", "", "", "C:\\bye.exe"));
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    EXPECT_EQ(messages.Count(), 0u);
    const std::string expected =
        "[Dialtick]\r\nIcon=1\r\nRunCount=2\r\n"
        "[Run_00]\r\nTitle=Mail\r\nEnable=0\r\nStartPath=C:\\mail.exe\r\nStartParams=/check "
        "\"all\"\r\nClosePath=C:\\stop.bat\r\nCloseParams=-q\r\nStartWorkDir=C:\\\r\n"
        "CloseWorkDir=D:\\\r\n"
        "[Run_01]\r\nTitle=Closer\r\nEnable=1\r\nClosePath=C:\\bye.exe";
    EXPECT_EQ(Text(), expected);
    // RunCount went through with write-through: the disk holds the whole list.
    EXPECT_EQ(files.FileBytes(kPath), expected);
    EXPECT_TRUE(RunListsEqual(saved.list, working.list));

    // What was saved loads back the same.
    OwnedList again, againWorking;
    ASSERT_TRUE(LoadRunList(kPage, &again.list, &againWorking.list));
    EXPECT_TRUE(RunListsEqual(again.list, working.list));
}

TEST_F(RunListTest, EveryKeyOfAnItemReadsBackEqualAtItsLongest) {
    LoadFile("[Dialtick]\r\nIcon=1");
    for (int enable : {0, 1}) {
        RunItem item{};
        for (const RunKeyInfo& info : kRunKeys) {
            if (info.text) std::memset(item.*info.text, 'a' + info.id + enable, kRunTextSize - 1);
        }
        item.enable = enable;
        working.Add(item);
    }
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    OwnedList again, againWorking;
    ASSERT_TRUE(LoadRunList(kPage, &again.list, &againWorking.list));
    EXPECT_TRUE(RunListsEqual(again.list, working.list));
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(RunListTest, SaveRenumbersSectionsAfterAGap) {
    LoadFile(
        "[Dialtick]\r\nRunCount=3\r\n[Run_00]\r\nTitle=A\r\nStartPath=a.exe\r\n"
        "[Run_02]\r\nTitle=C\r\nStartPath=c.exe");
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    ASSERT_EQ(working.list.count, 2);
    working.list.items[1]->enable = 0;
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    OwnedList reloaded, reloadedWorking;
    ASSERT_TRUE(LoadRunList(kPage, &reloaded.list, &reloadedWorking.list));
    EXPECT_TRUE(RunListsEqual(reloaded.list, working.list));
    EXPECT_NE(Text().find("RunCount=2"), std::string::npos);
    EXPECT_NE(Text().find("[Run_01]\r\nTitle=C\r\nEnable=0\r\nStartPath=c.exe"), std::string::npos);
    // The old Run_02 is beyond RunCount now and no reader looks at it.
    EXPECT_NE(Text().find("[Run_02]"), std::string::npos);
}

TEST_F(RunListTest, SaveDeletesSurplusSectionsOfAShorterList) {
    LoadFile(RunSections(5));
    ASSERT_TRUE(LoadRunList(kPage, &saved.list, &working.list));
    ClearRunList(&working.list);
    for (int i = 0; i < 3; ++i) working.Add(*saved.list.items[i]);
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    EXPECT_EQ(saved.list.count, 3);
    EXPECT_TRUE(RunListsEqual(saved.list, working.list));
    EXPECT_NE(Text().find("RunCount=3"), std::string::npos);
    EXPECT_EQ(Text().find("[Run_03]"), std::string::npos);
    EXPECT_EQ(Text().find("[Run_04]"), std::string::npos);
    // Deleted in memory only: they leave the disk at the next save.
    EXPECT_NE(files.FileBytes(kPath).find("[Run_04]"), std::string::npos);
    int status = SaveSettings(nullptr, IDS_SAVE_CONFIG_FAILED, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(files.FileBytes(kPath).find("[Run_04]"), std::string::npos);
}

TEST_F(RunListTest, SaveGrowsTheSavedListWithCopies) {
    LoadFile("[Dialtick]\r\nIcon=1");
    saved.Add(Item("A", "a.exe"));
    working.Add(Item("A2", "a2.exe"));
    working.Add(Item("B", "b.exe"));
    working.Add(Item("C", "", "", "", "c.exe"));
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    ASSERT_EQ(saved.list.count, 3);
    EXPECT_TRUE(RunListsEqual(saved.list, working.list));
    EXPECT_NE(saved.list.items[2], working.list.items[2]);
}

TEST_F(RunListTest, SaveLeavesNoStaleKeysFromTheSectionItReuses) {
    // Two sections of one name (hand-written): only the first is ever found, so both must go
    // before the item is written, or the second's parameters would come to light.
    LoadFile(
        "[Dialtick]\r\nRunCount=1\r\n[Run_00]\r\nTitle=Old\r\nStartPath=old.exe\r\n"
        "StartParams=--old\r\nStartWorkDir=C:\\old\r\n"
        "[Run_00]\r\nTitle=Dup\r\nStartPath=dup.exe\r\nStartParams=--dup");
    working.Add(Item("New", "new.exe"));
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    EXPECT_EQ(Text(),
              "[Dialtick]\r\nRunCount=1\r\n[Run_00]\r\nTitle=New\r\nEnable=1\r\n"
              "StartPath=new.exe");
}

TEST_F(RunListTest, SaveSkipsAnItemWhoseWriteTheUserLetsGo) {
    LoadFile("[Dialtick]\r\nIcon=1");
    // A blank title cannot be stored (the store holds no empty values).
    working.Add(Item("   ", "a.exe"));
    working.Add(Item("B", "b.exe"));
    messages.Queue({kResultTryAgain, kResultContinue});
    ASSERT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Last().textId, IDS_SAVE_CONFIG_FAILED);
    EXPECT_EQ(messages.Last().buttons, kNewReadButtons);
    EXPECT_EQ(messages.Last().owner, kPage);
    // The next item took over the skipped item's section name.
    EXPECT_EQ(Text(),
              "[Dialtick]\r\nIcon=1\r\nRunCount=1\r\n[Run_00]\r\nTitle=B\r\nEnable=1\r\n"
              "StartPath=b.exe");
}

TEST_F(RunListTest, SaveStopsWhenTheUserGivesUp) {
    LoadFile("[Dialtick]\r\nIcon=1");
    working.Add(Item("   ", "a.exe"));
    messages.Queue(kResultCancel);
    EXPECT_FALSE(SaveRunList(kPage, &working.list, &saved.list));
    EXPECT_EQ(saved.list.count, 0);
    EXPECT_EQ(Text().find("RunCount"), std::string::npos);

    // A failed write-through of RunCount: Cancel fails the save, Continue lets it end.
    working.list.items[0]->title[0] = 'A';
    files.FailSaves(kErrorDiskFull);
    messages.Queue(kResultCancel);
    EXPECT_FALSE(SaveRunList(kPage, &working.list, &saved.list));
    EXPECT_EQ(messages.Last().code, kErrorDiskFull);
    files.FailSaves(kErrorDiskFull);
    messages.Queue(kResultContinue);
    EXPECT_TRUE(SaveRunList(kPage, &working.list, &saved.list));
    EXPECT_TRUE(RunListsEqual(saved.list, working.list));
}

// ---- Launching ----

struct Launch {
    std::string path;
    bool hasParams;
    std::string params;
    bool hasWorkDir;
    std::string workDir;
};

// Records what the shell was asked to open. Runs each worker at once on the caller's thread, or
// on a real thread when `threaded`.
class RecordingLauncher : public LaunchBackend {
  public:
    RecordingLauncher() { SetLaunchBackend(this); }
    ~RecordingLauncher() override { SetLaunchBackend(nullptr); }

    void Execute(const char* path, const char* params, const char* workDir) override {
        if (delayMs) SleepMilliseconds(delayMs);
        std::lock_guard<std::mutex> hold(mutex);
        launches.push_back({path, params != nullptr, params ? params : "", workDir != nullptr,
                            workDir ? workDir : ""});
    }
    bool StartThread(void (*entry)(void*), void* arg) override {
        ++starts;
        if (failStarts) return false;
        if (threaded) return StartWorkerThread(entry, arg);
        entry(arg);
        return true;
    }
    std::vector<Launch> Launches() {
        std::lock_guard<std::mutex> hold(mutex);
        return launches;
    }

    bool threaded = false;
    bool failStarts = false;
    uint32_t delayMs = 0;
    int starts = 0;
    std::mutex mutex;
    std::vector<Launch> launches;
};

class RunLaunchTest : public RunListTest {
  protected:
    void SetUp() override {
        RunListTest::SetUp();
        files.SetFile("C:\\tools\\mail.exe", "");
        files.SetFile("C:\\tools\\bye.bat", "");
        files.SetFile("C:\\docs\\notes.txt", "");
    }
    void TearDown() override {
        for (int i = 0; i < 10000 && RunningWorkers() > 0; ++i) SleepMilliseconds(1);
        EXPECT_EQ(RunningWorkers(), 0);
        RunListTest::TearDown();
    }
    RecordingLauncher shell;
};

TEST_F(RunLaunchTest, OpensEnabledExistingItemsWithParametersExactlyAsStored) {
    LoadFile(
        "[Dialtick]\r\nRunCount=6\r\n"
        "[Run_00]\r\nTitle=Mail\r\nStartPath=C:\\tools\\mail.exe\r\nStartParams=\"quoted arg\" "
        "plain  two\r\nStartWorkDir=C:\\tools\r\nClosePath=C:\\tools\\bye.bat\r\n"
        "[Run_01]\r\nTitle=Off\r\nEnable=0\r\nStartPath=C:\\tools\\mail.exe\r\n"
        "[Run_02]\r\nTitle=Gone\r\nStartPath=C:\\tools\\missing.exe\r\n"
        "ClosePath=C:\\tools\\bye.bat\r\nCloseParams=/x\r\n"
        "[Run_03]\r\nTitle=Notes\r\nStartPath=C:\\docs\\notes.txt\r\nEnable=1\r\n"
        "[Run_05]\r\nTitle=Bad enable\r\nStartPath=C:\\tools\\mail.exe\r\nEnable=maybe");
    LaunchRunItems(kPage, true);
    auto launches = shell.Launches();
    ASSERT_EQ(launches.size(), 3u);
    EXPECT_EQ(launches[0].path, "C:\\tools\\mail.exe");
    ASSERT_TRUE(launches[0].hasParams);
    EXPECT_EQ(launches[0].params, "\"quoted arg\" plain  two");
    ASSERT_TRUE(launches[0].hasWorkDir);
    EXPECT_EQ(launches[0].workDir, "C:\\tools");
    // Nothing given: none, not an empty text.
    EXPECT_EQ(launches[1].path, "C:\\docs\\notes.txt");
    EXPECT_FALSE(launches[1].hasParams);
    EXPECT_FALSE(launches[1].hasWorkDir);
    EXPECT_EQ(launches[2].path, "C:\\tools\\mail.exe");
    EXPECT_EQ(messages.Count(), 0u);

    // The missing start file does not keep the item's close side from running.
    LaunchRunItems(kPage, false);
    launches = shell.Launches();
    ASSERT_EQ(launches.size(), 5u);
    EXPECT_EQ(launches[3].path, "C:\\tools\\bye.bat");
    EXPECT_FALSE(launches[3].hasParams);
    EXPECT_EQ(launches[4].path, "C:\\tools\\bye.bat");
    EXPECT_EQ(launches[4].params, "/x");
}

TEST_F(RunLaunchTest, PassesOverUnusableEntriesSilently) {
    std::string longPath = "C:\\" + std::string(kRunTextSize, 'x');
    files.SetFile(longPath, "");
    LoadFile("[Dialtick]\r\nRunCount=3\r\n[Run_00]\r\nStartPath=" + longPath +
             "\r\n[Run_01]\r\nStartPath=C:\\tools\\mail.exe\r\nStartParams=" + longPath +
             "\r\n[Run_02]\r\nClosePath=C:\\tools\\bye.bat");
    LaunchRunItems(kPage, true);
    auto launches = shell.Launches();
    ASSERT_EQ(launches.size(), 1u);
    // A value too long for its buffer counts as absent.
    EXPECT_EQ(launches[0].path, "C:\\tools\\mail.exe");
    EXPECT_FALSE(launches[0].hasParams);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(RunLaunchTest, OpensEveryStoredItemBeyondTheTwentyOfThePage) {
    std::string text = "[Dialtick]\r\nRunCount=25";
    for (int i = 0; i < 25; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "C:\\run\\p%02d.exe", i);
        files.SetFile(name, "");
        text += "\r\n[Run_" + std::string(i < 10 ? "0" : "") + std::to_string(i) +
                "]\r\nStartPath=" + name;
    }
    LoadFile(text);
    LaunchRunItems(kPage, true);
    auto launches = shell.Launches();
    ASSERT_EQ(launches.size(), 25u);
    EXPECT_EQ(launches[24].path, "C:\\run\\p24.exe");
}

TEST_F(RunLaunchTest, NothingRunsWithoutAPositiveRunCount) {
    for (const char* count : {"", "RunCount=0\r\n", "RunCount=-4\r\n", "RunCount=x\r\n"}) {
        LoadFile(std::string("[Dialtick]\r\n") + count +
                 "Icon=1\r\n[Run_00]\r\nStartPath=C:\\tools\\mail.exe");
        LaunchRunItems(kPage, true);
        Settings().Reset();
    }
    EXPECT_EQ(shell.starts, 0);
}

TEST_F(RunLaunchTest, AThreadThatCannotStartLeavesTheCountAsItWas) {
    LoadFile(
        "[Dialtick]\r\nRunCount=2\r\n[Run_00]\r\nStartPath=C:\\tools\\mail.exe\r\n"
        "[Run_01]\r\nStartPath=C:\\docs\\notes.txt");
    shell.failStarts = true;
    LaunchRunItems(kPage, true);
    EXPECT_EQ(shell.starts, 2);
    EXPECT_EQ(RunningWorkers(), 0);
    EXPECT_TRUE(shell.Launches().empty());
}

TEST_F(RunLaunchTest, EachLaunchRunsOnItsOwnThreadAndTheCountFollowsThem) {
    std::string text = "[Dialtick]\r\nRunCount=20";
    for (int i = 0; i < 20; ++i) {
        text += "\r\n[Run_" + std::string(i < 10 ? "0" : "") + std::to_string(i) +
                "]\r\nStartPath=C:\\tools\\mail.exe\r\nStartParams=" + std::to_string(i);
    }
    LoadFile(text);
    shell.threaded = true;
    shell.delayMs = 300;
    auto start = std::chrono::steady_clock::now();
    LaunchRunItems(kPage, true);
    // The launcher does not wait for the shell.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_GT(RunningWorkers(), 0);
    EXPECT_EQ(WaitForWorkers(), 0);
    auto launches = shell.Launches();
    ASSERT_EQ(launches.size(), 20u);
    std::vector<bool> seen(20, false);
    for (const auto& launch : launches) seen[std::stoi(launch.params)] = true;
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(seen[i]) << i;
}

}  // namespace
}  // namespace dt
