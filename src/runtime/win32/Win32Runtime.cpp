#include "runtime/win32/Win32Runtime.h"

#include <cmath>

namespace tovra {

namespace {

int openWindows = 0;
constexpr int kTwipsPerInch = 1440;
constexpr int kDefaultDpi = 96;  // where the screen cannot tell

int ScreenDpi(int capability) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, capability) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

int Win32ScreenDpiX() { return ScreenDpi(LOGPIXELSX); }
int Win32ScreenDpiY() { return ScreenDpi(LOGPIXELSY); }
double Win32TwipsPerPixelX() { return static_cast<double>(kTwipsPerInch) / Win32ScreenDpiX(); }
double Win32TwipsPerPixelY() { return static_cast<double>(kTwipsPerInch) / Win32ScreenDpiY(); }

int TwipsToPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

float Win32SecondsSinceMidnight() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return static_cast<float>(t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0);
}

std::string Win32ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, n);
    const auto slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

HMODULE LoadSystemLibrary(const char* name) {
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, n) + "\\" + name;
    // Its own imports are looked for in the system folder too.
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void WindowOpened() { ++openWindows; }

void WindowClosed() {
    if (openWindows > 0 && --openWindows == 0) PostQuitMessage(0);
}

int OpenWindowCount() { return openWindows; }

}  // namespace tovra
