#include "display/x11/X11DisplayWindow.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <chrono>
#include <optional>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "display/MonitorLayout.h"
#include "display/linux/XSettings.h"
#include "display/linux/LinuxRun.h"

namespace tovra {

namespace {

// A window handed over by the daemon can be destroyed at any moment; the
// errors that follow end the run quietly instead of the program.
Window watchedWindow = 0;
bool windowGone = false;

int NoteWindowError(Display* display, XErrorEvent* error) {
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) && error->resourceid == watchedWindow) {
        windowGone = true;
        return 0;
    }
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "tovra: X error: %s (request %d)\n", text, error->request_code);
    return 0;
}

}  // namespace

int X11WindowDpi(Display* display, Window window) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display, window, &a)) return kBaseDpi;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, a.root, a.width / 2, a.height / 2, &x, &y, &child);
    // The connected outputs with the panels' own millimetres.
    std::vector<ScreenOutput> outputs;
    int event = 0, error = 0;
    if (XRRQueryExtension(display, &event, &error)) {
        if (XRRScreenResources* screen = XRRGetScreenResourcesCurrent(display, a.root)) {
            for (int i = 0; i < screen->noutput; ++i) {
                XRROutputInfo* output = XRRGetOutputInfo(display, screen, screen->outputs[i]);
                if (output == nullptr) continue;
                XRRCrtcInfo* crtc = output->connection == RR_Connected && output->crtc != 0
                                        ? XRRGetCrtcInfo(display, screen, output->crtc)
                                        : nullptr;
                if (crtc != nullptr) {
                    outputs.push_back({{crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)},
                                       static_cast<int>(std::min<unsigned long>(output->mm_width, INT_MAX)),
                                       (crtc->rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0});
                    XRRFreeCrtcInfo(crtc);
                }
                XRRFreeOutputInfo(output);
            }
            XRRFreeScreenResources(screen);
        }
    }
    double dpi = OutputDpiAt(outputs, x, y);
    const int screen = XScreenNumberOfScreen(a.screen);
    if (dpi == 0 && DisplayWidthMM(display, screen) > 0)
        dpi = DisplayWidth(display, screen) * 25.4 / DisplayWidthMM(display, screen);
    return dpi > 0 ? static_cast<int>(std::lround(dpi)) : kBaseDpi;
}

X11DisplayWindow::X11DisplayWindow(Display* display, Window window, bool ownWindow, std::string dataFolder,
                                   SettingsStore& store, RandomStream& random)
    : FileSpritePlatform(std::move(dataFolder), "tovra"),
      display_(display),
      window_(window),
      ownWindow_(ownWindow),
      saver_(*this, store, random, preview_) {}

X11DisplayWindow::~X11DisplayWindow() {
    UnloadWindow();
    if (fpsFont_ != nullptr) XFreeFont(display_, fpsFont_);
    if (fpsGc_ != nullptr) XFreeGC(display_, fpsGc_);
}

