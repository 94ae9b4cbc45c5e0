// The Windows launcher: ShellExecuteA on a worker thread started through the C runtime.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <new>

#include "app/thread_lock.h"
#include "runlist/run_list.h"

namespace dt {
namespace {

class ShellLauncher : public LaunchBackend {
  public:
    void Execute(const char* path, const char* params, const char* workDir) override {
        // Shell extensions that handle the file may use COM; each worker thread is its own
        // single-threaded apartment. CoInitialize, not CoInitializeEx: Windows 95 without DCOM
        // has only the former.
        HRESULT com = CoInitialize(nullptr);
        ShellExecuteA(nullptr, nullptr, path, params, workDir, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) CoUninitialize();
    }
    bool StartThread(void (*entry)(void*), void* arg) override {
        return StartWorkerThread(entry, arg);
    }
};

}  // namespace

LaunchBackend& DefaultLaunchBackend() {
    // Never destroyed: a worker may still use it while the process ends.
    alignas(ShellLauncher) static unsigned char storage[sizeof(ShellLauncher)];
    static LaunchBackend* launcher = new (storage) ShellLauncher();
    return *launcher;
}

}  // namespace dt
