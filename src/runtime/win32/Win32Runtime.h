#pragma once
// The few services Win32 lacks: twips (the unit of the dialog's stored
// position), the clock as seconds since midnight, the program's folder, and
// the count of open windows that keeps the program alive.

#include <windows.h>

#include <string>

namespace tovra {

// The screen's dots per inch, across and down (the system's scaling).
int Win32ScreenDpiX();
int Win32ScreenDpiY();
// 1440 twips to the inch, at the screen's own dots per inch.
double Win32TwipsPerPixelX();
double Win32TwipsPerPixelY();
int TwipsToPixels(double twips, double twipsPerPixel);

// Local time of day in seconds since midnight, as a 32-bit float.
float Win32SecondsSinceMidnight();

// Folder of the program file, without a trailing separator.
std::string Win32ProgramFolder();

// A library of the system folder, by its full path: a file of that name
// elsewhere (beside the program, in the current folder) is never loaded.
// Null when it is missing.
HMODULE LoadSystemLibrary(const char* name);

// The program ends when its last window has closed.
void WindowOpened();
void WindowClosed();
int OpenWindowCount();

}  // namespace tovra
