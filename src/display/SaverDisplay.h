#pragma once
// SaverDisplay: the window the automaton runs in, full-screen or as a preview
// inside a host window. This is its behaviour; the Win32 layer turns window
// messages into these events and implements DisplayPlatform.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "display/CellFrame.h"
#include "display/CellLook.h"
#include "display/GenerationTimer.h"
#include "display/MonitorLayout.h"
#include "display/Sprites.h"

namespace tovra {

class SettingsStore;

// Everything the display asks of the platform.
class DisplayPlatform : public GdiCalls, public TimerDriver, public TimeOfDay {
public:
    // Folder that holds the program file, without a trailing separator.
    virtual std::string ProgramFolder() = 0;
    // A folder named by a stored setting's text.
    virtual std::filesystem::path PathFromSettingText(const std::string& text) { return text; }
    // Client area in pixels.
    virtual double ClientWidth() = 0;
    virtual double ClientHeight() = 0;
    // The monitors, their rectangles relative to the client area's top-left
    // corner, with their dots per inch; none where the platform cannot tell.
    virtual std::vector<MonitorArea> Monitors() = 0;
    // Whether the computer runs on its battery now.
    virtual bool OnBatteryPower() = 0;
    // Whether the desktop asks for less motion (its animations turned off).
    virtual bool SystemReducesMotion() { return false; }
    // Memory for a frame of the client area's size that PresentFrame shows
    // directly, valid until the next call or the unload; none (the frame then
    // keeps its own) when the platform has no such memory.
    virtual FrameMemory AllocateFrame(int width, int height) = 0;
    // Show these parts of the frame in the window: one platform call each,
    // all of them after the frame holds the whole generation.
    virtual void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) = 0;
    // The system's screen-saver-running flag.
    virtual void SetScreenSaverRunning(bool running) = 0;
    // ShowCursor(TRUE / FALSE): one step of the cursor's display count.
    virtual void ShowCursor(bool show) = 0;
    // A value under HKEY_CURRENT_USER as text, "Not Found" when unreadable.
    virtual std::string ReadRegistryText(const std::string& subkey, const std::string& valueName) = 0;
    // The frame's pixel value of a colour 0x00RRGGBB, the value the sprites'
    // pixels take in the frame.
    virtual uint32_t ColourValue(uint32_t rgb) { return rgb; }
    // The platform's screen-saver password dialog; true when it accepts.
    virtual bool VerifyScreenSavePwd() = 0;
    // Closes the window: the platform calls BeforeUnload and Unload and
    // destroys the window before this returns.
    virtual void UnloadWindow() = 0;
};

inline constexpr int kDesignGridMax = 49;  // 50 x 50 cells until the first resize
// The shortest time between generations while saving the battery.
inline constexpr int32_t kBatteryInterval = 100;
// With Reduce flashing, the shortest time between two generations' pictures:
// at most six a second, so that no pixel changes more than six times, or
// flashes more than three times, in any second. Generations that come
// faster are drawn into the frame but not shown, and they do not blend.
inline constexpr float kFlashFreeSeconds = 0.18f;
inline constexpr int32_t kFlashFreeBlendInterval = 200;
// With the burn-in guard, generations further apart than this leave the
// guard's steps to the frame clock, which then ticks this often.
inline constexpr int32_t kGuardClockMilliseconds = 1000;

class SaverDisplay;

// The sprites drawn at one pitch.
struct PitchPictures {
    std::array<CellPicture, kLiveSpriteCount> live;
    CellPicture dead;
};

// One world: its automaton and where it draws. All worlds of a display tick
// together with the same settings; each keeps its own grid, change history
// and reseeding.
class DisplayWorld : private CellPainter {
public:
    DisplayWorld(SaverDisplay& display, std::size_t index, RandomStream& random, TimeOfDay& clock);

    Automaton automaton;
    const WorldArea& area() const { return area_; }

    // The drawing procedures (pixel positions of the automaton's 10-pixel
    // grid, snapped to it): they draw the world's cell, at its pitch, into
    // the display's frame, which reaches the window after the event.
    void DrawLiveCell(int x, int y) override;
    void DrawDeadCell(int x, int y) override;
    void UseLiveSprite(int colorIndex) override { live_ = static_cast<std::size_t>(colorIndex); }

private:
    friend class SaverDisplay;
    SaverDisplay& display_;
    std::size_t index_;
    WorldArea area_;
    const PitchPictures* pictures_ = nullptr;  // at the area's pitch
    std::size_t live_ = 0;
    LookWorld look_;  // the look's state of the world's cells
};

class SaverDisplay {
public:
    SaverDisplay(DisplayPlatform& platform, SettingsStore& store, RandomStream& random, const bool& preview);

