// The display: the off-screen frame against a plain reference, and the display (start-up,
// geometry, sprites and drawing, how a run ends, what unloading releases) on a recording platform.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <tuple>
#include <utility>

#include "automaton/Random.h"
#include "display/SaverDisplay.h"
#include "display/PixelFormat.h"
#include "settings/SaverSettings.h"

namespace tovra {
namespace {

// Random drawing (also beside the frame, and pictures of the wrong size) into the frame's own area of 10-pixel cells
// and into areas of other pitches, against the sprite last drawn on each cell, scaled by nearest neighbour. The
// rectangles handed on cover every changed cell once, begin and end on changed cells, join a row's changed cells
// exactly across gaps up to the join gap, and continue a rectangle of the same columns from the row above.
TEST(CellFrame, MatchesAPlainReference) {
    constexpr int kWidth = 1285, kHeight = 157, kStride = kWidth + 5;
    // Every pixel tells its place in both halves, so a shifted copy shows, and so does a
    // 32-bit frame read as 16-bit (which keeps the low half).
    std::vector<uint32_t> bits(16 * 20);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint32_t>(i + 1) * 0x10001u;
    // Bitmaps of these sizes, from (s, s) of `bits`; sprite 2 did not load.
    const std::pair<int, int> sizes[] = {{12, 12}, {7, 3}, {0, 0}, {0, 5}, {5, 0}};
    SpritePixels sprites[5];
    for (int s : {0, 1, 3, 4}) sprites[s] = SpriteFromBitmap(&bits[s * 17], sizes[s].first, sizes[s].second, 16);
    const auto pixel = [&](int s, int x, int y) { return x < sizes[s].first && y < sizes[s].second ? bits[s * 17 + y * 16 + x] : 0u; };
    // The frame's own cells (the last column and row cut off), or three areas, the last cut off by the corner.
    const std::vector<WorldArea> own = {{0, 0, 10, 129, 16}}, worlds = {{0, 0, 15, 40, 10}, {605, 3, 23, 29, 6}, {1270, 150, 20, 3, 2}};
    CellFrame frame;  // one frame, resized into each kind of memory in turn
    for (const int gap : {-1, 0, 1, 3, 100}) {
        std::mt19937 rng(static_cast<unsigned>(gap) + 7);
        // The platform's memory, wider, for gap 1 (and of 16-bit pixels, gap 3).
        std::vector<uint32_t> memory(static_cast<std::size_t>(kStride) * kHeight, 0xEEEEEE);
        std::vector<uint16_t> narrow(static_cast<std::size_t>(kStride) * kHeight, 0xEEEE);
        frame.Resize(kWidth, kHeight, gap == 1   ? FrameMemory{memory.data(), kStride}
                                      : gap == 3 ? FrameMemory{narrow.data(), kStride, 2}
                                                 : FrameMemory{});
        const std::vector<WorldArea>& areas = gap == 0 || gap == 3 ? worlds : own;
        if (&areas == &worlds) frame.SetAreas(worlds);
        frame.SetJoinGap(gap);
        const int join = std::max(gap, 0);
        EXPECT_EQ(frame.TakeChanges(), std::vector<FrameRect>({{0, 0, kWidth, kHeight}}));
        std::vector<std::vector<int>> shown;  // the sprite each cell shows; 3 = black
        for (const WorldArea& a : areas) shown.emplace_back(a.columns * a.rows, 3);
        for (int round = 0; round < 12; ++round) {
            std::vector<std::vector<char>> changed, cover;
            for (const WorldArea& a : areas) changed.emplace_back(a.columns * a.rows, 0), cover.emplace_back(a.columns * a.rows, 0);
            for (int i = static_cast<int>(rng() % 400); i > 0; --i) {
                const std::size_t n = rng() % (areas.size() + 1);  // n == areas.size(): no such area
                const WorldArea a = n < areas.size() ? areas[n] : WorldArea{};
                const int col = static_cast<int>(rng() % (a.columns + 2)) - 1, s = static_cast<int>(rng() % 6);
                const int row = static_cast<int>(rng() % (a.rows + 2)) - 1;
                frame.DrawCell(n, col, row, ScaleSprite(sprites[s % 5], a.pitch + (s == 5)));  // 5: the wrong size
                if (n == areas.size() || col < 0 || row < 0 || col >= a.columns || row >= a.rows || s == 2 || s == 5 ||
                    a.x + col * a.pitch >= kWidth || a.y + row * a.pitch >= kHeight) continue;
                int& cell = shown[n][row * a.columns + col];
                changed[n][row * a.columns + col] |= sprites[cell].pixels != sprites[s].pixels;
                cell = s;
            }
            const std::vector<FrameRect> rects = frame.TakeChanges();
            for (const FrameRect& r : rects) {
                std::size_t n = 0;  // the area the rectangle begins in
                while (n < areas.size() && !(r.x >= areas[n].x && r.y >= areas[n].y && r.x < areas[n].x + areas[n].pitch * areas[n].columns &&
                                             r.y < areas[n].y + areas[n].pitch * areas[n].rows)) ++n;
                ASSERT_LT(n, areas.size());
                const WorldArea& a = areas[n];
                ASSERT_TRUE((r.x - a.x) % a.pitch == 0 && (r.y - a.y) % a.pitch == 0 && r.width > 0 && r.height > 0 &&
                            r.x + r.width <= kWidth && r.y + r.height <= kHeight);
                const int c0 = (r.x - a.x) / a.pitch, c1 = (r.x + r.width - 1 - a.x) / a.pitch;
                bool edgesChanged = true, gapsShort = true, joined = true, continued = true;
                for (int row = (r.y - a.y) / a.pitch; a.y + row * a.pitch < r.y + r.height; ++row) {
                    const char* cells = &changed[n][row * a.columns];
                    edgesChanged &= cells[c0] && cells[c1];
                    for (int col = c0, unchanged = 0; col <= c1; ++col) {
                        ++cover[n][row * a.columns + col];
                        unchanged = cells[col] ? 0 : unchanged + 1;
                        gapsShort &= unchanged <= join;
                    }
                    for (int k = 1; k <= join + 1; ++k) joined &= !(c0 - k >= 0 && cells[c0 - k]) && !(c1 + k < a.columns && cells[c1 + k]);
                }
                for (const FrameRect& below : rects) continued &= !(below.x == r.x && below.width == r.width && below.y == r.y + r.height);
                ASSERT_TRUE(edgesChanged && gapsShort && joined && continued)
                    << "gap " << gap << " at " << r.x << "," << r.y << ": " << edgesChanged << gapsShort << joined << continued;
            }
            int covered = 0;  // cells shown twice, or changed and not shown
            for (std::size_t n = 0; n < areas.size(); ++n)
                for (std::size_t cell = 0; cell < cover[n].size(); ++cell) covered += cover[n][cell] > 1 || cover[n][cell] < changed[n][cell];
            ASSERT_EQ(covered, 0) << "gap " << gap;
            // The picture: each pixel of a cell shows the sprite pixel under its centre; black outside the areas.
            std::vector<uint32_t> expected(static_cast<std::size_t>(kWidth) * kHeight, 0);
            for (std::size_t n = 0; n < areas.size(); ++n)
                for (int y = 0, p = areas[n].pitch; y < areas[n].rows * p && areas[n].y + y < kHeight; ++y)
                    for (int x = 0; x < areas[n].columns * p && areas[n].x + x < kWidth; ++x)
                        expected[(areas[n].y + y) * kWidth + areas[n].x + x] =
                            pixel(shown[n][y / p * areas[n].columns + x / p], (x % p * 2 + 1) * 10 / (2 * p), (y % p * 2 + 1) * 10 / (2 * p));
            int wrong = 0;  // pixels unlike the reference, or drawn beside the frame
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) wrong += frame.Pixel(x, y) != (expected[y * kWidth + x] & (gap == 3 ? 0xFFFFu : ~0u));
                wrong += (gap == 1 && memory[static_cast<std::size_t>(y) * kStride + kWidth] != 0xEEEEEEu) ||
                         (gap == 3 && narrow[static_cast<std::size_t>(y) * kStride + kWidth] != 0xEEEE);
            }
            ASSERT_EQ(wrong, 0) << "gap " << gap << ", round " << round;
        }
    }
    frame.Resize(kWidth, 0, {});
    EXPECT_TRUE(frame.TakeChanges().empty()) << "a frame without pixels has nothing to show";
}

