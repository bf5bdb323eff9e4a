// tovra-probe: what the end-to-end scripts cannot see or do from outside
// Wine. Plain lines out; exit status 2 for misuse.
//   win TITLE [PARENT]      each window titled TITLE (top-level, or a child of PARENT):
//                           HWND class=C visible=V topmost=T child=C rect=L,T,R,B client=WxH
//   post TITLE MSG [WPARAM [LPARAM]]  posts message number MSG to each top-level window titled TITLE
//   repaint TITLE           has the window erased and painted afresh
//   controls TITLE          its controls: class, text, check/selection/position, enabled
//   places TITLE            its controls: class, text, place in its client area (left,top,width,height)
//   flag                    the screen-saver-running flag, 0 or 1
//   animations [on|off]     the "Show animations" switch (client-area animation), set
//                           for every process; without a value prints "animations on|off"
//   changes TITLE SECONDS   how often the screen under the window titled TITLE changed
//                           in that many seconds, looked at every few milliseconds
//   host                    a 203x157 preview host in a frame titled "Tovra probe host":
//                           prints its number, lives until the frame is closed
//   spy                     hooks every process's input through the stand-in password.cpl
//                           (test-password/ beside this program); prints "ready"
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

BOOL CALLBACK PrintControl(HWND h, LPARAM) {
    char cls[64] = {}, text[256] = {};
    GetClassNameA(h, cls, sizeof cls);
    SendMessageA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));  // also across processes
    LRESULT value = 0;
    if (lstrcmpiA(cls, "Button") == 0) value = SendMessageA(h, BM_GETCHECK, 0, 0);
    else if (lstrcmpiA(cls, "ComboBox") == 0) value = SendMessageA(h, CB_GETCURSEL, 0, 0);
    else if (lstrcmpiA(cls, TRACKBAR_CLASSA) == 0) value = SendMessageA(h, TBM_GETPOS, 0, 0);
    std::printf("%s \"%s\" %ld enabled=%d\n", cls, text, static_cast<long>(value), IsWindowEnabled(h) ? 1 : 0);
    return TRUE;
}

BOOL CALLBACK PrintPlace(HWND h, LPARAM dialog) {
    char cls[64] = {}, text[256] = {};
    GetClassNameA(h, cls, sizeof cls);
    SendMessageA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, reinterpret_cast<HWND>(dialog), reinterpret_cast<POINT*>(&r), 2);
    std::printf("%s \"%s\" %ld,%ld,%ld,%ld\n", cls, text, r.left, r.top, r.right - r.left, r.bottom - r.top);
    return TRUE;
}

LRESULT CALLBACK HostProc(HWND h, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY && GetParent(h) == nullptr) PostQuitMessage(0);
    return DefWindowProcA(h, message, w, l);
}

int Serve(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}

int Host() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "TovraProbeHost";
    RegisterClassA(&wc);
    HWND frame = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Tovra probe host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 60, 60, 300, 260, nullptr, nullptr, nullptr, nullptr);
    HWND host = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 203, 157,
                                frame, nullptr, nullptr, nullptr);
    return host == nullptr ? 1 : Serve(std::to_string(reinterpret_cast<uintptr_t>(host)).c_str());
}

// The screen's pixels under the window, hashed (FNV-1a).
uint64_t ScreenHash(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return 0;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    uint64_t hash = 14695981039346656037ull;
    if (bits != nullptr && BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) && GdiFlush()) {
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        for (const uint32_t* end = p + std::size_t(width) * height; p < end; ++p) hash = (hash ^ *p) * 1099511628211ull;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return hash;
}

int Changes(HWND h, double seconds) {
    if (h == nullptr || seconds <= 0 || seconds > 60) return 2;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    uint64_t last = ScreenHash(h);
    int changes = 0, looks = 1;
    for (; GetTickCount64() < end; ++looks, Sleep(2)) {
        const uint64_t now = ScreenHash(h);
        changes += now != last;
        last = now;
    }
    std::printf("%d changes in %d looks\n", changes, looks);
    return 0;
}

int Spy() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dll(path);
    HMODULE m = LoadLibraryA((dll.substr(0, dll.find_last_of('\\')) + "\\test-password\\password.cpl").c_str());
    for (auto [type, name] : {std::pair{WH_GETMESSAGE, "SpyGetMessage"}, std::pair{WH_CBT, "SpyCbt"}}) {
        auto proc = m ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
        if (proc == nullptr || SetWindowsHookExA(type, proc, m, 0) == nullptr) return 1;
    }
    return Serve("ready");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    HWND parent = argc == 4 && command == "win" ? reinterpret_cast<HWND>(std::strtoull(argv[3], nullptr, 10)) : nullptr;
    HWND found = argc > 2 ? FindWindowExA(parent, nullptr, nullptr, argv[2]) : nullptr;
    if (command == "win" && (argc == 3 || argc == 4)) {
        for (HWND h = found; h; h = FindWindowExA(parent, h, nullptr, argv[2])) {
            char cls[64] = {};
            GetClassNameA(h, cls, sizeof cls);
            RECT r{}, c{};
            GetWindowRect(h, &r);
            MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
            GetClientRect(h, &c);
            std::printf("%llu class=%s visible=%d topmost=%d child=%d rect=%ld,%ld,%ld,%ld client=%ldx%ld\n",
                        static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)), cls, IsWindowVisible(h) ? 1 : 0,
                        (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0,
                        (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? 1 : 0, r.left, r.top, r.right, r.bottom, c.right,
                        c.bottom);
        }
    } else if (command == "post" && argc >= 4 && argc <= 6) {
        for (HWND h = found; h; h = FindWindowExA(nullptr, h, nullptr, argv[2]))
            PostMessageA(h, std::atoi(argv[3]), argc >= 5 ? std::atoi(argv[4]) : 0, argc == 6 ? std::atoi(argv[5]) : 0);
    } else if (command == "repaint" && argc == 3) {
        RedrawWindow(found, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    } else if (command == "controls" && argc == 3) {
        if (found) EnumChildWindows(found, PrintControl, 0);
    } else if (command == "places" && argc == 3) {
        if (found) EnumChildWindows(found, PrintPlace, reinterpret_cast<LPARAM>(found));
    } else if (command == "flag" && argc == 2) {
        BOOL running = FALSE;
        std::printf("%d\n", SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running ? 1 : 0);
    } else if (command == "animations" && argc == 2) {
        BOOL on = FALSE;
        if (!SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &on, 0)) return 1;
        std::printf("animations %s\n", on ? "on" : "off");
    } else if (command == "animations" && argc == 3 &&
               (argv[2] == std::string("on") || argv[2] == std::string("off"))) {
        // Written to the user's profile: Wine keeps a change without it only
        // while its server runs.
        const BOOL on = argv[2] == std::string("on");
        return SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(on)),
                                     SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) ? 0 : 1;
    } else if (command == "changes" && argc == 4) {
        return Changes(found, std::atof(argv[3]));
    } else if (command == "host" && argc == 2) {
        return Host();
    } else if (command == "spy" && argc == 2) {
        return Spy();
    } else {
        std::fputs("usage: tovra-probe win|post|repaint|controls|places|flag|animations|changes|host|spy [ARGUMENTS]\n",
                   stderr);
        return 2;
    }
    return 0;
}
