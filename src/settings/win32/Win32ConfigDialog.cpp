#include "settings/win32/Win32ConfigDialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "runtime/win32/Win32Runtime.h"
#include "settings/Palette.h"
#include "settings/SaverSettings.h"

namespace tovra {

// The left column keeps the about box's places; the right column's groups
// start at x 387, one below the other.
const ConfigControlLayout kConfigLayout[] = {
    // The last row, at the bottom right.
    {kIdOK, {576, 303, 84, 23}},
    {kIdIcon, {16, 16, 36, 36}},
    {kIdDescription, {70, 75, 259, 30}},
    {kIdSettingsFrame, {8, 104, 369, 121}},
    {kIdRainbow, {16, 128, 81, 17}},
    {kIdModeFrame, {16, 152, 89, 65}},
    // In the Mode frame, which starts at (16, 152).
    {kIdTorus, {16 + 8, 152 + 16, 65, 17}},
    {kIdIsland, {16 + 8, 152 + 40, 57, 17}},
    // In the Settings frame, which starts at (8, 104).
    {kIdSpeedLabel, {8 + 104, 104 + 56, 41, 17}},
    {kIdSpeed, {160, 152, 201, 34}},
    {kIdCopyright, {17, 247, 178, 23}},
    {kIdTitle, {70, 16, 259, 32}},
    {kIdVersion, {70, 52, 259, 15}},
    {kIdColorLabel, {8 + 104, 104 + 24, 41, 17}},
    {kIdColor, {168, 120, 81, 21}},
    {kIdCancel, {672, 303, 84, 23}},
    {kIdDelayLabel, {8 + 104, 104 + 88, 169, 17}},
    {kIdDelay, {8 + 280, 104 + 88, 73, 19}},
    // What a seeding adds, and the user's pattern folder.
    {kIdPatternsFrame, {387, 8, 369, 73}},
    {kIdSeedingLabel, {395, 32, 81, 17}},
    {kIdSeeding, {483, 28, 105, 21}},
    {kIdPatternsLabel, {395, 56, 81, 17}},
    {kIdPatterns, {483, 53, 176, 19}},
    {kIdBrowse, {667, 51, 81, 23}},
    // The cell size and the flashes, the worlds on the monitors, the pace on
    // battery and the burn-in guard.
    {kIdMonitorsFrame, {387, 88, 369, 97}},
    {kIdCellSizeLabel, {395, 112, 81, 17}},
    {kIdCellSize, {483, 108, 105, 21}},
    {kIdReduceFlashingLabel, {604, 112, 84, 17}},
    {kIdReduceFlashing, {690, 108, 58, 21}},
    {kIdEachMonitor, {395, 136, 177, 17}},
    {kIdSaveBattery, {579, 136, 169, 17}},
    {kIdBurnInGuard, {395, 160, 177, 17}},
    // The look: palette and age colours, fade, cell shape and smooth frames.
    {kIdLookFrame, {387, 192, 369, 97}},
    {kIdPaletteLabel, {395, 216, 81, 17}},
    {kIdPalette, {483, 212, 105, 21}},
    {kIdAgeColors, {604, 216, 144, 17}},
    {kIdFadeLabel, {395, 240, 81, 17}},
    {kIdFade, {483, 237, 41, 19}},
    {kIdFadeUpDown, {524, 237, 16, 19}},
    {kIdFadeUnit, {546, 240, 100, 17}},
    {kIdCellShapeLabel, {395, 264, 81, 17}},
    {kIdCellShape, {483, 260, 105, 21}},
    {kIdSmooth, {604, 264, 144, 17}},
};
const int kConfigLayoutCount = static_cast<int>(std::size(kConfigLayout));

namespace {

constexpr UINT kValidateBoxMessage = WM_APP + 1;
constexpr UINT_PTR kDelaySubclassId = kIdDelay;
constexpr UINT_PTR kFadeSubclassId = kIdFade;
constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kControlPointSize = 8;
constexpr int kTitlePointSize = 18;
// The face the layout was made for, for the controls and the title alike.
constexpr wchar_t kFontFace[] = L"MS Sans Serif";
// Positions far beyond any screen are held here, where window coordinates
// still work.
constexpr double kMaxPixelCoordinate = 30000;
// Etched separator: the grey line's row and the white line's row, in layout
// pixels; it ends just inside the frames' right edge.
constexpr int kSeparatorGreyLeft = 6;
constexpr int kSeparatorGreyTop = 235;
constexpr int kSeparatorWhiteLeft = 7;
constexpr int kSeparatorWhiteTop = 236;
constexpr double kSeparatorRight = 376.93;
constexpr int kSeparatorWhiteWidth = 2;  // screen pixels at every scale
constexpr int kIconSize = 32;
// The drop-down lists open below their boxes for all their items.
constexpr int kColorListItems = 5;
constexpr int kSeedingListItems = 3;
constexpr int kCellSizeListItems = 8;  // and a scroll bar for the rest
constexpr int kPaletteListItems = 10;  // and a scroll bar for any more
constexpr int kCellShapeListItems = static_cast<int>(kCellShapeNames.size());
constexpr int kReduceFlashingListItems = static_cast<int>(kReduceFlashingNames.size());
constexpr char kPatternFolderPrompt[] = "Choose a folder of pattern files (.rle, .cells):";

// The one dialog the keyboard hook serves.
Win32ConfigDialog* activeDialog = nullptr;

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// Where the system can tell (Windows 10 and later): the dots per inch of the
// monitor the window is on, else 0.
int WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return getDpi != nullptr ? static_cast<int>(getDpi(hwnd)) : 0;
}

// The window's outer rectangle for a client area, at a monitor's dots per inch.
void AdjustForDpi(RECT& rect, HWND hwnd, int dpi) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = reinterpret_cast<AdjustFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    const auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
    if (adjust != nullptr) adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    else AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

// The dialog scales itself when it moves to a monitor of other scaling; the
// system's own dialog scaling would scale it twice.
void KeepSystemFromScaling(HWND hwnd) {
    using BehaviorFn = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const auto set = reinterpret_cast<BehaviorFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    if (set != nullptr) set(hwnd, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

// A drop-down list's selection, -1 for none; and the item to select.
int16_t ListSelection(HWND list) {
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int16_t>(index);
}

void SelectListItem(HWND list, int16_t index) {
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0);
}

int ListItems(int id) {
    switch (id) {
        case kIdColor: return kColorListItems;
        case kIdSeeding: return kSeedingListItems;
        case kIdCellSize: return kCellSizeListItems;
        case kIdPalette: return kPaletteListItems;
        case kIdCellShape: return kCellShapeListItems;
        case kIdReduceFlashing: return kReduceFlashingListItems;
        default: return 0;
    }
}

// An in-memory dialog template without controls: they are created at
// WM_INITDIALOG at their places in pixels.
std::vector<WORD> DialogTemplate(const wchar_t* caption) {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = kDialogStyle;
    t->dwExtendedStyle = 0;
    t->cdit = 0;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    for (const wchar_t* p = caption; *p != L'\0'; ++p) words.push_back(static_cast<WORD>(*p));
    words.push_back(0);
    // DLGTEMPLATE is followed by DWORD-aligned data; pad to be safe.
    if (words.size() % 2 != 0) words.push_back(0);
    return words;
}

}  // namespace

Win32ConfigDialog::Win32ConfigDialog(HINSTANCE instance, SettingsStore& store, void (*onUnloaded)(),
                                     MessageBoxFn messageBox)
    : instance_(instance), onUnloaded_(onUnloaded), messageBox_(std::move(messageBox)), dialog_(*this, store) {}

Win32ConfigDialog::~Win32ConfigDialog() {
    if (hwnd_ != nullptr) UnloadWindow();
    if (owner_ != nullptr) DestroyWindow(owner_);
    if (font_ != nullptr) DeleteObject(font_);
    if (titleFont_ != nullptr) DeleteObject(titleFont_);
    if (icon_ != nullptr) DestroyIcon(icon_);
}

int Win32ConfigDialog::Pixels(double layoutPixels) const {
    return static_cast<int>(std::lround(layoutPixels * layoutDpi_ / kBaseDpi));
}

bool Win32ConfigDialog::Load() {
    if (hwnd_ != nullptr) return true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    twipsPerPixelX_ = Win32TwipsPerPixelX();
    twipsPerPixelY_ = Win32TwipsPerPixelY();

    // The hidden application window that owns the dialog: an owned window
    // has no taskbar button.
    owner_ = CreateWindowExW(0, L"STATIC", L"Tovra", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);

    const std::wstring caption = Wide(kConfigCaption);
    std::vector<WORD> dialogTemplate = DialogTemplate(caption.c_str());
    CreateDialogIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner_,
                               &Win32ConfigDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) return false;