// Monitors (rectangles on the screen, dots per inch) to worlds in the client area of a window at `client`.
// A fill reaches every pixel of the frame in its own width, 32 or 16 bits, and nothing past a row's end; the frame
// moved into other memory of its kind (a wider stride) draws there; a frame of no pixels hands on nothing.
TEST(CellFrame, FillRebindAndEmptyFrames) {
    constexpr int kWidth = 13, kHeight = 4, kStride = 16;
    std::vector<uint32_t> wide(kStride * kHeight, 7), other(kStride * 2 * kHeight, 7);
    std::vector<uint16_t> narrow(kStride * kHeight, 7);
    for (const int bytes : {4, 2}) {
        CellFrame frame;
        frame.Resize(kWidth, kHeight, bytes == 4 ? FrameMemory{wide.data(), kStride} : FrameMemory{narrow.data(), kStride, 2});
        frame.TakeChanges();
        frame.Fill(0x12345678);
        EXPECT_EQ(frame.TakeChanges(), std::vector<FrameRect>({{0, 0, kWidth, kHeight}}));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kStride; ++x)
                EXPECT_EQ(bytes == 4 ? wide[y * kStride + x] : narrow[y * kStride + x], x < kWidth ? (bytes == 4 ? 0x12345678u : 0x5678u) : 7u)
                    << bytes << " bytes at " << x << "," << y;
        // Only memory of the same pixel size takes the frame; there a cell is drawn at the new stride.
        EXPECT_EQ(frame.Rebind({other.data(), kStride * 2, 4}), bytes == 4) << bytes;
        if (bytes == 2) continue;
        frame.SetAreas({{0, 0, 2, 6, 2}});
        CellPicture white{true, 2, std::vector<uint32_t>(4, 0xFFFFFF)};
        frame.DrawCell(0, 1, 1, white);
        EXPECT_EQ(other[3 * kStride * 2 + 3], 0xFFFFFFu);
        EXPECT_EQ(frame.Pixel(3, 3), 0xFFFFFFu);
    }
    for (const auto& [width, height] : {std::pair{0, 5}, {5, -1}, {-3, 0}}) {
        CellFrame empty;
        empty.Resize(width, height, {});
        EXPECT_TRUE(empty.TakeChanges().empty()) << width << " x " << height;
        empty.Fill(1);
    }
}

TEST(MonitorLayout, WorldsGridsAndPitches) {
    const MonitorArea hd{{0, 0, 1920, 1080}, 96}, laptop{{0, 0, 3840, 2160}, 144}, right{{3840, 0, 1920, 1080}, 96};
    const struct { const char* what; PixelRect client; std::vector<MonitorArea> monitors; int cellSize; bool each; std::vector<WorldArea> worlds; } rows[] = {
        {"one monitor", {0, 0, 1920, 1080}, {hd}, 10, true, {{0, 0, 10, 192, 108}}},
        {"150% beside 100%, each", {0, 0, 5760, 2160}, {laptop, right}, kAutoCellSize, true, {{0, 0, 15, 256, 144}, {3840, 0, 10, 192, 108}}},
        {"150% beside 100%, one world at the pitch of the larger part", {0, 0, 5760, 2160}, {right, laptop}, kAutoCellSize, false, {{0, 0, 15, 384, 144}}},
        {"a fixed size everywhere", {0, 0, 5760, 2160}, {laptop, right}, 40, true, {{0, 0, 40, 96, 54}, {3840, 0, 40, 48, 27}}},
        {"portrait right of the primary", {0, 0, 3000, 1920}, {hd, {{1920, 0, 1080, 1920}, 96}}, 10, true, {{0, 0, 10, 192, 108}, {1920, 0, 10, 108, 192}}},
        {"left of the primary: negative coordinates, 125%", {-1280, 0, 3200, 1080}, {{{0, 0, 1920, 1080}, 120}, {{-1280, 0, 1280, 1024}, 96}},
         kAutoCellSize, true, {{1280, 0, 13, 147, 83}, {0, 0, 10, 128, 102}}},
        {"above the primary, 200%", {0, -1440, 2560, 2520}, {{{0, 0, 1920, 1080}, 192}, {{0, -1440, 2560, 1440}, 96}},
         kAutoCellSize, true, {{0, 1440, 20, 96, 54}, {0, 0, 10, 256, 144}}},
        {"a gap holds no cell", {0, 0, 1924, 768}, {{{0, 0, 1024, 768}, 96}, {{1124, 100, 800, 600}, 96}}, 10, true, {{0, 0, 10, 102, 76}, {1124, 100, 10, 80, 60}}},
        {"one world spans the gap", {0, 0, 1924, 768}, {{{0, 0, 1024, 768}, 96}, {{1124, 100, 800, 600}, 96}}, 10, false, {{0, 0, 10, 192, 76}}},
        {"two monitors at the same place", {0, 0, 1280, 800}, {{{0, 0, 1280, 800}, 96}, {{0, 0, 800, 600}, 96}}, 10, true, {{0, 0, 10, 128, 80}, {0, 0, 10, 80, 60}}},
        {"a preview: the monitor it is on", {100, 200, 152, 112}, {right, laptop}, kAutoCellSize, true, {{0, 0, 15, 10, 7}}},
        {"a monitor beside the window has no world", {0, 0, 1920, 1080}, {hd, right}, 10, true, {{0, 0, 10, 192, 108}}},
        {"no monitor known: 100%", {0, 0, 1000, 500}, {}, kAutoCellSize, true, {{0, 0, 10, 100, 50}}},
        {"Auto within 10 to 40", {0, 0, 1000, 500}, {{{0, 0, 500, 500}, 72}, {{500, 0, 500, 500}, 480}}, kAutoCellSize, true, {{0, 0, 10, 50, 50}, {500, 0, 40, 12, 12}}},
        {"smaller than a cell", {0, 0, 9, 300}, {hd}, 10, false, {{0, 0, 10, 0, 30}}},
    };
    for (const auto& r : rows) EXPECT_EQ(LayoutWorlds(r.client, r.monitors, r.cellSize, r.each), r.worlds) << r.what;
    const std::pair<int, int> autoPitches[] = {{96, 10}, {120, 13}, {143, 15}, {168, 18}, {192, 20}, {0, 10}, {-5, 10}, {385, 40}};
    for (auto [dpi, pitch] : autoPitches) EXPECT_EQ(CellPitchFor(kAutoCellSize, dpi), pitch) << dpi;
    // The first output under a point that knows its panel: a 4K panel of 677 mm, a smaller mirror of it, a
    // turned 1080p panel of 508 mm beside them, and an output of unknown size first.
    const std::vector<ScreenOutput> outputs = {
        {{0, 0, 5000, 5000}, 0}, {{0, 0, 3840, 2160}, 677}, {{0, 0, 1920, 1080}, 508}, {{3840, 0, 1080, 1920}, 508, true}};
    const std::tuple<int, int, long> dpis[] = {{0, 0, 144}, {3839, 2159, 144}, {3840, 0, 96}, {4919, 1919, 96},
                                               {4920, 0, 0}, {3840, 1920, 0}, {-1, 0, 0}, {0, -1, 0}};
    for (auto [x, y, dpi] : dpis) EXPECT_EQ(std::lround(OutputDpiAt(outputs, x, y)), dpi) << x << "," << y;
}

// A display platform that records its calls in one journal, so tests can
// check both what the display did and in which order.
class FakeDisplayPlatform : public DisplayPlatform {
public:
    std::vector<std::string> journal;
    std::set<std::string> missingFiles;  // paths whose bitmap fails to load
    bool passwordAccepts = false;
    double width = 640, height = 480;
    std::vector<MonitorArea> monitors;  // relative to the client area
    bool battery = false;
    float now = 100.0f;
    std::vector<float> clockReadings;  // played back before `now`
    std::string regValue = "Not Found";
    std::function<void()> onUnload = [] {}, duringVerify = [] {};  // duringVerify: while the password dialog is open
    std::vector<std::vector<FrameRect>> presents;
    std::set<GdiHandle> live;  // contexts and bitmaps not yet deleted
    std::map<GdiHandle, GdiHandle> selected;