int X11DisplayWindow::Run() {
    watchedWindow = window_;
    windowGone = false;
    CatchStopSignals();
    XSetErrorHandler(NoteWindowError);
    presenter_ = std::make_unique<X11Presenter>(display_, window_, allowShm);
    if (!presenter_->Usable()) {
        std::fprintf(stderr, "tovra: cannot draw on window 0x%lx: %s\n", window_, presenter_->Problem().c_str());
        return 1;
    }
    long mask = StructureNotifyMask | ExposureMask;
    if (ownWindow_) {
        mask |= KeyPressMask;
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &deleteWindow_, 1);
    }
    XSelectInput(display_, window_, mask);
    if (showFps) {
        fpsFont_ = XLoadQueryFont(display_, "-*-courier-bold-r-normal-*-*-180-*-*-m-*-*-*");
        if (fpsFont_ == nullptr) fpsFont_ = XLoadQueryFont(display_, "fixed");
        XGCValues values{};
        values.foreground = presenter_->PixelOf(0xFFFFFF);
        values.background = presenter_->PixelOf(0);
        fpsGc_ = XCreateGC(display_, window_, GCForeground | GCBackground, &values);
        if (fpsFont_ != nullptr) XSetFont(display_, fpsGc_, fpsFont_->fid);
        fpsSince_ = std::chrono::steady_clock::now();
        fpsCpuSince_ = ProcessCpuSeconds();
    }

    // The display loads before the window shows anything (its frame is empty,
    // so its first seeding lands nowhere, as on every platform); the first
    // resize sizes the grid and the frame to the window.
    saver_.Load();
    if (sprites_.loaded() == 0 && !StopRequested())
        std::fprintf(stderr, "tovra: no cell bitmap can be used, so no cells are drawn; they are looked for %s\n",
                     (bitmapPlaces.empty() ? "in " + sprites_.folder() : bitmapPlaces).c_str());
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window_, &attributes);
    ResizeTo(attributes.width, attributes.height);

    const int fd = ConnectionNumber(display_);
    const auto running = [&] { return !unloaded_ && !windowGone && !StopRequested(); };
    while (running()) {
        while (XPending(display_) > 0 && running()) {
            XEvent event;
            XNextEvent(display_, &event);
            HandleEvent(event);
        }
        if (!running()) break;
        const auto now = std::chrono::steady_clock::now();
        if (timerRunning_ && now >= nextTick_) {
            saver_.Tick();
            ++fpsTicks_;
            if (tickLimit > 0 && ++ticks_ >= tickLimit) break;
            // A tick that took longer than the interval is followed by the
            // next one at once, without a backlog.
            nextTick_ = std::max(nextTick_ + interval_, std::chrono::steady_clock::now());
            continue;
        }
        if (frameTimerRunning_ && now >= nextFrame_) {
            nextFrame_ = std::max(nextFrame_ + frameInterval_, now);
            saver_.FrameTick();
            continue;
        }
        std::optional<std::chrono::steady_clock::time_point> wake;
        if (timerRunning_) wake = nextTick_;
        if (frameTimerRunning_ && (!wake || nextFrame_ < *wake)) wake = nextFrame_;
        int timeout = -1;
        if (wake) timeout = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count());
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, timeout);
        if (p.revents & (POLLHUP | POLLERR)) break;
    }
    UnloadWindow();
    return 0;
}

void X11DisplayWindow::HandleEvent(const XEvent& event) {
    switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == window_ &&
                (event.xconfigure.width != width_ || event.xconfigure.height != height_))
                ResizeTo(event.xconfigure.width, event.xconfigure.height);
            break;
        case Expose:
            // The frame holds the whole picture: show it again.
            if (event.xexpose.count == 0) {
                const CellFrame& frame = saver_.frame();
                PresentFrame(frame, {FrameRect{0, 0, frame.Width(), frame.Height()}});
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) windowGone = true;
            break;
        case KeyPress: {
            KeySym key = NoSymbol;
            char text[8];
            XLookupString(const_cast<XKeyEvent*>(&event.xkey), text, sizeof text, &key, nullptr);
            if (key == XK_q || key == XK_Q || key == XK_Escape) UnloadWindow();
            break;
        }
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_ && deleteWindow_ != 0) UnloadWindow();
            break;
        default:
            break;
    }
}

void X11DisplayWindow::ResizeTo(int width, int height) {
    width_ = width;
    height_ = height;
    saver_.Resize();
}

std::vector<MonitorArea> X11DisplayWindow::Monitors() {
    const int dpi = xftDpi > 0 ? static_cast<int>(std::lround(xftDpi)) : X11WindowDpi(display_, window_);
    return {MonitorArea{{0, 0, width_, height_}, dpi}};
}

