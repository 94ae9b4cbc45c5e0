// The native build's launcher: there is no shell to open anything with, so nothing opens.
#include <new>

#include "app/thread_lock.h"
#include "runlist/run_list.h"

namespace dt {
namespace {

class NoShellLauncher : public LaunchBackend {
  public:
    void Execute(const char*, const char*, const char*) override {}
    bool StartThread(void (*entry)(void*), void* arg) override {
        return StartWorkerThread(entry, arg);
    }
};

}  // namespace

LaunchBackend& DefaultLaunchBackend() {
    // Never destroyed: a worker may still use it while the process ends.
    alignas(NoShellLauncher) static unsigned char storage[sizeof(NoShellLauncher)];
    static LaunchBackend* launcher = new (storage) NoShellLauncher();
    return *launcher;
}

}  // namespace dt
