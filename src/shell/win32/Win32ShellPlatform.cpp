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

int Win32ShellPlatform::GetSystemMetrics(int index) {
    return ::GetSystemMetrics(index);
}

double Win32ShellPlatform::TwipsPerPixelX() { return Win32TwipsPerPixelX(); }
double Win32ShellPlatform::TwipsPerPixelY() { return Win32TwipsPerPixelY(); }

void Win32ShellPlatform::GetClientRect(WindowHandle window, HostRect& rect) {
    RECT r{};
    if (::GetClientRect(ToHwnd(window), &r)) {
        rect.left = r.left;
        rect.top = r.top;
        rect.right = r.right;
        rect.bottom = r.bottom;
    }
}

int32_t Win32ShellPlatform::GetWindowLongValue(WindowHandle window, int index) {
    return GetWindowLongA(ToHwnd(window), index);
}

void Win32ShellPlatform::SetWindowLongValue(WindowHandle window, int index, int64_t value) {
    if (index == GWLP_HWNDPARENT) {
        SetWindowLongPtrA(ToHwnd(window), GWLP_HWNDPARENT, static_cast<LONG_PTR>(value));
    } else {
        SetWindowLongA(ToHwnd(window), index, static_cast<LONG>(value));
    }
}

void Win32ShellPlatform::SetParent(WindowHandle window, WindowHandle parent) {
    ::SetParent(ToHwnd(window), ToHwnd(parent));
    if (display_ != nullptr && ToHwnd(window) == ToHwnd(display_->handle())) display_->WatchHost();
}

void Win32ShellPlatform::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                      unsigned flags) {
    ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags);
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