    activeDialog = this;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, &Win32ConfigDialog::KeyboardHook, nullptr, GetCurrentThreadId());
    dialog_.Load();
    // Placed on a monitor of other scaling than the system's: laid out for it.
    const int dpi = WindowDpi(hwnd_);
    if (dpi > 0 && dpi != layoutDpi_) LayOut(dpi, nullptr);
    return true;
}

void Win32ConfigDialog::Show() {
    if (hwnd_ == nullptr) return;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(kIdOK)), TRUE);
}

void Win32ConfigDialog::CreateControls() {

    struct ControlDef {
        int id;
        const wchar_t* cls;
        std::string text;
        DWORD style;
        DWORD exStyle;
    };
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    // In tab order: the order of creation is the order of the focus.
    const ControlDef controls[] = {
        {kIdOK, WC_BUTTONW, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0},
        {kIdIcon, WC_STATICW, "", SS_OWNERDRAW, 0},
        {kIdDescription, WC_STATICW, kConfigDescription, label, 0},
        {kIdSettingsFrame, WC_BUTTONW, "Settings", BS_GROUPBOX | WS_GROUP, 0},
        {kIdRainbow, WC_BUTTONW, "&Rainbow", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0},
        {kIdModeFrame, WC_BUTTONW, "&Mode", BS_GROUPBOX | WS_GROUP, 0},
        {kIdTorus, WC_BUTTONW, "Torus", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 0},
        {kIdIsland, WC_BUTTONW, "Island", BS_AUTORADIOBUTTON, 0},
        {kIdSpeedLabel, WC_STATICW, "&Speed:", SS_LEFT | WS_GROUP, 0},
        {kIdSpeed, TRACKBAR_CLASSW, "", TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | WS_TABSTOP | WS_GROUP, 0},
        {kIdCopyright, WC_STATICW, "", label | WS_GROUP, 0},
        {kIdTitle, WC_STATICW, kConfigTitle, label, 0},
        {kIdVersion, WC_STATICW, kConfigVersion, label, 0},
        {kIdColorLabel, WC_STATICW, "C&olor:", SS_LEFT, 0},
        {kIdColor, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0},
        {kIdCancel, WC_BUTTONW, "&Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0},
        {kIdDelayLabel, WC_STATICW, "&Delay Between Random Seedings:", SS_LEFT | WS_GROUP, 0},
        {kIdDelay, WC_EDITW, "", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE},
        {kIdPatternsFrame, WC_BUTTONW, "Patterns", BS_GROUPBOX | WS_GROUP, 0},
        {kIdSeedingLabel, WC_STATICW, "S&eeding:", SS_LEFT | WS_GROUP, 0},
        {kIdSeeding, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0},
        {kIdPatternsLabel, WC_STATICW, "Pattern &folder:", SS_LEFT | WS_GROUP, 0},
        {kIdPatterns, WC_EDITW, "", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE},
        {kIdBrowse, WC_BUTTONW, "&Browse...", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0},
        {kIdMonitorsFrame, WC_BUTTONW, "Monitors and power", BS_GROUPBOX | WS_GROUP, 0},
        {kIdCellSizeLabel, WC_STATICW, "Cell si&ze:", SS_LEFT | WS_GROUP, 0},
        {kIdCellSize, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0},
        {kIdEachMonitor, WC_BUTTONW, "One world per mo&nitor", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0},
        {kIdSaveBattery, WC_BUTTONW, "Sa&ve battery", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0},
        {kIdBurnInGuard, WC_BUTTONW, "Burn-&in guard", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0},
        {kIdReduceFlashingLabel, WC_STATICW, "Red&uce flashing:", SS_LEFT | WS_GROUP, 0},
        {kIdReduceFlashing, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0},
        {kIdLookFrame, WC_BUTTONW, "Look", BS_GROUPBOX | WS_GROUP, 0},
        {kIdPaletteLabel, WC_STATICW, "&Palette:", SS_LEFT | WS_GROUP, 0},
        {kIdPalette, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0},
        {kIdAgeColors, WC_BUTTONW, "Colour by a&ge", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0},
        {kIdFadeLabel, WC_STATICW, "F&ade:", SS_LEFT | WS_GROUP, 0},
        {kIdFade, WC_EDITW, "", ES_LEFT | ES_AUTOHSCROLL | ES_NUMBER | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE},
        {kIdFadeUpDown, UPDOWN_CLASSW, "", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0},
        {kIdFadeUnit, WC_STATICW, "generations", label | WS_GROUP, 0},
        {kIdCellShapeLabel, WC_STATICW, "Cell s&hape:", SS_LEFT | WS_GROUP, 0},
        {kIdCellShape, WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0},
        {kIdSmooth, WC_BUTTONW, "Smoo&th", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0},
    };
    // Created without a size: LayOut places them.
    for (const ControlDef& s : controls)
        CreateWindowExW(s.exStyle, s.cls, Wide(s.text).c_str(), WS_CHILD | WS_VISIBLE | s.style, 0, 0, 0, 0, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)), instance_, nullptr);

    HWND color = Control(kIdColor), seeding = Control(kIdSeeding), cellSize = Control(kIdCellSize);
    for (const char* name : kColorNames) SendMessageW(color, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
    for (const char* name : kSeedingNames) SendMessageW(seeding, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
    for (int16_t i = 0; i < kCellSizeListCount; ++i)
        SendMessageW(cellSize, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(CellSizeListItem(i)).c_str()));
    HWND palette = Control(kIdPalette), shape = Control(kIdCellShape);
    for (const Palette& p : BuiltInPalettes())
        SendMessageW(palette, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(std::string(p.name)).c_str()));
    for (const char* name : kCellShapeNames) SendMessageW(shape, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
    HWND flashing = Control(kIdReduceFlashing);
    for (const char* name : kReduceFlashingNames)
        SendMessageW(flashing, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
    for (HWND list : {color, seeding, palette, shape, flashing}) SendMessageW(list, CB_SETCURSEL, 0, 0);
    SendMessageW(cellSize, CB_SETCURSEL, static_cast<WPARAM>(tovra::CellSizeListIndex(kDefaultCellSize)), 0);

    // The design selection of the mode options.
    SendMessageW(Control(kIdTorus), BM_SETCHECK, BST_CHECKED, 0);

    HWND speed = Control(kIdSpeed);
    SendMessageW(speed, TBM_SETRANGEMIN, FALSE, kSpeedSliderMin);
    SendMessageW(speed, TBM_SETRANGEMAX, FALSE, kSpeedSliderMax);
    SendMessageW(speed, TBM_SETTICFREQ, (kSpeedSliderMax - kSpeedSliderMin) / 9, 0);
    SendMessageW(speed, TBM_SETLINESIZE, 0, 1);
    SendMessageW(speed, TBM_SETPAGESIZE, 0, 10);
    SendMessageW(speed, TBM_SETPOS, TRUE, kSpeedSliderMin);

    // The fade's arrows step its box from 0 to the longest fade; the box
    // takes digits only, and its check refuses what else may be pasted.
    HWND fade = Control(kIdFade), fadeUpDown = Control(kIdFadeUpDown);
    SendMessageW(fadeUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(fade), 0);
    SendMessageW(fadeUpDown, UDM_SETRANGE32, 0, kMaxFade);
    SendMessageW(fade, EM_SETLIMITTEXT, 8, 0);
    SetWindowTextW(fade, L"0");

    SetWindowSubclass(Control(kIdDelay), &Win32ConfigDialog::NumberBoxSubclassProc, kDelaySubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(fade, &Win32ConfigDialog::NumberBoxSubclassProc, kFadeSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));

    // The client area at its design place (in the system's pixels, as the
    // stored position), laid out at the system's dots per inch.
    const int systemDpi = Win32ScreenDpiY();
    RECT rect{static_cast<int>(std::lround(static_cast<double>(kConfigDesignLeft) * Win32ScreenDpiX() / kBaseDpi)),
              static_cast<int>(std::lround(static_cast<double>(kConfigDesignTop) * systemDpi / kBaseDpi)), 0, 0};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut(systemDpi, nullptr);
}

void Win32ConfigDialog::LayOut(int dpi, const RECT* suggested) {
    layoutDpi_ = dpi > 0 ? dpi : kBaseDpi;  // the 100% scaling's
    HFONT oldFont = font_, oldTitleFont = titleFont_;
    // Points at the monitor's dots per inch.
    font_ = CreateFontW(-MulDiv(kControlPointSize, layoutDpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, kFontFace);
    titleFont_ = CreateFontW(-MulDiv(kTitlePointSize, layoutDpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, kFontFace);
    // The icon's pixels at a whole multiple of their size, so that they stay
    // sharp: twice as large from 200% on.
    const int iconSize = kIconSize * std::max(1, layoutDpi_ / kBaseDpi);
    if (icon_ == nullptr || iconSize != iconSize_) {
        if (icon_ != nullptr) DestroyIcon(icon_);
        icon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, iconSize, iconSize, 0));
        iconSize_ = iconSize;
    }
    for (const ConfigControlLayout& c : kConfigLayout) {
        HWND control = Control(c.id);
        const LayoutRect& r = c.place;
        int height = Pixels(r.height);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(c.id == kIdTitle ? titleFont_ : font_), TRUE);
        // A drop-down list's height includes its open list; closed, it is as
        // high as its place. Its new font sets a height of its own, so the
        // box's height comes after it.
        if (const int items = ListItems(c.id); items > 0) {
            height += items * (Pixels(r.height) - 4) + 4;
            const int selectionHeight = Pixels(r.height) - 6;
            if (selectionHeight > 0) SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), selectionHeight);
        }
        SetWindowPos(control, nullptr, Pixels(r.left), Pixels(r.top), Pixels(r.width), height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT rect{};
    if (suggested != nullptr) {
        rect = *suggested;
    } else {
        // The top-left corner stays; the size follows the client area.
        RECT window{}, outer{0, 0, Pixels(kConfigClientWidth), Pixels(kConfigClientHeight)};
        GetWindowRect(hwnd_, &window);
        AdjustForDpi(outer, hwnd_, layoutDpi_);
        rect = {window.left, window.top, window.left + outer.right - outer.left, window.top + outer.bottom - outer.top};
    }
    SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
    if (oldFont != nullptr) DeleteObject(oldFont);
    if (oldTitleFont != nullptr) DeleteObject(oldTitleFont);
}

