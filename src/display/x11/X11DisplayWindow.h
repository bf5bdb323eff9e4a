#pragma once
// The saver display on X11: running in an X window (one XScreenSaver
// hands over, the root window, or a window of its own), with the platform
// services it uses. The daemon blanks, locks and ends the run, so there is
// no exit on input and no password here; a window of its own ends when it is
// closed or q or Escape is pressed.

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/SaverDisplay.h"
#include "display/linux/BitmapCells.h"
#include "display/linux/LinuxRun.h"
#include "display/x11/X11Presenter.h"

namespace tovra {

class X11DisplayWindow : public FileSpritePlatform {
public:
    // `ownWindow`: the program created `window` and may be closed by the user.
    X11DisplayWindow(Display* display, Window window, bool ownWindow, std::string dataFolder, SettingsStore& store,
                     RandomStream& random);
    ~X11DisplayWindow() override;

    // Loads the display and runs until the window is closed or destroyed.
    // Returns the exit status: 0, or 1 when the window cannot be drawn on.
    int Run();

    // For measurements: end the run after this many ticks (0: never).
    long tickLimit = 0;
    // The dots per inch that Xft.dpi sets for every monitor (0: not set; the
    // monitor under the window's centre tells).
    double xftDpi = 0;
    // Whether the frame may reach the window through shared memory.
    bool allowShm = true;
    // -fps: the frame rate and the program's CPU load in the bottom-left
    // corner, renewed every second.
    bool showFps = false;
    // Where the cell bitmaps were looked for, for the message when none of
    // them can be used ("in FOLDER" when empty).
    std::string bitmapPlaces;

    // DisplayPlatform
    SpritePixels SpritePixelsOf(GdiHandle sprite) override;
    uint32_t ColourValue(uint32_t rgb) override;
    void StartTimer(uint32_t milliseconds) override;
    void StopTimer() override;
    void StartFrameTimer(uint32_t milliseconds) override;
    void StopFrameTimer() override;
    double ClientWidth() override { return width_; }
    double ClientHeight() override { return height_; }
    // One monitor, the window, at the dots per inch of the monitor it is on.
    std::vector<MonitorArea> Monitors() override;
    // The desktop's XSETTINGS manager turns animations off (Gtk/EnableAnimations 0).
    bool SystemReducesMotion() override;
    FrameMemory AllocateFrame(int width, int height) override;
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override;
    void UnloadWindow() override;

private:
    void HandleEvent(const XEvent& event);
    void ResizeTo(int width, int height);
    void DrawFps();

    Display* display_;
    Window window_;
    bool ownWindow_;
    const bool preview_ = false;  // never a preview: the daemon previews in a window like any other
    SaverDisplay saver_;
    std::unique_ptr<X11Presenter> presenter_;
    Atom deleteWindow_ = 0;

    int width_ = 0, height_ = 0;  // the window's size; 0 x 0 until it is shown

    bool timerRunning_ = false;
    std::chrono::milliseconds interval_{0};
    std::chrono::steady_clock::time_point nextTick_;
    // The frame clock, while a change blends.
    bool frameTimerRunning_ = false;
    std::chrono::milliseconds frameInterval_{0};
    std::chrono::steady_clock::time_point nextFrame_;
    bool unloaded_ = false;
    long ticks_ = 0;

    // -fps
    GC fpsGc_ = nullptr;
    XFontStruct* fpsFont_ = nullptr;
    long fpsTicks_ = 0;
    std::chrono::steady_clock::time_point fpsSince_;
    double fpsCpuSince_ = 0;
    std::string fpsLines_[2];
};

// The dots per inch of the monitor under the window's centre: the RandR
// output's, from its size in pixels and millimetres; else the screen's; 96
// where neither tells.
int X11WindowDpi(Display* display, Window window);

}  // namespace tovra