    // Events.
    void Load();
    void Resize();
    void Tick();
    // The frame clock's tick (TimerDriver::StartFrameTimer): the next step
    // of what blends between two generations.
    void FrameTick();
    void KeyPressed();
    void MouseButtonPressed();
    void MouseMoved();
    // A request from outside to close the window (WM_CLOSE): a preview
    // unloads; a full-screen run takes it as an exit request, so that the
    // half second and the password dialog still apply.
    void CloseRequested();
    // Whether the window's own close command (Alt+F4, the system menu) goes
    // ahead. In a full-screen run it is a function key and never ends it.
    bool CloseCommandAllowed() const { return preview_; }
    void BeforeUnload();
    void Unload();
    // The system's display state: false while every monitor is off. No
    // generation is computed or drawn then, and the tick count stands still.
    void DisplayPowerChanged(bool anyMonitorOn);
    // The power source changed: on battery or not.
    void PowerSourceChanged(bool onBattery);

    void StartGenerations();
    // A pattern in place of world 0's cells, shown at once (a picture of a
    // pattern starts from it; nothing blends in).
    void PlaceCells(const CellGrid& cells);

    // State, readable for the window layer and for tests. World 0 always
    // exists; it holds the design grid until the first resize.
    Automaton& automaton(std::size_t world = 0) { return worlds_[world]->automaton; }
    std::size_t WorldCount() const { return worlds_.size(); }
    const WorldArea& WorldAreaOf(std::size_t world) const { return worlds_[world]->area(); }
    const CellFrame& frame() const { return frame_; }
    // The frame goes on in other memory of the platform's that holds the
    // same picture (see CellFrame::Rebind).
    bool RebindFrame(FrameMemory memory) { return frame_.Rebind(memory); }
    const std::array<SpriteHandle, kLiveSpriteCount>& liveSprites() const { return liveSprites_; }
    SpriteHandle deadSprite() const { return deadSprite_; }
    int maxCol() const { return worlds_[0]->automaton.grid.MaxCol(); }
    int maxRow() const { return worlds_[0]->automaton.grid.MaxRow(); }

private:
    friend class DisplayWorld;

    void RequestExit();
    // One world for each area, each a grid without live cells, in a black
    // frame of the client area.
    void ArrangeWorlds(const std::vector<WorldArea>& areas);
    void ConfigureWorld(DisplayWorld& world);
    const PitchPictures& PicturesAt(int pitch);
    int32_t PacedInterval() const;
    // The window's client area, from its top-left corner.
    PixelRect ClientArea();
    // Where the look paints: brings it to the worlds after an event that
    // drew, and draws what changed at once or starts its blend.
    void PaintLook();
    // Hands what the event drew to the window.
    void PresentChanges();
    // Whether a generation's picture waits, under Reduce flashing, because
    // the last was shown too short a time ago; when it does not, notes the
    // time it is shown. Off, it reads no clock.
    bool HoldsPicture();
    // Draws frame `frame` (1 to `frames`) of the look's changes, the last
    // one their new pictures.
    void DrawLookFrame(int frame, int frames);
    void FinishBlend();
    // The burn-in guard's step, when one is due on the clock; its cells are
    // drawn at once.
    void GuardStep();
    // Whether the guard's steps need the frame clock between generations.
    bool GuardClock() const;
    // With nothing blending: the frame clock runs for the guard, or stops.
    void RestFrameClock();

    DisplayPlatform& platform_;
    SettingsStore& store_;
    RandomStream& random_;
    const bool& preview_;
    // How the worlds are laid out and paced: the settings read at load.
    int cellSize_ = kDefaultCellSize;  // pixels, or kAutoCellSize
    bool eachMonitor_ = false;         // one world per monitor (not in a preview)
    bool saveBattery_ = false;         // on battery, at most ten generations a second
    // Read once at load; every world's automaton draws from it.
    PatternLibrary patternLibrary_;
    std::vector<std::unique_ptr<DisplayWorld>> worlds_;
    GenerationTimer timer_;

    std::array<SpriteHandle, kLiveSpriteCount> liveSprites_{};
    SpriteHandle deadSprite_ = 0;
    // The sprites' pixels, read once at load, and scaled to each pitch in use.
    std::array<SpritePixels, kLiveSpriteCount> colorPixels_{};
    SpritePixels deadPixels_;
    std::map<int, PitchPictures> pictures_;
    int colorIndex_ = 0;  // the Color setting
    CellFrame frame_;
    CellLook look_;
    // The blend under way: its frames, and the last one drawn.
    int blendFrames_ = 0;
    int blendFrame_ = 0;
    bool blending_ = false;
    bool usePassword_ = false;
    float lastExitRequest_ = 0.0f;
    int mouseMoves_ = 0;
    bool verifying_ = false;  // the password dialog is open
    // Pace and power.
    int32_t speedInterval_ = 0;  // the Speed setting's interval
    bool generationsRunning_ = false;
    bool displayOff_ = false;
    bool onBattery_ = false;
    // Reduce flashing: whether it is on, and when a generation was last shown.
    bool reduceFlashing_ = false;
    float lastShown_ = 0.0f;
    float lastGuardStep_ = 0.0f;  // the burn-in guard's last step
};

}  // namespace tovra