INT_PTR CALLBACK Win32ConfigDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32ConfigDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
        KeepSystemFromScaling(hwnd);
        self->CreateControls();
        return FALSE;  // the focus is set when the dialog is shown
    }
    auto* self = reinterpret_cast<Win32ConfigDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr || self->hwnd_ != hwnd) return FALSE;
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR Win32ConfigDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case kValidateBoxMessage:
            RunPendingValidation();
            return TRUE;
        case WM_CLOSE:
            // The close box: unload without the delay check.
            UnloadWindow();
            return TRUE;
        case WM_ENDSESSION:
            // A logoff or shut-down with the dialog open: it unloads as at
            // any close, and so writes its position.
            if (wParam) UnloadWindow();
            return TRUE;
        case WM_PAINT:
            Paint();
            return TRUE;
        case WM_DPICHANGED:
            // Moved to a monitor of other scaling, or its scaling changed.
            LayOut(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID != kIdIcon) return FALSE;
            DrawIcon(*item);
            return TRUE;
        }
        case WM_DESTROY:
            Destroyed();
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32ConfigDialog::OnCommand(int id, int code) {
    if (hwnd_ == nullptr || unloading_) return;
    switch (id) {
        case kIdOK:
            if (code != BN_CLICKED) return;
            // Enter in the delay box: the focus would leave it for OK, so the
            // check runs first.
            if (!RunPendingValidation()) return;
            if (GetFocus() == Control(kIdDelay) && !ValidateBox(kIdDelay)) return;
            if (GetFocus() == Control(kIdFade) && !ValidateBox(kIdFade)) return;
            dialog_.OkClicked();
            break;
        case kIdCancel:
            if (code != BN_CLICKED) return;
            if (!RunPendingValidation()) return;
            dialog_.CancelClicked();
            break;
        case kIdBrowse:
            if (code != BN_CLICKED) return;
            if (!RunPendingValidation()) return;
            dialog_.BrowseClicked();
            break;
        case kIdRainbow:
            if (code != BN_CLICKED) return;
            // A refused check has put the box back as it was.
            if (!RunPendingValidation()) return;
            dialog_.RainbowClicked();
            break;
        default:
            break;
    }
}