bool X11DisplayWindow::SystemReducesMotion() {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window_, &attributes)) return false;
    const std::string selection = "_XSETTINGS_S" + std::to_string(XScreenNumberOfScreen(attributes.screen));
    const Window owner = XGetSelectionOwner(display_, XInternAtom(display_, selection.c_str(), False));
    if (owner == None) return false;
    const Atom settings = XInternAtom(display_, "_XSETTINGS_SETTINGS", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, left = 0;
    unsigned char* data = nullptr;
    // A manager that goes away meanwhile only makes the read fail.
    const bool read = XGetWindowProperty(display_, owner, settings, 0, 1 << 16, False, settings, &type, &format, &items,
                                         &left, &data) == Success;
    const std::optional<int32_t> animations =
        read && type == settings && format == 8 ? XSettingsInteger(data, items, "Gtk/EnableAnimations") : std::nullopt;
    if (data != nullptr) XFree(data);
    return animations == 0;
}

FrameMemory X11DisplayWindow::AllocateFrame(int width, int height) {
    // The shared-memory image itself, when the server has MIT-SHM: the frame
    // then reaches the window without a copy in the program.
    return presenter_ != nullptr ? presenter_->Allocate(width, height) : FrameMemory{};
}

void X11DisplayWindow::PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) {
    presenter_->Present(frame.Data(), frame.Width(), frame.Height(), frame.Stride(), frame.BytesPerPixel(),
                        parts.data(), parts.size());
    if (fpsGc_ != nullptr) DrawFps();
}

void X11DisplayWindow::DrawFps() {
    // Generations per second and the share of the time this program used
    // the processor, over the last second or so.
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - fpsSince_).count();
    if (fpsLines_[0].empty()) fpsLines_[0] = "FPS: 0.0", fpsLines_[1] = "Load: 0.0%";
    if (seconds >= 1.0) {
        const double cpu = ProcessCpuSeconds();
        char text[64];
        std::snprintf(text, sizeof text, "FPS: %.1f", fpsTicks_ / seconds);
        fpsLines_[0] = text;
        std::snprintf(text, sizeof text, "Load: %.1f%%", 100 * (cpu - fpsCpuSince_) / seconds);
        fpsLines_[1] = text;
        fpsSince_ = now, fpsCpuSince_ = cpu, fpsTicks_ = 0;
    }
    // Over whatever the picture shows there, redrawn after every present.
    const int descent = fpsFont_ != nullptr ? fpsFont_->descent : 2;
    const int line = (fpsFont_ != nullptr ? fpsFont_->ascent : 11) + descent;
    for (int i = 0; i < 2; ++i)
        XDrawImageString(display_, window_, fpsGc_, 10, height_ - 10 - descent - (1 - i) * line, fpsLines_[i].data(),
                         static_cast<int>(fpsLines_[i].size()));
}

// --- Sprites -------------------------------------------------------------------------

SpritePixels X11DisplayWindow::SpritePixelsOf(GdiHandle sprite) { return sprites_.SpritePixelsOf(sprite); }

// The frame holds the window's own values, so that it reaches the window
// without a conversion of every pixel.
uint32_t X11DisplayWindow::ColourValue(uint32_t rgb) { return presenter_ != nullptr ? presenter_->Value(rgb) : rgb; }

// --- Timer, clock, unloading ---------------------------------------------------------

void X11DisplayWindow::StartTimer(uint32_t milliseconds) {
    interval_ = std::chrono::milliseconds(milliseconds);
    nextTick_ = std::chrono::steady_clock::now() + interval_;
    timerRunning_ = true;
}

void X11DisplayWindow::StopTimer() { timerRunning_ = false; }

void X11DisplayWindow::StartFrameTimer(uint32_t milliseconds) {
    frameInterval_ = std::chrono::milliseconds(milliseconds);
    nextFrame_ = std::chrono::steady_clock::now() + frameInterval_;
    frameTimerRunning_ = true;
}

void X11DisplayWindow::StopFrameTimer() { frameTimerRunning_ = false; }

void X11DisplayWindow::UnloadWindow() {
    if (unloaded_) return;
    unloaded_ = true;
    saver_.BeforeUnload();
    saver_.Unload();
}

}  // namespace tovra
