#pragma once
// Start-up: the single-instance check, the choice of the start mode and its
// steps. The platform calls go through ShellPlatform, the display form's
// runtime operations through DisplayWindow.

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/CommandLine.h"

namespace tovra {

inline constexpr char kRunningCaption[] = "Running Screen Saver";
inline constexpr char kPreviewCaption[] = "Preview Screen Saver";
inline constexpr char kPasswordProvider[] = "SCRSAVE";

// GetSystemMetrics indices.
inline constexpr int SM_XVIRTUALSCREEN_ = 76;
inline constexpr int SM_YVIRTUALSCREEN_ = 77;
inline constexpr int SM_CXVIRTUALSCREEN_ = 78;
inline constexpr int SM_CYVIRTUALSCREEN_ = 79;
inline constexpr int SM_CMONITORS_ = 80;
// Window constants.
inline constexpr int GWL_STYLE_ = -16;
inline constexpr int GWL_HWNDPARENT_ = -8;
inline constexpr int32_t WS_CHILD_ = 0x40000000;
inline constexpr int64_t HWND_TOPMOST_ = -1;
inline constexpr int64_t HWND_TOP_ = 0;
inline constexpr unsigned SWP_NOSIZE_NOMOVE = 3;
inline constexpr unsigned SWP_NOZORDER_NOACTIVATE_SHOWWINDOW = 84;

using WindowHandle = int64_t;

struct HostRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

enum class WindowState { Normal, Minimized, Maximized };

// The display form as the start-up sees it: the form runtime's operations.
class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void Show() = 0;  // modeless, no owner
    virtual WindowHandle handle() = 0;
    virtual void SetWindowState(WindowState state) = 0;
    // Position and size in twips.
    virtual void SetTop(float twips) = 0;
    virtual void SetLeft(float twips) = 0;
    virtual void SetWidth(float twips) = 0;
    virtual void SetHeight(float twips) = 0;
};

class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;
    // FindWindowA with no class: non-zero when such a top-level window exists.
    virtual WindowHandle FindWindowByTitle(const std::string& title) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;
    virtual void GetClientRect(WindowHandle window, HostRect& rect) = 0;
    virtual int32_t GetWindowLongValue(WindowHandle window, int index) = 0;
    virtual void SetWindowLongValue(WindowHandle window, int index, int64_t value) = 0;
    virtual void SetParent(WindowHandle window, WindowHandle parent) = 0;
    virtual void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                              unsigned flags) = 0;
    virtual void PwdChangePassword(const std::string& provider, WindowHandle parent) = 0;
    // Load SaverDisplay without showing it: its Load has run on return.
    virtual DisplayWindow& LoadDisplayWindow() = 0;
    // Show ConfigDialog modeless and without an owner.
    virtual void ShowConfigDialog() = 0;
    // Tell the user the command line cannot be used, and wait for the answer.
    virtual void ReportStartError(const std::string& message) = 0;
};

class Startup {
public:
    // True while the display form runs as a preview inside a host window.
    bool preview = false;

    void Run(ShellPlatform& platform, std::string_view commandLine);

private:
    void RunSaver(ShellPlatform& platform);
    void RunPreview(ShellPlatform& platform, WindowHandle host);
};

}  // namespace tovra
