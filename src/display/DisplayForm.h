#pragma once
// frmTovra: the window the automaton runs in, full-screen or as a preview
// inside a host window. This is its behaviour; the Win32 layer turns window
// messages into these events and implements DisplayPlatform.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "automaton/Automaton.h"
#include "display/CellFrame.h"
#include "display/FormTimer.h"
#include "display/Sprites.h"

namespace tovra {

class SettingsStore;

// Everything the display form asks of the platform.
class DisplayPlatform : public GdiCalls, public TimerDriver, public TimeOfDay {
public:
    // Folder that holds the program file, without a trailing separator.
    virtual std::string ProgramFolder() = 0;
    // A folder named by a stored setting's text.
    virtual std::filesystem::path PathFromSettingText(const std::string& text) { return text; }
    // Client area in pixels.
    virtual double ScaleWidth() = 0;
    virtual double ScaleHeight() = 0;
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
    virtual std::string GetRegValue(const std::string& subkey, const std::string& valueName) = 0;
    // The platform's screen-saver password dialog; true when it accepts.
    virtual bool VerifyScreenSavePwd() = 0;
    // Unload the form: the runtime raises Form_QueryUnload and Form_Unload
    // and destroys the window before this returns.
    virtual void UnloadForm() = 0;
};

inline constexpr int kDesignGridMax = 49;  // 50 x 50 cells until the first resize

class DisplayForm : private CellPainter {
public:
    DisplayForm(DisplayPlatform& platform, SettingsStore& store, RandomStream& random, const bool& blnPreview);

    // Events.
    void Form_Load();
    void Form_Resize();
    void tmrTovra_Timer();
    void Form_KeyPress();
    void Form_MouseDown();
    void Form_MouseMove();
    // A request from outside to close the window (WM_CLOSE): a preview
    // unloads; a full-screen run takes it as an exit request, so that the
    // half second and the password dialog still apply.
    void Form_CloseRequest();
    // Whether the window's own close command (Alt+F4, the system menu) goes
    // ahead. In a full-screen run it is a function key and never ends it.
    bool CloseCommandAllowed() const { return blnPreview_; }
    void Form_QueryUnload();
    void Form_Unload();

    void StartGenerations();

    // The drawing procedures (pixel positions, snapped to the cell pitch):
    // they draw into the frame, which reaches the window after the event.
    void DrawLiveCell(int x, int y) override;
    void DrawDeadCell(int x, int y) override;

    // State, readable for the window layer and for tests.
    Automaton& automaton() { return automaton_; }
    const CellFrame& frame() const { return frame_; }
    const std::array<SpriteHandle, kLiveSpriteCount>& lngColorDCs() const { return lngColorDCs_; }
    SpriteHandle lngDeadCellDC() const { return lngDeadCellDC_; }
    int intMaxCol() const { return automaton_.blnGrid.MaxCol(); }
    int intMaxRow() const { return automaton_.blnGrid.MaxRow(); }

private:
    void UseLiveSprite(int colorIndex) override;
    void RequestExit();
    void ResizeFrame();
    // Hands what the event drew to the window.
    void PresentChanges();

    DisplayPlatform& platform_;
    SettingsStore& store_;
    const bool& blnPreview_;
    Automaton automaton_;
    PatternLibrary patternLibrary_;
    FormTimer timer_;

    std::array<SpriteHandle, kLiveSpriteCount> lngColorDCs_{};
    SpriteHandle lngDeadCellDC_ = 0;
    // The sprites' pixels, read once at load; livePixels_: the live cells' colour.
    std::array<SpritePixels, kLiveSpriteCount> colorPixels_{};
    SpritePixels deadPixels_;
    const SpritePixels* livePixels_ = &colorPixels_[0];
    CellFrame frame_;
    bool blnUsePassword_ = false;
    float sngLastExitRequest_ = 0.0f;
    int intMouseMoves_ = 0;
    bool verifying_ = false;  // the password dialog is open
};

// Int(size / 10) - 1: the highest cell index for a client size in pixels.
int MaxCellIndex(double pixels);

}  // namespace tovra
