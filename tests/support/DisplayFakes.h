#pragma once
// A display platform that records every call in one journal, so tests can
// check both what the display form did and in which order.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "display/DisplayForm.h"

namespace tovra::test {

class FakeDisplayPlatform : public DisplayPlatform {
public:
    std::vector<std::string> journal;
    std::set<std::string> missingFiles;  // paths whose bitmap fails to load
    bool contextsFail = false;
    double width = 640, height = 480;
    float now = 100.0f;
    std::vector<float> clockReadings;  // played back before `now`
    std::string regValue = "Not Found";
    bool passwordAccepts = false;
    int cursorCount = 0;
    bool saverRunning = false;
    int timerMs = 0;  // 0 = stopped
    std::function<void()> onUnload;
    std::function<void()> duringVerify;  // runs while the password dialog is open

    GdiHandle CreateCompatibleDC() override {
        if (contextsFail) return 0;
        const GdiHandle h = next_++;
        live_.insert(h);
        journal.push_back("CreateDC " + std::to_string(h));
        return h;
    }
    GdiHandle LoadBitmapFile(const std::string& path) override {
        journal.push_back("LoadBitmap " + path);
        if (missingFiles.count(path)) return 0;
        const GdiHandle h = next_++;
        live_.insert(h);
        return h;
    }
    void SelectObject(GdiHandle dc, GdiHandle bitmap) override { selected_[dc] = bitmap; }
    GdiHandle SelectedBitmap(GdiHandle dc) override { return selected_.count(dc) ? selected_[dc] : 0; }
    int DeleteDC(GdiHandle dc) override {
        journal.push_back("DeleteDC " + std::to_string(dc));
        return live_.erase(dc) ? 1 : 0;
    }
    void DeleteObject(GdiHandle object) override {
        journal.push_back("DeleteObject " + std::to_string(object));
        live_.erase(object);
    }
    // Each sprite draws a plain square in a colour of its own.
    SpritePixels SpritePixelsOf(GdiHandle sprite) override {
        SpritePixels p;
        p.loaded = true;
        p.pixels.fill(SpriteColor(sprite));
        return p;
    }
    static uint32_t SpriteColor(GdiHandle sprite) { return 0x100000u + static_cast<uint32_t>(sprite); }
    FrameMemory AllocateFrame(int, int) override { return {}; }
    void PresentFrame(const CellFrame&, const std::vector<FrameRect>& parts) override { presents.push_back(parts); }
    void StartTimer(uint32_t ms) override {
        timerMs = static_cast<int>(ms);
        journal.push_back("StartTimer " + std::to_string(ms));
    }
    void StopTimer() override {
        timerMs = 0;
        journal.push_back("StopTimer");
    }
    float SecondsSinceMidnight() override {
        if (!clockReadings.empty()) {
            const float t = clockReadings.front();
            clockReadings.erase(clockReadings.begin());
            return t;
        }
        return now;
    }
    std::string ProgramFolder() override { return "C:\\Savers"; }
    double ScaleWidth() override { return width; }
    double ScaleHeight() override { return height; }
    void SetScreenSaverRunning(bool running) override {
        saverRunning = running;
        journal.push_back(running ? "SaverRunning 1" : "SaverRunning 0");
    }
    void ShowCursor(bool show) override {
        cursorCount += show ? 1 : -1;
        journal.push_back(show ? "ShowCursor" : "HideCursor");
    }
    std::string GetRegValue(const std::string& subkey, const std::string& valueName) override {
        journal.push_back("GetRegValue " + subkey + " " + valueName);
        return regValue;
    }
    bool VerifyScreenSavePwd() override {
        journal.push_back("VerifyScreenSavePwd");
        if (duringVerify) duringVerify();
        return passwordAccepts;
    }
    void UnloadForm() override {
        journal.push_back("Unload");
        if (onUnload) onUnload();
    }

    std::vector<std::vector<FrameRect>> presents;
    std::size_t LiveObjects() const { return live_.size(); }

private:
    GdiHandle next_ = 1;
    std::set<GdiHandle> live_;
    std::map<GdiHandle, GdiHandle> selected_;
};

}  // namespace tovra::test
