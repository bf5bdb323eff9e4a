// tovra-probe: what the end-to-end scripts cannot see or do from outside
// Wine. Each command prints plain lines and exits 0 (2 for misuse).
//
//   tovra-probe screen               the virtual screen: L,T,R,B
//   tovra-probe win TITLE [PARENT]   every top-level window titled exactly TITLE
//                                    (with PARENT: every child of that window),
//                                    one line each:
//                                    HWND class=C visible=V topmost=T child=C rect=L,T,R,B client=WxH
//                                    (rect on the screen, or in PARENT's client area)
//   tovra-probe close TITLE          posts WM_CLOSE to every top-level window titled TITLE
//   tovra-probe repaint TITLE        has the window titled TITLE erased and painted afresh
//   tovra-probe controls TITLE       the controls of the window titled TITLE:
//                                    class, text, check/selection/position, enabled
//   tovra-probe host                 a preview host (a 203x157 child in a frame):
//                                    prints the child's number, lives until the frame,
//                                    "Tovra probe host", is closed
//   tovra-probe spy                  hooks every process's input through the stand-in
//                                    password.cpl (test-password/ beside this
//                                    program), which logs it; prints "ready" and
//                                    lives until ended

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void PrintWindow(HWND h, HWND parent) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    RECT r{}, c{};
    GetWindowRect(h, &r);
    if (parent != nullptr) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(h, &c);
    std::printf("%lu class=%s visible=%d topmost=%d child=%d rect=%ld,%ld,%ld,%ld client=%ldx%ld\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)), cls, IsWindowVisible(h) ? 1 : 0,
                (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0,
                (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? 1 : 0, r.left, r.top, r.right, r.bottom, c.right, c.bottom);
}

BOOL CALLBACK PrintControl(HWND h, LPARAM) {
    char cls[64] = {}, text[256] = {};
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, text, sizeof text);
    LRESULT value = 0;
    if (lstrcmpiA(cls, "Button") == 0) value = SendMessageA(h, BM_GETCHECK, 0, 0);
    else if (lstrcmpiA(cls, "ComboBox") == 0) value = SendMessageA(h, CB_GETCURSEL, 0, 0);
    else if (lstrcmpiA(cls, TRACKBAR_CLASSA) == 0) value = SendMessageA(h, TBM_GETPOS, 0, 0);
    std::printf("%s \"%s\" %ld enabled=%d\n", cls, text, static_cast<long>(value), IsWindowEnabled(h) ? 1 : 0);
    return TRUE;
}

LRESULT CALLBACK HostProc(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY && GetParent(h) == nullptr) PostQuitMessage(0);
    return DefWindowProcA(h, message, w, l);
}

int Pump() {
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}

int Host() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "TovraProbeHost";
    RegisterClassA(&wc);
    HWND frame = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Tovra probe host", WS_OVERLAPPEDWINDOW, 60, 60,
                                 300, 260, nullptr, nullptr, wc.hInstance, nullptr);
    HWND host = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 203, 157,
                                frame, nullptr, wc.hInstance, nullptr);
    if (host == nullptr) return 1;
    ShowWindow(frame, SW_SHOWNORMAL);
    std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)));
    std::fflush(stdout);
    return Pump();
}

int Spy() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dll(path);
    dll = dll.substr(0, dll.find_last_of('\\')) + "\\test-password\\password.cpl";
    HMODULE m = LoadLibraryA(dll.c_str());
    auto hook = [m](int type, const char* name) {
        auto proc = m ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
        return proc != nullptr && SetWindowsHookExA(type, proc, m, 0) != nullptr;
    };
    if (!hook(WH_GETMESSAGE, "SpyGetMessage") || !hook(WH_CBT, "SpyCbt")) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return Pump();
}

HWND Find(const char* title, HWND after = nullptr) { return FindWindowExA(nullptr, after, nullptr, title); }

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "screen" && argc == 2) {
        const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        std::printf("%d,%d,%d,%d\n", x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    y + GetSystemMetrics(SM_CYVIRTUALSCREEN));
    } else if (command == "win" && (argc == 3 || argc == 4)) {
        HWND parent = argc == 4 ? reinterpret_cast<HWND>(std::strtoull(argv[3], nullptr, 10)) : nullptr;
        for (HWND h = FindWindowExA(parent, nullptr, nullptr, argv[2]); h; h = FindWindowExA(parent, h, nullptr, argv[2]))
            PrintWindow(h, parent);
    } else if (command == "close" && argc == 3) {
        for (HWND h = Find(argv[2]); h; h = Find(argv[2], h)) PostMessageA(h, WM_CLOSE, 0, 0);
    } else if (command == "repaint" && argc == 3) {
        RedrawWindow(Find(argv[2]), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    } else if (command == "controls" && argc == 3) {
        if (HWND h = Find(argv[2])) EnumChildWindows(h, PrintControl, 0);
    } else if (command == "host" && argc == 2) {
        return Host();
    } else if (command == "spy" && argc == 2) {
        return Spy();
    } else {
        std::fprintf(stderr, "usage: tovra-probe screen|win TITLE [PARENT]|close|repaint|controls TITLE|host|spy\n");
        return 2;
    }
    return 0;
}
