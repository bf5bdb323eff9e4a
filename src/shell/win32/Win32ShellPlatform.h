#pragma once
// The start-up's platform calls on Win32.

#include <windows.h>

#include <memory>
#include <optional>

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
    std::optional<PixelRect> VirtualScreen() override;
    void GetClientRect(WindowHandle window, HostRect& rect) override;
    void MakeTopmost(WindowHandle window) override;
    void EmbedInHost(WindowHandle window, WindowHandle host) override;
    void ShowInHost(WindowHandle window, int width, int height) override;
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
