// Lists the accounts as the Connections page would, through the system's dial-up layer, so that the
// end-to-end tests can check the phonebook rules and the load-time resets against the simulator.
//
//   accountsdriver <settings file> [connected entry]
//
// Prints "ok=1 count=N" and one "account=<name>|<timer>|<resetOption>|<resetNext>" line each.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/shell_state_win.h"
#include "engine/account_record.h"
#include "settings/settings_store.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: accountsdriver <settings file> [connected entry]\n");
        return 2;
    }
    dt::g_shell.instance = GetModuleHandleA(nullptr);
    dt::g_app.osClass = dt::kOsNt5;
    dt::g_app.buttons = dt::ChooseButtonSets(dt::g_app.osClass);
    dt::SysError error = 0;
    if (!dt::Settings().Load(argv[1], &error)) {
        std::printf("load-error=%u\n", static_cast<unsigned>(error));
        return 1;
    }
    dt::PageRecord* pages = nullptr;
    int count = 0;
    bool ok = dt::EnumerateAccounts(nullptr, argc > 2 ? argv[2] : nullptr, &pages, &count);
    std::printf("ok=%d count=%d\n", ok ? 1 : 0, count);
    for (int i = 0; ok && i < count; ++i) {
        const dt::AccountRecord& a = pages[i].account;
        std::printf("account=%s|%d|%d|%lld\n", a.name, static_cast<int>(a.timer),
                    static_cast<int>(a.resetOption), static_cast<long long>(a.resetNext));
    }
    std::free(pages);
    std::fflush(stdout);
    return ok ? 0 : 1;
}
