// The display: the off-screen frame against a plain reference, and the display form (start-up,
// geometry, sprites and drawing, how a run ends, what unloading releases) on a recording platform.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <utility>

#include "automaton/Random.h"
#include "display/DisplayForm.h"
#include "settings/SaverSettings.h"

namespace tovra {
namespace {

// Random drawing (also beside the frame) against the bitmap corner last drawn
// on each cell. The rectangles handed on cover every changed cell once, begin
// and end on changed cells, join a row's changed cells exactly across gaps up
// to the join gap, and continue a rectangle of the same columns from the row above.
TEST(CellFrame, MatchesAPlainReference) {
    constexpr int kWidth = 1285, kHeight = 157, kCols = 129, kRows = 16, kStride = kWidth + 5;
    std::vector<uint32_t> bits(16 * 20);  // every pixel tells its place, so a shifted copy shows
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint32_t>(i + 1);
    // Bitmaps of these sizes, from (s, s) of `bits`; sprite 2 did not load.
    const std::pair<int, int> sizes[] = {{12, 12}, {7, 3}, {0, 0}, {0, 5}, {5, 0}};
    SpritePixels sprites[5];
    for (int s : {0, 1, 3, 4}) sprites[s] = SpriteFromBitmap(&bits[s * 17], sizes[s].first, sizes[s].second, 16);
    const auto pixel = [&](int s, int x, int y) { return x < sizes[s].first && y < sizes[s].second ? bits[s * 17 + y * 16 + x] : 0u; };
    for (const int gap : {-1, 0, 1, 3, 100}) {
        std::mt19937 rng(static_cast<unsigned>(gap) + 7);
        std::vector<uint32_t> memory(static_cast<std::size_t>(kStride) * kHeight, 0xEEEEEE);
        CellFrame frame;
        frame.Resize(kWidth, kHeight, gap == 1 ? FrameMemory{memory.data(), kStride} : FrameMemory{});  // the platform's, wider
        frame.SetJoinGap(gap);
        const int join = std::max(gap, 0);
        EXPECT_EQ(frame.TakeChanges(), std::vector<FrameRect>({{0, 0, kWidth, kHeight}}));
        std::vector<int> shown(kCols * kRows, 3);  // the sprite each cell shows; 3 = black
        for (int round = 0; round < 12; ++round) {
            std::vector<char> changed(kCols * kRows, 0);
            for (int i = static_cast<int>(rng() % 400); i > 0; --i) {
                const int col = static_cast<int>(rng() % (kCols + 2)) - 1;
                const int row = static_cast<int>(rng() % (kRows + 2)) - 1, s = static_cast<int>(rng() % 5);
                frame.DrawCell(col, row, sprites[s]);
                if (col < 0 || row < 0 || col >= kCols || row >= kRows || s == 2) continue;
                changed[row * kCols + col] |= sprites[shown[row * kCols + col]].pixels != sprites[s].pixels;
                shown[row * kCols + col] = s;
            }
            std::vector<int> cover(kCols * kRows, 0);
            const std::vector<FrameRect> rects = frame.TakeChanges();
            for (const FrameRect& r : rects) {
                ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x % 10 == 0 && r.y % 10 == 0 && r.width > 0 && r.height > 0 &&
                            r.x + r.width <= kWidth && r.y + r.height <= kHeight);
                const int c0 = r.x / 10, c1 = (r.x + r.width - 1) / 10;
                bool edgesChanged = true, gapsShort = true, joined = true, continued = true;
                for (int row = r.y / 10; row * 10 < r.y + r.height; ++row) {
                    const char* cells = &changed[row * kCols];
                    edgesChanged &= cells[c0] && cells[c1];
                    for (int col = c0, unchanged = 0; col <= c1; ++col) {
                        ++cover[row * kCols + col];
                        unchanged = cells[col] ? 0 : unchanged + 1;
                        gapsShort &= unchanged <= join;
                    }
                    for (int k = 1; k <= join + 1; ++k) joined &= !(c0 - k >= 0 && cells[c0 - k]) && !(c1 + k < kCols && cells[c1 + k]);
                }
                for (const FrameRect& below : rects) continued &= !(below.x == r.x && below.width == r.width && below.y == r.y + r.height);
                ASSERT_TRUE(edgesChanged && gapsShort && joined && continued)
                    << "gap " << gap << " at " << r.x << "," << r.y << ": " << edgesChanged << gapsShort << joined << continued;
            }
            int covered = 0;  // cells shown twice, or changed and not shown
            for (int cell = 0; cell < kCols * kRows; ++cell) covered += cover[cell] > 1 || cover[cell] < changed[cell];
            ASSERT_EQ(covered, 0) << "gap " << gap;
            int wrong = 0;  // pixels unlike the sprite last drawn on their cell, or drawn beside the frame
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x)
                    wrong += frame.Pixel(x, y) != pixel(shown[y / 10 * kCols + x / 10], x % 10, y % 10);
                wrong += gap == 1 && memory[static_cast<std::size_t>(y) * kStride + kWidth] != 0xEEEEEEu;
            }
            ASSERT_EQ(wrong, 0) << "gap " << gap << ", round " << round;
        }
    }
}

