#pragma once
// Puts rectangles of a 32-bit pixel buffer (0x00RRGGBB, a stride in pixels)
// on an X window: through a shared-memory image (MIT-SHM) when the server
// offers it for this connection, with plain XPutImage otherwise.

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "display/CellFrame.h"

namespace tovra {

class X11Presenter {
public:
    // The window's visual must be TrueColor with 8-bit red, green and blue
    // at 0xFF0000, 0xFF00 and 0xFF (depth 24 or 32); Usable() tells.
    X11Presenter(Display* display, Window window, bool allowShm = true);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    bool Usable() const { return usable_; }
    // Why the window cannot be drawn on, when it cannot.
    const std::string& Problem() const { return problem_; }
    bool UsesShm() const { return shmImage_ != nullptr; }

    // Memory for a width x height picture that Present shows without a
    // copy: the pixels of a shared-memory image, `stride` pixels per row,
    // valid until the next call. Nothing (nullptr) without MIT-SHM.
    uint32_t* Allocate(int width, int height, int& stride);

    // Puts the rectangles of `pixels` (width x height, `stride` pixels per
    // row) at the same places on the window; parts outside the buffer are
    // left out. Returns when the server has taken the pixels.
    void Present(const uint32_t* pixels, int width, int height, int stride, const FrameRect* rects,
                 std::size_t count);

private:
    bool CreateShmImage(int width, int height);
    void DestroyShmImage();

    Display* display_;
    Window window_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    bool usable_ = false;
    bool shmWanted_ = false;
    std::string problem_;
    XShmSegmentInfo shm_{};
    XImage* shmImage_ = nullptr;
};

}  // namespace tovra
