#include "display/win32/Win32DisplayWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <shellscalingapi.h>

#include "runtime/win32/Win32Runtime.h"
#include "settings/win32/Win32RegistryValue.h"

namespace tovra {

namespace {

constexpr char kWindowClass[] = "TovraDisplayWindow";
constexpr UINT_PTR kGenerationTimer = 1;
constexpr UINT_PTR kHostWatchTimer = 2;
// The frames between two generations, while something blends.
constexpr UINT_PTR kFrameTimer = 3;
constexpr UINT kHostWatchMilliseconds = 250;
// Power settings whose changes the window is told of (winnt.h's GUIDs,
// without the library that defines them): the displays' state (Windows 8 and
// later, then the monitors' power of Vista and 7) and the power source.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
constexpr GUID kAcDcPowerSource = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};
// SC_MONITORPOWER's argument that switches the monitors off.
constexpr LPARAM kMonitorPowerOff = 2;

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A monitor's own dots per inch (Windows 8.1 and later), 0 where the system
// cannot tell.
int MonitorDpi(HMONITOR monitor) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
    static const GetDpiForMonitorFn getDpi = [] {
        HMODULE shcore = LoadSystemLibrary("shcore.dll");
        return shcore != nullptr ? reinterpret_cast<GetDpiForMonitorFn>(
                                       reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                                 : nullptr;
    }();
    UINT x = 0, y = 0;
    // The effective dots per inch: the user's scaling.
    if (getDpi == nullptr || getDpi(monitor, MDT_EFFECTIVE_DPI, &x, &y) != S_OK) return 0;
    return static_cast<int>(x);
}

struct MonitorList {
    std::vector<MonitorArea> monitors;
    POINT origin;  // the client area's corner on the screen
    int systemDpi;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& list = *reinterpret_cast<MonitorList*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    const int dpi = MonitorDpi(monitor);
    const MonitorArea area{{r.left - list.origin.x, r.top - list.origin.y, r.right - r.left, r.bottom - r.top},
                           dpi > 0 ? dpi : list.systemDpi};
    // The primary monitor first: it wins a tie.
    if (info.dwFlags & MONITORINFOF_PRIMARY) list.monitors.insert(list.monitors.begin(), area);
    else list.monitors.push_back(area);
    return TRUE;
}

// The design size the window restores to when it leaves the maximised state.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;

void RegisterWindowClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(instance, kWindowClass, &wc)) return;
    wc.cbSize = sizeof wc;
    // A private device context, kept for the whole run.
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
    RegisterClassExA(&wc);
}

}  // namespace

Win32DisplayWindow::Win32DisplayWindow(HINSTANCE instance, SettingsStore& store, RandomStream& random,
                                       const bool& preview, void (*onUnloaded)())
    : instance_(instance), onUnloaded_(onUnloaded), saver_(*this, store, random, preview) {}

Win32DisplayWindow::~Win32DisplayWindow() {
    if (hwnd_ != nullptr) {
        UnloadWindow();
    }
    for (HGDIOBJ object : gdiObjects_) {
        if (object != nullptr) ::DeleteObject(object);
    }
    ReleaseFrame();
    if (frameDc_ != nullptr) ::DeleteDC(frameDc_);
}

void Win32DisplayWindow::Load() {
    RegisterWindowClass(instance_, &Win32DisplayWindow::WindowProc);
    // No border and no title bar: the client area is the whole window. Hidden
    // until shown; maximised when first shown.
    hwnd_ = CreateWindowExA(0, kWindowClass, "", WS_POPUP | WS_CLIPCHILDREN, 0, 0, kDesignWidth, kDesignHeight,
                            nullptr, nullptr, instance_, this);
    if (hwnd_ == nullptr) return;
    windowDc_ = GetDC(hwnd_);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    waitForScreen_ = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    loaded_ = true;
    saver_.Load();
    RegisterPowerNotifications();
}

