// The whole tick as the display window runs it: the generation, the drawing
// into the off-screen frame and the hand-over of the changed parts, on full
// HD, 4K and 8K screens, Rainbow off and on, after 200 ticks from the first
// seeding. Counters: platform present calls (rectangles) and pixels handed
// on per tick.
#include <benchmark/benchmark.h>

#include "automaton/Random.h"
#include "display/DisplayForm.h"
#include "settings/SaverSettings.h"
#include "settings/SettingsStore.h"

namespace {

using namespace tovra;

// A platform that keeps no window: the frame holds its own pixels and a
// present only counts what it would copy.
class BenchPlatform : public DisplayPlatform {
public:
    BenchPlatform(int width, int height) : width_(width), height_(height) {}
    long long calls = 0;
    long long pixels = 0;

    GdiHandle CreateCompatibleDC() override { return ++next_; }
    GdiHandle LoadBitmapFile(const std::string&) override { return ++next_; }
    void SelectObject(GdiHandle, GdiHandle) override {}
    GdiHandle SelectedBitmap(GdiHandle) override { return 0; }
    int DeleteDC(GdiHandle) override { return 1; }
    void DeleteObject(GdiHandle) override {}
    SpritePixels SpritePixelsOf(GdiHandle sprite) override {
        SpritePixels p;
        p.loaded = true;
        for (std::size_t i = 0; i < p.pixels.size(); ++i)
            p.pixels[i] = (i % 10 == 9 || i >= 90) ? 0 : 0x203040u * static_cast<uint32_t>(sprite);
        return p;
    }
    FrameMemory AllocateFrame(int, int) override { return {}; }
    void PresentFrame(const CellFrame&, const std::vector<FrameRect>& parts) override {
        calls += static_cast<long long>(parts.size());
        for (const FrameRect& r : parts) pixels += static_cast<long long>(r.width) * r.height;
    }
    void StartTimer(uint32_t) override {}
    void StopTimer() override {}
    float SecondsSinceMidnight() override { return 3600.0f; }
    std::string ProgramFolder() override { return "C:\\Savers"; }
    double ScaleWidth() override { return width_; }
    double ScaleHeight() override { return height_; }
    std::vector<MonitorArea> Monitors() override { return {}; }
    bool OnBatteryPower() override { return false; }
    void SetScreenSaverRunning(bool) override {}
    void ShowCursor(bool) override {}
    std::string GetRegValue(const std::string&, const std::string&) override { return "Not Found"; }
    bool VerifyScreenSavePwd() override { return true; }
    void UnloadForm() override {}

private:
    int width_, height_;
    GdiHandle next_ = 0;
};

void BM_WholeTick(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const bool rainbow = state.range(2) != 0;
    BenchPlatform platform(width, height);
    MemorySettingsStore store;
    store.Put(kApplicationTitle, kSettingsSection, kRainbowKey, rainbow ? "True" : "False");
    RuntimeRandom random(42);
    const bool preview = false;
    DisplayForm form(platform, store, random, preview);
    form.Form_Load();
    form.Form_Resize();
    for (int i = 0; i < 200; ++i) form.tmrTovra_Timer();
    platform.calls = platform.pixels = 0;
    for (auto _ : state) form.tmrTovra_Timer();
    state.counters["presents/tick"] =
        benchmark::Counter(static_cast<double>(platform.calls), benchmark::Counter::kAvgIterations);
    state.counters["pixels/tick"] =
        benchmark::Counter(static_cast<double>(platform.pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WholeTick)
    ->Name("WholeTick/frame")
    ->ArgNames({"width", "height", "rainbow"})
    ->ArgsProduct({{1920}, {1080}, {0, 1}})
    ->ArgsProduct({{3840}, {2160}, {0, 1}})
    ->ArgsProduct({{7680}, {4320}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
