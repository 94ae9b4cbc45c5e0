// UI probe of the end-to-end test rig: looks at and drives the windows of other processes.
//
// It finds and inspects top-level windows and controls, sends messages and input, reads and
// answers message boxes, and ends programs as a log-off does. One command per call, or many
// over the standard streams with "serve".
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "json_out.h"
#include "probe.h"
#include "resources/resource_ids.h"

namespace probe {

namespace {

const DWORD kSendTimeoutMs = 3000;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string StripAmpersands(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != '&') out += c;
    }
    return out;
}

}  // namespace

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

// WM_GETTEXT is marshalled between processes, GetWindowText is not for controls.
std::string TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                            &length)) {
        std::vector<char> buffer(length + 64, '\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, buffer.size(),
                                reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                                kSendTimeoutMs, &copied)) {
            return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
        }
    }
    char buffer[1024] = {};
    GetWindowTextA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

namespace {

void RectField(rig::Json& j, const char* key, const RECT& r) {
    j.BeginArray(key).Int(r.left).Int(r.top).Int(r.right).Int(r.bottom).EndArray();
}

RECT ClientOnScreen(HWND hwnd) {
    RECT r = {};
    GetClientRect(hwnd, &r);
    POINT tl = {r.left, r.top}, br = {r.right, r.bottom};
    ClientToScreen(hwnd, &tl);
    ClientToScreen(hwnd, &br);
    return RECT{tl.x, tl.y, br.x, br.y};
}

void WindowFields(rig::Json& j, HWND hwnd) {
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    LONG exstyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    j.Field("hwnd", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)))
        .Field("pid", pid)
        .Field("tid", tid)
        .Field("class", ClassOf(hwnd))
        .Field("title", TextOf(hwnd))
        .Field("visible", IsWindowVisible(hwnd) != FALSE)
        .Field("enabled", IsWindowEnabled(hwnd) != FALSE)
        .Field("iconic", IsIconic(hwnd) != FALSE)
        .Field("topmost", (exstyle & WS_EX_TOPMOST) != 0)
        .Field("style", static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE)))
        .Field("exstyle", static_cast<unsigned long>(exstyle))
        .Field("id", static_cast<long long>(GetWindowLongPtrA(hwnd, GWLP_ID)))
        .Field("owner", static_cast<unsigned long long>(
                            reinterpret_cast<ULONG_PTR>(GetWindow(hwnd, GW_OWNER))));
    RectField(j, "rect", rect);
    RectField(j, "client", ClientOnScreen(hwnd));
}

struct Filter {
    std::string cls, title, titleContains;
    long long pid = -1;
    bool visibleOnly = false;
    HWND hwnd = nullptr;

    bool Matches(HWND w) const {
        if (hwnd != nullptr && w != hwnd) return false;
        if (visibleOnly && !IsWindowVisible(w)) return false;
        if (pid >= 0) {
            DWORD p = 0;
            GetWindowThreadProcessId(w, &p);
            if (p != static_cast<DWORD>(pid)) return false;
        }
        if (!cls.empty() && Lower(ClassOf(w)) != Lower(cls)) return false;
        if (!title.empty() || !titleContains.empty()) {
            std::string t = TextOf(w);
            if (!title.empty() && t != title) return false;
            if (!titleContains.empty() && t.find(titleContains) == std::string::npos) return false;
        }
        return true;
    }
};

const std::set<std::string> kFilterFlags = {"--visible", "--gone", "--all"};