// A display platform that records its calls in one journal, so tests can
// check both what the display form did and in which order.
class FakeDisplayPlatform : public DisplayPlatform {
public:
    std::vector<std::string> journal;
    std::set<std::string> missingFiles;  // paths whose bitmap fails to load
    bool passwordAccepts = false;
    double width = 640, height = 480;
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
    // Each sprite draws a plain square in a colour of its own.
    static uint32_t SpriteColor(GdiHandle sprite) { return 0x100000u + static_cast<uint32_t>(sprite); }
    SpritePixels SpritePixelsOf(GdiHandle sprite) override { SpritePixels p{true, {}}; return p.pixels.fill(SpriteColor(sprite)), p; }
    FrameMemory AllocateFrame(int, int) override { return {}; }
    void PresentFrame(const CellFrame&, const std::vector<FrameRect>& parts) override { presents.push_back(parts); }
    void StartTimer(uint32_t ms) override { Log("StartTimer " + std::to_string(ms)); }
    void StopTimer() override { Log("StopTimer"); }
    float SecondsSinceMidnight() override {
        const float t = clockReadings.empty() ? now : clockReadings.front();
        return clockReadings.erase(clockReadings.begin(), clockReadings.begin() + !clockReadings.empty()), t;
    }
    std::string ProgramFolder() override { return "C:\\Savers"; }
    double ScaleWidth() override { return width; }
    double ScaleHeight() override { return height; }
    void SetScreenSaverRunning(bool running) override { Log(running ? "SaverRunning 1" : "SaverRunning 0"); }
    void ShowCursor(bool show) override { Log(show ? "ShowCursor" : "HideCursor"); }
    std::string GetRegValue(const std::string& key, const std::string& name) override { return Log("GetRegValue " + key + " " + name), regValue; }
    bool VerifyScreenSavePwd() override { return Log("VerifyScreenSavePwd"), duringVerify(), passwordAccepts; }
    void UnloadForm() override { Log("Unload"), onUnload(); }
};

using Strings = std::vector<std::string>;

// A form whose unload the runtime carries out as a window would.
struct FormRig {
    FakeDisplayPlatform platform;
    MemorySettingsStore store;
    RuntimeRandom random{5};
    bool preview = false, unloaded = false;
    DisplayForm form{platform, store, random, preview};
    std::vector<char> seen;  // cells live at some time since the last resize

    explicit FormRig(bool asPreview = false, const char* password = "0") {
        preview = asPreview;
        platform.regValue = password;
        platform.onUnload = [this] { unloaded = true, form.Form_QueryUnload(), form.Form_Unload(); };
    }
    // Loads at `time` seconds past midnight; the journal starts afresh after it.
    void Load(float time = 100.0f) { platform.now = time, form.Form_Load(), platform.journal.clear(); }
    // The frame against a plain reference: each cell shows the dead sprite where it was live
    // before, black where it never was. Returns the colours of the live cells.
    std::set<uint32_t> CheckFrame() {
        const CellGrid& grid = form.automaton().blnGrid;
        std::set<uint32_t> colours;
        int wrong = 0;
        seen.resize(grid.CellCount());
        for (int y = 0; y <= grid.MaxRow() && 10 * y < form.frame().Height(); ++y)
            for (int x = 0; x <= grid.MaxCol() && 10 * x < form.frame().Width(); ++x) {
                const uint32_t pixel = form.frame().Pixel(10 * x, 10 * y);
                char& s = seen[static_cast<std::size_t>(y) * grid.Columns() + x];
                if ((s |= grid.IsLive(x, y)) && grid.IsLive(x, y)) colours.insert(pixel);
                else wrong += pixel != (s ? FakeDisplayPlatform::SpriteColor(form.lngDeadCellDC()) : 0u);
            }
        EXPECT_EQ(wrong, 0);
        return colours;
    }
    uint32_t Colour(int index) { return FakeDisplayPlatform::SpriteColor(form.lngColorDCs()[index]); }
};

