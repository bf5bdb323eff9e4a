#pragma once
// What a client of a compositor (Wayland) decides about the buffers it shows
// the frame in, apart from the protocol: the buffer size at an output's
// scale, and which buffer the next picture goes into.
//
// A buffer handed to the compositor is busy until the compositor releases
// it; the next picture goes into a free one, which first takes the parts
// that changed since it was last shown, so that only changed parts are ever
// copied. Two buffers, a third only while both are busy, and never a wait:
// when all are busy, the changes are owed and go into the first buffer
// released.

#include <vector>

#include "display/CellFrame.h"

namespace tovra {

// A surface of `width` x `height` in the compositor's (logical) units, shown
// on an output of integer scale `scale` (1 and up) or, where the compositor
// gives one with a viewport to show it through, of the fractional scale
// `fractional120` (the scale times 120; 0 when there is none).
struct SurfaceScale {
    int bufferWidth = 0, bufferHeight = 0;  // pixels
    int bufferScale = 1;                    // wl_surface.set_buffer_scale
    bool viewport = false;                  // shown through a viewport of the logical size
    int dpi = 96;                           // what Auto's cell pitch follows
};
SurfaceScale ScaleSurface(int width, int height, int scale, int fractional120);

// The changed parts joined into fewer, larger ones, for a compositor to
// which each rectangle costs more than the pixels in it: the parts that meet
// each band of `band` rows from the top, joined along the band where less
// than `gap` pixels lie between them, each rectangle no taller than its
// parts reach in the band. Every changed pixel stays covered.
std::vector<FrameRect> JoinDamage(const std::vector<FrameRect>& parts, int band, int gap);

class BufferRing {
public:
    static constexpr int kMaxBuffers = 3;
    // Beyond this many parts a buffer's missing ones are taken as the whole frame.
    static constexpr std::size_t kMaxStaleParts = 4096;

    // Forgets every buffer: a frame of this size starts from none.
    void Reset(int width, int height);

    // The free buffer the next picture goes into: the one missing the least,
    // or a new one (Count() grows, and it misses everything) while there are
    // fewer than kMaxBuffers; -1 when every buffer is busy.
    int Acquire();
    // The parts of the frame buffer `index` lacks, to copy before it is shown.
    const std::vector<FrameRect>& Missing(int index) const { return buffers_[index].missing; }
    // Buffer `index` was brought up to date and shown with these parts
    // changed: it is busy, and every other buffer lacks them too.
    void Shown(int index, const std::vector<FrameRect>& parts);
    // Every buffer was busy: the parts are shown with the next picture.
    void Owe(const std::vector<FrameRect>& parts);
    // The parts owed, taken (and forgotten).
    std::vector<FrameRect> TakeOwed();
    bool Owes() const { return !owed_.empty(); }
    void Released(int index);

    int Count() const { return static_cast<int>(buffers_.size()); }
    bool Busy(int index) const { return buffers_[index].busy; }

private:
    struct Buffer {
        bool busy = false;
        std::vector<FrameRect> missing;
    };
    static void Add(std::vector<FrameRect>& to, const std::vector<FrameRect>& parts, const FrameRect& whole);
    static long Area(const std::vector<FrameRect>& parts);

    FrameRect whole_{0, 0, 0, 0};
    std::vector<Buffer> buffers_;
    std::vector<FrameRect> owed_;
};

}  // namespace tovra
