#pragma once
// Puts rectangles of a 32-bit pixel buffer (the window's pixel values, see
// Value(), a stride in pixels) on an X window: through a shared-memory image
// (MIT-SHM) when the server offers it for this connection, with plain
// XPutImage otherwise. Where the window's pixels are not 32-bit values as
// they are (depth 15 and 16, an alpha channel, another byte order) the
// rectangles are narrowed into an image of the window's format first.

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/CellFrame.h"
#include "display/PixelFormat.h"

namespace tovra {

class X11Presenter {
public:
    // The window's visual must be TrueColor of depth 15, 16, 24, 30 or 32;
    // Usable() tells.
    X11Presenter(Display* display, Window window, bool allowShm = true);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    bool Usable() const { return usable_; }
    // Why the window cannot be drawn on, when it cannot.
    const std::string& Problem() const { return problem_; }
    bool UsesShm() const { return shmImage_ != nullptr; }
    // The buffer's value for a colour 0x00RRGGBB, and the window's pixel.
    uint32_t Value(uint32_t rgb) const { return format_.Value(rgb); }
    unsigned long PixelOf(uint32_t rgb) const { return format_.Pixel(rgb); }

    // Memory for a width x height frame that Present shows without a copy:
    // the pixels of a shared-memory image, of 4 bytes or (on a 16-bit
    // window) 2, valid until the next call. Nothing without MIT-SHM or when
    // the window's pixels are not the values as they are.
    FrameMemory Allocate(int width, int height);

    // Puts the rectangles of `pixels` (width x height, `stride` pixels of
    // `bytesPerPixel` bytes per row: 4, or 2 in memory from Allocate) at the
    // same places on the window; parts outside the buffer are left out.
    // Returns when the server has taken the pixels.
    void Present(const void* pixels, int width, int height, int stride, int bytesPerPixel, const FrameRect* rects,
                 std::size_t count);

private:
    bool CreateShmImage(int width, int height);
    void DestroyShmImage();
    // The shared-memory image of this size, when there can be one.
    XImage* ShmImage(int width, int height);
    // An image of the window's format in memory of the program.
    XImage* PlainImage(int width, int height);

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
    PixelFormat format_;
    XImage* plainImage_ = nullptr;
    std::vector<char> plainPixels_;
};

}  // namespace tovra