Filter FilterFrom(const Args& a) {
    Filter f;
    f.cls = a.Get("--class");
    f.title = a.Get("--title");
    f.titleContains = a.Get("--title-contains");
    f.pid = a.Int("--pid", -1);
    f.visibleOnly = a.Has("--visible");
    if (a.Has("--hwnd")) f.hwnd = ParseHwnd(a.Get("--hwnd"));
    return f;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> all;
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<HWND> FindTop(const Filter& f) {
    std::vector<HWND> found;
    for (HWND w : TopLevel()) {
        if (f.Matches(w)) found.push_back(w);
    }
    return found;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

// Polls `probe` until it answers true or the timeout passes.
bool WaitFor(double seconds, const std::function<bool()>& probe) {
    DWORD start = GetTickCount();
    for (;;) {
        if (probe()) return true;
        if (GetTickCount() - start >= static_cast<DWORD>(seconds * 1000)) return false;
        Sleep(50);
    }
}

int CmdList(const Args& a, Out& o) {
    Filter f = FilterFrom(a);
    rig::Json j;
    j.BeginObject().BeginArray("windows");
    for (HWND w : FindTop(f)) {
        j.BeginObject();
        WindowFields(j, w);
        j.EndObject();
    }
    j.EndArray().EndObject();
    o.Json(j);
    return 0;
}

int CmdWaitWindow(const Args& a, Out& o) {
    Filter f = FilterFrom(a);
    bool gone = a.Has("--gone");
    std::vector<HWND> found;
    bool ok = WaitFor(a.Real("--timeout", 10), [&] {
        found = FindTop(f);
        return gone ? found.empty() : !found.empty();
    });
    if (!ok) return o.Fail(1, gone ? "wait-window: window still there" : "wait-window: timed out");
    rig::Json j;
    j.BeginObject();
    if (gone) {
        j.Field("gone", true);
    } else {
        j.Key("window").BeginObject();
        WindowFields(j, found.front());
        j.EndObject();
    }
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdWindow(const Args& a, Out& o) {
    if (a.pos.empty()) return o.Fail(2, "window HWND");
    HWND w = ParseHwnd(a.pos[0]);
    if (!IsWindow(w)) return o.Fail(1, "window: no such window");
    rig::Json j;
    j.BeginObject();
    WindowFields(j, w);
    j.EndObject();
    o.Json(j);
    return 0;
}

void ControlFields(rig::Json& j, HWND c) {
    WindowFields(j, c);
    j.Field("text", TextOf(c));
    DWORD_PTR value = 0;
    std::string cls = Lower(ClassOf(c));
    if (cls == "button" &&
        SendMessageTimeoutA(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &value)) {
        j.Field("checked", static_cast<long long>(value));
    } else if (cls == "combobox" && SendMessageTimeoutA(c, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG,
                                                        kSendTimeoutMs, &value)) {
        j.Field("selected", static_cast<long long>(static_cast<LRESULT>(value)));
    }
}

int CmdControls(const Args& a, Out& o) {
    if (a.pos.empty()) return o.Fail(2, "controls HWND");
    HWND w = ParseHwnd(a.pos[0]);
    if (!IsWindow(w)) return o.Fail(1, "controls: no such window");
    rig::Json j;
    j.BeginObject().BeginArray("controls");
    for (HWND c : Children(w)) {
        j.BeginObject();
        ControlFields(j, c);
        j.EndObject();
    }
    j.EndArray().EndObject();
    o.Json(j);
    return 0;
}

int CmdControl(const Args& a, Out& o) {
    if (a.pos.size() < 2) return o.Fail(2, "control HWND ID");
    HWND w = ParseHwnd(a.pos[0]);
    long long id = 0;
    if (!ParseInt(a.pos[1], id)) return o.Fail(2, "control: bad id");
    HWND c = GetDlgItem(w, static_cast<int>(id));
    if (c == nullptr) return o.Fail(1, "control: no control " + a.pos[1]);
    rig::Json j;
    j.BeginObject();
    ControlFields(j, c);
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdAlpha(const Args& a, Out& o) {
    if (a.pos.empty()) return o.Fail(2, "alpha HWND");
    HWND w = ParseHwnd(a.pos[0]);
    if (!IsWindow(w)) return o.Fail(1, "alpha: no such window");
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    BOOL got = GetLayeredWindowAttributes(w, &key, &alpha, &flags);
    LONG exstyle = GetWindowLongA(w, GWL_EXSTYLE);
    rig::Json j;
    j.BeginObject()
        .Field("layered", (exstyle & WS_EX_LAYERED) != 0)
        .Field("transparent", (exstyle & WS_EX_TRANSPARENT) != 0)
        .Field("have_attributes", got != FALSE);
    if (got) {
        j.Field("alpha", static_cast<int>(alpha))
            .Field("colorkey", static_cast<unsigned long>(key))
            .Field("flags", flags);
    }
    j.EndObject();
    o.Json(j);
    return 0;
}

struct NamedMessage {
    const char* name;
    UINT id;
};

const NamedMessage kMessages[] = {
    {"WM_NULL", WM_NULL},
    {"WM_CLOSE", WM_CLOSE},
    {"WM_COMMAND", WM_COMMAND},
    {"WM_SYSCOMMAND", WM_SYSCOMMAND},
    {"WM_TIMECHANGE", WM_TIMECHANGE},
    {"WM_SETTINGCHANGE", WM_SETTINGCHANGE},
    {"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE},
    {"WM_QUERYENDSESSION", WM_QUERYENDSESSION},
    {"WM_ENDSESSION", WM_ENDSESSION},
    {"WM_KEYDOWN", WM_KEYDOWN},
    {"WM_KEYUP", WM_KEYUP},
    {"WM_CHAR", WM_CHAR},
    {"WM_HELP", WM_HELP},
    {"WM_CONTEXTMENU", WM_CONTEXTMENU},
    {"WM_MOUSEMOVE", WM_MOUSEMOVE},
    {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
    {"WM_LBUTTONUP", WM_LBUTTONUP},
    {"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK},
    {"WM_RBUTTONDOWN", WM_RBUTTONDOWN},
    {"WM_RBUTTONUP", WM_RBUTTONUP},
    {"WM_USER", WM_USER},
};

bool MessageId(const std::string& name, UINT& id, bool& registered) {
    registered = false;
    long long value = 0;
    if (ParseInt(name, value)) {
        id = static_cast<UINT>(value);
        return true;
    }
    for (const NamedMessage& m : kMessages) {
        if (name == m.name) {
            id = m.id;
            return true;
        }
    }
    id = RegisterWindowMessageA(name.c_str());
    registered = true;
    return id != 0;
}

int CmdSend(const Args& a, Out& o) {
    if (a.pos.empty()) return o.Fail(2, "send MSG (--hwnd H | --broadcast) [--wparam W] ...");
    UINT msg = 0;
    bool registered = false;
    if (!MessageId(a.pos[0], msg, registered)) return o.Fail(1, "send: cannot register message");
    HWND target = a.Has("--broadcast") ? HWND_BROADCAST : ParseHwnd(a.Get("--hwnd"));
    if (target != HWND_BROADCAST && !IsWindow(target)) return o.Fail(1, "send: no such window");
    long long wp = a.Int("--wparam", 0), lp = a.Int("--lparam", 0);
    DWORD_PTR result = 0;
    BOOL ok = FALSE;
    std::string how = "send";
    SetLastError(0);
    if (a.Has("--post")) {
        how = "post";
        ok = PostMessageA(target, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
    } else if (a.Has("--notify")) {
        how = "notify";
        ok = SendNotifyMessageA(target, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
    } else {
        ok = SendMessageTimeoutA(
                 target, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp), SMTO_ABORTIFHUNG,
                 static_cast<UINT>(a.Int("--timeout", kSendTimeoutMs)), &result) != 0;
    }
    rig::Json j;
    j.BeginObject()
        .Field("msg", msg)
        .Field("registered", registered)
        .Field("how", how)
        .Field("ok", ok != FALSE)
        .Field("result", static_cast<long long>(result))
        .Field("error", GetLastError())
        .EndObject();
    o.Json(j);
    return ok ? 0 : 1;
}

// A message box is a "#32770" window; the program's own one has controls 179, 180, 181.
struct BoxView {
    HWND hwnd = nullptr;
    bool app = false;
    HWND textControl = nullptr;
    HWND iconControl = nullptr;
    std::vector<HWND> buttons;  // visible, left to right
};

bool IsButton(HWND c) {
    if (Lower(ClassOf(c)) != "button") return false;
    LONG style = GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK;
    return style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON;
}

bool ViewBox(HWND w, BoxView& view) {
    if (ClassOf(w) != "#32770") return false;
    view = BoxView();
    view.hwnd = w;
    HWND edit = GetDlgItem(w, IDC_MSGBOX_TEXT);
    if (edit != nullptr && GetDlgItem(w, IDC_MSGBOX_ICON) != nullptr &&
        GetDlgItem(w, IDC_MSGBOX_BUTTON1) != nullptr) {
        view.app = true;
        view.textControl = edit;
        view.iconControl = GetDlgItem(w, IDC_MSGBOX_ICON);
        for (int id = IDC_MSGBOX_BUTTON1; id <= IDC_MSGBOX_BUTTON3; ++id) {
            HWND b = GetDlgItem(w, id);
            if (b != nullptr && IsWindowVisible(b)) view.buttons.push_back(b);
        }
    } else {
        // The platform's box: text in a static (0xFFFF on Windows), icon in another static.
        for (HWND c : Children(w)) {
            std::string cls = Lower(ClassOf(c));
            if (cls == "static") {
                LONG type = GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK;
                if (type == SS_ICON) {
                    view.iconControl = c;
                } else if (view.textControl == nullptr || GetDlgCtrlID(c) == 0xFFFF) {
                    view.textControl = c;
                }
            } else if (IsButton(c) && IsWindowVisible(c)) {
                view.buttons.push_back(c);
            }
        }
        if (view.textControl == nullptr || view.buttons.empty()) return false;
    }
    std::sort(view.buttons.begin(), view.buttons.end(), [](HWND x, HWND y) {
        RECT rx, ry;
        GetWindowRect(x, &rx);
        GetWindowRect(y, &ry);
        return rx.left < ry.left;
    });
    return true;
}

bool FindBox(const Filter& f, const std::string& kind, BoxView& view) {
    for (HWND w : FindTop(f)) {
        if (!IsWindowVisible(w)) continue;
        if (ViewBox(w, view)) {
            if (kind == "app" && !view.app) continue;
            if (kind == "system" && view.app) continue;
            return true;
        }
    }
    return false;
}

void BoxFields(rig::Json& j, const BoxView& v) {
    RECT r;
    GetWindowRect(v.hwnd, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(v.hwnd, &pid);
    j.Field("kind", v.app ? "app" : "system")
        .Field("hwnd", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(v.hwnd)))
        .Field("pid", pid)
        .Field("caption", TextOf(v.hwnd))
        .Field("text", TextOf(v.textControl));
    LONG style = GetWindowLongA(v.hwnd, GWL_STYLE);
    j.Field("sysmenu", (style & WS_SYSMENU) != 0);
    RectField(j, "rect", r);
    RectField(j, "client", ClientOnScreen(v.hwnd));
    GetWindowRect(v.textControl, &r);
    RectField(j, "text_rect", r);
    j.Key("icon");
    if (v.iconControl != nullptr) {
        j.BeginObject().Field("visible", IsWindowVisible(v.iconControl) != FALSE);
        // STM_GETICON answers a handle, and a zero handle means no icon is shown.
        DWORD_PTR icon = 0;
        SendMessageTimeoutA(v.iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                            &icon);
        j.Field("has_image", icon != 0);
        GetWindowRect(v.iconControl, &r);
        RectField(j, "rect", r);
        j.EndObject();
    } else {
        j.Null();
    }
    j.BeginArray("buttons");
    for (HWND b : v.buttons) {
        GetWindowRect(b, &r);
        j.BeginObject()
            .Field("id", GetDlgCtrlID(b))
            .Field("caption", TextOf(b))
            .Field("enabled", IsWindowEnabled(b) != FALSE)
            .Field("default", (GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        RectField(j, "rect", r);
        j.EndObject();
    }
    j.EndArray();
}

int CmdMsgBox(const Args& a, Out& o) {
    Filter f = FilterFrom(a);
    BoxView view;
    std::string kind = a.Get("--kind", "any");
    bool found = WaitFor(a.Real("--timeout", 0), [&] { return FindBox(f, kind, view); });
    if (!found) return o.Fail(1, "msgbox: no message box");
    rig::Json j;
    j.BeginObject();
    BoxFields(j, view);
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdPress(const Args& a, Out& o) {
    if (a.pos.empty() && !a.Has("--id")) return o.Fail(2, "press CAPTION | press --id N");
    Filter f = FilterFrom(a);
    BoxView view;
    std::string kind = a.Get("--kind", "any");
    if (!WaitFor(a.Real("--timeout", 0), [&] { return FindBox(f, kind, view); })) {
        return o.Fail(1, "press: no message box");
    }
    HWND button = nullptr;
    if (a.Has("--id")) {
        long long id = a.Int("--id", 0);
        for (HWND b : view.buttons) {
            if (GetDlgCtrlID(b) == id) button = b;
        }
    } else {
        const std::string& want = a.pos[0];
        for (HWND b : view.buttons) {
            if (TextOf(b) == want) button = b;
        }
        // Then leniently: without the accelerator marks and case.
        for (HWND b : view.buttons) {
            if (button == nullptr &&
                Lower(StripAmpersands(TextOf(b))) == Lower(StripAmpersands(want))) {
                button = b;
            }
        }
    }
    if (button == nullptr) {
        std::string captions;
        for (HWND b : view.buttons) captions += " '" + TextOf(b) + "'";
        return o.Fail(1, "press: no such button; the box shows" + captions);
    }
    int id = GetDlgCtrlID(button);
    std::string caption = TextOf(button);
    // Not waited for: the click may open the next modal box before it returns.
    BOOL ok = SendNotifyMessageA(button, BM_CLICK, 0, 0);
    rig::Json j;
    j.BeginObject().Field("pressed", id).Field("caption", caption).Field("ok", ok != FALSE);
    j.EndObject();
    o.Json(j);
    return ok ? 0 : 1;
}

HWND FocusOf(HWND w) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    DWORD tid = GetWindowThreadProcessId(w, nullptr);
    if (GetGUIThreadInfo(tid, &info) && info.hwndFocus != nullptr) return info.hwndFocus;
    return w;
}

int CmdKey(const Args& a, Out& o) {
    if (a.pos.size() < 2) return o.Fail(2, "key HWND VK [--direct] [--real] [--shift]");
    HWND w = ParseHwnd(a.pos[0]);
    long long vk = 0;
    if (!ParseInt(a.pos[1], vk)) return o.Fail(2, "key: bad virtual key");
    if (!IsWindow(w)) return o.Fail(1, "key: no such window");
    HWND target = a.Has("--direct") ? w : FocusOf(w);
    UINT scan = MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    if (a.Has("--real")) {
        SetForegroundWindow(w);
        // With --shift the key is pressed while Shift is held.
        const bool shift = a.Has("--shift");
        INPUT in[4];
        std::memset(in, 0, sizeof(in));
        int n = 0;
        auto press = [&](WORD key, bool up) {
            in[n].type = INPUT_KEYBOARD;
            in[n].ki.wVk = key;
            in[n].ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
            in[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            ++n;
        };
        if (shift) press(VK_SHIFT, false);
        press(static_cast<WORD>(vk), false);
        press(static_cast<WORD>(vk), true);
        if (shift) press(VK_SHIFT, true);
        SendInput(static_cast<UINT>(n), in, sizeof(INPUT));
    } else {
        LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
        LPARAM up = down | (static_cast<LPARAM>(3) << 30);
        PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(vk), down);
        PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(vk), up);
    }
    rig::Json j;
    j.BeginObject()
        .Field("target", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(target)))
        .EndObject();
    o.Json(j);
    return 0;
}

int CmdLogoff(const Args& a, Out& o) {
    long long pid = a.Int("--pid", -1);
    if (pid < 0) return o.Fail(2, "logoff --pid N [--timeout MS] [--force]");
    Filter f;
    f.pid = pid;
    std::vector<HWND> windows = FindTop(f);
    if (windows.empty()) return o.Fail(1, "logoff: the process has no top-level window");
    UINT timeout = static_cast<UINT>(a.Int("--timeout", 5000));
    const LPARAM reason = static_cast<LPARAM>(ENDSESSION_LOGOFF);
    rig::Json j;
    j.BeginObject().BeginArray("windows");
    bool all = true;
    for (HWND w : windows) {
        DWORD_PTR answer = 0;
        BOOL sent = SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, reason, SMTO_ABORTIFHUNG, timeout,
                                        &answer);
        j.BeginObject()
            .Field("hwnd", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(w)))
            .Field("class", ClassOf(w))
            .Field("sent", sent != FALSE)
            .Field("agreed", answer != 0)
            .EndObject();
        // A window that is gone by now has nothing to object with.
        if (sent && answer == 0) all = false;
    }
    j.EndArray();
    bool ending = all || a.Has("--force");
    for (HWND w : windows) {
        DWORD_PTR ignored = 0;
        if (IsWindow(w)) {
            SendMessageTimeoutA(w, WM_ENDSESSION, ending ? TRUE : FALSE, reason, SMTO_ABORTIFHUNG,
                                timeout, &ignored);
        }
    }
    j.Field("all_agreed", all).Field("ended", ending).EndObject();
    o.Json(j);
    return 0;
}

POINT ScreenPoint(HWND w, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(w, &p);
    return p;
}

LPARAM ClientParam(HWND w, POINT screen) {
    ScreenToClient(w, &screen);
    return MAKELPARAM(static_cast<short>(screen.x), static_cast<short>(screen.y));
}

void RealMouse(DWORD flags) {
    INPUT in;
    std::memset(&in, 0, sizeof(in));
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(INPUT));
}

int CmdClick(const Args& a, Out& o) {
    if (a.pos.size() < 3)
        return o.Fail(2, "click HWND X Y [--double] [--right] [--real] [--child]");
    HWND w = ParseHwnd(a.pos[0]);
    long long x = 0, y = 0;
    if (!ParseInt(a.pos[1], x) || !ParseInt(a.pos[2], y)) return o.Fail(2, "click: bad point");
    if (!IsWindow(w)) return o.Fail(1, "click: no such window");
    POINT screen = ScreenPoint(w, static_cast<int>(x), static_cast<int>(y));
    bool right = a.Has("--right"), dbl = a.Has("--double");
    HWND target = w;
    if (a.Has("--child")) {
        POINT client = {static_cast<LONG>(x), static_cast<LONG>(y)};
        HWND child = ChildWindowFromPointEx(w, client, CWP_SKIPINVISIBLE);
        if (child != nullptr) target = child;
    }
    SetCursorPos(screen.x, screen.y);
    if (a.Has("--real")) {
        DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
        DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        for (int i = 0; i < (dbl ? 2 : 1); ++i) {
            RealMouse(down);
            RealMouse(up);
        }
    } else {
        LPARAM lp = ClientParam(target, screen);
        UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
        UINT up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
        UINT dblclk = right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK;
        WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
        PostMessageA(target, WM_MOUSEMOVE, 0, lp);
        PostMessageA(target, down, held, lp);
        PostMessageA(target, up, 0, lp);
        if (dbl) {
            PostMessageA(target, dblclk, held, lp);
            PostMessageA(target, up, 0, lp);
        }
    }
    rig::Json j;
    j.BeginObject()
        .Field("target", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(target)))
        .Field("screen_x", screen.x)
        .Field("screen_y", screen.y)
        .EndObject();
    o.Json(j);
    return 0;
}

int CmdDrag(const Args& a, Out& o) {
    if (a.pos.size() < 5)
        return o.Fail(2, "drag HWND X1 Y1 X2 Y2 [--steps N] [--delay MS] [--real]");
    HWND w = ParseHwnd(a.pos[0]);
    long long v[4];
    for (int i = 0; i < 4; ++i) {
        if (!ParseInt(a.pos[i + 1], v[i])) return o.Fail(2, "drag: bad point");
    }
    if (!IsWindow(w)) return o.Fail(1, "drag: no such window");
    int steps = static_cast<int>(std::max(1LL, a.Int("--steps", 10)));
    DWORD delay = static_cast<DWORD>(a.Int("--delay", 30));
    bool real = a.Has("--real");
    // Both points are taken in the window's client area as it is before the drag.
    POINT from = ScreenPoint(w, static_cast<int>(v[0]), static_cast<int>(v[1]));
    POINT to = ScreenPoint(w, static_cast<int>(v[2]), static_cast<int>(v[3]));
    SetCursorPos(from.x, from.y);
    if (real) {
        RealMouse(MOUSEEVENTF_LEFTDOWN);
    } else {
        PostMessageA(w, WM_MOUSEMOVE, 0, ClientParam(w, from));
        PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, ClientParam(w, from));
    }
    Sleep(delay);
    for (int i = 1; i <= steps; ++i) {
        POINT p = {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        SetCursorPos(p.x, p.y);
        // The window may have followed the mouse: client coordinates are taken afresh.
        if (!real) PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, ClientParam(w, p));
        Sleep(delay);
    }
    if (real) {
        RealMouse(MOUSEEVENTF_LEFTUP);
    } else {
        PostMessageA(w, WM_LBUTTONUP, 0, ClientParam(w, to));
    }
    Sleep(delay);
    RECT r;
    GetWindowRect(w, &r);
    rig::Json j;
    j.BeginObject();
    RectField(j, "rect", r);
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdLockFile(const Args& a, Out& o) {
    if (a.pos.size() < 3) {
        return o.Fail(2, "lock-file PATH SECONDS SHAREMODE [--access r|w|rw] [--create] [--range]");
    }
    DWORD share = 0;
    long long numeric = 0;
    if (ParseInt(a.pos[2], numeric)) {
        share = static_cast<DWORD>(numeric);
    } else if (a.pos[2] != "none") {
        for (char c : a.pos[2]) {
            if (c == 'r')
                share |= FILE_SHARE_READ;
            else if (c == 'w')
                share |= FILE_SHARE_WRITE;
            else if (c == 'd')
                share |= FILE_SHARE_DELETE;
            else
                return o.Fail(2, "lock-file: share mode is a number, none, or letters of rwd");
        }
    }
    std::string access = a.Get("--access", "rw");
    DWORD desired = 0;
    if (access.find('r') != std::string::npos) desired |= GENERIC_READ;
    if (access.find('w') != std::string::npos) desired |= GENERIC_WRITE;
    HANDLE file = CreateFileA(a.pos[0].c_str(), desired, share, nullptr,
                              a.Has("--create") ? OPEN_ALWAYS : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return o.Fail(1, "lock-file: cannot open, error " + std::to_string(GetLastError()));
    }
    if (a.Has("--range")) {
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof(ov));
        if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                        MAXDWORD, &ov)) {
            CloseHandle(file);
            return o.Fail(1, "lock-file: cannot lock, error " + std::to_string(GetLastError()));
        }
    }
    // The rig waits for this line before it goes on.
    rig::Json j;
    j.BeginObject().Field("locked", true).Field("share", share).EndObject();
    j.Print();
    Sleep(static_cast<DWORD>(std::atof(a.pos[1].c_str()) * 1000));
    CloseHandle(file);
    return 0;
}

int CmdWorkArea(const Args&, Out& o) {
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    rig::Json j;
    j.BeginObject();
    RectField(j, "work", work);
    j.Field("screen_w", GetSystemMetrics(SM_CXSCREEN))
        .Field("screen_h", GetSystemMetrics(SM_CYSCREEN))
        .Field("virtual_x", GetSystemMetrics(SM_XVIRTUALSCREEN))
        .Field("virtual_y", GetSystemMetrics(SM_YVIRTUALSCREEN))
        .Field("virtual_w", GetSystemMetrics(SM_CXVIRTUALSCREEN))
        .Field("virtual_h", GetSystemMetrics(SM_CYVIRTUALSCREEN));
    POINT cursor = {};
    GetCursorPos(&cursor);
    j.Field("cursor_x", cursor.x).Field("cursor_y", cursor.y);
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdForeground(const Args&, Out& o) {
    HWND w = GetForegroundWindow();
    rig::Json j;
    j.BeginObject();
    if (w != nullptr) {
        WindowFields(j, w);
    } else {
        j.Field("hwnd", 0);
    }
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdProcs(const Args& a, Out& o) {
    std::string name = Lower(a.Get("--name"));
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return o.Fail(1, "procs: no snapshot");
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    rig::Json j;
    j.BeginObject().BeginArray("processes");
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        if (!name.empty() && Lower(entry.szExeFile) != name) continue;
        j.BeginObject()
            .Field("pid", entry.th32ProcessID)
            .Field("parent", entry.th32ParentProcessID)
            .Field("name", entry.szExeFile)
            .EndObject();
    }
    CloseHandle(snap);
    j.EndArray().EndObject();
    o.Json(j);
    return 0;
}

int CmdWaitExit(const Args& a, Out& o) {
    long long pid = 0;
    if (a.pos.empty() || !ParseInt(a.pos[0], pid)) return o.Fail(2, "wait-exit PID [--timeout S]");
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 static_cast<DWORD>(pid));
    rig::Json j;
    j.BeginObject();
    if (process == nullptr) {
        j.Field("exited", true).Field("known", false).EndObject();
        o.Json(j);
        return 0;
    }
    DWORD wait = WaitForSingleObject(process, static_cast<DWORD>(a.Real("--timeout", 10) * 1000));
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    j.Field("exited", wait == WAIT_OBJECT_0).Field("known", true);
    if (wait == WAIT_OBJECT_0) j.Field("code", code);
    j.EndObject();
    o.Json(j);
    return wait == WAIT_OBJECT_0 ? 0 : 1;
}

int CmdKill(const Args& a, Out& o) {
    long long pid = 0;
    if (a.pos.empty() || !ParseInt(a.pos[0], pid)) return o.Fail(2, "kill PID");
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return o.Fail(1, "kill: no such process");
    BOOL ok = TerminateProcess(process, static_cast<UINT>(a.Int("--code", 1)));
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    rig::Json j;
    j.BeginObject().Field("killed", ok != FALSE).EndObject();
    o.Json(j);
    return ok ? 0 : 1;
}

// Wine shows notification icons in a tray window of its own, with tooltip controls owned by
// the tray or the icon windows. Their tool texts live in that process's memory, so they are
// read through a block allocated there (RemoteBlock).
std::string Narrow(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> narrow(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), n, nullptr, nullptr);
    return narrow.data();
}

