#pragma once
// A display platform that records its calls in one journal, so tests can
// check both what the display form did and in which order.

#include <functional>
#include <map>
#include <set>

#include "display/DisplayForm.h"

namespace tovra::test {

class FakeDisplayPlatform : public DisplayPlatform {
public:
    std::vector<std::string> journal;
    std::set<std::string> missingFiles;  // paths whose bitmap fails to load
    bool contextsFail = false, passwordAccepts = false;
    double width = 640, height = 480;
    float now = 100.0f;
    std::vector<float> clockReadings;  // played back before `now`
    std::string regValue = "Not Found";
    int cursorCount = 0;
    std::function<void()> onUnload, duringVerify;  // duringVerify: while the password dialog is open
    std::vector<std::vector<FrameRect>> presents;
    std::set<GdiHandle> live;  // contexts and bitmaps not yet deleted
    std::map<GdiHandle, GdiHandle> selected;

    void Log(const std::string& entry) { journal.push_back(entry); }
    GdiHandle Make() { return *live.insert(live.empty() ? 1 : *live.rbegin() + 1).first; }
    GdiHandle CreateCompatibleDC() override { return contextsFail ? 0 : Make(); }
    GdiHandle LoadBitmapFile(const std::string& path) override { return Log("LoadBitmap " + path), missingFiles.count(path) ? 0 : Make(); }
    void SelectObject(GdiHandle dc, GdiHandle bitmap) override { selected[dc] = bitmap; }
    GdiHandle SelectedBitmap(GdiHandle dc) override { return selected[dc]; }
    int DeleteDC(GdiHandle dc) override { return Log("DeleteDC " + std::to_string(dc)), static_cast<int>(live.erase(dc)); }
    void DeleteObject(GdiHandle object) override { Log("DeleteObject " + std::to_string(object)), live.erase(object); }
    // Each sprite draws a plain square in a colour of its own.
    static uint32_t SpriteColor(GdiHandle sprite) { return 0x100000u + static_cast<uint32_t>(sprite); }
    SpritePixels SpritePixelsOf(GdiHandle sprite) override {
        SpritePixels p{true, {}};
        p.pixels.fill(SpriteColor(sprite));
        return p;
    }
    FrameMemory AllocateFrame(int, int) override { return {}; }
    void PresentFrame(const CellFrame&, const std::vector<FrameRect>& parts) override { presents.push_back(parts); }
    void StartTimer(uint32_t ms) override { Log("StartTimer " + std::to_string(ms)); }
    void StopTimer() override { Log("StopTimer"); }
    float SecondsSinceMidnight() override {
        if (clockReadings.empty()) return now;
        const float t = clockReadings.front();
        clockReadings.erase(clockReadings.begin());
        return t;
    }
    std::string ProgramFolder() override { return "C:\\Savers"; }
    double ScaleWidth() override { return width; }
    double ScaleHeight() override { return height; }
    void SetScreenSaverRunning(bool running) override { Log(running ? "SaverRunning 1" : "SaverRunning 0"); }
    void ShowCursor(bool show) override { cursorCount += show ? 1 : -1, Log(show ? "ShowCursor" : "HideCursor"); }
    std::string GetRegValue(const std::string& subkey, const std::string& name) override {
        return Log("GetRegValue " + subkey + " " + name), regValue;
    }
    bool VerifyScreenSavePwd() override {
        Log("VerifyScreenSavePwd");
        if (duringVerify) duringVerify();
        return passwordAccepts;
    }
    void UnloadForm() override {
        Log("Unload");
        if (onUnload) onUnload();
    }
};

}  // namespace tovra::test
