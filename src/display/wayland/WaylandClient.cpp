#include "display/wayland/WaylandClient.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "display/SaverDisplay.h"
#include "display/SurfaceBuffers.h"
#include "display/linux/LinuxRun.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace tovra {

namespace {

constexpr char kProgram[] = "tovra-wayland";
// How the changed parts are joined for the compositor (see JoinDamage):
// bands of 20 rows, parts less than 400 pixels apart joined. Measured on
// sway at 3840 x 2160: a fifth less of its time than each part on its own,
// where wider bands cost it as much again in the pixels they add.
constexpr int kDamageBand = 20;
constexpr int kDamageGap = 400;

}  // namespace

// One wl_output: its name and scale, known once its description is done.
struct WaylandOutput {
    WaylandClient& client;
    uint32_t globalName;
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::string name;
    int scale = 1;
    int logicalWidth = 0, logicalHeight = 0;  // from xdg-output, 0 when unknown
    int modeWidth = 0, modeHeight = 0;
    bool done = false;

    WaylandOutput(WaylandClient& c, uint32_t global) : client(c), globalName(global) {}
    ~WaylandOutput() {
        if (xdgOutput != nullptr) zxdg_output_v1_destroy(xdgOutput);
        if (output != nullptr) {
            if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) wl_output_release(output);
            else wl_output_destroy(output);
        }
    }
    bool Ready() const { return done && !name.empty(); }
    void Describe() {
        if (!done) return;
        if (Ready()) client.OutputReady(*this);
    }
    void WatchXdgOutput();
};

namespace {

const wl_output_listener kOutputListener = {
    .geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {},
    .mode =
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
            auto* o = static_cast<WaylandOutput*>(data);
            if (flags & WL_OUTPUT_MODE_CURRENT) o->modeWidth = width, o->modeHeight = height;
        },
    .done =
        [](void* data, wl_output*) {
            auto* o = static_cast<WaylandOutput*>(data);
            o->done = true;
            o->Describe();
        },
    .scale = [](void* data, wl_output*, int32_t factor) { static_cast<WaylandOutput*>(data)->scale = std::max(factor, 1); },
    .name = [](void* data, wl_output*, const char* name) { static_cast<WaylandOutput*>(data)->name = name; },
    .description = [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener kXdgOutputListener = {
    .logical_position = [](void*, zxdg_output_v1*, int32_t, int32_t) {},
    .logical_size =
        [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
            auto* o = static_cast<WaylandOutput*>(data);
            o->logicalWidth = width, o->logicalHeight = height;
        },
    // Before version 3 the xdg-output's own done ends its description.
    .done =
        [](void* data, zxdg_output_v1* xdg) {
            if (zxdg_output_v1_get_version(xdg) < 3) static_cast<WaylandOutput*>(data)->Describe();
        },
    .name =
        [](void* data, zxdg_output_v1*, const char* name) {
            auto* o = static_cast<WaylandOutput*>(data);
            if (o->name.empty()) o->name = name;
        },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

}  // namespace

void WaylandOutput::WatchXdgOutput() {
    if (xdgOutput != nullptr || client.xdgOutputs_ == nullptr) return;
    xdgOutput = zxdg_output_manager_v1_get_xdg_output(client.xdgOutputs_, output);
    zxdg_output_v1_add_listener(xdgOutput, &kXdgOutputListener, this);
}

// A wl_shm buffer of the surface's size; it stays until the compositor
// releases it, also after the surface has moved on to another size.
struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    void* pixels = nullptr;
    std::size_t bytes = 0;
    int stride = 0;  // bytes
    int index = 0;   // in the ring; -1 once retired
    bool busy = false;
    class WaylandSurface* owner = nullptr;

    ~ShmBuffer() {
        if (buffer != nullptr) wl_buffer_destroy(buffer);
        if (pixels != nullptr) munmap(pixels, bytes);
    }
};

class WaylandSurface : public FileSpritePlatform {
public:
    WaylandSurface(WaylandClient& client, WaylandOutput& output);
    ~WaylandSurface() override;