LRESULT CALLBACK Win32ConfigDialog::NumberBoxSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                          UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32ConfigDialog*>(data);
    if (message == WM_KILLFOCUS && self != nullptr && !self->unloading_ && self->hwnd_ != nullptr) {
        // Only a move of the focus to another control of the dialog asks for
        // the check; switching to another window does not.
        HWND next = reinterpret_cast<HWND>(wParam);
        if (next != nullptr && (next == self->hwnd_ || IsChild(self->hwnd_, next))) {
            // The check shows a message box: it runs once the focus change
            // is complete, before the input that follows it. What the
            // controls hold now is what a refusal puts back.
            self->dialog_.NumberBoxFocusLeaving();
            self->pendingBox_ = static_cast<int>(id);
            PostMessageW(self->hwnd_, kValidateBoxMessage, 0, 0);
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &Win32ConfigDialog::NumberBoxSubclassProc, id);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool Win32ConfigDialog::RunPendingValidation() {
    const int box = std::exchange(pendingBox_, 0);
    if (box == 0 || hwnd_ == nullptr || unloading_) return true;
    return ValidateBox(box);
}

bool Win32ConfigDialog::ValidateBox(int id) {
    bool cancel = false;
    if (id == kIdFade) dialog_.ValidateFade(cancel);
    else dialog_.ValidateDelay(cancel);
    if (!cancel || hwnd_ == nullptr) return true;
    // The focus stays in the box, with its text selected.
    HWND box = Control(id);
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    // Moving the focus back owes no check of the box it came from.
    pendingBox_ = 0;
    SendMessageW(box, EM_SETSEL, start, end);
    return false;
}

LRESULT CALLBACK Win32ConfigDialog::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    Win32ConfigDialog* self = activeDialog;
    if (code == HC_ACTION && wParam == PM_REMOVE && self != nullptr && self->hwnd_ != nullptr) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
            (msg->hwnd == self->hwnd_ || IsChild(self->hwnd_, msg->hwnd)) && IsDialogMessageA(self->hwnd_, msg)) {
            // Handled as dialog navigation: the loop gets nothing to dispatch.
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Win32ConfigDialog::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    const int right = Pixels(kSeparatorRight);
    // The etched separator above the copyright line: a grey line with a white one
    // below it.
    RECT grey{Pixels(kSeparatorGreyLeft), Pixels(kSeparatorGreyTop), right, Pixels(kSeparatorGreyTop) + 1};
    HBRUSH greyBrush = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &grey, greyBrush);
    DeleteObject(greyBrush);
    int whiteTop = Pixels(kSeparatorWhiteTop);
    if (whiteTop <= grey.top) whiteTop = grey.top + 1;
    RECT white{Pixels(kSeparatorWhiteLeft), whiteTop, right, whiteTop + kSeparatorWhiteWidth};
    FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd_, &ps);
}

