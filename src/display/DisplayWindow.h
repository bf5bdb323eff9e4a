#pragma once
// The display window as the start-up places it: its caption, its handle and
// where it lies on the screen, in pixels. The platform's display window
// implements it.

#include <cstdint>
#include <string>

#include "display/MonitorLayout.h"

namespace tovra {

// A window of the platform, as a number; 0 is no window.
using WindowHandle = int64_t;

class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void Show() = 0;  // modeless, no owner
    virtual WindowHandle handle() = 0;
    // Neither minimized nor maximized, over `bounds`: pixels of the virtual
    // screen, whose top-left corner may lie left of or above the primary
    // monitor's.
    virtual void PlaceOnScreen(const PixelRect& bounds) = 0;
};

}  // namespace tovra