TEST(DisplayFormLoad, StepsInOrderAndTheStoredSettingsSteerTheForm) {
    // `colour`: the sprite the first seeding draws live cells with; -1: all five (Rainbow).
    const struct { bool preview; const char *rainbow, *color, *torus, *speed, *delay; int colour; bool torusOn; int16_t delayOn; const char* timer; } rows[] = {
        {false, nullptr, nullptr, nullptr, nullptr, nullptr, 0, true, 2000, "StartTimer 300"},
        // A speed of 0 would stop the generations: the timer's fastest rate instead.
        {false, "false", "4", "0", "0", "12", 4, false, 12, "StartTimer 1"},
        {true, "True", "2", "1", "150", "3", -1, true, 3, "StartTimer 150"},
    };
    for (const auto& r : rows) {
        FormRig rig(r.preview);
        const std::pair<const char*, const char*> stored[] = {
            {"Rainbow", r.rainbow}, {"Color", r.color}, {"Torus", r.torus}, {"Speed", r.speed}, {"Delay", r.delay}};
        for (auto [key, text] : stored)
            if (text) rig.store.Put(kApplicationTitle, kSettingsSection, key, text);
        rig.form.Form_Load();
        Strings expected = {r.timer, "SaverRunning 1", "GetRegValue Control Panel\\Desktop ScreenSaveUsePassword", "HideCursor", r.timer};
        for (const char* file : {"deadcell", "cellpurple", "cellblue", "cellgreen", "cellyellow", "cell"})
            expected.insert(expected.begin(), std::string("LoadBitmap C:\\Savers\\") + file + ".bmp");
        // A preview neither announces the run nor hides the cursor.
        if (r.preview) std::erase_if(expected, [](const std::string& e) { return e == "SaverRunning 1" || e == "HideCursor"; });
        EXPECT_EQ(rig.platform.journal, expected);
        EXPECT_EQ(rig.form.automaton().blnPreview, r.preview);
        EXPECT_TRUE(rig.form.automaton().blnTorus == r.torusOn && rig.form.automaton().intSeedDelay == r.delayOn);
        // The 50 x 50 design grid, its first seeding in the frame of the 640 x
        // 480 client area, handed to the window whole.
        EXPECT_EQ(std::pair(rig.form.intMaxCol(), rig.form.intMaxRow()), std::pair(49, 49));
        std::set<uint32_t> colours;
        for (int i = 0; i < 5; ++i)
            if (r.colour < 0 || r.colour == i) colours.insert(rig.Colour(i));
        EXPECT_EQ(rig.CheckFrame(), colours);
        EXPECT_EQ(rig.platform.presents, (std::vector<std::vector<FrameRect>>{{{0, 0, 640, 480}}}));
    }
}

TEST(DisplayFormGeometry, GridFollowsTheClientAreaAndTheFrameTheGrid) {
    const struct { double w, h; int maxCol, maxRow; } cases[] = {
        {640, 480, 63, 47}, {1024, 768, 101, 75}, {19, 29, 0, 1},
        {9, 300, -1, 29},  // narrower than a cell: no columns at all, nothing drawn after the resize
        {7680, 1, 767, -1},  // one pixel high: no rows, yet a frame shown whole
    };
    for (const auto& c : cases) {
        FormRig rig;
        rig.Load();
        rig.form.tmrTovra_Timer();
        rig.platform.width = c.w, rig.platform.height = c.h;
        rig.form.Form_Resize();
        EXPECT_EQ(std::pair(rig.form.intMaxCol(), rig.form.intMaxRow()), std::pair(c.maxCol, c.maxRow)) << c.w;
        EXPECT_EQ(rig.form.automaton().blnGrid.Population(), 0u);
        const auto w = static_cast<int>(c.w), h = static_cast<int>(c.h);
        EXPECT_EQ(rig.platform.presents.back(), (std::vector<FrameRect>{{0, 0, w, h}}));
        const std::size_t presents = rig.platform.presents.size();
        rig.form.StartGenerations();
        for (int tick = 0; tick < 3; ++tick, rig.form.tmrTovra_Timer()) EXPECT_LE(rig.CheckFrame().size(), 1u);
        EXPECT_TRUE((c.maxCol >= 0 && c.maxRow >= 0) || rig.platform.presents.size() == presents) << c.w;
    }
    for (int pixel = -400; pixel <= 400; ++pixel)
        ASSERT_EQ(SnapToCell(pixel), static_cast<int>(std::nearbyint(pixel / 10.0))) << pixel;
}

