// Tests of the non-nesting thread lock, the worker count and the shutdown wait.
#include "app/thread_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace dt {
namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(ThreadLockTest, OwnerAskingAgainDoesNotNestAndFirstReleaseEndsTheHold) {
    ThreadLock lock;
    EXPECT_TRUE(lock.TryAcquire());
    EXPECT_FALSE(lock.TryAcquire());
    EXPECT_TRUE(lock.HeldByCaller());
    EXPECT_TRUE(lock.Release());
    EXPECT_FALSE(lock.HeldByCaller());
    // Not held any more: a second release is refused.
    EXPECT_FALSE(lock.Release());
    // And the lock is free for the next taker.
    EXPECT_TRUE(lock.TryAcquire());
    EXPECT_TRUE(lock.Release());
}

TEST(ThreadLockTest, OnlyTheOwnerCanRelease) {
    ThreadLock lock;
    ASSERT_TRUE(lock.TryAcquire());
    bool otherReleased = true;
    bool otherSawHeld = true;
    std::thread other([&] {
        otherReleased = lock.Release();
        otherSawHeld = lock.HeldByCaller();
    });
    other.join();
    EXPECT_FALSE(otherReleased);
    EXPECT_FALSE(otherSawHeld);
    EXPECT_TRUE(lock.HeldByCaller());
    EXPECT_TRUE(lock.Release());
}

TEST(ThreadLockTest, AnotherThreadBlocksUntilTheOwnerReleases) {
    ThreadLock lock;
    ASSERT_TRUE(lock.TryAcquire());
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        bool took = lock.TryAcquire();
        acquired = true;
        if (took) lock.Release();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(acquired.load());
    EXPECT_TRUE(lock.Release());
    other.join();
    EXPECT_TRUE(acquired.load());
}

TEST(ThreadLockTest, ScopedHoldNestedOnOneThreadKeepsTheOuterHold) {
    {
        ScopedThreadLock outer;
        {
            ScopedThreadLock inner;
            EXPECT_TRUE(TheThreadLock().HeldByCaller());
        }
        EXPECT_TRUE(TheThreadLock().HeldByCaller());
    }
    EXPECT_FALSE(TheThreadLock().HeldByCaller());
}

TEST(ThreadLockTest, ExcludesOtherThreadsUnderContention) {
    ThreadLock lock;
    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    int plain = 0;  // guarded only by the lock; a broken lock loses increments (and TSan sees it)
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                bool took = lock.TryAcquire();
                if (inside.fetch_add(1) != 0) ++overlaps;
                ++plain;
                inside.fetch_sub(1);
                if (took) lock.Release();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(plain, kThreads * kRounds);
    EXPECT_EQ(overlaps.load(), 0);
}

struct CountingWorker {
    std::atomic<int>* ran;
    int sleepMs;
};

void RunCountingWorker(void* arg) {
    auto* worker = static_cast<CountingWorker*>(arg);
    if (worker->sleepMs) SleepMilliseconds(static_cast<uint32_t>(worker->sleepMs));
    worker->ran->fetch_add(1);
    delete worker;
    RemoveWorker();  // the worker's last action
}

bool StartCountingWorker(std::atomic<int>* ran, int sleepMs) {
    AddWorker();
    auto* worker = new CountingWorker{ran, sleepMs};
    if (StartWorkerThread(RunCountingWorker, worker)) return true;
    delete worker;
    RemoveWorker();
    return false;
}

TEST(WorkerCountTest, ManyWorkersStartingAndEndingBringTheCountBackToZero) {
    ASSERT_EQ(RunningWorkers(), 0);
    std::atomic<int> ran{0};
    constexpr int kWorkers = 200;
    int started = 0;
    for (int i = 0; i < kWorkers; ++i) started += StartCountingWorker(&ran, i % 3) ? 1 : 0;
    ASSERT_EQ(started, kWorkers);
    EXPECT_EQ(WaitForWorkers(), 0);
    // The count drops only as each worker's very last action, so all have run by now.
    EXPECT_EQ(ran.load(), kWorkers);
    EXPECT_EQ(RunningWorkers(), 0);
}

TEST(WorkerCountTest, ShutdownWaitReturnsAtOnceWithoutWorkers) {
    auto start = Clock::now();
    EXPECT_EQ(WaitForWorkers(), 0);
    EXPECT_LT(ElapsedMs(start), 100);
}

TEST(WorkerCountTest, ShutdownWaitGoesInHalfSecondStepsUntilTheWorkerEnds) {
    std::atomic<int> ran{0};
    ASSERT_TRUE(StartCountingWorker(&ran, 700));
    auto start = Clock::now();
    EXPECT_EQ(WaitForWorkers(), 0);
    int elapsed = ElapsedMs(start);
    EXPECT_EQ(ran.load(), 1);
    // Two steps of 500 ms cover a worker that needs 700 ms.
    EXPECT_GE(elapsed, 950);
    EXPECT_LT(elapsed, 2500);
}

TEST(WorkerCountTest, ShutdownWaitGivesUpOnAWorkerThatNeverEnds) {
    // A worker that counts itself but is stuck (as a shell call that never returns would be).
    AddWorker();
    auto start = Clock::now();
    EXPECT_EQ(WaitForWorkers(1000), 1);
    int elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 950);
    EXPECT_LT(elapsed, 2000);
    RemoveWorker();
    EXPECT_EQ(RunningWorkers(), 0);
}

}  // namespace
}  // namespace dt
