// The thread lock, thread numbers, worker threads and sleeping on POSIX systems.
#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <new>

#include "app/thread_lock.h"

namespace dt {
namespace {

static_assert(sizeof(std::mutex) <= 64 && alignof(std::mutex) <= 16, "mutex does not fit");

std::mutex& MutexIn(unsigned char* storage) {
    return *std::launder(reinterpret_cast<std::mutex*>(storage));
}

std::atomic<uint32_t> g_nextThreadNumber{1};

struct ThreadStart {
    void (*entry)(void*);
    void* arg;
};

void* RunThread(void* start) {
    ThreadStart copy = *static_cast<ThreadStart*>(start);
    std::free(start);
    copy.entry(copy.arg);
    return nullptr;
}

}  // namespace

ThreadLock::ThreadLock() { new (section_) std::mutex(); }

ThreadLock::~ThreadLock() { MutexIn(section_).~mutex(); }

bool ThreadLock::TryAcquire() {
    // A std::mutex does not nest, so the owner is recognised before locking.
    if (HeldByCaller()) return false;
    MutexIn(section_).lock();
    held_.store(true, std::memory_order_relaxed);
    owner_.store(CurrentThreadNumber(), std::memory_order_relaxed);
    return true;
}

bool ThreadLock::Release() {
    if (!HeldByCaller()) return false;
    held_.store(false, std::memory_order_relaxed);
    owner_.store(0, std::memory_order_relaxed);
    MutexIn(section_).unlock();
    return true;
}

bool ThreadLock::HeldByCaller() const {
    return held_.load(std::memory_order_relaxed) &&
           owner_.load(std::memory_order_relaxed) == CurrentThreadNumber();
}

uint32_t CurrentThreadNumber() {
    thread_local uint32_t number = g_nextThreadNumber.fetch_add(1, std::memory_order_relaxed);
    return number;
}

bool StartWorkerThread(void (*entry)(void*), void* arg) {
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (!start) return false;
    *start = {entry, arg};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, RunThread, start) != 0) {
        std::free(start);
        return false;
    }
    pthread_detach(thread);
    return true;
}

void SleepMilliseconds(uint32_t milliseconds) {
    struct timespec wait;
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

}  // namespace dt
