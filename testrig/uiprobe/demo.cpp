// Stand-in windows and sounds for the rig's own tests.
//
// A plain window that reports what it receives, the platform's message box, a box built like
// the program's own (controls 179-183), and a sound file played as the program plays one.
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "probe.h"

namespace probe {

namespace {

const int kEndedBySession = 40;

struct DemoState {
    std::vector<std::pair<UINT, std::string>> listened;
    bool refuseEnd = false;
    int exitCode = 0;
};

DemoState g_demo;

void Report(const char* msg, WPARAM wp, LPARAM lp) {
    rig::Json j;
    j.BeginObject()
        .Field("msg", msg)
        .Field("w", static_cast<unsigned long long>(wp))
        .Field("l", static_cast<long long>(lp))
        .Field("x", static_cast<int>(static_cast<short>(LOWORD(lp))))
        .Field("y", static_cast<int>(static_cast<short>(HIWORD(lp))))
        .EndObject()
        .Print();
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    for (const auto& named : g_demo.listened) {
        if (msg == named.first) {
            Report(named.second.c_str(), wp, lp);
            return 0x5EE;
        }
    }
    switch (msg) {
        case WM_QUERYENDSESSION:
            Report("WM_QUERYENDSESSION", wp, lp);
            return g_demo.refuseEnd ? FALSE : TRUE;
        case WM_ENDSESSION:
            Report("WM_ENDSESSION", wp, lp);
            if (wp) {
                g_demo.exitCode = kEndedBySession;
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_LBUTTONDOWN:
            Report("WM_LBUTTONDOWN", wp, lp);
            return 0;
        case WM_LBUTTONUP:
            Report("WM_LBUTTONUP", wp, lp);
            return 0;
        case WM_LBUTTONDBLCLK:
            Report("WM_LBUTTONDBLCLK", wp, lp);
            return 0;
        case WM_RBUTTONDOWN:
            Report("WM_RBUTTONDOWN", wp, lp);
            return 0;
        case WM_RBUTTONUP:
            Report("WM_RBUTTONUP", wp, lp);
            return 0;
        case WM_APP + 1:
            Report("TRAY", wp, lp);
            return 0;
        case WM_KEYDOWN:
            Report("WM_KEYDOWN", wp, lp);
            return 0;
        case WM_CLOSE:
            Report("WM_CLOSE", wp, lp);
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(g_demo.exitCode);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Builds dialog templates in memory: word-aligned items with class and text as UTF-16.
class TemplateWriter {
  public:
    void Header(DWORD style, int items, int cx, int cy, const std::string& title) {
        Align(4);
        DLGTEMPLATE t;
        std::memset(&t, 0, sizeof(t));
        t.style = style | DS_SETFONT;
        t.cdit = static_cast<WORD>(items);
        t.cx = static_cast<short>(cx);
        t.cy = static_cast<short>(cy);
        Raw(&t, sizeof(t));
        Word(0);  // no menu
        Word(0);  // default class
        Text(title);
        Word(8);
        Text("MS Shell Dlg");
    }

    void Item(DWORD style, int x, int y, int cx, int cy, int id, WORD atom,
              const std::string& text) {
        Align(4);
        DLGITEMTEMPLATE it;
        std::memset(&it, 0, sizeof(it));
        it.style = style | WS_CHILD;
        it.x = static_cast<short>(x);
        it.y = static_cast<short>(y);
        it.cx = static_cast<short>(cx);
        it.cy = static_cast<short>(cy);
        it.id = static_cast<WORD>(id);
        Raw(&it, sizeof(it));
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);  // no creation data
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

  private:
    void Align(std::size_t n) {
        while (bytes_.size() % n != 0) bytes_.push_back(0);
    }
    void Raw(const void* p, std::size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Raw(&w, sizeof(w)); }
    void Text(const std::string& s) {
        int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
        std::vector<wchar_t> wide(n > 0 ? n : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, wide.data(), n);
        Raw(wide.data(), wide.size() * sizeof(wchar_t));
    }
    std::vector<BYTE> bytes_;
};

struct AppBox {
    std::string text;
    std::vector<std::pair<int, std::string>> buttons;  // result, caption
    int icon = 0;
};

INT_PTR CALLBACK AppBoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        const AppBox* box = reinterpret_cast<const AppBox*>(lp);
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        SetDlgItemTextA(dlg, 180, box->text.c_str());
        for (std::size_t i = 0; i < box->buttons.size() && i < 3; ++i) {
            HWND b = GetDlgItem(dlg, 181 + static_cast<int>(i));
            SetWindowTextA(b, box->buttons[i].second.c_str());
            ShowWindow(b, SW_SHOW);
        }
        LPCSTR stock = box->icon == 16   ? IDI_HAND
                       : box->icon == 32 ? IDI_QUESTION
                       : box->icon == 48 ? IDI_EXCLAMATION
                       : box->icon == 64 ? IDI_ASTERISK
                                         : nullptr;
        if (stock != nullptr) {
            SendDlgItemMessageA(dlg, 179, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconA(nullptr, stock)), 0);
        }
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        const AppBox* box = reinterpret_cast<const AppBox*>(GetWindowLongPtrA(dlg, DWLP_USER));
        int id = LOWORD(wp);
        if (id >= 181 && id <= 183 && static_cast<std::size_t>(id - 181) < box->buttons.size()) {
            EndDialog(dlg, box->buttons[id - 181].first);
        } else {
            EndDialog(dlg, id);
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// demo-window [--class C] [--title T] [--hidden] [--topmost] [--listen NAME]... [--refuse-end]
//             [--rect X,Y,W,H] [--alpha 0-255] [--tray TOOLTIP] [--color RRGGBB]
// Prints one JSON line when ready, then one per message of interest; exits 40 when a log-off
// ended it.
int DemoWindow(const Args& a, Out& o) {
    std::string cls = a.Get("--class", "BenchDemoWindow");
    std::string title = a.Get("--title", "Bench demo window");
    g_demo.refuseEnd = a.Has("--refuse-end");
    for (const std::string& name : a.All("--listen")) {
        g_demo.listened.emplace_back(RegisterWindowMessageA(name.c_str()), name);
    }
    int x = 100, y = 100, w = 300, h = 200;
    if (a.Has("--rect") &&
        std::sscanf(a.Get("--rect").c_str(), "%d,%d,%d,%d", &x, &y, &w, &h) != 4) {
        return o.Fail(2, "demo-window: --rect X,Y,W,H");
    }
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DemoProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (a.Has("--color")) {
        unsigned long rgb = std::strtoul(a.Get("--color").c_str(), nullptr, 16);
        wc.hbrBackground = CreateSolidBrush(RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255));
    }
    wc.lpszClassName = cls.c_str();
    if (!RegisterClassA(&wc)) return o.Fail(1, "demo-window: cannot register the class");
    HWND hwnd =
        CreateWindowExA(a.Has("--topmost") ? WS_EX_TOPMOST : 0, cls.c_str(), title.c_str(),
                        WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
    if (hwnd == nullptr) return o.Fail(1, "demo-window: cannot create the window");
    if (a.Has("--alpha")) {
        SetWindowLongA(hwnd, GWL_EXSTYLE, GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(a.Int("--alpha", 255)), LWA_ALPHA);
    }
    if (!a.Has("--hidden")) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    NOTIFYICONDATAA tray;
    std::memset(&tray, 0, sizeof(tray));
    if (a.Has("--tray")) {
        tray.cbSize = NOTIFYICONDATAA_V1_SIZE;
        tray.hWnd = hwnd;
        tray.uID = 1;
        tray.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
        tray.uCallbackMessage = WM_APP + 1;
        tray.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        lstrcpynA(tray.szTip, a.Get("--tray").c_str(), sizeof(tray.szTip));
        Shell_NotifyIconA(NIM_ADD, &tray);
    }
    rig::Json ready;
    ready.BeginObject()
        .Field("ready", true)
        .Field("hwnd", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)))
        .Field("pid", GetCurrentProcessId())
        .EndObject()
        .Print();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (a.Has("--tray")) Shell_NotifyIconA(NIM_DELETE, &tray);
    return static_cast<int>(msg.wParam);
}

// demo-msgbox TEXT CAPTION TYPE: the platform's message box; the exit code is the answer.
int DemoMsgBox(const Args& a, Out& o) {
    if (a.pos.size() < 3) return o.Fail(2, "demo-msgbox TEXT CAPTION TYPE");
    long long type = 0;
    if (!ParseInt(a.pos[2], type)) return o.Fail(2, "demo-msgbox: bad type");
    return MessageBoxA(nullptr, Unescape(a.pos[0]).c_str(), a.pos[1].c_str(),
                       static_cast<UINT>(type));
}

// demo-appbox TEXT CAPTION [--icon N] RESULT:CAPTION...: a dialog with the program's message
// box controls; the exit code is the chosen result.
int DemoAppBox(const Args& a, Out& o) {
    if (a.pos.size() < 3) return o.Fail(2, "demo-appbox TEXT CAPTION RESULT:CAPTION...");
    AppBox box;
    box.text = Unescape(a.pos[0]);
    box.icon = static_cast<int>(a.Int("--icon", 0));
    for (std::size_t i = 2; i < a.pos.size(); ++i) {
        std::size_t colon = a.pos[i].find(':');
        long long result = 0;
        if (colon == std::string::npos || !ParseInt(a.pos[i].substr(0, colon), result)) {
            return o.Fail(2, "demo-appbox: buttons are RESULT:CAPTION");
        }
        box.buttons.emplace_back(static_cast<int>(result), a.pos[i].substr(colon + 1));
    }
    TemplateWriter t;
    t.Header(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 5, 200, 80, a.pos[1]);
    t.Item(SS_ICON | WS_VISIBLE, 7, 7, 21, 20, 179, 0x0082, "");
    t.Item(ES_MULTILINE | ES_READONLY | WS_VISIBLE, 36, 7, 157, 40, 180, 0x0081, "");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 20, 58, 50, 14, 181, 0x0080, "OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 75, 58, 50, 14, 182, 0x0080, "");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 130, 58, 50, 14, 183, 0x0080, "");
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr,
                                             AppBoxProc, reinterpret_cast<LPARAM>(&box));
    if (result < 0) return o.Fail(1, "demo-appbox: dialog failed");
    return static_cast<int>(result);
}

// demo-sound FILE: plays a sound file through the media control interface, as the program
// does, and waits for its end; the exit code is the MCI error (0 when it played).
int DemoSound(const Args& a, Out& o) {
    if (a.pos.empty()) return o.Fail(2, "demo-sound FILE");
    std::string open = "open \"" + a.pos[0] + "\" type waveaudio alias rigsound";
    char error[256] = {};
    MCIERROR rc = mciSendStringA(open.c_str(), nullptr, 0, nullptr);
    if (rc == 0) rc = mciSendStringA("play rigsound wait", nullptr, 0, nullptr);
    if (rc != 0) {
        mciGetErrorStringA(rc, error, sizeof(error));
        o.Fail(0, error);
    }
    mciSendStringA("close rigsound", nullptr, 0, nullptr);
    return static_cast<int>(rc);
}

}  // namespace probe
