#include "display/DisplayForm.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "settings/SaverSettings.h"
#include "shell/RegValue.h"

namespace tovra {

namespace {

constexpr float kExitDebounceSeconds = 0.5f;
constexpr int kMouseMovesBeforeExit = 8;

}  // namespace

DisplayWorld::DisplayWorld(DisplayForm& form, std::size_t index, RandomStream& random, TimeOfDay& clock)
    : automaton(*this, random, clock), form_(form), index_(index) {}

// A sprite that failed to load is not `loaded` and draws nothing.
void DisplayWorld::DrawLiveCell(int x, int y) {
    form_.frame_.DrawCell(index_, SnapToCell(x), SnapToCell(y), pictures_->live[live_]);
}

void DisplayWorld::DrawDeadCell(int x, int y) {
    form_.frame_.DrawCell(index_, SnapToCell(x), SnapToCell(y), pictures_->dead);
}

DisplayForm::DisplayForm(DisplayPlatform& platform, SettingsStore& store, RandomStream& random,
                         const bool& blnPreview)
    : platform_(platform), store_(store), random_(random), blnPreview_(blnPreview), timer_(platform) {
    worlds_.push_back(std::make_unique<DisplayWorld>(*this, 0, random_, platform_));
}

void DisplayForm::Form_Load() {
    // 1-3. The sprites, from the program's folder.
    const std::string folder = platform_.ProgramFolder();
    for (int i = 0; i < kLiveSpriteCount; ++i) lngColorDCs_[i] = LoadSprite(platform_, folder + kLiveSpriteFiles[i]);
    lngDeadCellDC_ = LoadSprite(platform_, folder + kDeadSpriteFile);
    // What each sprite draws, read once: drawing a cell is then a copy in memory.
    for (int i = 0; i < kLiveSpriteCount; ++i)
        if (lngColorDCs_[i] > 0) colorPixels_[i] = platform_.SpritePixelsOf(lngColorDCs_[i]);
    if (lngDeadCellDC_ > 0) deadPixels_ = platform_.SpritePixelsOf(lngDeadCellDC_);
    pictures_.clear();

    // 5. The settings. A stored value that cannot be used reads as its default.
    const SaverSettings settings = ReadDisplaySettings(store_);
    colorIndex_ = settings.Color;
    cellSize_ = settings.CellSize;
    eachMonitor_ = settings.EachMonitor;
    saveBattery_ = settings.SaveBattery;
    DisplayWorld& world = *worlds_[0];
    world.automaton.blnRainbow = settings.Rainbow;
    world.UseLiveSprite(settings.Color);
    world.automaton.blnTorus = settings.Torus;
    // An interval of 0 would stop the generations for good; 0 is the
    // dialog's fastest setting, so it runs at the timer's fastest rate.
    speedInterval_ = settings.Speed == 0 ? 1 : settings.Speed;
    onBattery_ = platform_.OnBatteryPower();
    timer_.SetInterval(PacedInterval());
    world.automaton.intSeedDelay = settings.Delay;
    world.automaton.blnPreview = blnPreview_;
    // The pattern library is read here, once, and only where a seeding uses
    // it. A folder that cannot be read adds nothing.
    world.automaton.seeding = settings.Seeding;
    if (settings.Seeding != SeedingMode::Random) {
        patternLibrary_.AddBuiltIn();
        std::string problem;
        if (!settings.Patterns.empty())
            patternLibrary_.AddFolder(platform_.PathFromSettingText(settings.Patterns), nullptr, problem);
        world.automaton.patterns = &patternLibrary_;
    }

    // 6. Announce the running saver and start the input debounce.
    if (!blnPreview_) {
        platform_.SetScreenSaverRunning(true);
        sngLastExitRequest_ = platform_.SecondsSinceMidnight();
    }

    // 7. The password switch, in both modes.
    blnUsePassword_ = UsePasswordFromRegText(platform_.GetRegValue(kPasswordSubkey, kPasswordValueName));

    // 4 and 8. The design grid: 50 x 50 cells, all dead, at the pitch of the
    // first world; a black frame of the (still hidden) window's client area.
    WorldArea design = LayoutWorlds({0, 0, static_cast<int>(platform_.ScaleWidth()),
                                     static_cast<int>(platform_.ScaleHeight())},
                                    platform_.Monitors(), cellSize_, false)[0];
    design.columns = design.rows = kDesignGridMax + 1;
    ArrangeWorlds({design});

    // 9. Hide the cursor for the full-screen run.
    if (!blnPreview_) platform_.ShowCursor(false);

    // 10.
    StartGenerations();
}

void DisplayForm::StartGenerations() {
    generationsRunning_ = true;
    timer_.SetEnabled(!displayOff_);
    for (const auto& world : worlds_) world->automaton.SeedGrid();
    PresentChanges();
}

void DisplayForm::Form_Resize() {
    const PixelRect client{0, 0, static_cast<int>(platform_.ScaleWidth()), static_cast<int>(platform_.ScaleHeight())};
    // A preview shows one world, whatever the monitors.
    ArrangeWorlds(LayoutWorlds(client, platform_.Monitors(), cellSize_, eachMonitor_ && !blnPreview_));
    // The frame starts black at the new size; the window shows it whole.
    PresentChanges();
}

void DisplayForm::ArrangeWorlds(const std::vector<WorldArea>& areas) {
    while (worlds_.size() > areas.size()) worlds_.pop_back();
    while (worlds_.size() < areas.size()) {
        worlds_.push_back(std::make_unique<DisplayWorld>(*this, worlds_.size(), random_, platform_));
        ConfigureWorld(*worlds_.back());
    }
    for (std::size_t i = 0; i < areas.size(); ++i) {
        worlds_[i]->area_ = areas[i];
        worlds_[i]->pictures_ = &PicturesAt(areas[i].pitch);
        worlds_[i]->automaton.RedimGrid(areas[i].columns - 1, areas[i].rows - 1);
    }
    const int width = static_cast<int>(platform_.ScaleWidth());
    const int height = static_cast<int>(platform_.ScaleHeight());
    frame_.Resize(width, height, platform_.AllocateFrame(width, height));
    frame_.SetAreas(areas);
}

// A world added after the load runs on the settings of the first.
void DisplayForm::ConfigureWorld(DisplayWorld& world) {
    const Automaton& first = worlds_[0]->automaton;
    world.automaton.blnRainbow = first.blnRainbow;
    world.automaton.blnTorus = first.blnTorus;
    world.automaton.blnPreview = first.blnPreview;
    world.automaton.intSeedDelay = first.intSeedDelay;
    world.automaton.seeding = first.seeding;
    world.automaton.patterns = first.patterns;
    world.UseLiveSprite(colorIndex_);
}

const PitchPictures& DisplayForm::PicturesAt(int pitch) {
    auto found = pictures_.find(pitch);
    if (found != pictures_.end()) return found->second;
    PitchPictures& p = pictures_[pitch];
    for (std::size_t i = 0; i < p.live.size(); ++i) p.live[i] = ScaleSprite(colorPixels_[i], pitch);
    p.dead = ScaleSprite(deadPixels_, pitch);
    return p;
}

void DisplayForm::tmrTovra_Timer() {
    if (displayOff_) return;
    for (const auto& world : worlds_) world->automaton.tmrTovra_Timer();
    PresentChanges();
}

void DisplayForm::PresentChanges() {
    if (!frame_.HasChanges()) return;
    const std::vector<FrameRect>& parts = frame_.TakeChanges();
    if (!parts.empty()) platform_.PresentFrame(frame_, parts);
}

int32_t DisplayForm::PacedInterval() const {
    return saveBattery_ && onBattery_ ? std::max(speedInterval_, kBatteryInterval) : speedInterval_;
}

void DisplayForm::Form_DisplayPower(bool anyMonitorOn) {
    if (displayOff_ == !anyMonitorOn) return;
    displayOff_ = !anyMonitorOn;
    if (generationsRunning_) timer_.SetEnabled(anyMonitorOn);
}

void DisplayForm::Form_PowerSource(bool onBattery) {
    const int32_t before = PacedInterval();
    onBattery_ = onBattery;
    // Before the load there is no pace to change.
    if (speedInterval_ > 0 && PacedInterval() != before) timer_.SetInterval(PacedInterval());
}

void DisplayForm::Form_KeyPress() {
    if (!blnPreview_) RequestExit();
}

void DisplayForm::Form_MouseDown() {
    if (!blnPreview_) RequestExit();
}

void DisplayForm::Form_MouseMove() {
    // The count only has to tell "eight or more"; it stops rising instead of
    // overflowing on a long preview.
    if (intMouseMoves_ < std::numeric_limits<int16_t>::max()) ++intMouseMoves_;
    if (intMouseMoves_ >= kMouseMovesBeforeExit && !blnPreview_) RequestExit();
}

void DisplayForm::Form_CloseRequest() {
    if (blnPreview_) platform_.UnloadForm();
    else RequestExit();
}

void DisplayForm::RequestExit() {
    // The dialog runs its own message loop, through which a close request
    // can arrive: it does not open a second dialog.
    if (verifying_) return;
    const float first = platform_.SecondsSinceMidnight();
    const float second = platform_.SecondsSinceMidnight();
    // Ignore requests within half a second of the last one; a clock that has
    // passed midnight (first < last) lets the request through.
    // The end of the quiet half second, rounded to a 32-bit float like the
    // clock readings it is compared with.
    const float quietUntil = static_cast<float>(sngLastExitRequest_ + kExitDebounceSeconds);
    if (first >= sngLastExitRequest_ && quietUntil > second) return;

    if (!blnUsePassword_) {
        platform_.UnloadForm();
        return;
    }
    platform_.ShowCursor(true);
    verifying_ = true;
    const bool accepted = platform_.VerifyScreenSavePwd();
    verifying_ = false;
    if (accepted) platform_.UnloadForm();
    platform_.ShowCursor(false);
    sngLastExitRequest_ = platform_.SecondsSinceMidnight();
}

void DisplayForm::Form_QueryUnload() {
    for (SpriteHandle sprite : lngColorDCs_) FreeSprite(platform_, sprite);
    FreeSprite(platform_, lngDeadCellDC_);
}

void DisplayForm::Form_Unload() {
    generationsRunning_ = false;
    timer_.SetEnabled(false);
    platform_.ShowCursor(true);
    platform_.SetScreenSaverRunning(false);
}

}  // namespace tovra
