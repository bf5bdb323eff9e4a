#pragma once
// Start-up: the single-instance check, the choice of the start mode and its
// steps. The platform calls go through ShellPlatform, the display window's
// placing through DisplayWindow.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "display/DisplayWindow.h"
#include "shell/CommandLine.h"

namespace tovra {

inline constexpr char kRunningCaption[] = "Running Screen Saver";
inline constexpr char kPreviewCaption[] = "Preview Screen Saver";
inline constexpr char kPasswordProvider[] = "SCRSAVE";

// A host window's client area in pixels.
struct HostRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;
    // FindWindowA with no class: non-zero when such a top-level window exists.
    virtual WindowHandle FindWindowByTitle(const std::string& title) = 0;
    // The rectangle around every monitor, in pixels; none when the system
    // counts no monitors.
    virtual std::optional<PixelRect> VirtualScreen() = 0;
    virtual void GetClientRect(WindowHandle window, HostRect& rect) = 0;
    // Above every window that is not topmost, at the same place and size.
    virtual void MakeTopmost(WindowHandle window) = 0;
    // Makes `window` a child window of `host`: its style, parent and owner.
    virtual void EmbedInHost(WindowHandle window, WindowHandle host) = 0;
    // Shows `window` at its parent's top-left corner, `width` x `height`
    // pixels, without activating it or changing its place among its siblings.
    virtual void ShowInHost(WindowHandle window, int width, int height) = 0;
    virtual void PwdChangePassword(const std::string& provider, WindowHandle parent) = 0;
    // Creates the display window without showing it: the display has loaded
    // on return.
    virtual DisplayWindow& LoadDisplayWindow() = 0;
    // Shows the configuration dialog modeless and without an owner.
    virtual void ShowConfigDialog() = 0;
    // Tell the user the command line cannot be used, and wait for the answer.
    virtual void ReportStartError(const std::string& message) = 0;
};

class Startup {
public:
    // True while the display runs as a preview inside a host window.
    bool preview = false;

    void Run(ShellPlatform& platform, std::string_view commandLine);

private:
    void RunSaver(ShellPlatform& platform);
    void RunPreview(ShellPlatform& platform, WindowHandle host);
};

}  // namespace tovra