int CmdTray(const Args&, Out& o) {
    const SIZE_T kTextChars = 1024;
    const SIZE_T kTextOffset = sizeof(TTTOOLINFOW);
    rig::Json j;
    j.BeginObject().BeginArray("icons");
    for (HWND tip : TopLevel()) {
        if (Lower(ClassOf(tip)) != "tooltips_class32") continue;
        HWND owner = GetWindow(tip, GW_OWNER);
        if (owner == nullptr || Lower(ClassOf(owner)).find("tray") == std::string::npos) continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(tip, &pid);
        RemoteBlock remote(pid, kTextOffset + kTextChars * sizeof(wchar_t));
        if (!remote.Ok()) continue;
        DWORD_PTR count = 0;
        SendMessageTimeoutW(tip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count);
        for (DWORD_PTR i = 0; i < count; ++i) {
            TTTOOLINFOW ti;
            std::memset(&ti, 0, sizeof(ti));
            ti.cbSize = sizeof(ti);
            DWORD_PTR got = 0;
            if (!remote.Write(0, &ti, sizeof(ti)) ||
                !SendMessageTimeoutW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote.At(0)),
                                     SMTO_ABORTIFHUNG, kSendTimeoutMs, &got) ||
                !got || !remote.Read(0, &ti, sizeof(ti))) {
                continue;
            }
            std::vector<wchar_t> text(kTextChars, L'\0');
            ti.lpszText = reinterpret_cast<LPWSTR>(remote.At(kTextOffset));
            bool read = remote.Write(0, &ti, sizeof(ti)) &&
                        remote.Write(kTextOffset, text.data(), kTextChars * sizeof(wchar_t)) &&
                        SendMessageTimeoutW(tip, TTM_GETTEXTW, kTextChars,
                                            reinterpret_cast<LPARAM>(remote.At(0)),
                                            SMTO_ABORTIFHUNG, kSendTimeoutMs, &got) &&
                        remote.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t));
            text.back() = L'\0';
            HWND icon = (ti.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(ti.uId) : ti.hwnd;
            RECT r = {};
            GetWindowRect(icon, &r);
            j.BeginObject()
                .Field("icon_window",
                       static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(icon)))
                .Field("icon_class", ClassOf(icon))
                .Field("visible", IsWindowVisible(icon) != FALSE)
                .Field("read", read)
                .Field("tip", read ? Narrow(text.data()) : std::string());
            RectField(j, "rect", r);
            j.EndObject();
        }
    }
    j.EndArray().EndObject();
    o.Json(j);
    return 0;
}