    const WaylandOutput& output() const { return output_; }
    bool closed() const { return closed_; }
    // The output's scale changed: the buffers follow.
    void Rescale() {
        if (configured_) Arrange();
    }
    // Whether a generation is due now; when one will be (or the far future
    // while the compositor has not asked for a frame).
    bool Due(std::chrono::steady_clock::time_point now) const { return Waiting() && now >= NextWake(); }
    bool Waiting() const {
        return loaded_ && !unloaded_ && (timerRunning_ || frameTimerRunning_) && frame_ == nullptr && !closed_ &&
               BufferFree();
    }
    // The next generation, or the next frame of a blend before it.
    std::chrono::steady_clock::time_point NextWake() const {
        if (!timerRunning_) return nextFrame_;
        return frameTimerRunning_ ? std::min(nextTick_, nextFrame_) : nextTick_;
    }
    // A generation or a frame of a blend, whichever is due; whether it was a generation.
    bool Tick();

    // DisplayPlatform
    void StartTimer(uint32_t milliseconds) override {
        interval_ = std::chrono::milliseconds(milliseconds);
        nextTick_ = std::chrono::steady_clock::now() + interval_;
        timerRunning_ = true;
    }
    void StopTimer() override { timerRunning_ = false; }
    void StartFrameTimer(uint32_t milliseconds) override {
        frameInterval_ = std::chrono::milliseconds(milliseconds);
        nextFrame_ = std::chrono::steady_clock::now() + frameInterval_;
        frameTimerRunning_ = true;
    }
    void StopFrameTimer() override { frameTimerRunning_ = false; }
    double ClientWidth() override { return scale_.bufferWidth; }
    double ClientHeight() override { return scale_.bufferHeight; }
    std::vector<MonitorArea> Monitors() override {
        return {MonitorArea{{0, 0, scale_.bufferWidth, scale_.bufferHeight}, scale_.dpi}};
    }
    FrameMemory AllocateFrame(int width, int height) override;
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override;
    void UnloadWindow() override {
        if (unloaded_) return;
        unloaded_ = true;
        saver_.BeforeUnload();
        saver_.Unload();
    }

private:
    static const zwlr_layer_surface_v1_listener kLayerListener;
    static const xdg_surface_listener kXdgSurfaceListener;
    static const xdg_toplevel_listener kToplevelListener;
    static const wp_fractional_scale_v1_listener kFractionalListener;
    static const wl_callback_listener kFrameListener;
    static const wl_buffer_listener kBufferListener;

    // A configure of this logical size (0: the output's), acknowledged by the next commit.
    void Configured(int width, int height);
    // The buffers at the surface's size and scale, the display laid out on them.
    void Arrange();
    ShmBuffer* BufferAt(int index);
    // The buffers of another size let go (those the compositor holds when it releases them).
    void Retire();
    // The frame moves on into a free buffer, brought up to date.
    void DrawNext();
    // Whether the next generation has a buffer to go into.
    bool BufferFree() const {
        return drawing_ >= 0 || static_cast<int>(buffers_.size()) < BufferRing::kMaxBuffers ||
               std::any_of(buffers_.begin(), buffers_.end(), [](const auto& b) { return b != nullptr && !b->busy; });
    }
    void RequestFrame();
    void Commit() {
        RequestFrame();
        wl_surface_commit(surface_);
    }

    WaylandClient& client_;
    WaylandOutput& output_;
    const bool preview_ = false;
    SaverDisplay saver_;

    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    xdg_surface* xdgSurface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_callback* frame_ = nullptr;

    int width_ = 0, height_ = 0;  // logical
    int toplevelWidth_ = 0, toplevelHeight_ = 0;
    int fractional120_ = 0;
    SurfaceScale scale_;
    bool configured_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool closed_ = false;
    bool presented_ = false;  // in the current event

    BufferRing ring_;
    std::vector<std::unique_ptr<ShmBuffer>> buffers_;  // by ring index
    std::vector<std::unique_ptr<ShmBuffer>> retired_;  // of an earlier size, still with the compositor
    int drawing_ = -1;  // the buffer the frame draws into; -1 while every one is busy
    int shown_ = -1;    // the one shown last

    bool timerRunning_ = false;
    std::chrono::milliseconds interval_{0};
    std::chrono::steady_clock::time_point nextTick_;
    bool frameTimerRunning_ = false;
    std::chrono::milliseconds frameInterval_{0};
    std::chrono::steady_clock::time_point nextFrame_;
};

const zwlr_layer_surface_v1_listener WaylandSurface::kLayerListener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height) {
            zwlr_layer_surface_v1_ack_configure(layer, serial);
            static_cast<WaylandSurface*>(data)->Configured(static_cast<int>(width), static_cast<int>(height));
        },
    .closed = [](void* data, zwlr_layer_surface_v1*) { static_cast<WaylandSurface*>(data)->closed_ = true; },
};

