// Tests of the test fakes that other tests rely on: failure injection, sharing, the clock's dates.
#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace dt::test {
namespace {

TEST(FakeFileSystemTest, InjectedFailuresCountAndFilterByPath) {
    FakeFileSystem files;
    EXPECT_EQ(&Files(), &files);
    files.FailNext(FileOp::kOpenAlways, kErrorAccessDenied, 2, "b.ini");
    FileHandle a = kNoFile;
    FileHandle b = kNoFile;
    EXPECT_EQ(files.OpenAlways("a.ini", &a), 0u);
    EXPECT_EQ(files.OpenAlways("b.ini", &b), kErrorAccessDenied);
    EXPECT_EQ(b, kNoFile);
    EXPECT_EQ(files.OpenAlways("b.ini", &b), kErrorAccessDenied);
    EXPECT_EQ(files.OpenAlways("b.ini", &b), 0u);
    EXPECT_EQ(files.Calls(FileOp::kOpenAlways), 4);

    uint32_t done = 0;
    files.FailWritePartly(3);
    EXPECT_EQ(files.Write(a, "abcdef", 6, &done), kErrorDiskFull);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(files.Write(a, "XY", 2, &done), 0u);
    EXPECT_EQ(files.FileBytes("a.ini"), "abcXY");
    EXPECT_EQ(files.SeekStart(a), 0u);
    EXPECT_EQ(files.Write(a, "Q", 1, &done), 0u);
    EXPECT_EQ(files.Truncate(a), 0u);
    EXPECT_EQ(files.FileBytes("a.ini"), "Q");

    files.Close(a);
    files.Close(a);
    EXPECT_EQ(files.BadCloses(), 1);
    files.Close(b);
    EXPECT_EQ(files.OpenHandles(), 0);
}

TEST(FakeFileSystemTest, HeldFilesBehaveAsOnWindows) {
    FakeFileSystem files;
    files.SetFile("s.ini", "old");
    files.SetFile("s.tmp", "new");
    FileHandle held = kNoFile;
    ASSERT_EQ(files.OpenAlways("s.ini", &held), 0u);
    FileHandle second = kNoFile;
    EXPECT_EQ(files.OpenAlways("s.ini", &second), kErrorSharingViolation);
    EXPECT_EQ(files.Replace("s.tmp", "s.ini"), kErrorAccessDenied);
    EXPECT_EQ(files.Remove("s.ini"), kErrorSharingViolation);
    files.Close(held);
    EXPECT_EQ(files.Replace("s.tmp", "s.ini"), 0u);
    EXPECT_EQ(files.FileBytes("s.ini"), "new");
    EXPECT_FALSE(files.HasFile("s.tmp"));
    EXPECT_EQ(files.Replace("s.tmp", "s.ini"), kErrorFileNotFound);
}

TEST(FakeClockTest, DatesAndTicks) {
    FakeClock clock;
    EXPECT_EQ(&SystemClock(), &clock);
    EXPECT_EQ(FakeClock::FileTimeOf(1601, 1, 1), 0);
    EXPECT_EQ(FakeClock::FileTimeOf(1970, 1, 1), 116444736000000000LL);
    // A leap day and the day after it.
    EXPECT_EQ(FakeClock::FileTimeOf(2000, 3, 1) - FakeClock::FileTimeOf(2000, 2, 28),
              2 * 864000000000LL);
    clock.SetLocalTime(2024, 12, 31, 23, 59, 59, 500);
    clock.SetTick(0xFFFFFF00u);
    clock.Advance(0x200);
    EXPECT_EQ(clock.TickCount(), 0x100u);  // wraps as GetTickCount does
    int64_t now = 0;
    ASSERT_TRUE(clock.LocalFileTime(&now));
    EXPECT_EQ(now, FakeClock::FileTimeOf(2025, 1, 1) + 12 * 10000);
    clock.SetLocalTimeAvailable(false);
    EXPECT_FALSE(clock.LocalFileTime(&now));
}

}  // namespace
}  // namespace dt::test
