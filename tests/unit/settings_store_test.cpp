// Tests of the settings file store: loading, lookups, changes and saving.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "support/fake_platform.h"

namespace dt {
namespace {

using test::FakeFileSystem;
using test::FileOp;

// ---- The store over the in-memory file system ----

const char kPath[] = "C:\\dt\\dialtick.ini";
const char kTemp[] = "C:\\dt\\dialtick.ini.tmp";

class StoreTest : public ::testing::Test {
  protected:
    void TearDown() override { store.Reset(); }

    void LoadText(const std::string& bytes) {
        files.SetFile(kPath, bytes);
        SysError error = 99;
        ASSERT_TRUE(store.Load(kPath, &error));
        ASSERT_EQ(error, 0u);
    }
    std::string Text() const { return std::string(store.Text(), store.TextLength()); }
    std::string Disk() const { return files.FileBytes(kPath); }
    std::string Get(const char* section, const char* key) {
        char buffer[256];
        uint32_t size = sizeof buffer;
        SysError error = 99;
        if (!store.GetString(section, key, buffer, &size, &error)) {
            return "<" + std::to_string(error) + ">";
        }
        return buffer;
    }
    bool Set(const char* section, const char* key, const char* value, SysError* error,
             bool writeThrough = false) {
        return store.SetString(section, key, value, error, writeThrough);
    }