const xdg_surface_listener WaylandSurface::kXdgSurfaceListener = {
    .configure =
        [](void* data, xdg_surface* surface, uint32_t serial) {
            auto* s = static_cast<WaylandSurface*>(data);
            xdg_surface_ack_configure(surface, serial);
            s->Configured(s->toplevelWidth_, s->toplevelHeight_);
        },
};

const xdg_toplevel_listener WaylandSurface::kToplevelListener = {
    .configure =
        [](void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
            auto* s = static_cast<WaylandSurface*>(data);
            s->toplevelWidth_ = width, s->toplevelHeight_ = height;
        },
    .close = [](void* data, xdg_toplevel*) { static_cast<WaylandSurface*>(data)->client_.windowClosed_ = true; },
    .configure_bounds = [](void*, xdg_toplevel*, int32_t, int32_t) {},
    .wm_capabilities = [](void*, xdg_toplevel*, wl_array*) {},
};

const wp_fractional_scale_v1_listener WaylandSurface::kFractionalListener = {
    .preferred_scale =
        [](void* data, wp_fractional_scale_v1*, uint32_t scale) {
            auto* s = static_cast<WaylandSurface*>(data);
            if (s->fractional120_ == static_cast<int>(scale)) return;
            s->fractional120_ = static_cast<int>(scale);
            s->Rescale();
        },
};

const wl_callback_listener WaylandSurface::kFrameListener = {
    .done =
        [](void* data, wl_callback* callback, uint32_t) {
            auto* s = static_cast<WaylandSurface*>(data);
            wl_callback_destroy(callback);
            if (s->frame_ == callback) s->frame_ = nullptr;
        },
};

const wl_buffer_listener WaylandSurface::kBufferListener = {
    .release =
        [](void* data, wl_buffer*) {
            auto* b = static_cast<ShmBuffer*>(data);
            b->busy = false;
            WaylandSurface& s = *b->owner;
            if (b->index < 0) {
                std::erase_if(s.retired_, [b](const std::unique_ptr<ShmBuffer>& r) { return r.get() == b; });
                return;
            }
            s.ring_.Released(b->index);
            // A generation waits while every buffer is with the compositor;
            // changes that found none free go out now.
            if (s.drawing_ < 0 && s.shown_ >= 0 && s.ring_.Owes()) {
                s.DrawNext();
                if (s.drawing_ >= 0) s.PresentFrame(s.saver_.frame(), {});
            }
        },
};

WaylandSurface::WaylandSurface(WaylandClient& client, WaylandOutput& output)
    : FileSpritePlatform(client.dataFolder_, kProgram), client_(client), output_(output),
      saver_(*this, client.store_, client.random_, preview_) {
    surface_ = wl_compositor_create_surface(client.compositor_);
    if (!client.config_.exitOnInput) {
        // It takes no input: clicks and keys go to what lies below or has the focus.
        wl_region* none = wl_compositor_create_region(client.compositor_);
        wl_surface_set_input_region(surface_, none);
        wl_region_destroy(none);
    }
    if (client.viewporter_ != nullptr && client.fractionalScale_ != nullptr) {
        viewport_ = wp_viewporter_get_viewport(client.viewporter_, surface_);
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(client.fractionalScale_, surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &kFractionalListener, this);
    }
    if (client.config_.layer) {
        layer_ = zwlr_layer_shell_v1_get_layer_surface(client.layerShell_, surface_, output.output,
                                                       static_cast<uint32_t>(client.config_.layerIndex), "tovra");
        zwlr_layer_surface_v1_add_listener(layer_, &kLayerListener, this);
        zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(layer_, 0, 0);
        // Over panels too: the whole output.
        zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
        if (client.config_.exitOnInput) zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, 1);
    } else {
        xdgSurface_ = xdg_wm_base_get_xdg_surface(client.wmBase_, surface_);
        xdg_surface_add_listener(xdgSurface_, &kXdgSurfaceListener, this);
        toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
        xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
        xdg_toplevel_set_title(toplevel_, "Tovra");
        xdg_toplevel_set_app_id(toplevel_, "tovra");
        xdg_toplevel_set_fullscreen(toplevel_, output.output);
    }
    wl_surface_commit(surface_);
}

