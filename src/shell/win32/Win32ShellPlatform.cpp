#include "shell/win32/Win32ShellPlatform.h"

#include "display/win32/Win32DisplayWindow.h"
#include "settings/win32/Win32ConfigDialog.h"
#include "runtime/win32/Win32Runtime.h"

namespace tovra {

namespace {

HWND ToHwnd(WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
}

}  // namespace

Win32ShellPlatform::Win32ShellPlatform(HINSTANCE instance, SettingsStore& store, RandomStream& random,
                                       const bool& preview)
    : instance_(instance), store_(store), random_(random), preview_(preview) {}

Win32ShellPlatform::~Win32ShellPlatform() = default;

WindowHandle Win32ShellPlatform::FindWindowByTitle(const std::string& title) {
    return static_cast<WindowHandle>(reinterpret_cast<intptr_t>(FindWindowA(nullptr, title.c_str())));
}

std::optional<PixelRect> Win32ShellPlatform::VirtualScreen() {
    if (::GetSystemMetrics(SM_CMONITORS) == 0) return std::nullopt;
    return PixelRect{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void Win32ShellPlatform::GetClientRect(WindowHandle window, HostRect& rect) {
    RECT r{};
    if (::GetClientRect(ToHwnd(window), &r)) {
        rect.left = r.left;
        rect.top = r.top;
        rect.right = r.right;
        rect.bottom = r.bottom;
    }
}

void Win32ShellPlatform::MakeTopmost(WindowHandle window) {
    ::SetWindowPos(ToHwnd(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void Win32ShellPlatform::EmbedInHost(WindowHandle window, WindowHandle host) {
    const HWND hwnd = ToHwnd(window);
    SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) | WS_CHILD);
    ::SetParent(hwnd, ToHwnd(host));
    if (display_ != nullptr && hwnd == ToHwnd(display_->handle())) display_->WatchHost();
    SetWindowLongPtrA(hwnd, GWLP_HWNDPARENT, static_cast<LONG_PTR>(host));
}

void Win32ShellPlatform::ShowInHost(WindowHandle window, int width, int height) {
    ::SetWindowPos(ToHwnd(window), HWND_TOP, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Win32ShellPlatform::PwdChangePassword(const std::string& provider, WindowHandle parent) {
    // Looked up at run time: not every Windows has it.
    HMODULE mpr = LoadSystemLibrary("mpr.dll");
    if (mpr == nullptr) return;
    using ChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
    auto change = reinterpret_cast<ChangeFn>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change != nullptr) change(provider.c_str(), ToHwnd(parent), 0, 0);
    FreeLibrary(mpr);
}

DisplayWindow& Win32ShellPlatform::LoadDisplayWindow() {
    if (display_ == nullptr) {
        display_ = std::make_unique<Win32DisplayWindow>(instance_, store_, random_, preview_, &WindowClosed);
        display_->Load();
        if (display_->Loaded()) WindowOpened();
    }
    return *display_;
}

void Win32ShellPlatform::ShowConfigDialog() {
    ShowWin32ConfigDialog(instance_, store_);
}

void Win32ShellPlatform::ReportStartError(const std::string& message) {
    MessageBoxA(nullptr, message.c_str(), "Tovra", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace tovra