    void Log(const std::string& entry) { journal.push_back(entry); }
    GdiHandle Make() { return *live.insert(live.empty() ? 1 : *live.rbegin() + 1).first; }
    GdiHandle CreateCompatibleDC() override { return Make(); }
    GdiHandle LoadBitmapFile(const std::string& path) override { return Log("LoadBitmap " + path), missingFiles.count(path) ? 0 : Make(); }
    void SelectObject(GdiHandle dc, GdiHandle bitmap) override { selected[dc] = bitmap; }
    GdiHandle SelectedBitmap(GdiHandle dc) override { return selected[dc]; }
    int DeleteDC(GdiHandle dc) override { return Log("DeleteDC " + std::to_string(dc)), static_cast<int>(live.erase(dc)); }
    void DeleteObject(GdiHandle object) override { Log("DeleteObject " + std::to_string(object)), live.erase(object); }
    // Each sprite draws a plain square in a colour of its own, apart in 16-bit values too.
    static uint32_t SpriteColor(GdiHandle sprite) { return 0xF00000u + static_cast<uint32_t>(sprite) * 0x0810u; }
    SpritePixels SpritePixelsOf(GdiHandle sprite) override { SpritePixels p{true, {}}; return p.pixels.fill(SpriteColor(sprite)), p; }
    FrameMemory AllocateFrame(int, int) override { return {}; }
    void PresentFrame(const CellFrame&, const std::vector<FrameRect>& parts) override { presents.push_back(parts); }
    void StartTimer(uint32_t ms) override { Log("StartTimer " + std::to_string(ms)); }
    void StopTimer() override { Log("StopTimer"); }
    int frameStops = 0;
    void StartFrameTimer(uint32_t ms) override { Log("StartFrameTimer " + std::to_string(ms)); }
    void StopFrameTimer() override { ++frameStops; }
    // A frame of other pixel values than 0x00RRGGBB (as on a 16-bit screen) where asked.
    bool otherValues = false;
    uint32_t ColourValue(uint32_t rgb) override { return otherValues ? (rgb >> 8 & 0xF800) | (rgb >> 5 & 0x7E0) | (rgb >> 3 & 0x1F) : rgb; }
    float SecondsSinceMidnight() override {
        const float t = clockReadings.empty() ? now : clockReadings.front();
        return clockReadings.erase(clockReadings.begin(), clockReadings.begin() + !clockReadings.empty()), t;
    }
    std::string ProgramFolder() override { return "C:\\Savers"; }
    double ClientWidth() override { return width; }
    double ClientHeight() override { return height; }
    std::vector<MonitorArea> Monitors() override { return monitors; }
    bool OnBatteryPower() override { return battery; }
    bool lessMotion = false;
    bool SystemReducesMotion() override { return lessMotion; }
    void SetScreenSaverRunning(bool running) override { Log(running ? "SaverRunning 1" : "SaverRunning 0"); }
    void ShowCursor(bool show) override { Log(show ? "ShowCursor" : "HideCursor"); }
    std::string ReadRegistryText(const std::string& key, const std::string& name) override { return Log("ReadRegistryText " + key + " " + name), regValue; }
    bool VerifyScreenSavePwd() override { return Log("VerifyScreenSavePwd"), duringVerify(), passwordAccepts; }
    void UnloadWindow() override { Log("Unload"), onUnload(); }
};

using Strings = std::vector<std::string>;

// A display whose unload the runtime carries out as a window would.
struct DisplayRig {
    FakeDisplayPlatform platform;
    MemorySettingsStore store;
    RuntimeRandom random{5};
    bool preview = false, unloaded = false;
    SaverDisplay display{platform, store, random, preview};
    std::vector<std::vector<char>> seen;  // per world, cells live at some time since the last resize

    explicit DisplayRig(bool asPreview = false, const char* password = "0") {
        preview = asPreview;
        platform.regValue = password;
        platform.onUnload = [this] { unloaded = true, display.BeforeUnload(), display.Unload(); };
    }
    // Loads at `time` seconds past midnight; the journal starts afresh after it.
    void Load(float time = 100.0f) { platform.now = time, display.Load(), platform.journal.clear(); }
    // The frame against a plain reference: each cell of each world, corner to corner at its pitch, shows
    // the dead sprite where it was live before, black where it never was (either, unless `strict`: a cell
    // seeded and dead in the same tick was never seen live). Returns the colours of the live cells.
    std::set<uint32_t> CheckFrame(bool strict = true) {
        std::set<uint32_t> colours;
        int wrong = 0;
        seen.resize(display.WorldCount());
        for (std::size_t w = 0; w < display.WorldCount(); ++w) {
            const CellGrid& grid = display.automaton(w).grid;
            const WorldArea& a = display.WorldAreaOf(w);
            seen[w].resize(grid.CellCount());
            for (int y = 0; y <= grid.MaxRow() && a.y + a.pitch * y < display.frame().Height(); ++y)
                for (int x = 0; x <= grid.MaxCol() && a.x + a.pitch * x < display.frame().Width(); ++x) {
                    const int right = std::min(a.x + a.pitch * (x + 1), display.frame().Width()) - 1;
                    const int bottom = std::min(a.y + a.pitch * (y + 1), display.frame().Height()) - 1;
                    const uint32_t pixel = display.frame().Pixel(a.x + a.pitch * x, a.y + a.pitch * y);
                    wrong += pixel != display.frame().Pixel(right, bottom);
                    char& s = seen[w][static_cast<std::size_t>(y) * grid.Columns() + x];
                    if ((s |= grid.IsLive(x, y)) && grid.IsLive(x, y)) colours.insert(pixel);
                    else wrong += pixel != (s ? FakeDisplayPlatform::SpriteColor(display.deadSprite()) : 0u) &&
                                  (strict || pixel != 0u) && (strict || pixel != FakeDisplayPlatform::SpriteColor(display.deadSprite()));
                }
        }
        EXPECT_EQ(wrong, 0);
        return colours;
    }
    uint32_t Colour(int index) { return FakeDisplayPlatform::SpriteColor(display.liveSprites()[index]); }
};

TEST(SaverDisplayLoad, StepsInOrderAndTheStoredSettingsSteerTheForm) {
    // `colour`: the sprite the first seeding draws live cells with; -1: all five (Rainbow).
    const struct { bool preview; const char *rainbow, *color, *torus, *speed, *delay; int colour; bool torusOn; int16_t delayOn; const char* timer; } rows[] = {
        {false, nullptr, nullptr, nullptr, nullptr, nullptr, 0, true, 2000, "StartTimer 300"},
        // A speed of 0 would stop the generations: the timer's fastest rate instead.
        {false, "false", "4", "0", "0", "12", 4, false, 12, "StartTimer 1"},
        {true, "True", "2", "1", "150", "3", -1, true, 3, "StartTimer 150"},
        // Each setting at the end of its range, or just past it: the default.
        {false, "0", "-1", "", "65535", "-32768", 0, true, -32768, "StartTimer 65535"},
        {false, "maybe", "5", "yes", "65536", "32767.5", 0, true, 2000, "StartTimer 300"},
        {false, nullptr, nullptr, nullptr, "-1", nullptr, 0, true, 2000, "StartTimer 300"},
    };
    for (const auto& r : rows) {
        DisplayRig rig(r.preview);
        const std::pair<const char*, const char*> stored[] = {
            {"Rainbow", r.rainbow}, {"Color", r.color}, {"Torus", r.torus}, {"Speed", r.speed}, {"Delay", r.delay}};
        for (auto [key, text] : stored)
            if (text) rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig.display.Load();
        Strings expected = {r.timer, "SaverRunning 1", "ReadRegistryText Control Panel\\Desktop ScreenSaveUsePassword", "HideCursor", r.timer};
        for (const char* file : {"deadcell", "cellpurple", "cellblue", "cellgreen", "cellyellow", "cell"})
            expected.insert(expected.begin(), std::string("LoadBitmap C:\\Savers\\") + file + ".bmp");
        // A preview neither announces the run nor hides the cursor.
        if (r.preview) std::erase_if(expected, [](const std::string& e) { return e == "SaverRunning 1" || e == "HideCursor"; });
        EXPECT_TRUE(rig.platform.journal == expected && rig.store.Saves().empty()) << r.speed;
        EXPECT_EQ(rig.display.automaton().preview, r.preview);
        EXPECT_TRUE(rig.display.automaton().torus == r.torusOn && rig.display.automaton().seedDelay == r.delayOn);
        // The 50 x 50 design grid, its first seeding in the frame of the 640 x
        // 480 client area, handed to the window whole.
        EXPECT_EQ(std::pair(rig.display.maxCol(), rig.display.maxRow()), std::pair(49, 49));
        EXPECT_EQ(rig.display.WorldAreaOf(0), (WorldArea{0, 0, 10, 50, 50}));
        std::set<uint32_t> colours;
        for (int i = 0; i < 5; ++i)
            if (r.colour < 0 || r.colour == i) colours.insert(rig.Colour(i));
        EXPECT_EQ(rig.CheckFrame(), colours);
        EXPECT_EQ(rig.platform.presents, (std::vector<std::vector<FrameRect>>{{{0, 0, 640, 480}}}));
    }
}