WaylandSurface::~WaylandSurface() {
    UnloadWindow();
    if (frame_ != nullptr) wl_callback_destroy(frame_);
    buffers_.clear();
    retired_.clear();
    if (fractional_ != nullptr) wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_ != nullptr) wp_viewport_destroy(viewport_);
    if (layer_ != nullptr) zwlr_layer_surface_v1_destroy(layer_);
    if (toplevel_ != nullptr) xdg_toplevel_destroy(toplevel_);
    if (xdgSurface_ != nullptr) xdg_surface_destroy(xdgSurface_);
    wl_surface_destroy(surface_);
}

void WaylandSurface::Configured(int width, int height) {
    // A size left to the client: the output's, in its logical units.
    if (width <= 0 || height <= 0) {
        width = output_.logicalWidth > 0 ? output_.logicalWidth : output_.modeWidth / output_.scale;
        height = output_.logicalHeight > 0 ? output_.logicalHeight : output_.modeHeight / output_.scale;
    }
    width_ = std::max(width, 1), height_ = std::max(height, 1);
    configured_ = true;
    Arrange();
}

void WaylandSurface::Arrange() {
    if (!loaded_) {
        // The display loads before it has a size, as on every platform (its
        // first seeding lands nowhere); the resize that follows sizes its
        // grid and frame.
        loaded_ = true;
        saver_.Load();
        if (sprites_.loaded() == 0 && !StopRequested() && !client_.toldOfBitmaps_) {
            client_.toldOfBitmaps_ = true;
            std::fprintf(stderr, "%s: no cell bitmap can be used, so no cells are drawn; they are looked for in %s\n",
                         kProgram, sprites_.folder().c_str());
        }
    }
    const SurfaceScale scale = ScaleSurface(width_, height_, output_.scale, viewport_ != nullptr ? fractional120_ : 0);
    const bool resized = scale.bufferWidth != scale_.bufferWidth || scale.bufferHeight != scale_.bufferHeight;
    scale_ = scale;
    if (viewport_ != nullptr) {
        wp_viewport_set_destination(viewport_, scale_.viewport ? width_ : -1, scale_.viewport ? height_ : -1);
    }
    wl_surface_set_buffer_scale(surface_, scale_.bufferScale);
    presented_ = false;
    if (resized) saver_.Resize();  // which allocates the frame in the new buffers
    // A configure is answered by a commit, also when nothing was drawn.
    if (!presented_) Commit();
}

ShmBuffer* WaylandSurface::BufferAt(int index) {
    if (index < static_cast<int>(buffers_.size()) && buffers_[index] != nullptr) return buffers_[index].get();
    auto b = std::make_unique<ShmBuffer>();
    b->owner = this;
    b->index = index;
    b->stride = scale_.bufferWidth * 4;
    b->bytes = static_cast<std::size_t>(b->stride) * scale_.bufferHeight;
    const int fd = memfd_create("tovra-frame", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(b->bytes)) != 0) {
        if (fd >= 0) close(fd);
        client_.Fail(std::string("cannot make a frame buffer: ") + std::strerror(errno));
        return nullptr;
    }
    b->pixels = mmap(nullptr, b->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (b->pixels == MAP_FAILED) {
        b->pixels = nullptr;
        close(fd);
        client_.Fail(std::string("cannot map a frame buffer: ") + std::strerror(errno));
        return nullptr;
    }
    wl_shm_pool* pool = wl_shm_create_pool(client_.shm_, fd, static_cast<int32_t>(b->bytes));
    b->buffer = wl_shm_pool_create_buffer(pool, 0, scale_.bufferWidth, scale_.bufferHeight, b->stride,
                                          WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(b->buffer, &kBufferListener, b.get());
    if (static_cast<int>(buffers_.size()) <= index) buffers_.resize(static_cast<std::size_t>(index) + 1);
    buffers_[index] = std::move(b);
    return buffers_[index].get();
}

FrameMemory WaylandSurface::AllocateFrame(int width, int height) {
    // The frame is drawn straight into the buffers it is shown from, in
    // turn; one of the surface's size, once it has one.
    if (width != scale_.bufferWidth || height != scale_.bufferHeight || width <= 0 || height <= 0) return {};
    Retire();
    ring_.Reset(width, height);
    drawing_ = ring_.Acquire();
    const ShmBuffer* buffer = BufferAt(drawing_);
    if (buffer == nullptr) return {};
    return {buffer->pixels, buffer->stride / 4, 4};
}

void WaylandSurface::Retire() {
    // Buffers of the old size go when the compositor lets them go.
    for (auto& b : buffers_) {
        if (b == nullptr || !b->busy) continue;
        b->index = -1;
        retired_.push_back(std::move(b));
    }
    buffers_.clear();
    drawing_ = shown_ = -1;
}

void WaylandSurface::PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) {
    if (!configured_ || closed_ || frame.Width() != scale_.bufferWidth || frame.Height() != scale_.bufferHeight) return;
    if (drawing_ < 0) {
        // Every buffer is with the compositor: shown with the next one free.
        ring_.Owe(parts);
        return;
    }
    ShmBuffer* buffer = buffers_[drawing_].get();
    std::vector<FrameRect> changed = ring_.TakeOwed();
    changed.insert(changed.end(), parts.begin(), parts.end());
    wl_surface_attach(surface_, buffer->buffer, 0, 0);
    // The compositor pays more for each rectangle than for the pixels in it:
    // it is told of fewer, larger ones, which cover the changed pixels and
    // pixels that stayed as they were.
    for (const FrameRect& r : JoinDamage(changed, kDamageBand, kDamageGap))
        wl_surface_damage_buffer(surface_, r.x, r.y, r.width, r.height);
    ring_.Shown(drawing_, changed);
    buffer->busy = true;
    shown_ = drawing_;
    presented_ = true;
    Commit();
    // The next generation goes into whichever buffer is free when it comes:
    // by then the compositor has mostly let go of the one shown before.
    drawing_ = -1;
}

