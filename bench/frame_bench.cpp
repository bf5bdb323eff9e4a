// The whole tick as the display window runs it: the generation, the drawing
// into the off-screen frame and the hand-over of the changed parts, on full
// HD, 4K and 8K screens, Rainbow off and on, after 200 ticks from the first
// seeding. Counters: platform present calls (rectangles) and pixels handed
// on per tick. WholeTick/depth draws as the X11 display window does on a
// window of that depth: with MIT-SHM (shm:1) into the image itself, of
// 16-bit pixels for depth 16; without, at depth 16, the changed parts are
// then narrowed into an image (at depth 24 and 30 the frame is that image).
#include <benchmark/benchmark.h>

#include "automaton/Random.h"
#include "display/SaverDisplay.h"
#include "display/PixelFormat.h"
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
    FrameMemory AllocateFrame(int, int) override {
        if (!shared) return {};
        image.assign(static_cast<std::size_t>(width_) * height_ * format.BytesPerPixel(), 0);
        return {image.data(), width_, format.BytesPerPixel()};
    }
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override {
        calls += static_cast<long long>(parts.size());
        for (const FrameRect& r : parts) pixels += static_cast<long long>(r.width) * r.height;
        if (image.empty() || shared) return;
        const int bytes = format.BytesPerPixel();
        for (const FrameRect& r : parts)
            for (int y = r.y; y < r.y + r.height; ++y)
                format.Convert(frame.Pixels() + static_cast<std::size_t>(y) * frame.Stride() + r.x, r.width,
                               image.data() + (static_cast<std::size_t>(y) * frame.Width() + r.x) * bytes);
    }
    // An image of the frame's size in `format`, when the parts go into one,
    // or (`shared`) the frame's memory.
    PixelFormat format;
    std::vector<unsigned char> image;
    bool shared = false;
    void StartTimer(uint32_t) override {}
    void StopTimer() override {}
    float SecondsSinceMidnight() override { return 3600.0f; }
    std::string ProgramFolder() override { return "C:\\Savers"; }
    double ClientWidth() override { return width_; }
    double ClientHeight() override { return height_; }
    std::vector<MonitorArea> Monitors() override { return {}; }
    bool OnBatteryPower() override { return false; }
    void SetScreenSaverRunning(bool) override {}
    void ShowCursor(bool) override {}
    std::string ReadRegistryText(const std::string&, const std::string&) override { return "Not Found"; }
    bool VerifyScreenSavePwd() override { return true; }
    void UnloadWindow() override {}

private:
    int width_, height_;
    GdiHandle next_ = 0;
};

// `depth`: the window's, 0 for none.
void WholeTick(benchmark::State& state, int depth, bool shared) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const bool rainbow = state.range(2) != 0;
    BenchPlatform platform(width, height);
    if (depth != 0) {
        if (depth == 16) platform.format = PixelFormat(0xF800, 0x7E0, 0x1F, 16, 16, false);
        if (depth == 30) platform.format = PixelFormat(0x3FF00000, 0xFFC00, 0x3FF, 30, 32, false);
        platform.image.resize(static_cast<std::size_t>(width) * height * platform.format.BytesPerPixel());
        platform.shared = shared;
    }
    MemorySettingsStore store;
    store.Put(kApplicationTitle, kSettingsSection, kRainbowKey, rainbow ? "True" : "False");
    RuntimeRandom random(42);
    const bool preview = false;
    SaverDisplay display(platform, store, random, preview);
    display.Load();
    display.Resize();
    for (int i = 0; i < 200; ++i) display.Tick();
    platform.calls = platform.pixels = 0;
    for (auto _ : state) display.Tick();
    state.counters["presents/tick"] =
        benchmark::Counter(static_cast<double>(platform.calls), benchmark::Counter::kAvgIterations);
    state.counters["pixels/tick"] =
        benchmark::Counter(static_cast<double>(platform.pixels), benchmark::Counter::kAvgIterations);
}
void BM_WholeTick(benchmark::State& state) { WholeTick(state, 0, false); }
void BM_DepthTick(benchmark::State& state) { WholeTick(state, static_cast<int>(state.range(3)), state.range(4) != 0); }
BENCHMARK(BM_WholeTick)
    ->Name("WholeTick/frame")
    ->ArgNames({"width", "height", "rainbow"})
    ->ArgsProduct({{1920}, {1080}, {0, 1}})
    ->ArgsProduct({{3840}, {2160}, {0, 1}})
    ->ArgsProduct({{7680}, {4320}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthTick)
    ->Name("WholeTick/depth")
    ->ArgNames({"width", "height", "rainbow", "depth", "shm"})
    ->ArgsProduct({{3840}, {2160}, {0, 1}, {24, 16, 30}, {1}})
    ->ArgsProduct({{3840}, {2160}, {0, 1}, {16}, {0}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

// A generation with the look as the display window runs it at a speed: the
// tick and, with Smooth, the frames of its blend up to the next generation,
// on a 4K screen after 200 generations. `look`: 0 the classic picture, 1 a
// drawn palette, 2 with AgeColors and Fade 16, 3 with Smooth as well, 4 the
// classic bitmaps with Fade 16 and Smooth. Counters: frames, present calls
// (rectangles) and pixels handed on per generation.
void BM_LookGeneration(benchmark::State& state) {
    const int look = static_cast<int>(state.range(0));
    const std::string speed = std::to_string(state.range(1));
    BenchPlatform platform(3840, 2160);
    MemorySettingsStore store;
    store.Put(kApplicationTitle, kSettingsSection, kSpeedKey, speed);
    if (look >= 1 && look <= 3) store.Put(kApplicationTitle, kSettingsSection, kPaletteKey, "Ocean");
    if (look >= 2) store.Put(kApplicationTitle, kSettingsSection, kFadeKey, "16");
    if (look == 2 || look == 3) store.Put(kApplicationTitle, kSettingsSection, kAgeColorsKey, "True");
    if (look >= 3) store.Put(kApplicationTitle, kSettingsSection, kSmoothKey, "True");
    RuntimeRandom random(42);
    const bool preview = false;
    SaverDisplay display(platform, store, random, preview);
    display.Load();
    display.Resize();
    CellLook probe;
    probe.Configure({FindPalette("Ocean"), false, false, 0, look >= 3, CellShape::Square}, {}, {}, [](uint32_t v) { return v; });
    const int frames = probe.BlendFrames(static_cast<int32_t>(state.range(1)));
    auto generation = [&] {
        display.Tick();
        for (int f = 0; f < frames; ++f) display.FrameTick();
    };
    for (int i = 0; i < 200; ++i) generation();
    platform.calls = platform.pixels = 0;
    for (auto _ : state) generation();
    state.counters["frames/generation"] = 1 + frames;
    state.counters["presents/generation"] =
        benchmark::Counter(static_cast<double>(platform.calls), benchmark::Counter::kAvgIterations);
    state.counters["pixels/generation"] =
        benchmark::Counter(static_cast<double>(platform.pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LookGeneration)
    ->Name("LookGeneration/4K")
    ->ArgNames({"look", "speed"})
    ->ArgsProduct({{0, 1, 2, 3, 4}, {300, 33}})
    ->Unit(benchmark::kMillisecond);