TEST(Sprites, MissingFilesGiveNoSpriteAndNoDrawingAndUnloadReleasesTheRest) {
    FormRig rig;
    rig.platform.missingFiles = {"C:\\Savers\\cellgreen.bmp", "C:\\Savers\\deadcell.bmp"};
    rig.store.Put(kApplicationTitle, kSettingsSection, "Color", "2");
    rig.Load();
    EXPECT_EQ(rig.form.lngColorDCs()[2] + rig.form.lngDeadCellDC(), 0);
    rig.form.Form_Resize();
    for (int i = 0; i < 5; ++i) rig.form.tmrTovra_Timer();
    EXPECT_EQ(rig.platform.presents.size(), 2u);  // the load and the resize
    EXPECT_GT(rig.form.automaton().blnGrid.Population(), 0u);  // the automaton runs on
    // Four sprites, each a context and a bitmap (none left from the failed
    // loads), released context first; a missing sprite calls nothing.
    rig.form.Form_QueryUnload();
    EXPECT_TRUE(rig.platform.live.empty());
    EXPECT_EQ(rig.platform.journal, (Strings{"DeleteDC 1", "DeleteObject 2", "DeleteDC 3", "DeleteObject 4", "DeleteDC 5",
                                             "DeleteObject 6", "DeleteDC 7", "DeleteObject 8"}));
}

using Input = void (DisplayForm::*)();
constexpr Input Key = &DisplayForm::Form_KeyPress,
                Close = &DisplayForm::Form_CloseRequest, Move = &DisplayForm::Form_MouseMove;
void Send(DisplayForm& form, Input input, int times = 1) { while (times-- > 0) (form.*input)(); }

// The calls after the load, without the sprites' release.
Strings Calls(Strings j) { return std::erase_if(j, [](const std::string& e) { return e.starts_with("Delete"); }), j; }

TEST(ExitInput, WhatEndsTheRun) {
    // Loaded at `load`; the request reads the clock twice (`first`, `second`).
    const struct { const char* what; bool preview; Input input; int times; float load, first, second; bool ends; } rows[] = {
        {"key", false, Key, 1, 100, 100.5f, 100.5f, true},
        {"key inside the quiet half second", false, Key, 1, 100, 100.49f, 100.49f, false},
        {"key at the load's reading", false, Key, 1, 100, 100, 100, false},
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
    };
    for (const auto& r : rows) {
        FormRig rig(r.preview);
        rig.Load(r.load);
        rig.platform.clockReadings = {r.first, r.second};
        rig.platform.now = r.second;
        Send(rig.form, r.input, r.times);
        EXPECT_EQ(rig.unloaded, r.ends) << r.what;
        EXPECT_EQ(rig.form.CloseCommandAllowed(), r.preview) << r.what << ": Alt+F4 ends only a preview";
        if (r.preview) continue;
        rig.platform.now = r.load + 0.5f;  // the next request after the quiet half second ends the run
        if (!r.ends) Send(rig.form, r.input);
        EXPECT_EQ(Calls(rig.platform.journal), (Strings{"Unload", "StopTimer", "ShowCursor", "SaverRunning 0"})) << r.what;
        EXPECT_TRUE(rig.platform.live.empty()) << r.what;
    }
}

TEST(ExitPassword, ARefusalKeepsTheRunAndRestartsTheQuietTime) {
    FormRig rig(false, "1");
    rig.Load();
    rig.platform.clockReadings = {101.0f, 101.0f, 101.25f};  // two for the debounce, one after the dialog
    rig.platform.now = 101.1f;
    // A close request while the dialog is open opens no second one.
    bool sent = false;
    rig.platform.duringVerify = [&] { if (!std::exchange(sent, true)) rig.form.Form_CloseRequest(); };
    rig.form.Form_MouseDown();
    EXPECT_FALSE(rig.unloaded);
    EXPECT_EQ(rig.platform.journal, (Strings{"ShowCursor", "VerifyScreenSavePwd", "HideCursor"}));
    // Quiet for half a second after the dialog, then the very next move asks again.
    rig.platform.journal.clear(), rig.platform.now = 101.74f;
    Send(rig.form, Move, 8);
    EXPECT_TRUE(rig.platform.journal.empty());
    rig.platform.now = 101.75f, rig.platform.passwordAccepts = true;
    rig.form.Form_MouseMove();
    EXPECT_TRUE(rig.unloaded);
    EXPECT_EQ(Calls(rig.platform.journal), (Strings{"ShowCursor", "VerifyScreenSavePwd", "Unload", "StopTimer", "ShowCursor",
                                            "SaverRunning 0", "HideCursor"}));
}

}  // namespace
}  // namespace tovra
