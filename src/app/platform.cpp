// The process-wide platform services, replaceable by tests.
#include "app/platform.h"

namespace dt {

FileSystem& DefaultFiles();
Clock& DefaultClock();

namespace {
FileSystem* g_files = nullptr;
Clock* g_clock = nullptr;
}  // namespace

FileSystem& Files() { return g_files ? *g_files : DefaultFiles(); }
void SetFiles(FileSystem* files) { g_files = files; }
Clock& SystemClock() { return g_clock ? *g_clock : DefaultClock(); }
void SetClock(Clock* clock) { g_clock = clock; }

}  // namespace dt
