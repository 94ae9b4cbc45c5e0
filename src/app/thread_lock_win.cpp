// The thread lock over a critical section, worker threads through the C runtime, and sleeping.
#include <windows.h>
#include <process.h>

#include <cstdlib>

#include "app/thread_lock.h"

namespace dt {
namespace {

static_assert(sizeof(CRITICAL_SECTION) <= 64 && alignof(CRITICAL_SECTION) <= 16,
              "critical section does not fit");

CRITICAL_SECTION* SectionIn(unsigned char* storage) {
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}

struct ThreadStart {
    void (*entry)(void*);
    void* arg;
};

unsigned __stdcall RunThread(void* start) {
    ThreadStart copy = *static_cast<ThreadStart*>(start);
    std::free(start);
    copy.entry(copy.arg);
    return 0;
}

}  // namespace

ThreadLock::ThreadLock() { InitializeCriticalSection(SectionIn(section_)); }

ThreadLock::~ThreadLock() { DeleteCriticalSection(SectionIn(section_)); }

bool ThreadLock::TryAcquire() {
    // The critical section nests for its owner; the held flag is what keeps the lock from nesting.
    EnterCriticalSection(SectionIn(section_));
    if (held_.load(std::memory_order_relaxed)) {
        LeaveCriticalSection(SectionIn(section_));
        return false;
    }
    held_.store(true, std::memory_order_relaxed);
    owner_.store(GetCurrentThreadId(), std::memory_order_relaxed);
    return true;
}

bool ThreadLock::Release() {
    if (!HeldByCaller()) return false;
    held_.store(false, std::memory_order_relaxed);
    owner_.store(0, std::memory_order_relaxed);
    LeaveCriticalSection(SectionIn(section_));
    return true;
}

bool ThreadLock::HeldByCaller() const {
    return held_.load(std::memory_order_relaxed) &&
           owner_.load(std::memory_order_relaxed) == GetCurrentThreadId();
}

uint32_t CurrentThreadNumber() { return GetCurrentThreadId(); }

bool StartWorkerThread(void (*entry)(void*), void* arg) {
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (!start) return false;
    *start = {entry, arg};
    uintptr_t thread = _beginthreadex(nullptr, 0, RunThread, start, 0, nullptr);
    if (!thread) {
        std::free(start);
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

void SleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace dt