int CmdInfo(const Args&, Out& o) {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    // Deprecated but still what the program asks; the answer is what matters here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    typedef const char*(CDECL * WineVersion)();
    auto wine = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    char cwd[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    rig::Json j;
    j.BeginObject()
        .Field("acp", GetACP())
        .Field("oemcp", GetOEMCP())
        .Field("major", version.dwMajorVersion)
        .Field("minor", version.dwMinorVersion)
        .Field("build", version.dwBuildNumber)
        .Field("platform", version.dwPlatformId)
        .Field("wine", wine != nullptr ? wine() : "")
        .Field("pid", GetCurrentProcessId())
        .Field("cwd", cwd)
        .EndObject();
    o.Json(j);
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const Args&, Out&);
    bool servable;  // may run inside the serve loop (does not block or print by itself)
};

const Command kCommands[] = {
    {"list", CmdList, true},
    {"wait-window", CmdWaitWindow, true},
    {"window", CmdWindow, true},
    {"controls", CmdControls, true},
    {"control", CmdControl, true},
    {"alpha", CmdAlpha, true},
    {"send", CmdSend, true},
    {"msgbox", CmdMsgBox, true},
    {"press", CmdPress, true},
    {"key", CmdKey, true},
    {"logoff", CmdLogoff, true},
    {"click", CmdClick, true},
    {"drag", CmdDrag, true},
    {"workarea", CmdWorkArea, true},
    {"foreground", CmdForeground, true},
    {"procs", CmdProcs, true},
    {"wait-exit", CmdWaitExit, true},
    {"kill", CmdKill, true},
    {"tray", CmdTray, true},
    {"info", CmdInfo, true},
    {"focus", CmdFocus, true},
    {"focus-control", CmdFocusControl, true},
    {"type", CmdType, true},
    {"press-control", CmdPressControl, true},
    {"select", CmdSelect, true},
    {"combo", CmdCombo, true},
    {"tabs", CmdTabs, true},
    {"clipboard", CmdClipboard, true},
    {"paste", CmdPaste, true},
    {"lock-file", CmdLockFile, false},
};

