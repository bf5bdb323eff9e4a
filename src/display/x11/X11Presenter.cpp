#include "display/x11/X11Presenter.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

namespace tovra {

namespace {

bool attachFailed = false;

int NoteAttachError(Display*, XErrorEvent*) {
    attachFailed = true;
    return 0;
}

// The part of `r` inside a width x height buffer; empty when none is.
FrameRect Clip(FrameRect r, int width, int height) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.width, width), y1 = std::min(r.y + r.height, height);
    return {x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
}

}  // namespace

X11Presenter::X11Presenter(Display* display, Window window, bool allowShm) : display_(display), window_(window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window_, &attributes) == 0) {
        problem_ = "the window cannot be read";
        return;
    }
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    int bitsPerPixel = 0, formats = 0;
    XPixmapFormatValues* list = XListPixmapFormats(display_, &formats);
    for (int i = 0; i < formats; ++i)
        if (list[i].depth == depth_) bitsPerPixel = list[i].bits_per_pixel;
    if (list != nullptr) XFree(list);
    const bool depthDrawn = depth_ == 15 || depth_ == 16 || depth_ == 24 || depth_ == 30 || depth_ == 32;
    const bool sizeDrawn = bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (visual_->c_class != TrueColor || !depthDrawn || !sizeDrawn) {
        problem_ = "the window's visual is not TrueColor of depth 15, 16, 24, 30 or 32 (depth " +
                   std::to_string(depth_) + ")";
        return;
    }
    format_ = PixelFormat(static_cast<uint32_t>(visual_->red_mask), static_cast<uint32_t>(visual_->green_mask),
                          static_cast<uint32_t>(visual_->blue_mask), depth_, bitsPerPixel,
                          ImageByteOrder(display_) == MSBFirst);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    usable_ = true;
    // Shared memory works only when client and server share the machine;
    // the attach below tells.
    shmWanted_ = allowShm && XShmQueryExtension(display_);
}

X11Presenter::~X11Presenter() {
    DestroyShmImage();
    if (plainImage_ != nullptr) {
        plainImage_->data = nullptr;  // plainPixels_'
        XDestroyImage(plainImage_);
    }
    if (gc_ != nullptr) XFreeGC(display_, gc_);
}

bool X11Presenter::CreateShmImage(int width, int height) {
    DestroyShmImage();
    XImage* image = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &shm_,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr) return false;
    shm_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * height, IPC_CREAT | 0600);
    if (shm_.shmid < 0) {
        XDestroyImage(image);
        return false;
    }
    shm_.shmaddr = image->data = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
    attachFailed = false;
    XErrorHandler previous = XSetErrorHandler(NoteAttachError);
    const bool sent = shm_.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display_, &shm_);
    XSync(display_, False);
    XSetErrorHandler(previous);
    // Marked for removal now: the segment goes when both sides let go, also
    // when the program is killed.
    shmctl(shm_.shmid, IPC_RMID, nullptr);
    if (!sent || attachFailed) {
        if (shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
        XDestroyImage(image);  // a shared-memory image's pixels are not freed with it
        return false;
    }
    shmImage_ = image;
    return true;
}

void X11Presenter::DestroyShmImage() {
    if (shmImage_ == nullptr) return;
    XShmDetach(display_, &shm_);
    XSync(display_, False);
    shmdt(shm_.shmaddr);
    XDestroyImage(shmImage_);
    shmImage_ = nullptr;
}

XImage* X11Presenter::ShmImage(int width, int height) {
    if (!usable_ || !shmWanted_ || width <= 0 || height <= 0) return nullptr;
    if (shmImage_ == nullptr || shmImage_->width != width || shmImage_->height != height) {
        // A server that refuses the segment gets plain requests from now on.
        if (!CreateShmImage(width, height)) {
            shmWanted_ = false;
            return nullptr;
        }
    }
    return shmImage_;
}

XImage* X11Presenter::PlainImage(int width, int height) {
    if (plainImage_ == nullptr || plainImage_->width != width || plainImage_->height != height) {
        if (plainImage_ != nullptr) plainImage_->data = nullptr, XDestroyImage(plainImage_);
        plainImage_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                                   static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        if (plainImage_ == nullptr) return nullptr;
        plainPixels_.assign(static_cast<std::size_t>(plainImage_->bytes_per_line) * height, 0);
        plainImage_->data = plainPixels_.data();
    }
    return plainImage_;
}

FrameMemory X11Presenter::Allocate(int width, int height) {
    XImage* image = format_.DirectBytes() != 0 ? ShmImage(width, height) : nullptr;
    if (image == nullptr) return {};
    return {image->data, image->bytes_per_line / format_.DirectBytes(), format_.DirectBytes()};
}

void X11Presenter::Present(const void* pixels, int width, int height, int stride, int bytesPerPixel,
                           const FrameRect* rects, std::size_t count) {
    if (!usable_ || width <= 0 || height <= 0) return;
    // The image the rectangles go from: the shared one; without it the
    // buffer itself described as an image when it holds the window's pixels
    // (nothing is copied then), else an image the buffer is converted into.
    XImage* image = ShmImage(width, height);
    XImage* described = nullptr;
    if (image == nullptr && format_.DirectBytes() == bytesPerPixel)
        image = described = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                                         static_cast<char*>(const_cast<void*>(pixels)), static_cast<unsigned>(width),
                                         static_cast<unsigned>(height), 32, stride * bytesPerPixel);
    else if (image == nullptr)
        image = PlainImage(width, height);
    // A buffer that is not the image is copied (or converted) into it first:
    // only one of 4-byte values can be.
    const bool copy = image != nullptr && image->data != pixels;
    if (image == nullptr || (copy && bytesPerPixel != 4)) return;
    const int bytes = format_.BytesPerPixel();
    for (std::size_t i = 0; i < count; ++i) {
        const FrameRect r = Clip(rects[i], width, height);
        if (r.width == 0 || r.height == 0) continue;
        for (int y = r.y; copy && y < r.y + r.height; ++y) {
            const std::size_t at =
                static_cast<std::size_t>(y) * image->bytes_per_line + static_cast<std::size_t>(r.x) * bytes;
            const uint32_t* from = static_cast<const uint32_t*>(pixels) + static_cast<std::size_t>(y) * stride + r.x;
            format_.Convert(from, r.width, reinterpret_cast<unsigned char*>(image->data) + at);
        }
        if (image == shmImage_)
            XShmPutImage(display_, window_, gc_, image, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.width),
                         static_cast<unsigned>(r.height), False);
        else
            XPutImage(display_, window_, gc_, image, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.width),
                      static_cast<unsigned>(r.height));
    }
    if (described != nullptr) {
        described->data = nullptr;  // not ours to free
        XDestroyImage(described);
    }
    // The segment or the buffer is written again after this: wait until the
    // server has read it.
    XSync(display_, False);
}

}  // namespace tovra
