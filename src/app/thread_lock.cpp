// The worker count and the shutdown wait, kept under the process-wide lock.
#include "app/thread_lock.h"

#include <new>

namespace dt {
namespace {
int g_workers = 0;
}  // namespace

ThreadLock& TheThreadLock() {
    alignas(ThreadLock) static unsigned char storage[sizeof(ThreadLock)];
    static ThreadLock* lock = new (storage) ThreadLock();
    return *lock;
}

void AddWorkerLocked() { ++g_workers; }
void RemoveWorkerLocked() { --g_workers; }
int WorkerCountLocked() { return g_workers; }

void AddWorker() {
    ScopedThreadLock hold;
    AddWorkerLocked();
}

void RemoveWorker() {
    ScopedThreadLock hold;
    RemoveWorkerLocked();
}

int RunningWorkers() {
    ScopedThreadLock hold;
    return WorkerCountLocked();
}

int WaitForWorkers(uint32_t limitMilliseconds) {
    uint32_t waited = 0;
    int running = RunningWorkers();
    while (running > 0 && waited < limitMilliseconds) {
        SleepMilliseconds(kWorkerWaitStep);
        waited += kWorkerWaitStep;
        running = RunningWorkers();
    }
    return running;
}

}  // namespace dt