void Win32ConfigDialog::DrawIcon(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (icon_ == nullptr) return;
    const int x = item.rcItem.left + (item.rcItem.right - item.rcItem.left - iconSize_) / 2;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - iconSize_) / 2;
    DrawIconEx(item.hDC, x, y, icon_, iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
}

// --- The platform's side of the dialog ---------------------------------------

int Win32ConfigDialog::RainbowValue() {
    return SendMessageW(Control(kIdRainbow), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ConfigDialog::SetRainbowValue(int value) {
    SendMessageW(Control(kIdRainbow), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int16_t Win32ConfigDialog::ColorListIndex() {
    const LRESULT index = SendMessageW(Control(kIdColor), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? kNoColor : static_cast<int16_t>(index);
}

void Win32ConfigDialog::SetColorListIndex(int16_t index) {
    SelectListItem(Control(kIdColor), index);
}

void Win32ConfigDialog::SetColorEnabled(bool enabled) {
    EnableWindow(Control(kIdColor), enabled ? TRUE : FALSE);
}

bool Win32ConfigDialog::ModeValue(int index) {
    return SendMessageW(Control(index == 0 ? kIdTorus : kIdIsland), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32ConfigDialog::SetModeValue(int index, bool value) {
    const int id = index == 0 ? kIdTorus : kIdIsland;
    const int other = index == 0 ? kIdIsland : kIdTorus;
    SendMessageW(Control(id), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (value) SendMessageW(Control(other), BM_SETCHECK, BST_UNCHECKED, 0);
}

int32_t Win32ConfigDialog::SpeedValue() {
    return static_cast<int32_t>(SendMessageW(Control(kIdSpeed), TBM_GETPOS, 0, 0));
}

void Win32ConfigDialog::SetSpeedValue(int32_t value) {
    SendMessageW(Control(kIdSpeed), TBM_SETPOS, TRUE, value);
}

std::string Win32ConfigDialog::DelayText() {
    // Text in the ANSI code page, as the store keeps it.
    HWND delay = Control(kIdDelay);
    const int length = GetWindowTextLengthA(delay);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int n = GetWindowTextA(delay, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(n, 0)));
    return text;
}

void Win32ConfigDialog::SetDelayText(const std::string& text) {
    SetWindowTextA(Control(kIdDelay), text.c_str());
}

void Win32ConfigDialog::SelectDelayText(int start, int length) {
    SendMessageW(Control(kIdDelay), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

int16_t Win32ConfigDialog::SeedingListIndex() {
    const LRESULT index = SendMessageW(Control(kIdSeeding), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? 0 : static_cast<int16_t>(index);
}

void Win32ConfigDialog::SetSeedingListIndex(int16_t index) {
    SelectListItem(Control(kIdSeeding), index);
}

std::string Win32ConfigDialog::PatternsText() {
    // Text in the ANSI code page, as the store keeps it.
    HWND box = Control(kIdPatterns);
    const int length = GetWindowTextLengthA(box);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(std::max(GetWindowTextA(box, text.data(), length + 1), 0)));
    return text;
}

void Win32ConfigDialog::SetPatternsText(const std::string& text) {
    SetWindowTextA(Control(kIdPatterns), text.c_str());
}

int16_t Win32ConfigDialog::CellSizeListIndex() {
    return ListSelection(Control(kIdCellSize));
}

void Win32ConfigDialog::SetCellSizeListIndex(int16_t index) {
    SelectListItem(Control(kIdCellSize), index);
}

int Win32ConfigDialog::EachMonitorValue() {
    return SendMessageW(Control(kIdEachMonitor), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ConfigDialog::SetEachMonitorValue(int value) {
    SendMessageW(Control(kIdEachMonitor), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32ConfigDialog::BurnInGuardValue() {
    return SendMessageW(Control(kIdBurnInGuard), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ConfigDialog::SetBurnInGuardValue(int value) {
    SendMessageW(Control(kIdBurnInGuard), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32ConfigDialog::SaveBatteryValue() {
    return SendMessageW(Control(kIdSaveBattery), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ConfigDialog::SetSaveBatteryValue(int value) {
    SendMessageW(Control(kIdSaveBattery), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int16_t Win32ConfigDialog::PaletteListIndex() {
    return ListSelection(Control(kIdPalette));
}

void Win32ConfigDialog::SetPaletteListIndex(int16_t index) {
    SelectListItem(Control(kIdPalette), index);
}

int Win32ConfigDialog::AgeColorsValue() {
    return SendMessageW(Control(kIdAgeColors), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ConfigDialog::SetAgeColorsValue(int value) {
    SendMessageW(Control(kIdAgeColors), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string Win32ConfigDialog::FadeText() {
    HWND box = Control(kIdFade);
    const int length = GetWindowTextLengthA(box);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(std::max(GetWindowTextA(box, text.data(), length + 1), 0)));
    return text;
}

void Win32ConfigDialog::SetFadeText(const std::string& text) {
    SetWindowTextA(Control(kIdFade), text.c_str());
}

void Win32ConfigDialog::SelectFadeText(int start, int length) {
    SendMessageW(Control(kIdFade), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

int Win32ConfigDialog::SmoothValue() {
    return SendMessageW(Control(kIdSmooth), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32ConfigDialog::SetSmoothValue(int value) {
    SendMessageW(Control(kIdSmooth), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int16_t Win32ConfigDialog::CellShapeListIndex() {
    return ListSelection(Control(kIdCellShape));
}

void Win32ConfigDialog::SetCellShapeListIndex(int16_t index) {
    SelectListItem(Control(kIdCellShape), index);
}

int16_t Win32ConfigDialog::ReduceFlashingListIndex() {
    return ListSelection(Control(kIdReduceFlashing));
}

void Win32ConfigDialog::SetReduceFlashingListIndex(int16_t index) {
    SelectListItem(Control(kIdReduceFlashing), index);
}

namespace {

// Opens the picker at the folder the box names, where it names one.
int CALLBACK PickerOpened(HWND picker, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED && *reinterpret_cast<const char*>(start) != '\0')
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

}  // namespace

std::optional<std::string> Win32ConfigDialog::PickFolder(const std::string& start) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char name[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = hwnd_;
    info.pszDisplayName = name;
    info.lpszTitle = kPatternFolderPrompt;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &PickerOpened;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    std::optional<std::string> folder;
    if (LPITEMIDLIST chosen = SHBrowseForFolderA(&info)) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(chosen, path)) folder = path;
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return folder;
}

void Win32ConfigDialog::SetCopyrightCaption(const std::string& caption) {
    SetWindowTextW(Control(kIdCopyright), Wide(caption).c_str());
}

float Win32ConfigDialog::Top() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return static_cast<float>(r.top * twipsPerPixelY_);
}

float Win32ConfigDialog::Left() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return static_cast<float>(r.left * twipsPerPixelX_);
}

void Win32ConfigDialog::SetTop(float twips) {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const double limit = kMaxPixelCoordinate * twipsPerPixelY_;
    SetWindowPos(hwnd_, nullptr, r.left, TwipsToPixels(std::clamp<double>(twips, -limit, limit), twipsPerPixelY_), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ConfigDialog::SetLeft(float twips) {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const double limit = kMaxPixelCoordinate * twipsPerPixelX_;
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(std::clamp<double>(twips, -limit, limit), twipsPerPixelX_), r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ConfigDialog::CentreIfOnNoMonitor() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr) return;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info)) return;
    const RECT& work = info.rcWork;
    // A work area smaller than the dialog keeps its caption in view.
    const int x = std::max(work.left, work.left + (work.right - work.left - (r.right - r.left)) / 2);
    const int y = std::max(work.top, work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2);
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ConfigDialog::ShowStopMessage(const std::string& text, const std::string& title) {
    // A button or list still holding the mouse from the click that moved the
    // focus lets go of it: that click does not count. The slider is told the
    // button is up, or it would go on stepping towards the pointer.
    HWND speed = Control(kIdSpeed);
    if (GetCapture() == speed) SendMessageW(speed, WM_LBUTTONUP, 0, 0);
    ReleaseCapture();
    SendMessageW(Control(kIdColor), CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageW(Control(kIdSeeding), CB_SHOWDROPDOWN, FALSE, 0);
    for (int list : {kIdCellSize, kIdPalette, kIdCellShape, kIdReduceFlashing})
        SendMessageW(Control(list), CB_SHOWDROPDOWN, FALSE, 0);
    if (messageBox_) {
        messageBox_(hwnd_, text, title);
    } else {
        MessageBoxW(hwnd_, Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONSTOP);
    }
}

void Win32ConfigDialog::UnloadWindow() {
    if (unloading_ || hwnd_ == nullptr) return;
    unloading_ = true;
    dialog_.BeforeUnload();
    DestroyWindow(hwnd_);
    if (owner_ != nullptr) DestroyWindow(owner_);
    owner_ = nullptr;
}

void Win32ConfigDialog::Destroyed() {
    if (!unloading_) {
        // Destroyed from outside: the position is still saved.
        unloading_ = true;
        dialog_.BeforeUnload();
    }
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    if (activeDialog == this) activeDialog = nullptr;
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    hwnd_ = nullptr;
    pendingBox_ = 0;
    if (onUnloaded_ != nullptr) onUnloaded_();
}

void ShowWin32ConfigDialog(HINSTANCE instance, SettingsStore& store) {
    static std::unique_ptr<Win32ConfigDialog> dialog;
    if (dialog != nullptr && dialog->Loaded()) {
        SetForegroundWindow(dialog->handle());
        return;
    }
    dialog = std::make_unique<Win32ConfigDialog>(instance, store, &WindowClosed);
    if (!dialog->Load()) return;
    WindowOpened();
    dialog->Show();
}

}  // namespace tovra