void WaylandSurface::DrawNext() {
    drawing_ = ring_.Acquire();
    if (drawing_ < 0) return;  // until the compositor lets one go
    ShmBuffer* next = BufferAt(drawing_);
    const ShmBuffer* shown = shown_ >= 0 ? buffers_[shown_].get() : nullptr;
    if (next == nullptr || shown == nullptr) {
        drawing_ = -1;
        return;
    }
    // What the buffer lacks since it was last shown, from the one shown
    // last, which holds the whole picture; then the frame draws on in it.
    for (const FrameRect& r : ring_.Missing(drawing_)) {
        const int x0 = std::clamp(r.x, 0, scale_.bufferWidth), x1 = std::clamp(r.x + r.width, 0, scale_.bufferWidth);
        const int y0 = std::clamp(r.y, 0, scale_.bufferHeight), y1 = std::clamp(r.y + r.height, 0, scale_.bufferHeight);
        for (int y = y0; x0 < x1 && y < y1; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * next->stride + x0 * 4u;
            std::memcpy(static_cast<unsigned char*>(next->pixels) + at, static_cast<const unsigned char*>(shown->pixels) + at,
                        static_cast<std::size_t>(x1 - x0) * 4);
        }
    }
    ring_.Shown(drawing_, {});
    ring_.Released(drawing_);
    if (!saver_.RebindFrame({next->pixels, next->stride / 4, 4})) drawing_ = -1;
}

void WaylandSurface::RequestFrame() {
    if (frame_ != nullptr) return;
    frame_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frame_, &kFrameListener, this);
}

bool WaylandSurface::Tick() {
    if (drawing_ < 0) DrawNext();
    if (drawing_ < 0) return false;
    presented_ = false;
    const auto now = std::chrono::steady_clock::now();
    if (!timerRunning_ || now < nextTick_) {
        // A frame of a blend; one that drew nothing commits nothing.
        nextFrame_ = std::max(nextFrame_ + frameInterval_, now);
        saver_.FrameTick();
        return false;
    }
    saver_.Tick();
    // A generation that changed nothing still waits for the compositor's
    // next frame: a surface nobody sees then stops computing.
    if (!presented_) Commit();
    nextTick_ = std::max(nextTick_ + interval_, now);
    return true;
}

// --- The client ------------------------------------------------------------------------