// A window over two monitors (100% and 150%, the smaller listed first) with a gap between them, then over one.
TEST(SaverDisplayWorlds, EachMonitorRunsItsOwnWorldAtItsOwnPitch) {
    const std::vector<MonitorArea> two = {{{620, 100, 380, 400}, 96}, {{0, 0, 600, 600}, 144}};
    // The stored "CellSize" and "EachMonitor" (nullptr: none stored); the design grid takes the pitch of
    // the monitor that shows the most of the window.
    const struct { bool preview, rainbow; const char *cellSize, *eachMonitor; int design; std::vector<WorldArea> worlds; } rows[] = {
        {false, false, "Auto", "True", 15, {{620, 100, 10, 38, 40}, {0, 0, 15, 40, 40}}},
        {false, true, "20", "True", 20, {{620, 100, 20, 19, 20}, {0, 0, 20, 30, 30}}},
        {false, false, nullptr, nullptr, 10, {{0, 0, 10, 100, 60}}},  // the defaults: one world of 10-pixel cells, as before
        {false, false, "41", "Yes", 10, {{0, 0, 10, 100, 60}}},        // unusable values: the defaults
        {true, false, "auto", "True", 15, {{0, 0, 15, 66, 40}}},       // a preview shows one world
    };
    for (const auto& r : rows) {
        DisplayRig rig(r.preview);
        rig.platform.width = 1000, rig.platform.height = 600, rig.platform.monitors = two;
        rig.store.Put(kApplicationTitle, kSettingsSection, "Delay", "15");
        rig.store.Put(kApplicationTitle, kSettingsSection, "Color", "3");  // every world draws in blue, or Rainbow
        rig.store.Put(kApplicationTitle, kSettingsSection, "Rainbow", r.rainbow ? "True" : "False");
        rig.store.Put(kApplicationTitle, kSettingsSection, "Seeding", "2");  // Mixed, from the built-in library
        if (r.cellSize != nullptr) rig.store.Put(kApplicationTitle, kSettingsSection, "CellSize", r.cellSize);
        if (r.eachMonitor != nullptr) rig.store.Put(kApplicationTitle, kSettingsSection, "EachMonitor", r.eachMonitor);
        rig.Load();
        EXPECT_EQ(rig.display.WorldAreaOf(0).pitch, r.design);
        rig.display.Resize();
        ASSERT_EQ(rig.display.WorldCount(), r.worlds.size());
        for (std::size_t w = 0; w < r.worlds.size(); ++w) EXPECT_EQ(rig.display.WorldAreaOf(w), r.worlds[w]) << w;
        ASSERT_NE(rig.display.automaton(0).patterns, nullptr);
        EXPECT_EQ(rig.display.automaton(0).patterns->Size(), kBuiltInPatternCount);
        std::set<uint32_t> colours;
        for (int tick = 0; tick < 40; ++tick, rig.display.Tick()) colours.merge(rig.CheckFrame(false));
        std::set<uint32_t> want = {rig.Colour(3)};
        for (int i = 0; r.rainbow && i < 5; ++i) want.insert(rig.Colour(i));
        EXPECT_EQ(colours, want);
        // Each world keeps its own history and settings.
        for (std::size_t w = 1; w < r.worlds.size(); ++w) {
            EXPECT_NE(rig.display.automaton(w).ChangeHistory(), rig.display.automaton(0).ChangeHistory());
            EXPECT_TRUE(rig.display.automaton(w).seedDelay == 15 && rig.display.automaton(w).torus &&
                        rig.display.automaton(w).rainbow == r.rainbow);
            EXPECT_TRUE(rig.display.automaton(w).seeding == SeedingMode::Mixed &&
                        rig.display.automaton(w).patterns == rig.display.automaton(0).patterns);
        }
        int gap = 0;  // no cell between the monitors, nor below the second
        for (int y = 0; y < 600; ++y) for (int x = 600; x < 1000; ++x) gap += (x < 620 || y >= 500) && rig.display.frame().Pixel(x, y) != 0;
        EXPECT_TRUE(r.worlds.size() == 1 || gap == 0) << gap;
        // One monitor left: one world; back to two: the new one is seeded at its first tick.
        rig.platform.monitors = {two[0]};
        rig.display.Resize();
        EXPECT_EQ(rig.display.WorldCount(), 1u);
        rig.platform.monitors = two;
        rig.display.Resize();
        rig.display.Tick();
        EXPECT_TRUE(r.worlds.size() == 1 || rig.display.automaton(1).grid.Population() > 0);
    }
}

TEST(Sprites, MissingFilesGiveNoSpriteAndNoDrawingAndUnloadReleasesTheRest) {
    // As the bitmaps always drew, and as the look draws them (a fade under Classic).
    for (const char* fade : {"4", "0"}) {
        DisplayRig rig;
        rig.platform.missingFiles = {"C:\\Savers\\cellgreen.bmp", "C:\\Savers\\deadcell.bmp"};
        for (auto [key, text] : {std::pair{"Color", "2"}, {"Fade", fade}}) rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig.Load();
        EXPECT_EQ(rig.display.liveSprites()[2] + rig.display.deadSprite(), 0);
        rig.display.Resize();
        for (int i = 0; i < 5; ++i) rig.display.Tick();
        EXPECT_EQ(rig.platform.presents.size(), 2u) << fade;  // the load and the resize
        if (fade[0] == '4') continue;
        EXPECT_GT(rig.display.automaton().grid.Population(), 0u);  // the automaton runs on
        // Four sprites, each a context and a bitmap (none left from the failed
        // loads), released context first; a missing sprite calls nothing.
        rig.display.BeforeUnload();
        EXPECT_TRUE(rig.platform.live.empty());
        EXPECT_EQ(rig.platform.journal, (Strings{"DeleteDC 1", "DeleteObject 2", "DeleteDC 3", "DeleteObject 4", "DeleteDC 5",
                                                 "DeleteObject 6", "DeleteDC 7", "DeleteObject 8"}));
    }
    // Only the dead-cell bitmap, in the first handle: the cells that die still show it.
    DisplayRig only;
    for (const char* file : {"cell", "cellyellow", "cellgreen", "cellblue", "cellpurple"})
        only.platform.missingFiles.insert(std::string("C:\\Savers\\") + file + ".bmp");
    only.Load();
    only.display.Resize();
    for (int i = 0; i < 3; ++i) only.display.Tick();
    ASSERT_EQ(only.display.deadSprite(), 1);
    int dead = 0;
    for (int y = 0; y < 480; y += 10)
        for (int x = 0; x < 640; x += 10) dead += only.display.frame().Pixel(x, y) == FakeDisplayPlatform::SpriteColor(1);
    EXPECT_GT(dead, 0);
}

// Where the frame holds other values than 0x00RRGGBB, the bitmaps are drawn in the frame's values: each
// of the five live ones under Rainbow, and the dead one. Where the look paints them instead (Smooth), the
// picture once each blend is done is the same, generation by generation.
TEST(SaverDisplayLook, TheBitmapsInTheFramesOwnValuesAndTheLookPaintsThemAlike) {
    DisplayRig plain, smooth;
    for (DisplayRig* rig : {&plain, &smooth}) {
        rig->platform.otherValues = true;
        for (auto [key, text] : {std::pair{"Rainbow", "True"}, {"Speed", "170"}, {"Smooth", rig == &smooth ? "True" : "False"}})
            rig->store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig->Load();
    }
    std::set<uint32_t> want = {0, plain.platform.ColourValue(FakeDisplayPlatform::SpriteColor(plain.display.deadSprite()))}, seen;
    for (int i = 0; i < 5; ++i) want.insert(plain.platform.ColourValue(plain.Colour(i)));
    for (int g = 0; g < 6; ++g) {
        for (int f = 0; f < 10; ++f) smooth.display.FrameTick();
        int differ = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                seen.insert(plain.display.frame().Pixel(x, y));
                differ += plain.display.frame().Pixel(x, y) != smooth.display.frame().Pixel(x, y);
            }
        EXPECT_EQ(differ, 0) << g;
        plain.display.Tick(), smooth.display.Tick();
    }
    EXPECT_EQ(seen, want);
}

