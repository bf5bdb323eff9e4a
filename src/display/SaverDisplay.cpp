#include "display/SaverDisplay.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "settings/SaverSettings.h"
#include "settings/RegistryValue.h"

namespace tovra {

namespace {

constexpr float kExitDebounceSeconds = 0.5f;
constexpr int kMouseMovesBeforeExit = 8;

}  // namespace

DisplayWorld::DisplayWorld(SaverDisplay& display, std::size_t index, RandomStream& random, TimeOfDay& clock)
    : automaton(*this, random, clock), display_(display), index_(index) {}

// A sprite that failed to load is not `loaded` and draws nothing. Where
// the look paints, it finds the births and deaths in the grid after the
// event; of the drawing calls it needs only which cells were drawn live,
// and with which classic bitmap.
void DisplayWorld::DrawLiveCell(int x, int y) {
    if (!display_.look_.Active()) display_.frame_.DrawCell(index_, SnapToCell(x), SnapToCell(y), pictures_->live[live_]);
    else display_.look_.DrawnLive(look_, SnapToCell(x), SnapToCell(y), static_cast<int>(live_));
}

void DisplayWorld::DrawDeadCell(int x, int y) {
    if (!display_.look_.Active()) display_.frame_.DrawCell(index_, SnapToCell(x), SnapToCell(y), pictures_->dead);
}

SaverDisplay::SaverDisplay(DisplayPlatform& platform, SettingsStore& store, RandomStream& random,
                         const bool& preview)
    : platform_(platform), store_(store), random_(random), preview_(preview), timer_(platform) {
    worlds_.push_back(std::make_unique<DisplayWorld>(*this, 0, random_, platform_));
}

void SaverDisplay::Load() {
    // 1-3. The sprites, from the program's folder.
    const std::string folder = platform_.ProgramFolder();
    // What each sprite draws is read once: drawing a cell is then a copy in memory.
    for (int i = 0; i < kLiveSpriteCount; ++i) {
        liveSprites_[i] = LoadSprite(platform_, folder + kLiveSpriteFiles[i]);
        if (liveSprites_[i] > 0) colorPixels_[i] = platform_.SpritePixelsOf(liveSprites_[i]);
    }
    deadSprite_ = LoadSprite(platform_, folder + kDeadSpriteFile);
    if (deadSprite_ > 0) deadPixels_ = platform_.SpritePixelsOf(deadSprite_);
    pictures_.clear();

    // 5. The settings. A stored value that cannot be used reads as its default.
    const SaverSettings settings = ReadDisplaySettings(store_);
    look_.Configure({&BuiltInPalettes()[settings.Palette], settings.Rainbow, settings.AgeColors, settings.Fade,
                     settings.Smooth, settings.Shape, settings.BurnInGuard},
                    colorPixels_, deadPixels_, [this](uint32_t rgb) { return platform_.ColourValue(rgb); });
    colorIndex_ = settings.Color;
    cellSize_ = settings.CellSize;
    eachMonitor_ = settings.EachMonitor;
    saveBattery_ = settings.SaveBattery;
    reduceFlashing_ = settings.Flashing == ReduceFlashing::On ||
                      (settings.Flashing == ReduceFlashing::Auto && platform_.SystemReducesMotion());
    DisplayWorld& world = *worlds_[0];
    world.automaton.rainbow = settings.Rainbow;
    world.UseLiveSprite(settings.Color);
    world.automaton.torus = settings.Torus;
    // An interval of 0 would stop the generations for good; 0 is the
    // dialog's fastest setting, so it runs at the timer's fastest rate.
    speedInterval_ = settings.Speed == 0 ? 1 : settings.Speed;
    onBattery_ = platform_.OnBatteryPower();
    timer_.SetInterval(PacedInterval());
    look_.Pace(PacedInterval());
    world.automaton.seedDelay = settings.Delay;
    world.automaton.preview = preview_;
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
    if (!preview_) {
        platform_.SetScreenSaverRunning(true);
        lastExitRequest_ = platform_.SecondsSinceMidnight();
    }

    // 7. The password switch, in both modes.
    usePassword_ = UsePasswordFromRegistryText(platform_.ReadRegistryText(kPasswordSubkey, kPasswordValueName));

    // 4 and 8. The design grid: 50 x 50 cells, all dead, at the pitch of the
    // first world; a black frame of the (still hidden) window's client area.
    WorldArea design = LayoutWorlds(ClientArea(), platform_.Monitors(), cellSize_, false)[0];
    design.columns = design.rows = kDesignGridMax + 1;
    ArrangeWorlds({design});

    // 9. Hide the cursor for the full-screen run.
    if (!preview_) platform_.ShowCursor(false);

    // 10.
    StartGenerations();
}

void SaverDisplay::StartGenerations() {
    generationsRunning_ = true;
    timer_.SetEnabled(!displayOff_);
    for (const auto& world : worlds_) world->automaton.SeedGrid();
    PaintLook();
    if (reduceFlashing_) lastShown_ = platform_.SecondsSinceMidnight();
    if (look_.Guarded()) lastGuardStep_ = platform_.SecondsSinceMidnight();
    if (!blending_) RestFrameClock();
    PresentChanges();
}

void SaverDisplay::PlaceCells(const CellGrid& cells) {
    FinishBlend();
    worlds_[0]->automaton.PlaceCells(cells);
    PaintLook();
    FinishBlend();
    PresentChanges();
}

void SaverDisplay::Resize() {
    // A preview shows one world, whatever the monitors.
    ArrangeWorlds(LayoutWorlds(ClientArea(), platform_.Monitors(), cellSize_, eachMonitor_ && !preview_));
    // The frame starts black at the new size; the window shows it whole.
    PresentChanges();
}

void SaverDisplay::ArrangeWorlds(const std::vector<WorldArea>& areas) {
    while (worlds_.size() > areas.size()) worlds_.pop_back();
    while (worlds_.size() < areas.size()) {
        worlds_.push_back(std::make_unique<DisplayWorld>(*this, worlds_.size(), random_, platform_));
        ConfigureWorld(*worlds_.back());
    }
    for (std::size_t i = 0; i < areas.size(); ++i) {
        worlds_[i]->area_ = areas[i];
        worlds_[i]->pictures_ = &PicturesAt(areas[i].pitch);
        worlds_[i]->automaton.ResizeGrid(areas[i].columns - 1, areas[i].rows - 1);
    }
    const int width = static_cast<int>(platform_.ClientWidth());
    const int height = static_cast<int>(platform_.ClientHeight());
    frame_.Resize(width, height, platform_.AllocateFrame(width, height));
    frame_.SetAreas(areas);
    if (look_.Active()) {
        frame_.Fill(look_.BackgroundValue());
        for (std::size_t i = 0; i < areas.size(); ++i) look_.Reset(worlds_[i]->look_, areas[i].columns, areas[i].rows);
        blending_ = false;
    }
}

// A world added after the load runs on the settings of the first. It is
// never in a preview, which shows one world.
void SaverDisplay::ConfigureWorld(DisplayWorld& world) {
    const Automaton& first = worlds_[0]->automaton;
    world.automaton.rainbow = first.rainbow;
    world.automaton.torus = first.torus;
    world.automaton.seedDelay = first.seedDelay;
    world.automaton.seeding = first.seeding;
    world.automaton.patterns = first.patterns;
    world.UseLiveSprite(colorIndex_);
}

const PitchPictures& SaverDisplay::PicturesAt(int pitch) {
    auto found = pictures_.find(pitch);
    if (found != pictures_.end()) return found->second;
    PitchPictures& p = pictures_[pitch];
    for (std::size_t i = 0; i < p.live.size(); ++i) p.live[i] = ScaleSprite(colorPixels_[i], pitch);
    p.dead = ScaleSprite(deadPixels_, pitch);
    for (CellPicture* picture : {&p.live[0], &p.live[1], &p.live[2], &p.live[3], &p.live[4], &p.dead})
        for (uint32_t& pixel : picture->pixels) pixel = platform_.ColourValue(pixel);
    return p;
}

void SaverDisplay::Tick() {
    if (displayOff_) return;
    // A blend not yet done ends here: the generation starts from the picture
    // of the last one.
    FinishBlend();
    for (const auto& world : worlds_) world->automaton.Tick();
    PaintLook();
    GuardStep();
    if (!HoldsPicture()) PresentChanges();
}

bool SaverDisplay::HoldsPicture() {
    if (!reduceFlashing_) return false;
    // A clock that has passed midnight shows the picture.
    const float now = platform_.SecondsSinceMidnight();
    if (now >= lastShown_ && now - lastShown_ < kFlashFreeSeconds) return true;
    lastShown_ = now;
    return false;
}

void SaverDisplay::FrameTick() {
    if (displayOff_ || (!blending_ && !GuardClock())) {
        platform_.StopFrameTimer();
        return;
    }
    if (blending_) {
        ++blendFrame_;
        if (blendFrame_ >= blendFrames_) FinishBlend();
        else DrawLookFrame(blendFrame_, blendFrames_);
    }
    GuardStep();
    PresentChanges();
}

void SaverDisplay::FinishBlend() {
    if (!blending_) return;
    DrawLookFrame(blendFrames_, blendFrames_);
    blending_ = false;
    RestFrameClock();
}

void SaverDisplay::GuardStep() {
    if (!look_.Guarded()) return;
    // A clock that has passed midnight takes a step. The steps keep their
    // cadence, each at most a tick late, unless the clock stood still
    // for longer (the monitors were off).
    const float now = platform_.SecondsSinceMidnight();
    const float step = CellLook::kGuardStepSeconds;
    if (now >= lastGuardStep_ && now - lastGuardStep_ < step) return;
    lastGuardStep_ = now >= lastGuardStep_ && now - lastGuardStep_ < 2 * step ? lastGuardStep_ + step : now;
    for (const auto& world : worlds_) {
        LookWorld& look = world->look_;
        look_.GuardStep(look);
        for (const LookChange& change : look.dimmed)
            frame_.DrawCell(world->index_, static_cast<int>(change.cell % look.columns),
                            static_cast<int>(change.cell / look.columns),
                            look_.Picture(world->area_.pitch, change.from, change.to, CellLook::kBlendFull));
    }
}

bool SaverDisplay::GuardClock() const { return look_.Guarded() && PacedInterval() > kGuardClockMilliseconds; }

void SaverDisplay::RestFrameClock() {
    if (GuardClock() && generationsRunning_ && !displayOff_) platform_.StartFrameTimer(kGuardClockMilliseconds);
    else platform_.StopFrameTimer();
}

void SaverDisplay::DrawLookFrame(int frame, int frames) {
    for (const auto& world : worlds_) {
        const LookWorld& look = world->look_;
        const int pitch = world->area_.pitch;
        for (const LookChange& change : look.changes) {
            // A change is drawn only at the frames where it takes its next step.
            const int steps = look_.BlendSteps(change, frames);
            const int step = frame * steps / frames;
            if (step == (frame - 1) * steps / frames) continue;
            frame_.DrawCell(world->index_, static_cast<int>(change.cell % look.columns),
                            static_cast<int>(change.cell / look.columns),
                            look_.Picture(pitch, change.from, change.to, step * CellLook::kBlendFull / steps));
        }
    }
}

void SaverDisplay::PaintLook() {
    if (look_.Active()) {
        bool changed = false;
        for (const auto& world : worlds_) {
            look_.Update(world->look_, world->automaton.grid);
            changed = changed || !world->look_.changes.empty();
        }
        const bool held = reduceFlashing_ && PacedInterval() < kFlashFreeBlendInterval;
        blendFrames_ = changed && !held ? look_.BlendFrames(PacedInterval()) : 0;
        if (blendFrames_ > 0) {
            blending_ = true;
            blendFrame_ = 0;
            platform_.StartFrameTimer(CellLook::kFrameMilliseconds);
        } else {
            DrawLookFrame(1, 1);
        }
    }
}

void SaverDisplay::PresentChanges() {
    if (!frame_.HasChanges()) return;
    const std::vector<FrameRect>& parts = frame_.TakeChanges();
    if (!parts.empty()) platform_.PresentFrame(frame_, parts);
}

PixelRect SaverDisplay::ClientArea() {
    return {0, 0, static_cast<int>(platform_.ClientWidth()), static_cast<int>(platform_.ClientHeight())};
}

int32_t SaverDisplay::PacedInterval() const {
    return saveBattery_ && onBattery_ ? std::max(speedInterval_, kBatteryInterval) : speedInterval_;
}

void SaverDisplay::DisplayPowerChanged(bool anyMonitorOn) {
    if (displayOff_ == !anyMonitorOn) return;
    displayOff_ = !anyMonitorOn;
    // A blend stands still with the generations; the next one finishes it.
    if (displayOff_) platform_.StopFrameTimer();
    else if (!blending_) RestFrameClock();
    if (generationsRunning_) timer_.SetEnabled(anyMonitorOn);
}

void SaverDisplay::PowerSourceChanged(bool onBattery) {
    const int32_t before = PacedInterval();
    onBattery_ = onBattery;
    // Before the load Save battery is off: the pace does not change.
    // The battery's pace is never slow enough to need the guard's frame
    // clock, so the clock stays as it is.
    static_assert(kBatteryInterval <= kGuardClockMilliseconds);
    if (PacedInterval() != before) {
        timer_.SetInterval(PacedInterval());
        look_.Pace(PacedInterval());
    }
}

void SaverDisplay::KeyPressed() {
    if (!preview_) RequestExit();
}

void SaverDisplay::MouseButtonPressed() {
    if (!preview_) RequestExit();
}

void SaverDisplay::MouseMoved() {
    // The count only has to tell "eight or more"; it stops rising instead of
    // overflowing on a long preview.
    if (mouseMoves_ < std::numeric_limits<int16_t>::max()) ++mouseMoves_;
    if (mouseMoves_ >= kMouseMovesBeforeExit && !preview_) RequestExit();
}

void SaverDisplay::CloseRequested() {
    if (preview_) platform_.UnloadWindow();
    else RequestExit();
}

void SaverDisplay::RequestExit() {
    // The dialog runs its own message loop, through which a close request
    // can arrive: it does not open a second dialog.
    if (verifying_) return;
    const float first = platform_.SecondsSinceMidnight();
    const float second = platform_.SecondsSinceMidnight();
    // Ignore requests within half a second of the last one; a clock that has
    // passed midnight (first < last) lets the request through.
    // The end of the quiet half second, rounded to a 32-bit float like the
    // clock readings it is compared with.
    const float quietUntil = static_cast<float>(lastExitRequest_ + kExitDebounceSeconds);
    if (first >= lastExitRequest_ && quietUntil > second) return;

    if (!usePassword_) {
        platform_.UnloadWindow();
        return;
    }
    platform_.ShowCursor(true);
    verifying_ = true;
    const bool accepted = platform_.VerifyScreenSavePwd();
    verifying_ = false;
    if (accepted) platform_.UnloadWindow();
    platform_.ShowCursor(false);
    lastExitRequest_ = platform_.SecondsSinceMidnight();
}

void SaverDisplay::BeforeUnload() {
    for (SpriteHandle sprite : liveSprites_) FreeSprite(platform_, sprite);
    FreeSprite(platform_, deadSprite_);
}

void SaverDisplay::Unload() {
    generationsRunning_ = false;
    timer_.SetEnabled(false);
    platform_.StopFrameTimer();
    platform_.ShowCursor(true);
    platform_.SetScreenSaverRunning(false);
}

}  // namespace tovra