const std::set<std::string> kFlags = {"--visible", "--gone",  "--post",   "--notify", "--broadcast",
                                      "--double",  "--right", "--real",   "--child",  "--create",
                                      "--range",   "--force", "--direct", "--shift"};

const char kUsage[] =
    "uiprobe COMMAND ...   (answers are JSON; exit 0 on success)\n"
    "  window filters: --class C --title T --title-contains T --pid N --hwnd H --visible\n"
    "  list [filters] | wait-window [filters] [--timeout S] [--gone]\n"
    "  window HWND | controls HWND | control HWND ID | alpha HWND | foreground\n"
    "  send MSG (--hwnd H | --broadcast) [--wparam W] [--lparam L] [--post | --notify]\n"
    "       [--timeout MS]   (MSG: number, WM_ name, or a name to register)\n"
    "  msgbox [filters] [--kind app|system] [--timeout S]\n"
    "  press CAPTION | press --id N  [filters] [--kind K] [--timeout S]\n"
    "  key HWND VK [--direct] [--real] [--shift]\n"
    "  focus HWND | focus-control CONTROL | type CONTROL TEXT | press-control CONTROL\n"
    "  select COMBO INDEX | combo COMBO | tabs TABCONTROL | clipboard TEXT | paste EDIT\n"
    "  click HWND X Y [--double] [--right] [--real] [--child]\n"
    "  drag HWND X1 Y1 X2 Y2 [--steps N] [--delay MS] [--real]\n"
    "  logoff --pid N [--timeout MS] [--force]\n"
    "  lock-file PATH SECONDS SHARE(rwd letters|none|number) [--access r|w|rw] [--create]\n"
    "       [--range]\n"
    "  workarea | tray | info | procs [--name EXE] | wait-exit PID [--timeout S] | kill PID\n"
    "  serve\n";

