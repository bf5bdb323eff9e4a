#include "display/DisplayForm.h"

#include <cmath>
#include <limits>

#include "settings/SaverSettings.h"
#include "shell/RegValue.h"

namespace tovra {

namespace {

constexpr float kExitDebounceSeconds = 0.5f;
constexpr int kMouseMovesBeforeExit = 8;

}  // namespace

int MaxCellIndex(double pixels) {
    return static_cast<int>(std::floor(pixels / kCellPitch)) - 1;
}

DisplayForm::DisplayForm(DisplayPlatform& platform, SettingsStore& store, RandomStream& random,
                         const bool& blnPreview)
    : platform_(platform),
      store_(store),
      blnPreview_(blnPreview),
      automaton_(*this, random, platform),
      timer_(platform) {}

void DisplayForm::Form_Load() {
    // 1-3. The sprites, from the program's folder.
    const std::string folder = platform_.ProgramFolder();
    for (int i = 0; i < kLiveSpriteCount; ++i) lngColorDCs_[i] = LoadSprite(platform_, folder + kLiveSpriteFiles[i]);
    lngDeadCellDC_ = LoadSprite(platform_, folder + kDeadSpriteFile);
    // What each sprite draws, read once: drawing a cell is then a copy in memory.
    for (int i = 0; i < kLiveSpriteCount; ++i)
        if (lngColorDCs_[i] > 0) colorPixels_[i] = platform_.SpritePixelsOf(lngColorDCs_[i]);
    if (lngDeadCellDC_ > 0) deadPixels_ = platform_.SpritePixelsOf(lngDeadCellDC_);

    // 5. The settings. A stored value that cannot be used reads as its default.
    const SaverSettings settings = ReadDisplaySettings(store_);
    automaton_.blnRainbow = settings.Rainbow;
    UseLiveSprite(settings.Color);
    automaton_.blnTorus = settings.Torus;
    // An interval of 0 would stop the generations for good; 0 is the
    // dialog's fastest setting, so it runs at the timer's fastest rate.
    timer_.SetInterval(settings.Speed == 0 ? 1 : settings.Speed);
    automaton_.intSeedDelay = settings.Delay;
    automaton_.blnPreview = blnPreview_;
    // The pattern library is read here, once, and only where a seeding uses
    // it. A folder that cannot be read adds nothing.
    automaton_.seeding = settings.Seeding;
    if (settings.Seeding != SeedingMode::Random) {
        patternLibrary_.AddBuiltIn();
        std::string problem;
        if (!settings.Patterns.empty())
            patternLibrary_.AddFolder(platform_.PathFromSettingText(settings.Patterns), nullptr, problem);
        automaton_.patterns = &patternLibrary_;
    }

    // 6. Announce the running saver and start the input debounce.
    if (!blnPreview_) {
        platform_.SetScreenSaverRunning(true);
        sngLastExitRequest_ = platform_.SecondsSinceMidnight();
    }

    // 7. The password switch, in both modes.
    blnUsePassword_ = UsePasswordFromRegText(platform_.GetRegValue(kPasswordSubkey, kPasswordValueName));

    // 4 and 8. The design grid: 50 x 50 cells, all dead; a black frame of
    // the (still hidden) window's client area.
    automaton_.RedimGrid(kDesignGridMax, kDesignGridMax);
    ResizeFrame();

    // 9. Hide the cursor for the full-screen run.
    if (!blnPreview_) platform_.ShowCursor(false);

    // 10.
    StartGenerations();
}

void DisplayForm::StartGenerations() {
    timer_.SetEnabled(true);
    automaton_.SeedGrid();
    PresentChanges();
}

void DisplayForm::Form_Resize() {
    const int maxCol = MaxCellIndex(platform_.ScaleWidth());
    const int maxRow = MaxCellIndex(platform_.ScaleHeight());
    automaton_.RedimGrid(maxCol, maxRow);
    // The frame starts black at the new size; the window shows it whole.
    ResizeFrame();
    PresentChanges();
}

void DisplayForm::tmrTovra_Timer() {
    automaton_.tmrTovra_Timer();
    PresentChanges();
}

void DisplayForm::ResizeFrame() {
    const int width = static_cast<int>(platform_.ScaleWidth());
    const int height = static_cast<int>(platform_.ScaleHeight());
    frame_.Resize(width, height, platform_.AllocateFrame(width, height));
}

void DisplayForm::PresentChanges() {
    if (!frame_.HasChanges()) return;
    const std::vector<FrameRect>& parts = frame_.TakeChanges();
    if (!parts.empty()) platform_.PresentFrame(frame_, parts);
}

// A sprite that failed to load is not `loaded` and draws nothing.
void DisplayForm::DrawLiveCell(int x, int y) {
    frame_.DrawCell(SnapToCell(x), SnapToCell(y), *livePixels_);
}

void DisplayForm::DrawDeadCell(int x, int y) {
    frame_.DrawCell(SnapToCell(x), SnapToCell(y), deadPixels_);
}

void DisplayForm::UseLiveSprite(int colorIndex) {
    livePixels_ = &colorPixels_[static_cast<std::size_t>(colorIndex)];
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
    timer_.SetEnabled(false);
    platform_.ShowCursor(true);
    platform_.SetScreenSaverRunning(false);
}

}  // namespace tovra