// Leaves only a still block in the bottom-right corner, or a blinker there; a blinker changes cells at
// every generation and so starts no reseeding for nine of them.
void LeaveOnly(DisplayRig& rig, bool blinker) {
    CellGrid& grid = rig.display.automaton().grid;
    grid.Resize(grid.MaxCol(), grid.MaxRow());
    for (int i = 0; i < 4; ++i)
        if (!blinker || i < 3) grid.Set(grid.MaxCol() - 1 - (blinker ? i : i % 2), grid.MaxRow() - 1 - (blinker ? 0 : i / 2), CellGrid::kLive);
}

// A drawn palette: the frame in the palette's background, each cell's centre in the colour its history
// gives (the first of the ramp, or by age; the trail where it lived before), in the frame's own pixel
// values; the bitmaps draw nothing.
TEST(SaverDisplayLook, ADrawnPaletteColoursEachCellByItsHistory) {
    const struct { const char *palette, *shape, *cellSize, *age; bool otherValues; } rows[] = {
        {"Paper", "Square", "10", "False", false}, {"Ocean", "Dot", "23", "True", true}, {"Forest", "Rounded", "40", "True", false}};
    for (const auto& r : rows) {
        DisplayRig rig;
        rig.platform.otherValues = r.otherValues;
        rig.platform.width = 333;  // not a whole number of cells: the edge beyond the last cell stays background
        for (auto [key, text] : {std::pair{"Palette", r.palette}, {"CellShape", r.shape}, {"CellSize", r.cellSize}, {"AgeColors", r.age}})
            rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig.Load();
        rig.display.Resize();
        const Palette& p = *FindPalette(r.palette);
        auto value = [&](Rgb c) { return rig.platform.ColourValue(Packed(c)); };
        CellLook ramp;
        ramp.Configure({&p, false, std::string(r.age) == "True", 0, false, CellShape::Square}, {}, {}, [](uint32_t v) { return v; });
        const CellGrid& grid = rig.display.automaton().grid;
        std::vector<int> age(grid.CellCount(), 0);
        for (int tick = 0; tick < 12; ++tick) {
            if (tick > 0) rig.display.Tick();
            const WorldArea& a = rig.display.WorldAreaOf(0);
            int wrong = 0;
            for (int y = 0; y < grid.Rows(); ++y)
                for (int x = 0; x < grid.Columns(); ++x) {
                    int& n = age[static_cast<std::size_t>(y) * grid.Columns() + x];
                    n = grid.IsLive(x, y) ? std::max(n, 0) + 1 : (n != 0 ? -1 : 0);
                    const int cx = a.x + a.pitch * x + a.pitch / 2, cy = a.y + a.pitch * y + a.pitch / 2;
                    if (cx >= rig.display.frame().Width() || cy >= rig.display.frame().Height()) continue;
                    // A cell seeded and dead again within one tick was live for a moment.
                    if (n == 0 && rig.display.frame().Pixel(cx, cy) == value(p.trail)) n = -1;
                    const Rgb want = n > 0 ? ramp.LiveColour(static_cast<uint8_t>(std::min(n, 255))) : n < 0 ? p.trail : p.background;
                    wrong += rig.display.frame().Pixel(cx, cy) != value(want);
                    // The corner: the square's rim, between its colour and the background; outside a dot or a rounded square.
                    const uint32_t corner = rig.display.frame().Pixel(cx - a.pitch / 2, cy - a.pitch / 2);
                    wrong += std::string(r.shape) == "Square" ? want != p.background && (corner == value(want) || corner == value(p.background))
                                                              : corner != value(p.background);
                }
            const int edge = a.x + a.pitch * grid.Columns();
            for (int x = edge; x < rig.display.frame().Width(); ++x) wrong += rig.display.frame().Pixel(x, 5) != value(p.background);
            EXPECT_EQ(wrong, 0) << r.palette << " tick " << tick;
        }
        EXPECT_TRUE(std::none_of(rig.platform.journal.begin(), rig.platform.journal.end(),
                                 [](const std::string& e) { return e.starts_with("StartFrameTimer"); }));
    }
}

// Smooth: a change blends over the frames up to the next generation, one frame every 17 ms, and the
// frame clock stops when it is done; a generation that changes nothing starts no frames; a generation
// that comes before the blend is done first finishes it.
TEST(SaverDisplayLook, SmoothBlendsBetweenGenerationsAndOnlyThen) {
    DisplayRig rig;
    for (auto [key, text] : {std::pair{"Palette", "Ocean"}, {"Smooth", "True"}, {"Speed", "170"}})
        rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
    rig.platform.now = 100.0f, rig.display.Load();
    const Palette& p = *FindPalette("Ocean");
    EXPECT_EQ(std::count(rig.platform.journal.begin(), rig.platform.journal.end(), "StartFrameTimer 17"), 1);
    // The seeding's cells are not shown yet: they blend in from the background over ten frames.
    const CellGrid& grid = rig.display.automaton().grid;
    int liveX = 0, liveY = 0;
    while (!grid.IsLive(liveX, liveY)) liveX = (liveX + 1) % grid.Columns(), liveY += liveX == 0;
    auto centre = [&] { return Unpacked(rig.display.frame().Pixel(liveX * 10 + 5, liveY * 10 + 5)); };
    EXPECT_EQ(centre(), p.background);
    const std::size_t presents = rig.platform.presents.size();
    int previous = 0;
    for (int frame = 1; frame <= 10; ++frame) {
        rig.display.FrameTick();
        const Rgb c = centre();
        const Rgb want = frame < 10 ? MixColour(p.background, p.ramp[0], frame, 10) : p.ramp[0];
        EXPECT_LE(std::abs(c.r - want.r) + std::abs(c.g - want.g) + std::abs(c.b - want.b), frame < 10 ? 3 : 0) << frame;
        EXPECT_GT(c.g, previous) << frame;
        previous = c.g;
    }
    EXPECT_EQ(rig.platform.presents.size(), presents + 10);
    EXPECT_EQ(rig.platform.frameStops, 1);
    rig.display.FrameTick();  // a late tick of the stopped clock draws nothing, and stops it again
    EXPECT_EQ(rig.platform.presents.size(), presents + 10);
    EXPECT_EQ(rig.platform.frameStops, 2);
    // Every cell dies: the blend toward the trail is cut short by the next generation, which finishes
    // it; nothing changes after that, so no frames are drawn.
    rig.display.Tick();
    liveX = liveY = 0;
    while (!grid.IsLive(liveX, liveY)) liveX = (liveX + 1) % grid.Columns(), liveY += liveX == 0;
    LeaveOnly(rig, false);
    rig.platform.journal.clear();
    rig.display.Tick();
    EXPECT_EQ(centre(), p.ramp[0]);
    rig.display.FrameTick();
    EXPECT_TRUE(centre() != p.trail && centre() != p.ramp[0]);
    rig.display.Tick();
    EXPECT_EQ(centre(), p.trail);
    EXPECT_EQ(rig.platform.journal, Strings{"StartFrameTimer 17"});
    // A pattern placed (as a render does) shows at once, without a blend.
    CellGrid placed(grid.MaxCol(), grid.MaxRow());
    placed.Set(3, 4, CellGrid::kLive);
    rig.display.PlaceCells(placed);
    liveX = 3, liveY = 4;
    EXPECT_EQ(centre(), p.ramp[0]);
    rig.platform.journal.clear();
    rig.display.FrameTick();
    EXPECT_TRUE(rig.platform.journal.empty());
    // While the monitors are off the clock stops; so it does at the unload.
    const int stops = rig.platform.frameStops;
    rig.display.DisplayPowerChanged(false);
    rig.display.Unload();
    EXPECT_EQ(rig.platform.frameStops, stops + 2);
}

