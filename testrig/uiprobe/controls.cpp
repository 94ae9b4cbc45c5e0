// UI probe commands that drive dialog controls as a user would: focus, typing, buttons, lists,
// tabs and the clipboard.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "json_out.h"
#include "probe.h"

namespace probe {
namespace {

const UINT kTimeoutMs = 3000;

unsigned long long Handle(HWND w) {
    return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(w));
}

// The control named by the first argument; null (with the failure reported) when there is none.
HWND Control(const Args& a, Out& o, const char* usage) {
    if (a.pos.empty()) {
        o.Fail(2, usage);
        return nullptr;
    }
    HWND c = ParseHwnd(a.pos[0]);
    if (!IsWindow(c)) {
        o.Fail(1, std::string(usage) + ": no such window");
        return nullptr;
    }
    return c;
}

// A user cannot work a control that is disabled or hidden (or inside a hidden page).
bool Usable(HWND c) { return IsWindowEnabled(c) && IsWindowVisible(c); }

LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, kTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace

int CmdFocus(const Args& a, Out& o) {
    HWND w = Control(a, o, "focus HWND");
    if (!w) return 1;
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    HWND focus =
        GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info) ? info.hwndFocus : nullptr;
    rig::Json j;
    j.BeginObject().Field("hwnd", Handle(focus));
    if (focus) {
        HWND parent = GetParent(focus);
        j.Field("id", static_cast<long long>(GetDlgCtrlID(focus)))
            .Field("class", ClassOf(focus))
            .Field("text", TextOf(focus))
            .Field("parent", Handle(parent))
            .Field("parent_id", static_cast<long long>(parent ? GetDlgCtrlID(parent) : 0));
    }
    j.EndObject();
    o.Json(j);
    return 0;
}

