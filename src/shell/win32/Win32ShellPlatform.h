#pragma once
// The start-up's platform calls on Win32.

#include <windows.h>

#include <memory>

#include "shell/Startup.h"

namespace tovra {

class RandomStream;
class SettingsStore;
class Win32DisplayWindow;

class Win32ShellPlatform final : public ShellPlatform {
public:
    Win32ShellPlatform(HINSTANCE instance, SettingsStore& store, RandomStream& random, const bool& preview);
    ~Win32ShellPlatform() override;

    WindowHandle FindWindowByTitle(const std::string& title) override;
    int GetSystemMetrics(int index) override;
    double TwipsPerPixelX() override;
    double TwipsPerPixelY() override;
    void GetClientRect(WindowHandle window, HostRect& rect) override;
    int32_t GetWindowLongValue(WindowHandle window, int index) override;
    void SetWindowLongValue(WindowHandle window, int index, int64_t value) override;
    void SetParent(WindowHandle window, WindowHandle parent) override;
    void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    void PwdChangePassword(const std::string& provider, WindowHandle parent) override;
    DisplayWindow& LoadDisplayWindow() override;
    void ShowConfigDialog() override;
    void ReportStartError(const std::string& message) override;

private:
    HINSTANCE instance_;
    SettingsStore& store_;
    RandomStream& random_;
    const bool& preview_;
    std::unique_ptr<Win32DisplayWindow> display_;
};

}  // namespace tovra