    FakeFileSystem files;
    SettingsFile store;
};

TEST_F(StoreTest, LoadRetriesTheOpenFourTimes) {
    files.SetFile(kPath, "[A]\r\nk=v");
    files.FailOpen(kErrorSharingViolation, 3);
    SysError error = 99;
    ASSERT_TRUE(store.Load(kPath, &error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(files.Calls(FileOp::kOpenAlways), 4);
    store.Reset();

    files.FailOpen(kErrorSharingViolation, 4);
    EXPECT_FALSE(store.Load(kPath, &error));
    EXPECT_EQ(error, kErrorSharingViolation);
    EXPECT_EQ(files.Calls(FileOp::kOpenAlways), 8);
    EXPECT_FALSE(store.IsLoaded());
}

TEST_F(StoreTest, LoadFailuresCloseTheFile) {
    files.SetFile(kPath, "[A]\r\nk=v");
    SysError error = 0;
    files.FailNext(FileOp::kGetSize, kErrorAccessDenied);
    EXPECT_FALSE(store.Load(kPath, &error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_EQ(files.OpenHandles(), 0);

    files.FailRead(kErrorReadFault, 4);
    EXPECT_FALSE(store.Load(kPath, &error));
    EXPECT_EQ(error, kErrorReadFault);
    EXPECT_EQ(files.Calls(FileOp::kRead), 4);
    EXPECT_EQ(files.OpenHandles(), 0);
    EXPECT_FALSE(store.IsLoaded());

    // Three failed reads are retried; the retry then opens the file anew without trouble.
    files.FailRead(kErrorReadFault, 3);
    ASSERT_TRUE(store.Load(kPath, &error));
    EXPECT_EQ(Text(), "[A]\r\nk=v");
    EXPECT_EQ(files.OpenHandles(), 1);
    EXPECT_EQ(files.BadCloses(), 0);
}

TEST_F(StoreTest, LoadWithoutPathOrOfAMissingFile) {
    SysError error = 0;
    EXPECT_FALSE(store.Load(nullptr, &error));
    EXPECT_EQ(error, kErrorPathNotFound);
    EXPECT_FALSE(store.Load("", &error));
    EXPECT_EQ(error, kErrorPathNotFound);

    ASSERT_TRUE(store.Load(kPath, &error));
    EXPECT_TRUE(files.HasFile(kPath));
    EXPECT_EQ(store.TextLength(), 0u);
    EXPECT_EQ(store.Capacity(), 1u + 8192u);
}

TEST_F(StoreTest, LoadNormalisesInMemoryOnly) {
    const std::string raw = "junk\r\n[A]\r\n  k = v \r\n[Empty]\r\n";
    LoadText(raw);
    EXPECT_EQ(Text(), "[A]\r\nk=v");
    EXPECT_EQ(store.Capacity(), raw.size() + 1 + 8192);
    EXPECT_EQ(Disk(), raw);
    EXPECT_TRUE(files.IsOpen(kPath));
}

TEST_F(StoreTest, LoadingAgainReplacesTheText) {
    LoadText("[A]\r\nk=1");
    LoadText("[B]\r\nj=2");
    EXPECT_EQ(Text(), "[B]\r\nj=2");
    EXPECT_EQ(files.OpenHandles(), 1);
}

TEST_F(StoreTest, EverythingFailsWith9BeforeLoad) {
    char buffer[8];
    uint32_t size = sizeof buffer;
    int32_t i32 = 0;
    int64_t i64 = 0;
    bool flag = false;
    SysError errors[7];
    EXPECT_FALSE(store.Save(&errors[0]));
    EXPECT_FALSE(store.GetString("A", "k", buffer, &size, &errors[1]));
    EXPECT_FALSE(store.GetInt("A", "k", &i32, &flag, &errors[2]));
    EXPECT_FALSE(store.GetInt64("A", "k", &i64, &flag, &errors[3]));
    EXPECT_FALSE(store.SetString("A", "k", "v", &errors[4], true));
    EXPECT_FALSE(store.DeleteSection("A", &errors[5], true));
    EXPECT_FALSE(store.SectionExists("A", &errors[6], &flag));
    for (SysError error : errors) EXPECT_EQ(error, kErrorInvalidBlock);
    EXPECT_TRUE(files.Log().empty());
}

TEST_F(StoreTest, LookupsIgnoreCaseAndFindTheFirstOccurrence) {
    LoadText(
        "[Colours]\r\nText=1\r\ntext=2\r\n[Other]\r\nOnlyHere=3\r\n[COLOURS]\r\nBack=4\r\n"
        "[Tail]\r\nv=[Other]\r\nTimerX=5");
    EXPECT_EQ(Get("colours", "TEXT"), "1");
    EXPECT_EQ(Get("Colours", "Back"), "<0>");      // only in the second [COLOURS]
    EXPECT_EQ(Get("Colours", "OnlyHere"), "<0>");  // belongs to the next section
    EXPECT_EQ(Get("Other", "OnlyHere"), "3");
    EXPECT_EQ(Get("Tail", "Timer"), "<0>");  // a longer key is another key
    EXPECT_EQ(Get("Tail", "TimerX"), "5");
    EXPECT_EQ(Get("Missing", "k"), "<0>");
    EXPECT_EQ(Get(" Other \t", " OnlyHere "), "3");  // names are compared without padding

    bool exists = false;
    SysError error = 99;
    EXPECT_TRUE(store.SectionExists("OTHER", &error, &exists));
    EXPECT_TRUE(exists);
    EXPECT_EQ(error, 0u);
    // "[Other]" inside a value is no header.
    EXPECT_TRUE(store.SectionExists("Other]\r\nOnlyHere=3\r\n[COLOURS", &error, &exists));
    EXPECT_FALSE(exists);
    EXPECT_TRUE(store.SectionExists("Nope", &error, &exists));
    EXPECT_FALSE(exists);
}

TEST_F(StoreTest, ArgumentErrors) {
    LoadText("[A]\r\nk=v\r\na=b=c");
    EXPECT_EQ(Get("A", ""), "<13>");
    EXPECT_EQ(Get("A", "  "), "<13>");
    EXPECT_EQ(Get("A", "[k"), "<13>");
    // A key with '=' would otherwise find the tail of another key's value.
    EXPECT_EQ(Get("A", "a=b"), "<13>");
    EXPECT_EQ(Get("", "k"), "<13>");
    EXPECT_EQ(Get(" ", "k"), "<13>");
    SysError error = 0;
    uint32_t size = 4;
    EXPECT_FALSE(store.GetString("A", "k", nullptr, &size, &error));
    EXPECT_EQ(error, kErrorInvalidBlock);
    bool exists = true;
    EXPECT_FALSE(store.SectionExists("", &error, &exists));
    EXPECT_EQ(error, kErrorInvalidData);
}

TEST_F(StoreTest, GetStringReportsTheSizeNeeded) {
    LoadText("[A]\r\nk=hello");
    char buffer[6] = "xxxxx";
    uint32_t size = 5;  // exactly the value's length
    SysError error = 0;
    EXPECT_FALSE(store.GetString("A", "k", buffer, &size, &error));
    EXPECT_EQ(error, kErrorInsufficientBuffer);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "xxxxx");
    EXPECT_TRUE(store.GetString("A", "k", buffer, &size, &error));
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "hello");
}

TEST_F(StoreTest, GetIntSetsTheValidFlag) {
    LoadText(
        "[N]\r\nmax=2147483647\r\nmin=-2147483648\r\ntwo=1 2\r\nplus=+ 7\r\nminus=- 5\r\n"
        "big=-9223372036854775807");
    int32_t value = 0;
    bool valid = false;
    SysError error = 99;
    EXPECT_TRUE(store.GetInt("N", "max", &value, &valid, &error));
    EXPECT_EQ(value, 2147483647);
    EXPECT_TRUE(valid);
    EXPECT_TRUE(store.GetInt("N", "plus", &value, &valid, &error));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(store.GetInt("N", "minus", &value, &valid, &error));
    EXPECT_EQ(value, -5);
    for (const char* key : {"min", "two", "big"}) {
        SCOPED_TRACE(key);
        error = 99;
        value = 42;
        EXPECT_FALSE(store.GetInt("N", key, &value, &valid, &error));
        EXPECT_FALSE(valid);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(value, 42);
    }
    error = 99;
    EXPECT_FALSE(store.GetInt("N", "absent", &value, &valid, &error));
    EXPECT_TRUE(valid);
    EXPECT_EQ(error, 0u);

    int64_t wide = 0;
    EXPECT_TRUE(store.GetInt64("N", "big", &wide, &valid, &error));
    EXPECT_EQ(wide, -INT64_MAX);
    EXPECT_TRUE(valid);
    EXPECT_FALSE(store.GetInt64("N", "two", &wide, &valid, &error));
    EXPECT_FALSE(valid);
}

TEST_F(StoreTest, SetStringPlacesLines) {
    LoadText("");
    SysError error = 99;
    // A new section in an empty file: no final line break.
    ASSERT_TRUE(Set("Dialtick", "XPos", "10", &error));
    EXPECT_EQ(Text(), "[Dialtick]\r\nXPos=10");
    // Appended to the last section.
    ASSERT_TRUE(Set("dialtick", "YPos", "20", &error));
    EXPECT_EQ(Text(), "[Dialtick]\r\nXPos=10\r\nYPos=20");
    // A second section, then a key inserted at the end of the first, before the next header.
    ASSERT_TRUE(Set("  Modem  ", "Timer", "5", &error));
    ASSERT_TRUE(Set("Dialtick", "Last", "Modem", &error));
    EXPECT_EQ(Text(), "[Dialtick]\r\nXPos=10\r\nYPos=20\r\nLast=Modem\r\n[Modem]\r\nTimer=5");
    // Replaced in place, in the middle and as the last line, with the caller's key spelling.
    ASSERT_TRUE(Set("Dialtick", "xpos", " 123 ", &error));
    ASSERT_TRUE(Set("MODEM", "TIMER", "-1", &error));
    EXPECT_EQ(Text(), "[Dialtick]\r\nxpos=123\r\nYPos=20\r\nLast=Modem\r\n[Modem]\r\nTIMER=-1");
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Get("Dialtick", "XPOS"), "123");
    // Nothing reaches the disk without a save.
    EXPECT_EQ(Disk(), "");
    EXPECT_EQ(files.Calls(FileOp::kCreateNew), 0);
}

TEST_F(StoreTest, SetStringComparesValuesByteForByte) {
    LoadText("[Colours]\r\nText=abc\r\nBack=1");
    const std::string before = Text();
    SysError error = 99;
    ASSERT_TRUE(Set("colours", "text", "abc", &error));
    EXPECT_EQ(Text(), before);  // the key keeps its stored spelling when nothing changes
    ASSERT_TRUE(Set("Colours", "Text", "ABC", &error));
    EXPECT_EQ(Text(), "[Colours]\r\nText=ABC\r\nBack=1");

    // Write-through saves even when nothing changed.
    ASSERT_TRUE(Set("Colours", "Text", "ABC", &error, true));
    EXPECT_EQ(files.Calls(FileOp::kReplace), 1);
    EXPECT_EQ(Disk(), "[Colours]\r\nText=ABC\r\nBack=1");
}

TEST_F(StoreTest, SetStringRefusesWhatCannotBeStored) {
    LoadText("[A]\r\nk=v");
    const std::string before = Text();
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case refused[] = {
        {"A", "k", ""},         {"A", "k", " \t "}, {"A", "", "v"},    {"A", "  ", "v"},
        {"A", "[k", "v"},       {"", "k", "v"},     {"  ", "k", "v"},  {"A", "k", "a\r\nb=c"},
        {"A", "k", "a\nb"},     {"A", "k", "a\rb"}, {"A", "k=x", "v"}, {"A", "k\r\nx", "v"},
        {"B]\r\n[C", "k", "v"}, {"B]", "k", "v"},   {"[B", "k", "v"},  {"B=C", "k", "v"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(std::string(c.section) + "|" + c.key + "|" + c.value);
        SysError error = 0;
        EXPECT_FALSE(Set(c.section, c.key, c.value, &error, true));
        EXPECT_EQ(error, kErrorInvalidData);
        EXPECT_EQ(Text(), before);
    }
    EXPECT_EQ(files.Calls(FileOp::kCreateNew), 0);
    SysError error = 0;
    EXPECT_FALSE(store.SetString("A", nullptr, "v", &error, false));
    EXPECT_EQ(error, kErrorInvalidBlock);
}

TEST_F(StoreTest, PaddedSectionNameFindsTheStoredSection) {
    // Looking the name up as given would miss [Modem] and add a second, never-found copy.
    LoadText("[Modem]\r\nTimer=1\r\n[Other]\r\nk=v");
    SysError error = 99;
    ASSERT_TRUE(Set(" Modem\t", "Timer", "2", &error));
    EXPECT_EQ(Text(), "[Modem]\r\nTimer=2\r\n[Other]\r\nk=v");
    EXPECT_EQ(Get("Modem", "Timer"), "2");
}

TEST_F(StoreTest, BufferGrowsInSteps) {
    LoadText("[A]\r\nk=v");  // 8 bytes of file
    EXPECT_EQ(store.Capacity(), 8u + 1 + 8192);
    SysError error = 0;
    const std::string fits(8192 - 4, 'x');  // "\r\nb=" + value fills the room exactly
    ASSERT_TRUE(Set("A", "b", fits.c_str(), &error));
    EXPECT_EQ(store.Capacity(), 8u + 1 + 8192);
    EXPECT_EQ(store.TextLength() + 1, store.Capacity());
    ASSERT_TRUE(Set("A", "c", "1", &error));
    const uint32_t needed = 8 + 4 + 8188 + 5 + 1;
    EXPECT_EQ(store.Capacity(), needed + 8192);
    EXPECT_EQ(Get("A", "k"), "v");
    EXPECT_EQ(Get("A", "c"), "1");
    // Shrinking keeps the buffer.
    ASSERT_TRUE(Set("A", "b", "short", &error));
    EXPECT_EQ(store.Capacity(), needed + 8192);
    EXPECT_EQ(Text(), "[A]\r\nk=v\r\nb=short\r\nc=1");
}

TEST_F(StoreTest, DeleteSection) {
    LoadText("[A]\r\na=1\r\n[B]\r\nb=2\r\n[C]\r\nc=3");
    SysError error = 99;
    ASSERT_TRUE(store.DeleteSection("b", &error, false));
    EXPECT_EQ(Text(), "[A]\r\na=1\r\n[C]\r\nc=3");
    ASSERT_TRUE(store.DeleteSection("C", &error, false));
    EXPECT_EQ(Text(), "[A]\r\na=1");
    EXPECT_FALSE(store.DeleteSection("C", &error, true));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(files.Calls(FileOp::kCreateNew), 0);
    ASSERT_TRUE(store.DeleteSection("A", &error, true));
    EXPECT_EQ(store.TextLength(), 0u);
    EXPECT_EQ(Disk(), "");
    // The emptied store takes new sections as a fresh file does.
    ASSERT_TRUE(Set("N", "k", "v", &error));
    EXPECT_EQ(Text(), "[N]\r\nk=v");
}

TEST_F(StoreTest, DeletingTheFirstDuplicateRevealsTheSecond) {
    LoadText("[A]\r\nk=1\r\n[B]\r\nx=0\r\n[a]\r\nk=2");
    EXPECT_EQ(Get("A", "k"), "1");
    SysError error = 0;
    ASSERT_TRUE(store.DeleteSection("A", &error, false));
    EXPECT_EQ(Get("A", "k"), "2");
    ASSERT_TRUE(store.DeleteSection("A", &error, false));
    EXPECT_EQ(Text(), "[B]\r\nx=0");
}

// ---- Saving ----

class SaveTest : public StoreTest {
  protected:
    void SetUp() override {
        LoadText(kOld);
        SysError error = 0;
        ASSERT_TRUE(Set("A", "k", "new", &error));
        files.ClearLog();
    }
    static constexpr const char* kOld = "[A]\r\nk=old\r\n[B]\r\nj=1";
    static constexpr const char* kNew = "[A]\r\nk=new\r\n[B]\r\nj=1";
};

TEST_F(SaveTest, WritesATempFileAndReplaces) {
    SysError error = 99;
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Disk(), kNew);
    EXPECT_FALSE(files.HasFile(kTemp));
    EXPECT_TRUE(files.IsOpen(kPath));
    EXPECT_EQ(files.OpenHandles(), 1);
    const std::vector<std::string> expected = {
        std::string("CreateNew ") + kTemp,     std::string("SeekStart ") + kTemp,
        std::string("Write ") + kTemp + " 20", std::string("Truncate ") + kTemp,
        std::string("Flush ") + kTemp,         std::string("Close ") + kTemp,
        std::string("Close ") + kPath,         std::string("Replace ") + kTemp + " " + kPath,
        std::string("OpenAlways ") + kPath,
    };
    EXPECT_EQ(files.Log(), expected);
    // Saved again without changes: the same bytes.
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(Disk(), kNew);
    EXPECT_EQ(files.BadCloses(), 0);
}

TEST_F(SaveTest, ATempFileThatCannotBeWrittenWholeGivesWayToTheFileItself) {
    SysError error = 0;
    // Four partial writes of the copy, then the settings file itself takes the text.
    files.FailWritePartly(7, kErrorDiskFull, 4, ".tmp");
    ASSERT_TRUE(store.Save(&error)) << error;
    EXPECT_EQ(Disk(), kNew);
    EXPECT_FALSE(files.HasFile(kTemp));
    EXPECT_EQ(files.Calls(FileOp::kReplace), 0);
    EXPECT_TRUE(files.IsOpen(kPath));

    ASSERT_TRUE(Set("B", "j", "2", &error));
    files.FailNext(FileOp::kFlush, kErrorWriteFault, 1, ".tmp");
    ASSERT_TRUE(store.Save(&error)) << error;
    EXPECT_EQ(Disk(), "[A]\r\nk=new\r\n[B]\r\nj=2");
    EXPECT_FALSE(files.HasFile(kTemp));
}

// Editors, backup programs and virus scanners keep files open without letting them be replaced.
TEST_F(SaveTest, AFileHeldByAnotherProgramIsWrittenInPlace) {
    files.HoldElsewhere(kPath, true);
    SysError error = 99;
    ASSERT_TRUE(store.Save(&error)) << error;
    EXPECT_EQ(Disk(), kNew);
    EXPECT_FALSE(files.HasFile(kTemp));
    EXPECT_TRUE(files.IsOpen(kPath));
    EXPECT_EQ(files.Calls(FileOp::kReplace), 1);

    // Every later save lands too, shorter texts without a tail of the longer.
    for (const char* value : {"a much longer value", "x"}) {
        ASSERT_TRUE(Set("A", "k", value, &error, true)) << error;
    }
    EXPECT_EQ(Disk(), "[A]\r\nk=x\r\n[B]\r\nj=1");
    EXPECT_FALSE(files.HasFile(kTemp));
}

TEST_F(SaveTest, AFailedInPlaceWriteKeepsTheNewTextBesideAndTheFileNoShorter) {
    files.HoldElsewhere(kPath, true);
    SysError error = 0;
    files.FailWritePartly(9, kErrorDiskFull, 4, "dialtick.ini");
    EXPECT_FALSE(store.Save(&error));
    EXPECT_EQ(error, kErrorDiskFull);
    EXPECT_EQ(files.FileBytes(kTemp), kNew);
    EXPECT_GE(Disk().size(), std::string(kOld).size());
    EXPECT_TRUE(files.IsOpen(kPath));

    // Once the other program lets go, the next save replaces the file and the copy is gone.
    files.HoldElsewhere(kPath, false);
    ASSERT_TRUE(store.Save(&error)) << error;
    EXPECT_EQ(Disk(), kNew);
    EXPECT_FALSE(files.HasFile(kTemp));
}

// Windows 95 cannot replace a file by a move.
TEST_F(SaveTest, WithoutAReplacingMoveTheOldFileStepsAsideUntilTheNewOneIsIn) {
    const std::string aside = std::string(kPath) + ".old";
    files.SetReplaceAvailable(false);
    SysError error = 99;
    ASSERT_TRUE(store.Save(&error)) << error;
    EXPECT_EQ(Disk(), kNew);
    EXPECT_EQ(files.Paths(), std::vector<std::string>{kPath});
    EXPECT_TRUE(files.IsOpen(kPath));

    // The new file cannot take the name: the old one comes back and takes the text in place.
    ASSERT_TRUE(Set("B", "j", "2", &error));
    files.FailNext(FileOp::kRename, kErrorAccessDenied, 1, ".tmp");
    ASSERT_TRUE(store.Save(&error)) << error;
    EXPECT_EQ(Disk(), "[A]\r\nk=new\r\n[B]\r\nj=2");
    EXPECT_EQ(files.Paths(), std::vector<std::string>{kPath});

    // And when that write fails as well, the old text stays whole and the new one beside it.
    ASSERT_TRUE(Set("B", "j", "3", &error));
    files.FailNext(FileOp::kRename, kErrorAccessDenied, 1, ".tmp");
    files.FailNext(FileOp::kWrite, kErrorDiskFull, 4, "dialtick.ini");
    EXPECT_FALSE(store.Save(&error));
    EXPECT_EQ(error, kErrorDiskFull);
    EXPECT_EQ(Disk(), "[A]\r\nk=new\r\n[B]\r\nj=2");
    EXPECT_EQ(files.FileBytes(kTemp), "[A]\r\nk=new\r\n[B]\r\nj=3");
    EXPECT_FALSE(files.HasFile(aside));
    EXPECT_TRUE(files.IsOpen(kPath));
}

TEST_F(SaveTest, RewritesInPlaceWhenNoFileCanBeMadeBesideIt) {
    SysError error = 99;
    files.FailCreateNew(kErrorAccessDenied);
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Disk(), kNew);
    EXPECT_FALSE(files.HasFile(kTemp));
    EXPECT_EQ(files.Calls(FileOp::kReplace), 0);
    EXPECT_EQ(files.Calls(FileOp::kTruncate), 1);
    EXPECT_TRUE(files.IsOpen(kPath));

    // A longer text, then a shorter one: no bytes of the longer one stay behind.
    ASSERT_TRUE(Set("A", "k", "a much longer value", &error));
    files.FailCreateNew(kErrorAccessDenied);
    ASSERT_TRUE(store.Save(&error));
    ASSERT_TRUE(Set("A", "k", "x", &error));
    files.FailCreateNew(kErrorAccessDenied);
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(Disk(), "[A]\r\nk=x\r\n[B]\r\nj=1");
}

TEST_F(SaveTest, InPlaceFailures) {
    SysError error = 0;
    files.FailCreateNew(kErrorAccessDenied);
    files.FailNext(FileOp::kSeekStart, kErrorAccessDenied);
    EXPECT_FALSE(store.Save(&error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_EQ(Disk(), kOld);
    EXPECT_EQ(files.Calls(FileOp::kWrite), 0);

    // A write that keeps failing part-way leaves the file as long as it was.
    files.FailCreateNew(kErrorAccessDenied);
    files.FailWritePartly(9, kErrorDiskFull, 4);
    EXPECT_FALSE(store.Save(&error));
    EXPECT_EQ(error, kErrorDiskFull);
    EXPECT_EQ(files.Calls(FileOp::kWrite), 4);
    EXPECT_EQ(Disk(), "[A]\r\nk=ned\r\n[B]\r\nj=1");
    EXPECT_EQ(files.Calls(FileOp::kTruncate), 0);
}

TEST_F(SaveTest, FailedReopenAfterReplaceIsStillASave) {
    SysError error = 99;
    files.FailNext(FileOp::kOpenAlways, kErrorSharingViolation, 4);
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Disk(), kNew);
    EXPECT_FALSE(files.IsOpen(kPath));
    EXPECT_EQ(files.OpenHandles(), 0);

    // The next save works by path and holds the file again.
    ASSERT_TRUE(Set("B", "j", "2", &error));
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(Disk(), "[A]\r\nk=new\r\n[B]\r\nj=2");
    EXPECT_TRUE(files.IsOpen(kPath));

    // Also when it has to write in place.
    files.FailNext(FileOp::kOpenAlways, kErrorSharingViolation, 4);
    ASSERT_TRUE(store.Save(&error));
    ASSERT_TRUE(Set("B", "j", "3", &error));
    files.FailCreateNew(kErrorAccessDenied);
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(Disk(), "[A]\r\nk=new\r\n[B]\r\nj=3");
    EXPECT_TRUE(files.IsOpen(kPath));
    EXPECT_EQ(files.BadCloses(), 0);
}

TEST_F(StoreTest, SavesKeepToTheFileFirstOpenedWhenTheCurrentFolderChanges) {
    files.SetCurrentFolder("C:\\one");
    files.SetFile("C:\\one\\s.ini", "[A]\r\nk=old");
    SysError error = 0;
    ASSERT_TRUE(store.Load("s.ini", &error));
    files.SetCurrentFolder("C:\\two");
    ASSERT_TRUE(Set("A", "k", "new", &error, true)) << error;
    EXPECT_EQ(files.FileBytes("C:\\one\\s.ini"), "[A]\r\nk=new");
    EXPECT_EQ(files.Paths(), std::vector<std::string>{"C:\\one\\s.ini"});
    EXPECT_TRUE(files.IsOpen("C:\\one\\s.ini"));
}

TEST_F(SaveTest, WriteThroughReturnsTheSaveResult) {
    SysError error = 0;
    files.FailSaves(kErrorDiskFull);
    EXPECT_FALSE(Set("B", "j", "9", &error, true));
    EXPECT_EQ(error, kErrorDiskFull);
    EXPECT_EQ(Disk(), kOld);
    EXPECT_EQ(Get("B", "j"), "9");  // the change stays in memory for the next save

    files.FailSaves(kErrorDiskFull);
    EXPECT_FALSE(store.DeleteSection("A", &error, true));
    EXPECT_EQ(error, kErrorDiskFull);
    ASSERT_TRUE(store.Save(&error));
    EXPECT_EQ(Disk(), "[B]\r\nj=9");
}

// ---- Real files ----

class RealFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/dt_store_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/dialtick.ini";
    }
    void TearDown() override {
        chmod(dir.c_str(), 0700);
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    static std::string ReadFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    std::string dir;
    std::string path;
};

TEST_F(RealFileTest, SavesAndReloads) {
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Dialtick]\r\n XPos = 5 \r\n\r\n[Modem]\r\nTimer=10\r\n";
    }
    SettingsFile store;
    SysError error = 99;
    ASSERT_TRUE(store.Load(path.c_str(), &error));
    ASSERT_TRUE(store.SetString("Modem", "Timer", "11", &error, true)) << error;
    EXPECT_EQ(ReadFile(path), "[Dialtick]\r\nXPos=5\r\n[Modem]\r\nTimer=11");
    EXPECT_FALSE(store.SetString("Modem", "Timer", "", &error, true));
    ASSERT_TRUE(store.SetString("New", "Key", "x", &error, true)) << error;
    EXPECT_EQ(access((path + ".tmp").c_str(), F_OK), -1);
    store.Reset();