int CmdFocusControl(const Args& a, Out& o) {
    HWND c = Control(a, o, "focus-control CONTROL");
    if (!c) return 1;
    if (!Usable(c)) return o.Fail(1, "focus-control: the control is disabled or hidden");
    // The dialog manager of the top-level dialog moves the focus, as a click or Tab would.
    HWND root = GetAncestor(c, GA_ROOT);
    Send(root, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
    rig::Json j;
    j.BeginObject().Field("dialog", Handle(root)).EndObject();
    o.Json(j);
    return 0;
}

int CmdType(const Args& a, Out& o) {
    HWND c = Control(a, o, "type CONTROL TEXT");
    if (!c) return 1;
    if (a.pos.size() < 2) return o.Fail(2, "type CONTROL TEXT");
    if (!Usable(c)) return o.Fail(1, "type: the control is disabled or hidden");
    // Sent, not posted: a focus change asked for next must not overtake the characters.
    for (unsigned char ch : a.pos[1]) Send(c, WM_CHAR, ch, 1);
    rig::Json j;
    j.BeginObject().Field("typed", static_cast<long long>(a.pos[1].size())).EndObject();
    o.Json(j);
    return 0;
}

int CmdPressControl(const Args& a, Out& o) {
    HWND c = Control(a, o, "press-control CONTROL");
    if (!c) return 1;
    if (!Usable(c)) return o.Fail(1, "press-control: the control is disabled or hidden");
    // Not waited for: the click may open a modal box.
    BOOL ok = SendNotifyMessageA(c, BM_CLICK, 0, 0);
    rig::Json j;
    j.BeginObject().Field("ok", ok != FALSE).EndObject();
    o.Json(j);
    return ok ? 0 : 1;
}

int CmdSelect(const Args& a, Out& o) {
    HWND c = Control(a, o, "select COMBO INDEX");
    if (!c) return 1;
    long long index = 0;
    if (a.pos.size() < 2 || !ParseInt(a.pos[1], index)) return o.Fail(2, "select COMBO INDEX");
    if (!Usable(c)) return o.Fail(1, "select: the list is disabled or hidden");
    const LRESULT count = Send(c, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) return o.Fail(1, "select: no such item");
    Send(c, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // The notification a user's choice sends; not waited for, it may open a modal box.
    SendNotifyMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(c));
    rig::Json j;
    j.BeginObject().Field("selected", index).EndObject();
    o.Json(j);
    return 0;
}

int CmdCombo(const Args& a, Out& o) {
    HWND c = Control(a, o, "combo COMBO");
    if (!c) return 1;
    const LRESULT count = Send(c, CB_GETCOUNT, 0, 0);
    rig::Json j;
    j.BeginObject().Field("selected", static_cast<long long>(Send(c, CB_GETCURSEL, 0, 0)));
    j.BeginArray("items");
    // Wine hands item texts across processes in the list's own, wide characters.
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(c, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::vector<wchar_t> text(length > 0 ? length + 1 : 1, L'\0');
        DWORD_PTR copied = 0;
        if (length > 0) {
            SendMessageTimeoutW(c, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                kTimeoutMs, &copied);
        }
        text.back() = L'\0';
        char narrow[512] = {};
        WideCharToMultiByte(CP_ACP, 0, text.data(), -1, narrow, sizeof narrow - 1, nullptr,
                            nullptr);
        j.Str(narrow);
    }
    j.EndArray().EndObject();
    o.Json(j);
    return 0;
}

int CmdTabs(const Args& a, Out& o) {
    HWND c = Control(a, o, "tabs TABCONTROL");
    if (!c) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(c, &pid);
    const SIZE_T kTextSize = 64;
    const SIZE_T kTextOffset = sizeof(TCITEMA);
    const SIZE_T kRectOffset = kTextOffset + kTextSize;
    RemoteBlock remote(pid, kRectOffset + sizeof(RECT));
    if (!remote.Ok()) return o.Fail(1, "tabs: no memory in the program");
    const LRESULT count = Send(c, TCM_GETITEMCOUNT, 0, 0);
    rig::Json j;
    j.BeginObject().Field("selected", static_cast<long long>(Send(c, TCM_GETCURSEL, 0, 0)));
    j.BeginArray("tabs");
    for (LRESULT i = 0; i < count; ++i) {
        TCITEMA item;
        std::memset(&item, 0, sizeof item);
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<LPSTR>(remote.At(kTextOffset));
        item.cchTextMax = static_cast<int>(kTextSize);
        char text[kTextSize] = {};
        RECT rect = {};
        bool read =
            remote.Write(0, &item, sizeof item) && remote.Write(kTextOffset, text, sizeof text) &&
            Send(c, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.At(0))) &&
            remote.Read(kTextOffset, text, sizeof text) &&
            Send(c, TCM_GETITEMRECT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(remote.At(kRectOffset))) &&
            remote.Read(kRectOffset, &rect, sizeof rect);
        text[kTextSize - 1] = '\0';
        j.BeginObject().Field("read", read).Field("text", std::string(text));
        // In the tab control's client coordinates.
        j.BeginArray("rect").Int(rect.left).Int(rect.top).Int(rect.right).Int(rect.bottom);
        j.EndArray().EndObject();
    }
    j.EndArray().EndObject();
    o.Json(j);
    return 0;
}

int CmdClipboard(const Args& a, Out& o) {
    if (a.pos.empty()) return o.Fail(2, "clipboard TEXT");
    // The clipboard takes data only from a window that owns it.
    static HWND owner = CreateWindowA("STATIC", "uiprobe clipboard", 0, 0, 0, 0, 0, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
    const std::string& text = a.pos[0];
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!data) return o.Fail(1, "clipboard: no memory");
    std::memcpy(GlobalLock(data), text.c_str(), text.size() + 1);
    GlobalUnlock(data);
    bool ok = false;
    if (OpenClipboard(owner)) {
        ok = EmptyClipboard() && SetClipboardData(CF_TEXT, data);
        CloseClipboard();
    }
    if (!ok) {
        GlobalFree(data);
        return o.Fail(1, "clipboard: cannot set the clipboard");
    }
    rig::Json j;
    j.BeginObject().Field("set", true).EndObject();
    o.Json(j);
    return 0;
}

int CmdPaste(const Args& a, Out& o) {
    HWND c = Control(a, o, "paste EDIT");
    if (!c) return 1;
    if (!Usable(c)) return o.Fail(1, "paste: the control is disabled or hidden");
    PostMessageA(c, WM_PASTE, 0, 0);
    rig::Json j;
    j.BeginObject().Field("posted", true).EndObject();
    o.Json(j);
    return 0;
}

}  // namespace probe