// A blend against the plain mix of the pictures before and after it: k frames into it every pixel lies
// that far between them (exactly for the bitmaps; for a drawn colour, which moves in steps of eight
// levels, within a step), and the last frame is the new picture.
TEST(SaverDisplayLook, EachFrameOfABlendLiesBetweenThePicturesBeforeAndAfter) {
    const struct { const char* palette; bool rainbow, age; const char *fade, *shape; int slack; } rows[] = {
        {"Classic", true, false, "0", "Rounded", 1}, {"Classic", false, false, "3", "Square", 1},
        {"Sunset", false, true, "3", "Dot", 9}, {"Colorblind", true, false, "0", "Square", 9}};
    for (const auto& r : rows) {
        DisplayRig rig;
        for (auto [key, text] : {std::pair{"Palette", r.palette}, {"Smooth", "True"}, {"Speed", "170"}, {"Fade", r.fade},
                                 {"CellShape", r.shape}, {"Rainbow", r.rainbow ? "True" : "False"}, {"AgeColors", r.age ? "True" : "False"}})
            rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig.Load();
        auto picture = [&] {
            std::vector<uint32_t> p;
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x) p.push_back(rig.display.frame().Pixel(x, y));
            return p;
        };
        for (int g = 0; g < 3; ++g) rig.display.Tick();
        for (int f = 0; f < 10; ++f) rig.display.FrameTick();
        const std::vector<uint32_t> before = picture();
        rig.display.Tick();
        EXPECT_EQ(picture(), before) << r.palette;  // nothing of the new generation yet
        std::vector<std::vector<uint32_t>> frames{before};
        for (int f = 0; f < 10; ++f) rig.display.FrameTick(), frames.push_back(picture());
        const std::vector<uint32_t>& middle = frames[4];
        const std::vector<uint32_t>& after = frames[10];
        // A drawn square's centre is redrawn once for every eight levels its farthest channel moves,
        // at most at every frame.
        int redrawnWrong = 0;
        for (int y = 5; r.palette != std::string("Classic") && std::string(r.shape) == "Square" && y < 480; y += 10)
            for (int x = 5; x < 640; x += 10) {
                const std::size_t i = static_cast<std::size_t>(y) * 640 + x;
                const Rgb a = Unpacked(before[i]), b = Unpacked(after[i]);
                const int farthest = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
                int redrawn = 0;
                for (int f = 1; f <= 10; ++f) redrawn += frames[f][i] != frames[f - 1][i];
                redrawnWrong += redrawn != std::min((farthest + 7) / 8, 10);
            }
        EXPECT_EQ(redrawnWrong, 0) << r.palette;
        int wrong = 0, between = 0;
        for (std::size_t i = 0; i < after.size(); ++i) {
            const Rgb a = Unpacked(before[i]), b = Unpacked(after[i]), m = Unpacked(middle[i]), want = MixColour(a, b, 4, 10);
            for (auto [got, lo, hi, w] : {std::tuple{m.r, a.r, b.r, want.r}, {m.g, a.g, b.g, want.g}, {m.b, a.b, b.b, want.b}})
                wrong += std::abs(got - w) > r.slack || got < std::min(lo, hi) || got > std::max(lo, hi);
            between += m != a && m != b;
        }
        EXPECT_TRUE(wrong == 0 && between > 0 && after != before) << r.palette << " " << wrong << " " << between;
    }
}

// Classic with a fade: a cell that dies shows its bitmap darker at each generation, then black; with
// generations 10 ms apart, a step every 50 ms: the darkest step of the four at once. Cut to a rounded
// shape: the bitmaps inside it, black in the corners, the dead-cell bitmap once dead.
TEST(SaverDisplayLook, AClassicFadeDarkensTheBitmapToBlackAndAShapeCutsIt) {
    for (auto [key, text, speed] : {std::tuple{"Fade", "4", "300"}, {"Fade", "4", "10"}, {"CellShape", "Rounded", "300"}}) {
        DisplayRig rig;
        for (auto [k, t] : {std::pair{key, text}, {"Color", "3"}, {"Speed", speed}}) rig.store.Put(kApplicationTitle, kSettingsSection, k, t);
        rig.Load();
        rig.display.Tick();  // the first, which seeds again
        CellGrid& grid = rig.display.automaton().grid;
        int x = 0;
        while (!grid.IsLive(x, 0)) ++x;
        const uint32_t bitmap = rig.Colour(3), dead = FakeDisplayPlatform::SpriteColor(rig.display.deadSprite());
        const bool shaped = std::string(key) == "CellShape";
        EXPECT_EQ(std::pair(rig.display.frame().Pixel(x * 10 + 4, 4), rig.display.frame().Pixel(x * 10, 0)),
                  std::pair(bitmap, shaped ? 0u : bitmap));
        LeaveOnly(rig, true);
        for (int g = 1; g <= 5; ++g) {
            rig.display.Tick();
            const int level = std::string(speed) == "10" && g < 5 ? 4 : g;
            const Rgb got = Unpacked(rig.display.frame().Pixel(x * 10 + 4, 4)), want = Unpacked(shaped ? dead : Packed(MixColour(Unpacked(bitmap), {}, level, 5)));
            EXPECT_LE(std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b), shaped ? 0 : 2) << speed << " " << g;
        }
    }
}

using Input = void (SaverDisplay::*)();
constexpr Input Key = &SaverDisplay::KeyPressed,
                Close = &SaverDisplay::CloseRequested, Move = &SaverDisplay::MouseMoved;
void Send(SaverDisplay& display, Input input, int times = 1) { while (times-- > 0) (display.*input)(); }

// The calls after the load, without the sprites' release.
Strings Calls(Strings j) { return std::erase_if(j, [](const std::string& e) { return e.starts_with("Delete"); }), j; }

TEST(ExitInput, WhatEndsTheRun) {
    // Loaded at `load`; the request reads the clock twice (`first`, `second`).
    const struct { const char* what; bool preview; Input input; int times; float load, first, second; bool ends; } rows[] = {
        {"key", false, Key, 1, 100, 100.5f, 100.5f, true},
        {"key inside the quiet half second", false, Key, 1, 100, 100.49f, 100.49f, false},
        {"close request inside the half second", false, Close, 1, 100, 100.4f, 100.4f, false},
        {"seventh move", false, Move, 7, 100, 200, 200, false},
        {"eighth move", false, Move, 8, 100, 200, 200, true},
        {"eighth move inside the half second", false, Move, 8, 100, 100.2f, 100.2f, false},
        {"just after midnight: at once", false, Key, 1, 86399.8f, 0.1f, 0.1f, true},
        {"before midnight", false, Key, 1, 86399.8f, 86399.9f, 86399.9f, false},
        {"the second reading decides", false, Key, 1, 86399.8f, 86399.9f, 86400.3f, true},
        {"preview: key", true, Key, 1, 100, 200, 200, false},
        {"preview: 40000 moves", true, Move, 40000, 100, 200, 200, false},
        {"preview: a close request, at once", true, Close, 1, 100, 100.1f, 100.1f, true},
        // A preview never hid the cursor nor announced the run, yet its unload shows the one and withdraws the other.
        {"preview: closed, unloads as a run does", true, Close, 1, 100, 200, 200, true},
    };
    for (const auto& r : rows) {
        DisplayRig rig(r.preview);
        rig.Load(r.load);
        rig.platform.clockReadings = {r.first, r.second};
        rig.platform.now = r.second;
        Send(rig.display, r.input, r.times);
        EXPECT_EQ(rig.unloaded, r.ends) << r.what;
        EXPECT_EQ(rig.display.CloseCommandAllowed(), r.preview) << r.what << ": Alt+F4 ends only a preview";
        if (r.preview && !r.ends) continue;
        rig.platform.now = r.load + 0.5f;  // the next request after the quiet half second ends the run
        if (!r.ends) Send(rig.display, r.input);
        EXPECT_EQ(Calls(rig.platform.journal), (Strings{"Unload", "StopTimer", "ShowCursor", "SaverRunning 0"})) << r.what;
        EXPECT_TRUE(rig.platform.live.empty()) << r.what;
    }
}

TEST(ExitPassword, ARefusalKeepsTheRunAndRestartsTheQuietTime) {
    DisplayRig rig(false, "1");
    rig.Load();
    rig.platform.clockReadings = {101.0f, 101.0f, 101.25f};  // two for the debounce, one after the dialog
    rig.platform.now = 101.1f;
    // A close request while the dialog is open opens no second one.
    bool sent = false;
    rig.platform.duringVerify = [&] { if (!std::exchange(sent, true)) rig.display.CloseRequested(); };
    rig.display.MouseButtonPressed();
    EXPECT_FALSE(rig.unloaded);
    EXPECT_EQ(rig.platform.journal, (Strings{"ShowCursor", "VerifyScreenSavePwd", "HideCursor"}));
    // Quiet for half a second after the dialog, then the very next move asks again.
    rig.platform.journal.clear(), rig.platform.now = 101.74f;
    Send(rig.display, Move, 8);
    EXPECT_TRUE(rig.platform.journal.empty());
    rig.platform.now = 101.75f, rig.platform.passwordAccepts = true;
    rig.display.MouseMoved();
    EXPECT_TRUE(rig.unloaded);
    EXPECT_EQ(Calls(rig.platform.journal), (Strings{"ShowCursor", "VerifyScreenSavePwd", "Unload", "StopTimer", "ShowCursor",
                                            "SaverRunning 0", "HideCursor"}));
}