    SettingsFile again;
    ASSERT_TRUE(again.Load(path.c_str(), &error));
    EXPECT_EQ(std::string(again.Text()),
              "[Dialtick]\r\nXPos=5\r\n[Modem]\r\nTimer=11\r\n[New]\r\nKey=x");
}

TEST_F(RealFileTest, ErrorsComeAsWindowsCodes) {
    SettingsFile store;
    SysError error = 0;
    EXPECT_FALSE(store.Load((dir + "/missing/dialtick.ini").c_str(), &error));
    EXPECT_EQ(error, kErrorFileNotFound);
    EXPECT_FALSE(store.Load((path + "/x").c_str(), &error));  // a file used as a folder
    EXPECT_TRUE(error == kErrorFileNotFound || error == kErrorPathNotFound) << error;
    EXPECT_FALSE(store.Load(dir.c_str(), &error));
    EXPECT_EQ(error, kErrorAccessDenied);
}

TEST_F(RealFileTest, FallsBackToRewritingWhenTheTempFileCannotBeMade) {
    // A folder in the way of the temp file stops its creation, for the superuser too.
    ASSERT_EQ(mkdir((path + ".tmp").c_str(), 0700), 0);
    SettingsFile store;
    SysError error = 0;
    ASSERT_TRUE(store.Load(path.c_str(), &error));
    ASSERT_TRUE(store.SetString("A", "k", "a long value", &error, true)) << error;
    ASSERT_TRUE(store.SetString("A", "k", "v", &error, true)) << error;
    EXPECT_EQ(ReadFile(path), "[A]\r\nk=v");
}

}  // namespace
}  // namespace dt
