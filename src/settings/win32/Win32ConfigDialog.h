#pragma once
// The configuration dialog on Win32: the dialog window with its controls, its
// messages turned into the dialog's events, and the platform's side of it.
//
// The window is a modeless dialog owned by a hidden application window, so
// it gets no taskbar button and no other dialog owns it. Keyboard navigation
// (Tab, access keys, Enter, Esc) works through a message hook on the thread,
// whatever message loop the program runs.

#include <windows.h>

#include <functional>
#include <string>

#include "settings/ConfigDialog.h"

namespace tovra {

class SettingsStore;

// Control identifiers; okButton and cancelButton are IDOK and IDCANCEL.
enum ConfigControlId : int {
    kIdOK = IDOK,
    kIdCancel = IDCANCEL,
    kIdIcon = 100,
    kIdTitle,
    kIdVersion,
    kIdDescription,
    kIdSettingsFrame,
    kIdRainbow,
    kIdColorLabel,
    kIdColor,
    kIdModeFrame,
    kIdTorus,
    kIdIsland,
    kIdSpeedLabel,
    kIdSpeed,
    kIdDelayLabel,
    kIdDelay,
    kIdCopyright,
    kIdPatternsFrame,
    kIdSeedingLabel,
    kIdSeeding,
    kIdPatternsLabel,
    kIdPatterns,
    kIdBrowse,
    kIdMonitorsFrame,
    kIdCellSizeLabel,
    kIdCellSize,
    kIdEachMonitor,
    kIdSaveBattery,
    kIdBurnInGuard,
    kIdReduceFlashingLabel,
    kIdReduceFlashing,
    kIdLookFrame,
    kIdPaletteLabel,
    kIdPalette,
    kIdAgeColors,
    kIdFadeLabel,
    kIdFade,
    kIdFadeUpDown,
    kIdFadeUnit,
    kIdCellShapeLabel,
    kIdCellShape,
    kIdSmooth,
};

// A control's place relative to the dialog's client area, in layout pixels:
// pixels at 100% scaling, scaled to the dots per inch of the monitor the
// dialog is on.
struct LayoutRect {
    int left, top, width, height;
};

// The controls in tab order, with their place on the dialog (controls in a
// frame have their frame's offset added).
struct ConfigControlLayout {
    int id;
    LayoutRect place;
};
extern const ConfigControlLayout kConfigLayout[];
extern const int kConfigLayoutCount;
// The client area: on the left the about box with its settings, on the right
// the groups of the patterns, of the monitors and power, and of the look;
// OK and Cancel in the last row, at the bottom right.
inline constexpr int kConfigClientWidth = 766;
inline constexpr int kConfigClientHeight = 334;
// Where the client area opens when no position is stored, at the system's
// scaling.
inline constexpr int kConfigDesignLeft = 156;
inline constexpr int kConfigDesignTop = 129;

class Win32ConfigDialog final : public ConfigDialogPlatform {
public:
    // Shows a stop message box; tests replace it to answer without a user.
    using MessageBoxFn = std::function<void(HWND owner, const std::string& text, const std::string& title)>;

    // `onUnloaded` runs once, after the dialog has been unloaded and its window
    // destroyed.
    Win32ConfigDialog(HINSTANCE instance, SettingsStore& store, void (*onUnloaded)(),
                      MessageBoxFn messageBox = nullptr);
    ~Win32ConfigDialog() override;
    Win32ConfigDialog(const Win32ConfigDialog&) = delete;
    Win32ConfigDialog& operator=(const Win32ConfigDialog&) = delete;

    // Creates the hidden window with its controls and runs Load.
    // False when the window could not be created.
    bool Load();
    // Shows the loaded dialog, modeless, with the focus on OK.
    void Show();
    bool Loaded() const { return hwnd_ != nullptr; }
    HWND handle() const { return hwnd_; }
    HWND Control(int id) const { return hwnd_ != nullptr ? GetDlgItem(hwnd_, id) : nullptr; }
    ConfigDialog& dialog() { return dialog_; }

