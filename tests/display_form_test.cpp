// The display form: the order of its start-up, its geometry, the sprites and
// drawing, and what unloading releases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "automaton/Random.h"
#include "display/DisplayForm.h"
#include "settings/SaverSettings.h"
#include "settings/SettingsStore.h"
#include "support/DisplayFakes.h"

namespace tovra {
namespace {

using test::FakeDisplayPlatform;

// A memory store whose reads also go into the platform's journal.
class JournalStore : public MemorySettingsStore {
public:
    explicit JournalStore(std::vector<std::string>& journal) : journal_(journal) {}
    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override {
        journal_.push_back("GetSetting " + key);
        return MemorySettingsStore::GetSetting(application, section, key, defaultText);
    }
    void Set(const std::string& key, const std::string& text) { Put(kApplicationTitle, kSettingsSection, key, text); }

private:
    std::vector<std::string>& journal_;
};

struct FormRig {
    FakeDisplayPlatform platform;
    JournalStore store{platform.journal};
    RuntimeRandom random{5};
    bool preview = false;
    DisplayForm form{platform, store, random, preview};
};

std::vector<std::string> Without(const std::vector<std::string>& journal, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& entry : journal)
        if (entry.rfind(prefix, 0) != 0) out.push_back(entry);
    return out;
}

TEST(DisplayFormLoad, FullScreenStepsInOrder) {
    FormRig rig;
    rig.form.Form_Load();
    const std::vector<std::string> expected = {
        "LoadBitmap C:\\Savers\\cell.bmp",
        "LoadBitmap C:\\Savers\\cellyellow.bmp",
        "LoadBitmap C:\\Savers\\cellgreen.bmp",
        "LoadBitmap C:\\Savers\\cellblue.bmp",
        "LoadBitmap C:\\Savers\\cellpurple.bmp",
        "LoadBitmap C:\\Savers\\deadcell.bmp",
        "GetSetting Rainbow",
        "GetSetting Color",
        "GetSetting Torus",
        "GetSetting Speed",
        "GetSetting Delay",
        "StartTimer 300",
        "SaverRunning 1",
        "GetRegValue Control Panel\\Desktop ScreenSaveUsePassword",
        "HideCursor",
        "StartTimer 300",  // StartGenerations enables the timer again
    };
    EXPECT_EQ(Without(rig.platform.journal, "CreateDC"), expected);
    EXPECT_EQ(rig.form.sngLastExitRequest(), 100.0f);
    EXPECT_EQ(rig.form.intMaxCol(), 49);
    EXPECT_EQ(rig.form.intMaxRow(), 49);
    // The seeding drew every live cell of the 50 x 50 grid in red into the
    // frame of the 640 x 480 client area (rows 48 and 49 lie below it), and
    // the window was handed the frame whole.
    const CellGrid& grid = rig.form.automaton().blnGrid;
    const uint32_t red = FakeDisplayPlatform::SpriteColor(rig.form.lngColorDCs()[0]);
    EXPECT_GT(grid.Population(), 0u);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(rig.form.frame().Pixel(10 * x + 9, 10 * y + 9), grid.IsLive(x, y) ? red : 0u);
    const std::vector<std::vector<FrameRect>> whole = {{{0, 0, 640, 480}}};
    EXPECT_EQ(rig.platform.presents, whole);
    // Defaults: torus, no rainbow, 2000 ticks between seedings.
    EXPECT_TRUE(rig.form.automaton().blnTorus);
    EXPECT_FALSE(rig.form.automaton().blnRainbow);
    EXPECT_EQ(rig.form.automaton().intSeedDelay, 2000);
}

TEST(DisplayFormLoad, PreviewNeitherAnnouncesNorHidesTheCursor) {
    FormRig rig;
    rig.preview = true;
    rig.form.Form_Load();
    const auto& j = rig.platform.journal;
    EXPECT_EQ(std::count(j.begin(), j.end(), "SaverRunning 1"), 0);
    EXPECT_EQ(std::count(j.begin(), j.end(), "HideCursor"), 0);
    EXPECT_EQ(std::count(j.begin(), j.end(), "GetRegValue Control Panel\\Desktop ScreenSaveUsePassword"), 1);
    EXPECT_EQ(rig.form.sngLastExitRequest(), 0.0f);
    EXPECT_TRUE(rig.form.automaton().blnPreview);
}

TEST(DisplayFormLoad, StoredSettingsSteerTheForm) {
    struct Case {
        const char* color;
        const char* speed;
        int colorIndex;
        int interval;
    };
    const Case cases[] = {
        {"4", "150", 4, 150},
        {"2", "0", 2, 1},       // 0 would stop the generations: fastest rate instead
        {"7", "300", 0, 300},   // colour out of range: the default
        {"1", "-5", 1, 300},    // negative speed: the default
    };
    for (const auto& c : cases) {
        FormRig rig;
        rig.store.Set("Color", c.color);
        rig.store.Set("Speed", c.speed);
        rig.store.Set("Rainbow", "false");
        rig.store.Set("Torus", "0");
        rig.store.Set("Delay", "12.5");
        rig.form.Form_Load();
        EXPECT_EQ(rig.form.lngCellDC(), rig.form.lngColorDCs()[c.colorIndex]) << c.color;
        EXPECT_EQ(rig.platform.timerMs, c.interval) << c.speed;
        EXPECT_FALSE(rig.form.automaton().blnTorus);
        EXPECT_EQ(rig.form.automaton().intSeedDelay, 12);  // half to even
    }
}

TEST(DisplayFormLoad, PasswordSwitch) {
    const std::pair<const char*, bool> cases[] = {
        {"Not Found", false}, {"", false}, {"0", false}, {"000", false}, {"001", true}, {"1", true}};
    for (auto [text, on] : cases) {
        FormRig rig;
        rig.platform.regValue = text;
        rig.form.Form_Load();
        EXPECT_EQ(rig.form.blnUsePassword(), on) << text;
    }
}

TEST(DisplayFormGeometry, GridFollowsTheClientArea) {
    struct Case {
        double w, h;
        int maxCol, maxRow;
    };
    const Case cases[] = {
        {1024, 768, 101, 75}, {152, 112, 14, 10}, {10, 10, 0, 0}, {19, 29, 0, 1},
        {9, 300, -1, 29},     // narrower than a cell: no columns at all
        {7680, 4320, 767, 431},
    };
    for (const auto& c : cases) {
        FormRig rig;
        rig.form.Form_Load();
        rig.platform.width = c.w;
        rig.platform.height = c.h;
        rig.form.Form_Resize();
        EXPECT_EQ(rig.form.intMaxCol(), c.maxCol) << c.w;
        EXPECT_EQ(rig.form.intMaxRow(), c.maxRow) << c.h;
        EXPECT_EQ(rig.form.automaton().blnGrid.Population(), 0u);
    }
}

TEST(DisplayFormGeometry, ResizeToTheSameSizeEmptiesTheGrid) {
    FormRig rig;
    rig.form.Form_Load();
    rig.form.Form_Resize();
    rig.form.tmrTovra_Timer();
    ASSERT_GT(rig.form.automaton().blnGrid.Population(), 0u);
    rig.form.Form_Resize();
    EXPECT_EQ(rig.form.automaton().blnGrid.Population(), 0u);
    EXPECT_EQ(rig.form.intMaxCol(), 63);
}

TEST(DisplayFormGeometry, WindowWithoutCellsRunsAndDrawsNothing) {
    FormRig rig;
    rig.form.Form_Load();
    rig.platform.width = 5;
    rig.platform.height = 5;
    rig.form.Form_Resize();
    rig.platform.presents.clear();
    for (int i = 0; i < 30; ++i) rig.form.tmrTovra_Timer();
    EXPECT_TRUE(rig.platform.presents.empty());
}

TEST(Sprites, SnappingRoundsHalfToEven) {
    const std::pair<int, int> cases[] = {{30, 3}, {14, 1}, {16, 2}, {15, 2}, {25, 2}, {35, 4}, {0, 0}, {7670, 767}};
    for (auto [pixel, cell] : cases) EXPECT_EQ(SnapToCell(pixel), cell) << pixel;
    for (int pixel = -400; pixel <= 400; ++pixel)
        ASSERT_EQ(SnapToCell(pixel), static_cast<int>(std::nearbyint(pixel / 10.0))) << pixel;
}

TEST(Sprites, DrawingPlacesTheSpriteOnTheCell) {
    FormRig rig;
    rig.form.Form_Load();
    rig.form.Form_Resize();
    rig.form.DrawLiveCell(30, 20);
    rig.form.DrawDeadCell(15, 25);  // snapped to (20, 20)
    const CellFrame& f = rig.form.frame();
    const uint32_t red = FakeDisplayPlatform::SpriteColor(rig.form.lngColorDCs()[0]);
    const uint32_t dead = FakeDisplayPlatform::SpriteColor(rig.form.lngDeadCellDC());
    EXPECT_EQ(f.Pixel(30, 20), red);
    EXPECT_EQ(f.Pixel(39, 29), red);
    EXPECT_EQ(f.Pixel(20, 20), dead);
    EXPECT_EQ(f.Pixel(29, 29), dead);
    EXPECT_EQ(f.Pixel(40, 20), 0u);
}

TEST(Sprites, MissingFilesGiveNoSpriteAndNoDrawing) {
    FormRig rig;
    rig.platform.missingFiles = {"C:\\Savers\\cellgreen.bmp", "C:\\Savers\\deadcell.bmp"};
    rig.store.Set("Color", "2");
    rig.form.Form_Load();
    EXPECT_EQ(rig.form.lngColorDCs()[2], 0);
    EXPECT_EQ(rig.form.lngDeadCellDC(), 0);
    EXPECT_GT(rig.form.lngColorDCs()[3], 0);
    // The failed loads left no context behind.
    EXPECT_EQ(rig.platform.LiveObjects(), 8u);  // four sprites, each a context and a bitmap
    rig.form.Form_Resize();
    rig.platform.presents.clear();
    for (int i = 0; i < 5; ++i) rig.form.tmrTovra_Timer();
    EXPECT_TRUE(rig.platform.presents.empty());
    EXPECT_GT(rig.form.automaton().blnGrid.Population(), 0u);  // the automaton runs on
}

TEST(Sprites, NoContextMeansNoFileIsOpened) {
    FormRig rig;
    rig.platform.contextsFail = true;
    rig.form.Form_Load();
    for (SpriteHandle h : rig.form.lngColorDCs()) EXPECT_EQ(h, 0);
    EXPECT_TRUE(Without(Without(rig.platform.journal, "GetSetting"), "LoadBitmap").size() ==
                Without(rig.platform.journal, "GetSetting").size());
}

TEST(Sprites, UnloadReleasesEverySpriteOnce) {
    FormRig rig;
    rig.form.Form_Load();
    ASSERT_EQ(rig.platform.LiveObjects(), 12u);
    rig.platform.journal.clear();
    rig.form.Form_QueryUnload();
    EXPECT_EQ(rig.platform.LiveObjects(), 0u);
    const std::vector<std::string> expected = {
        "DeleteDC 1",  "DeleteObject 2",  "DeleteDC 3",  "DeleteObject 4",  "DeleteDC 5",  "DeleteObject 6",
        "DeleteDC 7",  "DeleteObject 8",  "DeleteDC 9",  "DeleteObject 10", "DeleteDC 11", "DeleteObject 12",
    };
    EXPECT_EQ(rig.platform.journal, expected);
    EXPECT_EQ(FreeSprite(rig.platform, 0), 0);
    EXPECT_EQ(FreeSprite(rig.platform, -3), 0);
    EXPECT_EQ(rig.platform.journal.size(), expected.size());
}

}  // namespace
}  // namespace tovra