namespace {

const wl_registry_listener kRegistryListener = {
    .global = WaylandClient::Global,
    .global_remove = WaylandClient::GlobalRemove,
};

const xdg_wm_base_listener kWmBaseListener = {
    .ping = [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

}  // namespace

namespace {

const wl_pointer_listener kPointerListener = {
    .enter = [](void*, wl_pointer*, uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t) {},
    .leave = [](void*, wl_pointer*, uint32_t, wl_surface*) {},
    .motion = [](void* data, wl_pointer*, uint32_t, wl_fixed_t, wl_fixed_t) { static_cast<WaylandClient*>(data)->InputSeen(); },
    .button =
        [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
            if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<WaylandClient*>(data)->InputSeen();
        },
    .axis = [](void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) { static_cast<WaylandClient*>(data)->InputSeen(); },
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, uint32_t, int32_t) {},
};

// Keys held when the surface got the focus (the one that started the
// program, say) end nothing when they are let go; a key pressed does.
const wl_keyboard_listener kKeyboardListener = {
    .keymap = [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    .enter = [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    .key =
        [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
            if (state == WL_KEYBOARD_KEY_STATE_PRESSED) static_cast<WaylandClient*>(data)->InputSeen();
        },
    .modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_seat_listener kSeatListener = {
    .capabilities = WaylandClient::SeatCapabilities,
    .name = [](void*, wl_seat*, const char*) {},
};

}  // namespace

WaylandClient::WaylandClient(SettingsStore& store, RandomStream& random, std::string dataFolder)
    : store_(store), random_(random), dataFolder_(std::move(dataFolder)) {}

WaylandClient::~WaylandClient() {
    surfaces_.clear();
    outputs_.clear();
    if (pointer_ != nullptr) wl_pointer_destroy(pointer_);
    if (keyboard_ != nullptr) wl_keyboard_destroy(keyboard_);
    if (seat_ != nullptr) wl_seat_destroy(seat_);
    if (xdgOutputs_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs_);
    if (fractionalScale_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScale_);
    if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
    if (wmBase_ != nullptr) xdg_wm_base_destroy(wmBase_);
    if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
    if (shm_ != nullptr) wl_shm_destroy(shm_);
    if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
    if (display_ != nullptr) {
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }
}

bool WaylandClient::Connect() {
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) return false;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    // The globals; then what the outputs say of themselves.
    for (int i = 0; i < 3; ++i) wl_display_roundtrip(display_);
    return true;
}

std::vector<std::string> WaylandClient::OutputNames() const {
    std::vector<std::string> names;
    for (const auto& o : outputs_)
        if (o->Ready()) names.push_back(o->name);
    return names;
}

void WaylandClient::Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* c = static_cast<WaylandClient*>(data);
    const auto bind = [&](const wl_interface* i, uint32_t most) {
        return wl_registry_bind(registry, name, i, std::min(version, most));
    };
    const std::string_view is = interface;
    if (is == wl_compositor_interface.name && version >= 4) {
        c->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (is == wl_shm_interface.name) {
        c->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (is == zwlr_layer_shell_v1_interface.name) {
        c->layerShell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
    } else if (is == xdg_wm_base_interface.name) {
        c->wmBase_ = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(c->wmBase_, &kWmBaseListener, c);
    } else if (is == wp_viewporter_interface.name) {
        c->viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (is == wp_fractional_scale_manager_v1_interface.name) {
        c->fractionalScale_ =
            static_cast<wp_fractional_scale_manager_v1*>(bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (is == zxdg_output_manager_v1_interface.name && version >= 2) {
        c->xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
        for (const auto& o : c->outputs_) o->WatchXdgOutput();
    } else if (is == wl_seat_interface.name && c->seat_ == nullptr) {
        c->seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
        wl_seat_add_listener(c->seat_, &kSeatListener, c);
    } else if (is == wl_output_interface.name && version >= 2) {
        c->AddOutput(name, version);
    }
}

void WaylandClient::AddOutput(uint32_t name, uint32_t version) {
    auto o = std::make_unique<WaylandOutput>(*this, name);
    o->output = static_cast<wl_output*>(wl_registry_bind(registry_, name, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(o->output, &kOutputListener, o.get());
    o->WatchXdgOutput();
    outputs_.push_back(std::move(o));
}

void WaylandClient::GlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto* c = static_cast<WaylandClient*>(data);
    for (auto it = c->outputs_.begin(); it != c->outputs_.end(); ++it) {
        if ((*it)->globalName != name) continue;
        // The output's world ends with it.
        c->RemoveSurfaceOf(**it);
        c->outputs_.erase(it);
        return;
    }
}

void WaylandClient::OutputReady(WaylandOutput& output) {
    if (!running_) return;
    for (const auto& s : surfaces_) {
        if (&s->output() != &output) continue;
        s->Rescale();
        return;
    }
    if (!config_.output.empty() && config_.output != output.name) return;
    surfaces_.push_back(std::make_unique<WaylandSurface>(*this, output));
}

void WaylandClient::RemoveSurfaceOf(const WaylandOutput& output) {
    std::erase_if(surfaces_, [&](const std::unique_ptr<WaylandSurface>& s) { return &s->output() == &output; });
}

void WaylandClient::SeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    auto* c = static_cast<WaylandClient*>(data);
    c->seatCapabilities_ = capabilities;
    if (!c->running_ || !c->config_.exitOnInput) return;
    const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (pointer && c->pointer_ == nullptr) {
        c->pointer_ = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(c->pointer_, &kPointerListener, c);
    } else if (!pointer && c->pointer_ != nullptr) {
        wl_pointer_destroy(c->pointer_);
        c->pointer_ = nullptr;
    }
    if (keyboard && c->keyboard_ == nullptr) {
        c->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(c->keyboard_, &kKeyboardListener, c);
    } else if (!keyboard && c->keyboard_ != nullptr) {
        wl_keyboard_destroy(c->keyboard_);
        c->keyboard_ = nullptr;
    }
}

void WaylandClient::Fail(const std::string& message) {
    if (failure_.empty()) failure_ = message;
}

int WaylandClient::Run(const WaylandSurfaces& surfaces) {
    config_ = surfaces;
    running_ = true;
    CatchStopSignals();
    // The stop signals wait while the loop works and arrive only in its
    // wait for the compositor, so none is missed between a check and the wait.
    sigset_t stops, before;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    sigprocmask(SIG_BLOCK, &stops, &before);
    if (seat_ != nullptr) SeatCapabilities(this, seat_, seatCapabilities_);
    for (const auto& o : outputs_)
        if (o->Ready()) OutputReady(*o);

    const int fd = wl_display_get_fd(display_);
    // Where the connection failed without the display knowing why (a flush
    // or a hang-up): the reason, for the message.
    int lost = 0;
    while (!StopRequested() && !inputSeen_ && !windowClosed_ && failure_.empty()) {
        std::erase_if(surfaces_, [](const std::unique_ptr<WaylandSurface>& s) { return s->closed(); });
        if (wl_display_dispatch_pending(display_) < 0) break;
        const auto now = std::chrono::steady_clock::now();
        bool limitReached = false;
        for (const auto& s : surfaces_) {
            if (!s->Due(now)) continue;
            if (s->Tick() && tickLimit > 0 && ++ticks_ >= tickLimit) limitReached = true;
        }
        if (limitReached) break;
        // Wait for the compositor, or for the next surface whose generation
        // is due; a surface waiting for its frame callback sets no time.
        int timeout = -1;
        for (const auto& s : surfaces_) {
            if (!s->Waiting()) continue;
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(s->NextWake() - now).count();
            const int ms = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        }
        while (wl_display_prepare_read(display_) != 0)
            if (wl_display_dispatch_pending(display_) < 0) break;
        short events = POLLIN;
        if (wl_display_flush(display_) < 0) {
            if (errno != EAGAIN) {
                lost = errno;
                wl_display_cancel_read(display_);
                break;
            }
            events |= POLLOUT;  // the compositor reads slowly: wait until it has room
        }
        pollfd p{fd, events, 0};
        timespec wait{timeout / 1000, (timeout % 1000) * 1000000L};
        const int ready = ppoll(&p, 1, timeout < 0 ? nullptr : &wait, &before);
        if (ready > 0 && (p.revents & POLLIN)) {
            if (wl_display_read_events(display_) < 0) break;
        } else {
            wl_display_cancel_read(display_);
            if (ready > 0 && (p.revents & (POLLHUP | POLLERR))) {
                lost = EPIPE;
                break;
            }
        }
    }
    int status = 0;
    const int error = wl_display_get_error(display_);
    if (!failure_.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, failure_.c_str());
        status = 1;
    } else if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        std::fprintf(stderr, "%s: the compositor ended the connection: protocol error %u on %s\n", kProgram, code,
                     interface != nullptr ? interface->name : "an object");
        status = 1;
    } else if (error != 0 || lost != 0) {
        std::fprintf(stderr, "%s: the compositor went away (%s)\n", kProgram, std::strerror(error != 0 ? error : lost));
        status = 1;
    }
    surfaces_.clear();
    if (status == 0) wl_display_roundtrip(display_);
    running_ = false;
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return status;
}

}  // namespace tovra