int Run(const std::vector<std::string>& argv, Out& o, bool serving) {
    if (argv.empty() || argv[0] == "help") return o.Fail(2, kUsage);
    for (const Command& c : kCommands) {
        if (argv[0] != c.name) continue;
        if (serving && !c.servable) return o.Fail(2, argv[0] + " cannot run in serve mode");
        Args a = ParseArgs(argv, 1, kFlags);
        if (!a.ok) return o.Fail(2, a.error);
        return c.run(a, o);
    }
    return o.Fail(2, "unknown command " + argv[0]);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One request per line: the arguments hex-encoded, separated by blanks. One answer per line:
// the exit code, the output and the error text, the latter two hex-encoded ("-" when empty).
int Serve() {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "quit") break;
        std::vector<std::string> argv;
        std::string current;
        bool bad = false, inWord = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ' ') {
                if (inWord) argv.push_back(current);
                current.clear();
                inWord = false;
                continue;
            }
            inWord = true;
            if (line[i] == '-' && (i + 1 == line.size() || line[i + 1] == ' ')) continue;
            int hi = HexValue(line[i]);
            int lo = i + 1 < line.size() ? HexValue(line[i + 1]) : -1;
            if (hi < 0 || lo < 0) {
                bad = true;
                break;
            }
            current += static_cast<char>(hi * 16 + lo);
            ++i;
        }
        if (inWord) argv.push_back(current);
        Out o;
        int rc = bad ? o.Fail(2, "serve: bad request line") : Run(argv, o, true);
        std::string reply = std::to_string(rc) + " " + (o.out.empty() ? "-" : rig::HexOf(o.out)) +
                            " " + (o.err.empty() ? "-" : rig::HexOf(o.err)) + "\n";
        std::fwrite(reply.data(), 1, reply.size(), stdout);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

}  // namespace probe

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "serve") return probe::Serve();
    probe::Out o;
    int rc = probe::Run(args, o, false);
    std::fwrite(o.out.data(), 1, o.out.size(), stdout);
    std::fwrite(o.err.data(), 1, o.err.size(), stderr);
    std::fflush(stdout);
    std::fflush(stderr);
    return rc;
}
