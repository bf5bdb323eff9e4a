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

TEST(DisplayFormLoad, StepsInOrder) {
    const std::vector<std::string> common = {
        "LoadBitmap C:\\Savers\\cell.bmp",      "LoadBitmap C:\\Savers\\cellyellow.bmp",
        "LoadBitmap C:\\Savers\\cellgreen.bmp", "LoadBitmap C:\\Savers\\cellblue.bmp",
        "LoadBitmap C:\\Savers\\cellpurple.bmp", "LoadBitmap C:\\Savers\\deadcell.bmp",
        "GetSetting Rainbow", "GetSetting Color", "GetSetting Torus", "GetSetting Speed", "GetSetting Delay",
    };
    const std::string password = "GetRegValue Control Panel\\Desktop ScreenSaveUsePassword";
    for (bool preview : {false, true}) {
        FormRig rig;
        rig.preview = preview;
        rig.form.Form_Load();
        // A preview neither announces the run nor hides the cursor.
        std::vector<std::string> expected = common;
        if (!preview) expected.push_back("SaverRunning 1");
        expected.push_back(password);
        if (!preview) expected.push_back("HideCursor");
        EXPECT_EQ(Without(Without(rig.platform.journal, "CreateDC"), "StartTimer"), expected);
        EXPECT_EQ(rig.platform.timerMs, 300);
        EXPECT_EQ(rig.form.sngLastExitRequest(), preview ? 0.0f : 100.0f);
        EXPECT_EQ(rig.form.automaton().blnPreview, preview);
    }
}

TEST(DisplayFormLoad, TheFirstSeedingFillsTheWholeFrame) {
    FormRig rig;
    rig.form.Form_Load();
    EXPECT_EQ(rig.form.intMaxCol(), 49);
    EXPECT_EQ(rig.form.intMaxRow(), 49);
    // Every live cell of the 50 x 50 grid in red in the frame of the 640 x 480
    // client area (rows 48 and 49 lie below it), handed to the window whole.
    const CellGrid& grid = rig.form.automaton().blnGrid;
    const uint32_t red = FakeDisplayPlatform::SpriteColor(rig.form.lngColorDCs()[0]);
    EXPECT_GT(grid.Population(), 0u);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(rig.form.frame().Pixel(10 * x + 9, 10 * y + 9), grid.IsLive(x, y) ? red : 0u);
    EXPECT_EQ(rig.platform.presents, (std::vector<std::vector<FrameRect>>{{{0, 0, 640, 480}}}));
}

TEST(DisplayFormLoad, StoredSettingsAndThePasswordSwitchSteerTheForm) {
    const struct {
        const char *rainbow, *color, *torus, *speed, *delay, *password;
        bool rainbowOn;
        int colorIndex;
        bool torusOn;
        int interval, seedDelay;
        bool passwordOn;
    } rows[] = {
        {"", "", "", "", "", "Not Found", false, 0, true, 300, 2000, false},  // the defaults
        {"false", "4", "0", "150", "12.5", "001", false, 4, false, 150, 12, true},
        // A speed of 0 would stop the generations; Rainbow picks colours of its own (-1: not checked).
        {"True", "2", "1", "0", "3", "0", true, -1, true, 1, 3, false},
        {"x", "7", "x", "-5", "x", "1", false, 0, true, 300, 2000, true},
    };
    for (const auto& r : rows) {
        FormRig rig;
        const std::pair<const char*, const char*> stored[] = {
            {"Rainbow", r.rainbow}, {"Color", r.color}, {"Torus", r.torus}, {"Speed", r.speed}, {"Delay", r.delay}};
        for (auto [key, text] : stored)
            if (*text) rig.store.Set(key, text);
        rig.platform.regValue = r.password;
        rig.form.Form_Load();
        const Automaton& a = rig.form.automaton();
        EXPECT_EQ(a.blnRainbow, r.rainbowOn) << r.rainbow;
        if (r.colorIndex >= 0) {
            EXPECT_EQ(rig.form.lngCellDC(), rig.form.lngColorDCs()[r.colorIndex]) << r.color;
        }
        EXPECT_EQ(a.blnTorus, r.torusOn) << r.torus;
        EXPECT_EQ(rig.platform.timerMs, r.interval) << r.speed;
        EXPECT_EQ(a.intSeedDelay, r.seedDelay) << r.delay;
        EXPECT_EQ(rig.form.blnUsePassword(), r.passwordOn) << r.password;
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