    // ConfigDialogPlatform
    int RainbowValue() override;
    void SetRainbowValue(int value) override;
    int16_t ColorListIndex() override;
    void SetColorListIndex(int16_t index) override;
    void SetColorEnabled(bool enabled) override;
    bool ModeValue(int index) override;
    void SetModeValue(int index, bool value) override;
    int32_t SpeedValue() override;
    void SetSpeedValue(int32_t value) override;
    std::string DelayText() override;
    void SetDelayText(const std::string& text) override;
    void SelectDelayText(int start, int length) override;
    int16_t SeedingListIndex() override;
    void SetSeedingListIndex(int16_t index) override;
    std::string PatternsText() override;
    void SetPatternsText(const std::string& text) override;
    int16_t CellSizeListIndex() override;
    void SetCellSizeListIndex(int16_t index) override;
    int EachMonitorValue() override;
    void SetEachMonitorValue(int value) override;
    int SaveBatteryValue() override;
    void SetSaveBatteryValue(int value) override;
    int BurnInGuardValue() override;
    void SetBurnInGuardValue(int value) override;
    int16_t PaletteListIndex() override;
    void SetPaletteListIndex(int16_t index) override;
    int AgeColorsValue() override;
    void SetAgeColorsValue(int value) override;
    std::string FadeText() override;
    void SetFadeText(const std::string& text) override;
    void SelectFadeText(int start, int length) override;
    int SmoothValue() override;
    void SetSmoothValue(int value) override;
    int16_t CellShapeListIndex() override;
    void SetCellShapeListIndex(int16_t index) override;
    int16_t ReduceFlashingListIndex() override;
    void SetReduceFlashingListIndex(int16_t index) override;
    std::optional<std::string> PickFolder(const std::string& start) override;
    void SetCopyrightCaption(const std::string& caption) override;
    float Top() override;
    void SetTop(float twips) override;
    float Left() override;
    void SetLeft(float twips) override;
    void CentreIfOnNoMonitor() override;
    void ShowStopMessage(const std::string& text, const std::string& title) override;
    void UnloadWindow() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The delay and the fade box: a move of the focus out of one asks for its check.
    static LRESULT CALLBACK NumberBoxSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR id, DWORD_PTR data);
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Fonts, controls and the client area at a monitor's dots per inch; the
    // window takes `suggested` (screen pixels) where the system gives one.
    void LayOut(int dpi, const RECT* suggested);
    void OnCommand(int id, int code);
    // Runs the check owed since the focus left the delay or the fade box, if
    // any. False when it refused the text (the focus is back in the box).
    bool RunPendingValidation();
    // The check of the box kIdDelay or kIdFade.
    bool ValidateBox(int id);
    void Paint();
    void DrawIcon(const DRAWITEMSTRUCT& item);
    void Destroyed();
    // Layout pixels to pixels at the monitor's dots per inch.
    int Pixels(double layoutPixels) const;

    HINSTANCE instance_;
    void (*onUnloaded_)();
    MessageBoxFn messageBox_;
    ConfigDialog dialog_;
    HWND owner_ = nullptr;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HFONT titleFont_ = nullptr;
    HICON icon_ = nullptr;
    int iconSize_ = 0;  // the icon's pixels, a whole multiple of its 32
    HHOOK hook_ = nullptr;
    // The system's: the stored position is in twips at its dots per inch.
    double twipsPerPixelX_ = 15;
    double twipsPerPixelY_ = 15;
    // The monitor's the dialog is on: the layout's scale.
    int layoutDpi_ = 96;
    bool unloading_ = false;
    int pendingBox_ = 0;  // the box whose check is owed, 0 for none
};

// Run's Configure mode: loads the dialog and shows it; the program lives
// until it is unloaded. Each call loads it afresh from the store, unless it
// is still open, in which case it comes to the front.
void ShowWin32ConfigDialog(HINSTANCE instance, SettingsStore& store);

}  // namespace tovra
