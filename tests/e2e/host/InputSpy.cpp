// tovra-inputspy.dll: system-wide hooks that tovra-exithost installs to see
// which input the windows of another process really take from their queue,
// and when. The platform loads this DLL into every process of the same
// bitness that handles input; each report is posted to the host's hidden
// window of class "TovraTestInputSink":
//
//   message  WM_APP + (kind << 8) + (code & 0xFF)
//   wParam   the window the input was for
//   lParam   GetTickCount() in the reporting thread at that moment
//
// kinds: 0 a window is being created (code 0), 1 WM_MOUSEMOVE (code 0),
// 2 WM_CHAR (code: the character), 3 WM_KEYDOWN or WM_SYSKEYDOWN (code: the virtual key),
// 4 a mouse button down (code: 1 left, 2 right, 3 middle, 4 extra).
// Only messages removed from the queue count: a peek that leaves the message
// there is not input taken.

#include <windows.h>

namespace {

constexpr char kSinkClass[] = "TovraTestInputSink";

void Report(unsigned kind, unsigned code, HWND hwnd) {
    HWND sink = FindWindowA(kSinkClass, nullptr);
    if (sink == nullptr) return;
    DWORD sinkProcess = 0;
    GetWindowThreadProcessId(sink, &sinkProcess);
    // The host's own windows are not of interest.
    if (sinkProcess == GetCurrentProcessId()) return;
    PostMessageA(sink, WM_APP + (kind << 8) + (code & 0xFF), reinterpret_cast<WPARAM>(hwnd),
                 static_cast<LPARAM>(GetTickCount()));
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK InputSpyGetMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        switch (m->message) {
            case WM_MOUSEMOVE: Report(1, 0, m->hwnd); break;
            case WM_CHAR: Report(2, static_cast<unsigned>(m->wParam), m->hwnd); break;
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN: Report(3, static_cast<unsigned>(m->wParam), m->hwnd); break;
            case WM_LBUTTONDOWN: Report(4, 1, m->hwnd); break;
            case WM_RBUTTONDOWN: Report(4, 2, m->hwnd); break;
            case WM_MBUTTONDOWN: Report(4, 3, m->hwnd); break;
            case WM_XBUTTONDOWN: Report(4, 4, m->hwnd); break;
            default: break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK InputSpyCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) Report(0, 0, reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
