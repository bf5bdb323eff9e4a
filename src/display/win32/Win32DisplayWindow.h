#pragma once
// The saver display on Win32: the window, its messages turned into the
// display's events, and the platform services the display uses (drawing, timer, cursor, clock,
// registry, password dialog).

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "display/SaverDisplay.h"
#include "display/DisplayWindow.h"

namespace tovra {

class Win32DisplayWindow final : public DisplayPlatform, public DisplayWindow {
public:
    // Creates the hidden window and runs Load. `onUnloaded` runs once,
    // after the saver has been unloaded and its window destroyed.
    Win32DisplayWindow(HINSTANCE instance, SettingsStore& store, RandomStream& random, const bool& preview,
                       void (*onUnloaded)());
    ~Win32DisplayWindow() override;
    Win32DisplayWindow(const Win32DisplayWindow&) = delete;
    Win32DisplayWindow& operator=(const Win32DisplayWindow&) = delete;

    void Load();
    bool Loaded() const { return hwnd_ != nullptr; }
    SaverDisplay& saver() { return saver_; }

    // DisplayWindow
    void SetCaption(const std::string& caption) override;
    void Show() override;
    WindowHandle handle() override;
    void PlaceOnScreen(const PixelRect& bounds) override;

    // DisplayPlatform
    GdiHandle CreateCompatibleDC() override;
    GdiHandle LoadBitmapFile(const std::string& path) override;
    void SelectObject(GdiHandle dc, GdiHandle bitmap) override;
    GdiHandle SelectedBitmap(GdiHandle dc) override;
    int DeleteDC(GdiHandle dc) override;
    void DeleteObject(GdiHandle object) override;
    SpritePixels SpritePixelsOf(GdiHandle sprite) override;
    FrameMemory AllocateFrame(int width, int height) override;
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override;
    void StartTimer(uint32_t milliseconds) override;
    void StopTimer() override;
    void StartFrameTimer(uint32_t milliseconds) override;
    void StopFrameTimer() override;
    float SecondsSinceMidnight() override;
    std::string ProgramFolder() override;
    std::filesystem::path PathFromSettingText(const std::string& text) override;
    double ClientWidth() override;
    double ClientHeight() override;
    std::vector<MonitorArea> Monitors() override;
    bool OnBatteryPower() override;
    bool SystemReducesMotion() override;
    void SetScreenSaverRunning(bool running) override;
    void ShowCursor(bool show) override;
    std::string ReadRegistryText(const std::string& subkey, const std::string& valueName) override;
    bool VerifyScreenSavePwd() override;
    void UnloadWindow() override;

    // In a preview: unload when the host window has gone.
    void WatchHost();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void RaiseResizeIfNeeded(bool force);
    // The system's display-state and power-source notifications, where it has them.
    void RegisterPowerNotifications();
    void UnregisterPowerNotifications();
    void PowerSettingChanged(const POWERBROADCAST_SETTING& setting);
    void Paint();
    void ReleaseFrame();
    // Copies a part of the frame to the window's device context `dc`.
    void ShowPart(HDC dc, const CellFrame& frame, int x, int y, int width, int height);
    // GDI objects are handed to the saver as small positive numbers.
    GdiHandle Register(HGDIOBJ object);
    HGDIOBJ Lookup(GdiHandle handle) const;

    HINSTANCE instance_;
    void (*onUnloaded_)();
    SaverDisplay saver_;
    HWND hwnd_ = nullptr;
    HDC windowDc_ = nullptr;
    bool loaded_ = false;
    bool unloading_ = false;
    bool shownOnce_ = false;
    int lastClientWidth_ = -1;
    int lastClientHeight_ = -1;
    std::vector<HGDIOBJ> gdiObjects_;
    // The frame's pixels: a top-down 32-bit DIB section of the client area,
    // selected into its own memory context.
    HDC frameDc_ = nullptr;
    HBITMAP frameBitmap_ = nullptr;
    HGDIOBJ frameDcBitmap_ = nullptr;  // the context's own bitmap, put back before deleting ours
    uint32_t* frameBits_ = nullptr;
    bool waitForScreen_ = false;  // running under Wine: see PresentFrame
    std::vector<HPOWERNOTIFY> powerNotifications_;
};

}  // namespace tovra