LRESULT CALLBACK Win32DisplayWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        reinterpret_cast<Win32DisplayWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Win32DisplayWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Win32DisplayWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    switch (message) {
        case WM_WINDOWPOSCHANGED: {
            // The first time the window becomes visible counts as a resize,
            // whatever its size.
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if ((pos->flags & SWP_SHOWWINDOW) && loaded_ && !shownOnce_) {
                shownOnce_ = true;
                RaiseResizeIfNeeded(true);
            }
            break;
        }
        case WM_SIZE:
            if (loaded_ && shownOnce_) RaiseResizeIfNeeded(false);
            break;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_TIMER:
            if (wParam == kGenerationTimer && loaded_ && !unloading_) {
                saver_.Tick();
            } else if (wParam == kFrameTimer && loaded_ && !unloading_) {
                saver_.FrameTick();
            } else if (wParam == kHostWatchTimer) {
                // A preview lives as long as its host window. GetParent
                // would not do here: the window keeps its pop-up style, and
                // for a pop-up GetParent answers with the owner, not the host.
                HWND parent = GetAncestor(hwnd, GA_PARENT);
                if (parent == nullptr || parent == GetDesktopWindow() || !IsWindow(parent)) UnloadWindow();
            }
            return 0;
        case WM_CHAR:
            if (loaded_) saver_.KeyPressed();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (loaded_) saver_.MouseButtonPressed();
            return message == WM_XBUTTONDOWN ? TRUE : 0;
        case WM_MOUSEMOVE:
            if (loaded_) saver_.MouseMoved();
            return 0;
        case WM_SYSCOMMAND:
            // Alt+F4 and the system menu's Close.
            if ((wParam & 0xFFF0) == SC_CLOSE && loaded_ && !saver_.CloseCommandAllowed()) return 0;
            // The monitors are switched off or on (how systems without the
            // display-state notification tell it); the system still does it.
            if ((wParam & 0xFFF0) == SC_MONITORPOWER && loaded_) saver_.DisplayPowerChanged(lParam != kMonitorPowerOff);
            break;
        case WM_POWERBROADCAST:
            if (!loaded_) break;
            if (wParam == PBT_POWERSETTINGCHANGE && lParam != 0)
                PowerSettingChanged(*reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
            else if (wParam == PBT_APMPOWERSTATUSCHANGE)
                saver_.PowerSourceChanged(OnBatteryPower());
            return TRUE;
        case WM_DPICHANGED:
        case WM_DPICHANGED_AFTERPARENT:
        case WM_DISPLAYCHANGE:
            // A monitor's scaling or the monitors themselves changed: the
            // worlds are laid out afresh. The window keeps its place (it does
            // not take the size the system suggests for the new scaling).
            if (loaded_ && shownOnce_) RaiseResizeIfNeeded(true);
            return 0;
        case WM_CLOSE:
            if (loaded_) saver_.CloseRequested();
            else UnloadWindow();
            return 0;
        case WM_ENDSESSION:
            // The session ends: so does the run, password or not.
            if (wParam) UnloadWindow();
            return 0;
        case WM_DESTROY:
            UnregisterPowerNotifications();
            if (!unloading_ && loaded_) {
                // Destroyed from outside (a preview whose host has gone): the
                // display still unloads properly.
                unloading_ = true;
                saver_.BeforeUnload();
                saver_.Unload();
            }
            break;
        case WM_NCDESTROY: {
            hwnd_ = nullptr;
            windowDc_ = nullptr;
            const bool wasLoaded = loaded_;
            loaded_ = false;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
            if (wasLoaded && onUnloaded_ != nullptr) onUnloaded_();
            return result;
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Win32DisplayWindow::RaiseResizeIfNeeded(bool force) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    if (!force && w == lastClientWidth_ && h == lastClientHeight_) return;
    lastClientWidth_ = w;
    lastClientHeight_ = h;
    saver_.Resize();
}

// --- Placing the window ------------------------------------------------------

void Win32DisplayWindow::SetCaption(const std::string& caption) {
    if (hwnd_ != nullptr) SetWindowTextA(hwnd_, caption.c_str());
}

void Win32DisplayWindow::Show() {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
}

WindowHandle Win32DisplayWindow::handle() {
    return static_cast<WindowHandle>(reinterpret_cast<intptr_t>(hwnd_));
}

void Win32DisplayWindow::PlaceOnScreen(const PixelRect& bounds) {
    if (hwnd_ == nullptr) return;
    // Out of the maximized state it was shown in; still hidden, it stays hidden.
    ShowWindow(hwnd_, IsWindowVisible(hwnd_) ? SW_RESTORE : SW_HIDE);
    ::SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Drawing -------------------------------------------------------------------

GdiHandle Win32DisplayWindow::Register(HGDIOBJ object) {
    if (object == nullptr) return 0;
    gdiObjects_.push_back(object);
    return static_cast<GdiHandle>(gdiObjects_.size());
}

HGDIOBJ Win32DisplayWindow::Lookup(GdiHandle handle) const {
    if (handle < 1 || handle > static_cast<GdiHandle>(gdiObjects_.size())) return nullptr;
    return gdiObjects_[static_cast<std::size_t>(handle - 1)];
}

GdiHandle Win32DisplayWindow::CreateCompatibleDC() {
    return Register(::CreateCompatibleDC(nullptr));
}

GdiHandle Win32DisplayWindow::LoadBitmapFile(const std::string& path) {
    return Register(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

void Win32DisplayWindow::SelectObject(GdiHandle dc, GdiHandle bitmap) {
    HGDIOBJ d = Lookup(dc);
    HGDIOBJ b = Lookup(bitmap);
    if (d != nullptr && b != nullptr) ::SelectObject(static_cast<HDC>(d), b);
}

GdiHandle Win32DisplayWindow::SelectedBitmap(GdiHandle dc) {
    HGDIOBJ d = Lookup(dc);
    if (d == nullptr) return 0;
    HGDIOBJ bitmap = GetCurrentObject(static_cast<HDC>(d), OBJ_BITMAP);
    for (std::size_t i = 0; i < gdiObjects_.size(); ++i)
        if (gdiObjects_[i] == bitmap && bitmap != nullptr) return static_cast<GdiHandle>(i + 1);
    return 0;
}

int Win32DisplayWindow::DeleteDC(GdiHandle dc) {
    HGDIOBJ d = Lookup(dc);
    if (d == nullptr) return 0;
    gdiObjects_[static_cast<std::size_t>(dc - 1)] = nullptr;
    return ::DeleteDC(static_cast<HDC>(d));
}

void Win32DisplayWindow::DeleteObject(GdiHandle object) {
    HGDIOBJ o = Lookup(object);
    if (o == nullptr) return;
    gdiObjects_[static_cast<std::size_t>(object - 1)] = nullptr;
    ::DeleteObject(o);
}

namespace {

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

SpritePixels Win32DisplayWindow::SpritePixelsOf(GdiHandle sprite) {
    // The sprite's corner as BitBlt draws it, copied onto a black 10 x 10
    // section of 32-bit pixels.
    SpritePixels pixels;
    HGDIOBJ source = Lookup(sprite);
    if (source == nullptr) return pixels;
    BITMAPINFO info = TopDown32(kSpriteSize, kSpriteSize);
    void* bits = nullptr;
    HBITMAP corner = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (corner != nullptr && dc != nullptr) {
        HGDIOBJ old = ::SelectObject(dc, corner);
        PatBlt(dc, 0, 0, kSpriteSize, kSpriteSize, BLACKNESS);
        BitBlt(dc, 0, 0, kSpriteSize, kSpriteSize, static_cast<HDC>(source), 0, 0, SRCCOPY);
        GdiFlush();
        pixels = SpriteFromBitmap(static_cast<const uint32_t*>(bits), kSpriteSize, kSpriteSize, kSpriteSize);
        for (uint32_t& p : pixels.pixels) p &= 0x00FFFFFFu;
        ::SelectObject(dc, old);
    }
    if (dc != nullptr) ::DeleteDC(dc);
    if (corner != nullptr) ::DeleteObject(corner);
    return pixels;
}

void Win32DisplayWindow::ReleaseFrame() {
    if (frameBitmap_ == nullptr) return;
    ::SelectObject(frameDc_, frameDcBitmap_);
    ::DeleteObject(frameBitmap_);
    frameBitmap_ = nullptr;
    frameBits_ = nullptr;
}

FrameMemory Win32DisplayWindow::AllocateFrame(int width, int height) {
    ReleaseFrame();
    if (width <= 0 || height <= 0) return {};
    if (frameDc_ == nullptr) frameDc_ = ::CreateCompatibleDC(nullptr);
    if (frameDc_ == nullptr) return {};
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    frameBitmap_ = CreateDIBSection(frameDc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (frameBitmap_ == nullptr) return {};
    frameDcBitmap_ = ::SelectObject(frameDc_, frameBitmap_);
    frameBits_ = static_cast<uint32_t*>(bits);
    return {frameBits_, width};
}

void Win32DisplayWindow::ShowPart(HDC dc, const CellFrame& frame, int x, int y, int width, int height) {
    if (frame.Pixels() == frameBits_ && frameBits_ != nullptr) {
        BitBlt(dc, x, y, width, height, frameDc_, x, y, SRCCOPY);
        return;
    }
    // No section could be made: the frame holds its own pixels. The rows of
    // the part are handed over as an image of their own.
    BITMAPINFO info = TopDown32(frame.Stride(), height);
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), x, 0, 0,
                      static_cast<UINT>(height), frame.Pixels() + static_cast<std::size_t>(y) * frame.Stride(), &info,
                      DIB_RGB_COLORS);
}

void Win32DisplayWindow::PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) {
    if (windowDc_ == nullptr) return;
    // Under Wine the window's picture reaches the X server in the
    // background, copied from shared memory after the event; drawing the next
    // generation while that copy runs would show a mix of two generations.
    // Reading a pixel of the screen waits until the server has taken it.
    // Windows needs no such wait, and there such a read can be slow.
    if (waitForScreen_) {
        if (HDC screen = GetDC(nullptr)) {
            GetPixel(screen, 0, 0);
            ReleaseDC(nullptr, screen);
        }
    }
    GdiFlush();  // the frame's memory is complete before it is read
    for (const FrameRect& r : parts) ShowPart(windowDc_, frame, r.x, r.y, r.width, r.height);
}

void Win32DisplayWindow::Paint() {
    // A part of the window that was covered or is shown for the first time
    // comes back as the frame holds it; beyond the frame the background
    // (black) stays.
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd_, &ps);
    const CellFrame& frame = saver_.frame();
    const int right = std::min<int>(ps.rcPaint.right, frame.Width());
    const int bottom = std::min<int>(ps.rcPaint.bottom, frame.Height());
    if (dc != nullptr && loaded_ && right > ps.rcPaint.left && bottom > ps.rcPaint.top)
        ShowPart(dc, frame, ps.rcPaint.left, ps.rcPaint.top, right - ps.rcPaint.left, bottom - ps.rcPaint.top);
    EndPaint(hwnd_, &ps);
}

// --- Timer, clock and the rest ---------------------------------------------------

void Win32DisplayWindow::StartTimer(uint32_t milliseconds) {
    if (hwnd_ != nullptr) SetTimer(hwnd_, kGenerationTimer, milliseconds, nullptr);
}

void Win32DisplayWindow::StopTimer() {
    if (hwnd_ != nullptr) KillTimer(hwnd_, kGenerationTimer);
}

void Win32DisplayWindow::StartFrameTimer(uint32_t milliseconds) {
    // The system raises an interval below its minimum (10 ms) to it.
    if (hwnd_ != nullptr) SetTimer(hwnd_, kFrameTimer, milliseconds, nullptr);
}

void Win32DisplayWindow::StopFrameTimer() {
    if (hwnd_ != nullptr) KillTimer(hwnd_, kFrameTimer);
}

float Win32DisplayWindow::SecondsSinceMidnight() {
    return Win32SecondsSinceMidnight();
}

std::string Win32DisplayWindow::ProgramFolder() {
    return Win32ProgramFolder();
}

std::filesystem::path Win32DisplayWindow::PathFromSettingText(const std::string& text) {
    // The store's text is in the ANSI code page.
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

double Win32DisplayWindow::ClientWidth() {
    RECT r{};
    if (hwnd_ != nullptr) ::GetClientRect(hwnd_, &r);
    return r.right - r.left;
}

double Win32DisplayWindow::ClientHeight() {
    RECT r{};
    if (hwnd_ != nullptr) ::GetClientRect(hwnd_, &r);
    return r.bottom - r.top;
}

std::vector<MonitorArea> Win32DisplayWindow::Monitors() {
    MonitorList list{{}, {0, 0}, Win32ScreenDpiX()};  // every monitor's where the system knows no other
    if (hwnd_ == nullptr) return {};
    ClientToScreen(hwnd_, &list.origin);
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
    return list.monitors;
}

bool Win32DisplayWindow::OnBatteryPower() {
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

// Client-area animation off (the "Show animations" switch): the setting
// people with photosensitive epilepsy turn off.
bool Win32DisplayWindow::SystemReducesMotion() {
    BOOL animate = TRUE;
    return SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0) && !animate;
}

void Win32DisplayWindow::RegisterPowerNotifications() {
    // Vista and later; the system reports each setting's current value at once.
    using RegisterFn = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto reg = user32 != nullptr ? reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(
                                       GetProcAddress(user32, "RegisterPowerSettingNotification")))
                                 : nullptr;
    if (reg == nullptr) return;
    for (const GUID* setting : {&kConsoleDisplayState, &kMonitorPowerOn, &kAcDcPowerSource})
        if (HPOWERNOTIFY n = reg(hwnd_, setting, DEVICE_NOTIFY_WINDOW_HANDLE)) powerNotifications_.push_back(n);
}

void Win32DisplayWindow::UnregisterPowerNotifications() {
    using UnregisterFn = BOOL(WINAPI*)(HPOWERNOTIFY);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto unreg = user32 != nullptr ? reinterpret_cast<UnregisterFn>(reinterpret_cast<void*>(
                                         GetProcAddress(user32, "UnregisterPowerSettingNotification")))
                                   : nullptr;
    if (unreg != nullptr)
        for (HPOWERNOTIFY n : powerNotifications_) unreg(n);
    powerNotifications_.clear();
}

void Win32DisplayWindow::PowerSettingChanged(const POWERBROADCAST_SETTING& setting) {
    DWORD value = 0;
    if (setting.DataLength < sizeof value) return;
    std::memcpy(&value, setting.Data, sizeof value);
    // Displays: 0 off, 1 on, 2 dimmed (still showing). Power source: 0 the
    // mains, 1 the battery, 2 a short-term source such as a UPS.
    if (SameGuid(setting.PowerSetting, kConsoleDisplayState) || SameGuid(setting.PowerSetting, kMonitorPowerOn))
        saver_.DisplayPowerChanged(value != 0);
    else if (SameGuid(setting.PowerSetting, kAcDcPowerSource))
        saver_.PowerSourceChanged(value != 0);
}

void Win32DisplayWindow::SetScreenSaverRunning(bool running) {
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void Win32DisplayWindow::ShowCursor(bool show) {
    ::ShowCursor(show ? TRUE : FALSE);
}

std::string Win32DisplayWindow::ReadRegistryText(const std::string& subkey, const std::string& valueName) {
    return ::tovra::ReadRegistryText(HKEY_CURRENT_USER, subkey, valueName);
}

bool Win32DisplayWindow::VerifyScreenSavePwd() {
    // The password service of the older Windows family. Where it is missing
    // (NT-family systems lock the session themselves) there is nothing to ask
    // and the run ends as it does without protection. Only the system's own
    // is used: a password.cpl beside the program must not decide the unlock.
    HMODULE library = LoadSystemLibrary("password.cpl");
    if (library == nullptr) return true;
    using VerifyFn = BOOL(WINAPI*)(HWND);
    auto verify = reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    bool accepted = true;
    if (verify != nullptr) accepted = verify(hwnd_) != FALSE;
    FreeLibrary(library);
    return accepted;
}

void Win32DisplayWindow::UnloadWindow() {
    if (unloading_ || hwnd_ == nullptr) return;
    unloading_ = true;
    saver_.BeforeUnload();
    saver_.Unload();
    KillTimer(hwnd_, kGenerationTimer);
    KillTimer(hwnd_, kFrameTimer);
    KillTimer(hwnd_, kHostWatchTimer);
    DestroyWindow(hwnd_);
}

void Win32DisplayWindow::WatchHost() {
    if (hwnd_ != nullptr) SetTimer(hwnd_, kHostWatchTimer, kHostWatchMilliseconds, nullptr);
}

}  // namespace tovra
