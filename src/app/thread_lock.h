// The one lock shared by the user-interface thread and the worker threads, and the worker count.
#pragma once

#include <atomic>
#include <cstdint>

namespace dt {

// A lock that never nests: the owning thread asking again gets false and goes on still holding
// it, and its first Release ends the hold. Only the owner can release.
class ThreadLock {
  public:
    ThreadLock();
    ~ThreadLock();
    ThreadLock(const ThreadLock&) = delete;
    ThreadLock& operator=(const ThreadLock&) = delete;

    // Blocks while another thread holds the lock. True when this call took it; false when the
    // calling thread already held it.
    bool TryAcquire();
    // False, changing nothing, unless the calling thread holds the lock.
    bool Release();
    bool HeldByCaller() const;

  private:
    // The platform's critical section or mutex lives here, so that this header stays portable.
    alignas(16) unsigned char section_[64];
    // Written only by the holder; atomics so that a non-owner's Release can look safely.
    std::atomic<bool> held_{false};
    std::atomic<uint32_t> owner_{0};
};

// The process-wide lock. It is never destroyed: a worker that outlives the shutdown wait may
// still take it while the process ends.
ThreadLock& TheThreadLock();

// A non-zero number for the calling thread, unique among running threads.
uint32_t CurrentThreadNumber();

// Holds the process-wide lock for a scope. A nested hold on the same thread neither blocks nor
// releases the outer hold early.
class ScopedThreadLock {
  public:
    ScopedThreadLock() : acquired_(TheThreadLock().TryAcquire()) {}
    ~ScopedThreadLock() {
        if (acquired_) TheThreadLock().Release();
    }
    ScopedThreadLock(const ScopedThreadLock&) = delete;
    ScopedThreadLock& operator=(const ScopedThreadLock&) = delete;

  private:
    bool acquired_;
};

// The count of worker threads that were started and have not ended. The *Locked variants must
// be called while holding the lock; the others take it themselves.
void AddWorkerLocked();
void RemoveWorkerLocked();
int WorkerCountLocked();
void AddWorker();
void RemoveWorker();
int RunningWorkers();

constexpr uint32_t kWorkerWaitStep = 500;
// A beep worker ends within one tone of being stopped; a shell call that has not returned in
// this time is left behind, so that a hung launch cannot keep the program from ending.
constexpr uint32_t kWorkerWaitLimit = 10000;

// Sleeps in 500 ms steps while workers run, for at most `limitMilliseconds`. Returns how many
// were still running when it stopped waiting (0 normally).
int WaitForWorkers(uint32_t limitMilliseconds = kWorkerWaitLimit);

// Starts `entry(arg)` on a new detached thread with the default stack size; false when the
// thread could not be started (`arg` then still belongs to the caller).
bool StartWorkerThread(void (*entry)(void*), void* arg);
void SleepMilliseconds(uint32_t milliseconds);

}  // namespace dt