// Timer calls and ticks as the monitors go off (0) and on (1), the power source changes to the
// battery (b) or the mains (m), the display unloads (u) and ticks come (t: + computed a generation, - not).
TEST(SaverDisplayPower, NothingRunsWhileTheMonitorsAreOffAndOnBatteryTenGenerationsASecondAtMost) {
    const struct { const char* what; bool saveBattery, battery; const char *speed, *events, *load; Strings journal; const char* ticks; } rows[] = {
        {"off, a tick, on", false, false, "300", "0t1t", "StartTimer 300", {"StopTimer", "StartTimer 300"}, "-+"},
        {"off twice, on twice", false, false, "300", "001t1", "StartTimer 300", {"StopTimer", "StartTimer 300"}, "+"},
        {"on battery at the load", true, true, "10", "t", "StartTimer 100", {}, "+"},
        {"the battery, then the mains", true, false, "0", "btmt", "StartTimer 1", {"StartTimer 100", "StartTimer 1"}, "++"},
        {"not saving the battery", false, false, "10", "bt", "StartTimer 10", {}, "+"},
        {"slower than ten a second already", true, false, "250", "bt", "StartTimer 250", {}, "+"},
        {"the source changes while off", true, false, "10", "0bt1t", "StartTimer 10", {"StopTimer", "StopTimer", "StartTimer 100"}, "-+"},
        {"on after the unload", false, false, "300", "0u1", "StartTimer 300", {"StopTimer", "Unload", "StopTimer", "ShowCursor", "SaverRunning 0"}, ""},
    };
    for (const auto& r : rows) {
        DisplayRig rig;
        rig.platform.battery = r.battery;
        rig.store.Put(kApplicationTitle, kSettingsSection, "Speed", r.speed);
        if (r.saveBattery) rig.store.Put(kApplicationTitle, kSettingsSection, "SaveBattery", "True");
        rig.display.Load();
        EXPECT_EQ(rig.platform.journal.back(), r.load) << r.what;
        rig.platform.journal.clear();
        rig.display.Resize();
        std::string ticks;
        for (const char e : std::string(r.events)) {
            const std::array<int32_t, kHistoryLength> history = rig.display.automaton().ChangeHistory();
            const std::size_t presents = rig.platform.presents.size();
            if (e == '0' || e == '1') rig.display.DisplayPowerChanged(e == '1');
            if (e == 'b' || e == 'm') rig.display.PowerSourceChanged(e == 'b');
            if (e == 'u') rig.platform.UnloadWindow();
            if (e == 't') rig.display.Tick(), ticks += rig.display.automaton().ChangeHistory() != history || rig.platform.presents.size() != presents ? '+' : '-';
        }
        EXPECT_EQ(Calls(rig.platform.journal), r.journal) << r.what;
        EXPECT_EQ(ticks, r.ticks) << r.what;
    }
}

// Reduce flashing, stored or as the system asks under Auto: a generation's picture at least 0.18 s after
// the last one shown (the clock passing midnight shows it), and the next one shown no later than the first
// tick after that; at 200 ms between generations and more, every one, blending as before. Off, or Auto on an
// ordinary system: every generation at once, blending where Smooth is on.
TEST(SaverDisplayFlashes, AGenerationsPictureWaitsWhileTheLastIsNew) {
    const struct { const char* what; const char* stored; bool lessMotion; int speed; bool smooth, held, blends; float start = 100; } rows[] = {
        {"Auto, an ordinary system", nullptr, false, 100, true, false, true},
        {"Auto, less motion asked", nullptr, true, 100, true, true, false},
        {"on", "On", false, 20, false, true, false},
        {"off, less motion asked", "off", true, 20, true, false, false},
        {"unusable: Auto", "sometimes", true, 20, false, true, false},
        {"on, at 300 ms", "on", false, 300, true, false, true},
        {"on, at 200 ms", "on", false, 200, true, false, true},
        {"on, across midnight", "on", false, 20, false, true, false, 86399.9f},
        {"on, every tick at the instant of the load", "on", false, 0, false, true, false},
    };
    for (const auto& r : rows) {
        DisplayRig rig;
        rig.platform.lessMotion = r.lessMotion;
        rig.store.Put(kApplicationTitle, kSettingsSection, "Speed", std::to_string(r.speed));
        rig.store.Put(kApplicationTitle, kSettingsSection, "Palette", "Ocean");
        if (r.smooth) rig.store.Put(kApplicationTitle, kSettingsSection, "Smooth", "True");
        if (r.stored) rig.store.Put(kApplicationTitle, kSettingsSection, "ReduceFlashing", r.stored);
        rig.Load(r.start);
        rig.display.Resize();
        double clock = r.start, last = r.start;  // the times of the tick and of the last picture shown
        int shown = 0, ticks = 0, wrong = 0;
        for (; ticks < 60; ++ticks) {
            clock += r.speed / 1000.0;
            rig.platform.now = static_cast<float>(std::fmod(clock, 86400.0));
            const std::size_t before = rig.platform.presents.size();
            rig.display.Tick();
            for (int f = 0; f < 20; ++f) rig.display.FrameTick();
            if (rig.platform.presents.size() == before) {
                wrong += !r.held || clock - last >= 0.18 + 1e-3;  // held only while the last is new
                continue;
            }
            const bool midnight = std::floor(clock / 86400) != std::floor(last / 86400);
            wrong += r.held && clock - last < 0.18 - 1e-3 && !midnight;
            last = clock, ++shown;
        }
        EXPECT_EQ(wrong, 0) << r.what;
        EXPECT_EQ(shown < ticks, r.held) << r.what << " " << shown;
        // Blends only where every generation is shown.
        const bool blended = std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 17")) > 0;
        EXPECT_EQ(blended, r.blends) << r.what;
    }
    // A picture exactly the least time after the last is shown; one a moment sooner waits.
    DisplayRig rig;
    rig.store.Put(kApplicationTitle, kSettingsSection, "Speed", "20");
    rig.store.Put(kApplicationTitle, kSettingsSection, "ReduceFlashing", "On");
    rig.Load(0.0f);
    std::vector<int> shown;
    for (const float t : {0.17f, kFlashFreeSeconds, 0.3f}) {
        const std::size_t before = rig.platform.presents.size();
        rig.platform.now = t;
        rig.display.Tick();
        shown.push_back(rig.platform.presents.size() > before);
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0}));
}

// The burn-in guard on a block that stays: its cells show their bitmap for 30 s, then dim step by step
// to black, a step every 5 s on the generations' ticks or, with generations 20 s apart, on the frame
// clock's; a cell born after that shows at full strength. The steps keep their cadence, and after the
// clock stood still for two of them (10 s) start again from then; a clock passing midnight takes a
// step at once. Off, the block stays as it is.
TEST(SaverDisplayGuard, AStillPictureDimsOnTheClockAndNewCellsShowAtFullStrength) {
    const struct { const char* what; const char* stored; int speed; bool frameClock; float start; } rows[] = {
        {"off", nullptr, 300, false, 1000}, {"unusable: off", "maybe", 300, false, 1000},
        {"on, at 300 ms", "True", 300, false, 1000}, {"on, 20 s apart", "True", 20000, true, 1000},
        {"on, 20 s apart, past midnight at 52 s", "True", 20000, true, 86348},
    };
    for (const auto& r : rows) {
        DisplayRig rig;
        rig.store.Put(kApplicationTitle, kSettingsSection, "Speed", std::to_string(r.speed));
        if (r.stored) rig.store.Put(kApplicationTitle, kSettingsSection, "BurnInGuard", r.stored);
        rig.platform.now = r.start;
        rig.display.Load();
        // The load starts the frame clock where the guard needs it between generations.
        const bool ticked = std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 1000")) > 0;
        EXPECT_EQ(ticked, r.frameClock && r.stored && std::string(r.stored) == "True") << r.what;
        rig.display.Resize();
        rig.display.automaton().reseeding = false;
        CellGrid block(rig.display.maxCol(), rig.display.maxRow());
        for (auto [x, y] : {std::pair{3, 4}, {4, 4}, {3, 5}, {4, 5}}) block.Set(x, y, CellGrid::kLive);
        rig.display.PlaceCells(block);
        const uint32_t full = rig.display.frame().Pixel(35, 45);
        ASSERT_NE(full, 0u) << r.what;
        const bool guarded = r.stored && std::string(r.stored) == "True";
        // A second at a time, the clock standing still from 101 to 109 s; the generations' ticks at
        // their pace, the frame clock's every second.
        int firstDim = -1, dark = -1, longest = 0, run = 0;
        uint32_t last = full;
        for (int t = 1; t <= 200; ++t) {
            if (t > 100 && t < 110) continue;
            rig.platform.now = std::fmod(r.start + static_cast<float>(t), 86400.0f);
            if (t * 1000 % r.speed < 1000) rig.display.Tick();
            rig.display.FrameTick();
            const uint32_t pixel = rig.display.frame().Pixel(35, 45);
            run = pixel == last && pixel != 0 ? run + 1 : 0, longest = std::max(longest, run), last = pixel;
            if (pixel != full && firstDim < 0) firstDim = t;
            if (pixel == 0 && dark < 0) dark = t;
        }
        if (!guarded) {
            EXPECT_EQ(std::pair(firstDim, last), std::pair(-1, full)) << r.what;
            continue;
        }
        // A step at 5 s takes up the block, six hold it, and the eighth is the first of 24 toward
        // black: 20 steps by 100 s, the 21st at 110 s when the clock goes on, the 31st 50 s later.
        EXPECT_EQ(std::pair(firstDim, dark), std::pair(40, 160)) << r.what;
        EXPECT_LE(longest, 39) << r.what;
        // A cell born beside the dark block shows its bitmap as it always has; the block stays dark.
        block.Set(10, 10, CellGrid::kLive);
        rig.display.PlaceCells(block);
        EXPECT_EQ(std::pair(rig.display.frame().Pixel(105, 105), rig.display.frame().Pixel(35, 45)), std::pair(full, 0u)) << r.what;
        // With the monitors off the frame clock stops, and it runs again when one comes back.
        rig.platform.journal.clear();
        const int stops = rig.platform.frameStops;
        rig.display.DisplayPowerChanged(false);
        rig.display.DisplayPowerChanged(true);
        EXPECT_EQ(rig.platform.frameStops, stops + 1 + !r.frameClock) << r.what;
        const Strings restarted = r.frameClock ? Strings{"StopTimer", "StartFrameTimer 1000", "StartTimer 20000"}
                                               : Strings{"StopTimer", "StartTimer 300"};
        EXPECT_EQ(rig.platform.journal, restarted) << r.what;
        // Once the saver has ended, a monitor coming back starts nothing.
        rig.display.Unload();
        rig.platform.journal.clear();
        rig.display.DisplayPowerChanged(false);
        rig.display.DisplayPowerChanged(true);
        EXPECT_EQ(std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 1000")), 0) << r.what;
    }
    // Generations 300 ms apart: the steps keep to every 5 s, each at the first tick after, so the block
    // is dark at the first tick after 155 s.
    {
        DisplayRig rig;
        rig.store.Put(kApplicationTitle, kSettingsSection, "BurnInGuard", "True");
        rig.Load(1000);
        rig.display.Resize();
        rig.display.automaton().reseeding = false;
        CellGrid block(rig.display.maxCol(), rig.display.maxRow());
        for (auto [x, y] : {std::pair{3, 4}, {4, 4}, {3, 5}, {4, 5}}) block.Set(x, y, CellGrid::kLive);
        rig.display.PlaceCells(block);
        int tick = 0;
        while (rig.display.frame().Pixel(35, 45) != 0 && tick < 1000) {
            rig.platform.now = 1000.0f + 0.3f * static_cast<float>(++tick);
            rig.display.Tick();
        }
        EXPECT_NEAR(0.3 * tick, 155.1, 0.01);
    }
    // Under Smooth, the frame clock goes on at the guard's pace once a blend is done, and again after
    // the monitors were off.
    {
        DisplayRig rig;
        for (auto [key, text] : {std::pair{"Smooth", "True"}, {"Speed", "20000"}, {"BurnInGuard", "True"}})
            rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig.Load();
        rig.display.Resize();
        rig.display.Tick();
        ASSERT_EQ(std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 17")), 1);
        for (int frame = 0; frame < 2000 && rig.platform.journal.back() != "StartFrameTimer 1000"; ++frame) rig.display.FrameTick();
        EXPECT_EQ(rig.platform.journal.back(), "StartFrameTimer 1000");
        rig.display.DisplayPowerChanged(false);
        rig.platform.journal.clear();
        rig.display.DisplayPowerChanged(true);
        EXPECT_EQ(std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 1000")), 1);
    }
    // Generations a second apart need no frame clock; a millisecond more do.
    for (const int speed : {1000, 1001}) {
        DisplayRig rig;
        rig.store.Put(kApplicationTitle, kSettingsSection, "Speed", std::to_string(speed));
        rig.store.Put(kApplicationTitle, kSettingsSection, "BurnInGuard", "True");
        rig.display.Load();
        EXPECT_EQ(std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 1000")), speed > 1000) << speed;
    }
    // Loaded with the monitors off, the frame clock waits for one to come on.
    DisplayRig rig;
    rig.store.Put(kApplicationTitle, kSettingsSection, "Speed", "20000");
    rig.store.Put(kApplicationTitle, kSettingsSection, "BurnInGuard", "True");
    rig.display.DisplayPowerChanged(false);
    rig.display.Load();
    EXPECT_EQ(std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 1000")), 0);
    rig.display.DisplayPowerChanged(true);
    EXPECT_EQ(std::ranges::count(rig.platform.journal, std::string("StartFrameTimer 1000")), 1);
}

// Colours in other TrueColor layouts, as values and then as the picture's bytes, against a plain reference: each
// channel rounded in floating point, the bits outside the channels set, the bytes placed one by one. Every level of
// every channel, and random colours.
TEST(PixelFormat, MatchesAPlainReference) {
    std::vector<uint32_t> colours;
    std::mt19937 random(5);
    for (uint32_t c = 0; c < 256; ++c) colours.push_back(c << 16 | (255 - c) << 8 | (c * 7 & 0xFF));
    for (int i = 0; i < 1000; ++i) colours.push_back(random() & 0xFFFFFF);
    // With the size of a value that is the pixel as it is, on a little-endian machine.
    const struct { uint32_t red, green, blue; int depth, bits; bool msb; int direct; } formats[] = {
        {0xFF0000, 0xFF00, 0xFF, 24, 32, false, 4}, {0xF800, 0x7E0, 0x1F, 16, 16, false, 2},
        {0xF800, 0x7E0, 0x1F, 16, 16, true, 0},     {0x7C00, 0x3E0, 0x1F, 15, 16, false, 2},
        {0x3FF00000, 0xFFC00, 0x3FF, 30, 32, false, 4}, {0x3FF, 0xFFC00, 0x3FF00000, 30, 32, true, 0},
        {0xFF, 0xFF00, 0xFF0000, 24, 32, false, 4}, {0xFF0000, 0xFF00, 0xFF, 24, 24, false, 0},
        {0xFF0000, 0xFF00, 0xFF, 24, 24, true, 0},  {0xFF0000, 0xFF00, 0xFF, 32, 32, false, 0},
    };
    for (const auto& f : formats) {
        const PixelFormat format(f.red, f.green, f.blue, f.depth, f.bits, f.msb);
        const int bytes = f.bits / 8;
        std::vector<unsigned char> converted(colours.size() * bytes + 1, 0xA5), expected;
        std::vector<uint32_t> values;
        for (uint32_t rgb : colours) values.push_back(format.Value(rgb));
        format.Convert(values.data(), int(values.size()), converted.data());
        for (uint32_t rgb : colours) {
            uint32_t value = (f.depth == 32 ? ~0u : (1u << f.depth) - 1) & ~(f.red | f.green | f.blue);
            for (auto [mask, c] : {std::pair{f.red, rgb >> 16}, {f.green, rgb >> 8 & 0xFF}, {f.blue, rgb & 0xFF}}) {
                int shift = 0;
                while ((mask >> shift & 1) == 0) ++shift;
                value |= uint32_t(std::lround(c * double(mask >> shift) / 255)) << shift;
            }
            for (int b = 0; b < bytes; ++b) expected.push_back(uint8_t(value >> 8 * (f.msb ? bytes - 1 - b : b)));
        }
        expected.push_back(0xA5);  // nothing written beyond
        EXPECT_TRUE(converted == expected && format.DirectBytes() == f.direct) << f.red << " " << f.depth << f.msb;
    }
    EXPECT_EQ(PixelFormat().DirectBytes(), 4);
}

}  // namespace
}  // namespace tovra
