#include "display/SurfaceBuffers.h"

#include <algorithm>
#include <cmath>

namespace tovra {

SurfaceScale ScaleSurface(int width, int height, int scale, int fractional120) {
    SurfaceScale s;
    if (fractional120 > 0) {
        // The buffer at the output's own pixels, shown through a viewport of
        // the logical size (half-way values round away from zero, as the
        // compositors round the logical size up to pixels).
        s.bufferWidth = static_cast<int>(std::lround(width * fractional120 / 120.0));
        s.bufferHeight = static_cast<int>(std::lround(height * fractional120 / 120.0));
        s.viewport = true;
        s.dpi = static_cast<int>(std::lround(96.0 * fractional120 / 120.0));
        return s;
    }
    s.bufferScale = std::max(scale, 1);
    s.bufferWidth = width * s.bufferScale;
    s.bufferHeight = height * s.bufferScale;
    s.dpi = 96 * s.bufferScale;
    return s;
}

std::vector<FrameRect> JoinDamage(const std::vector<FrameRect>& parts, int band, int gap) {
    band = std::max(band, 1);
    // Each part's piece in each band it meets: (band, x, end, top, bottom).
    struct Piece {
        int band, x, end, top, bottom;
    };
    std::vector<Piece> pieces;
    for (const FrameRect& r : parts) {
        if (r.width <= 0 || r.height <= 0) continue;
        for (int b = r.y / band; b * band < r.y + r.height; ++b)
            pieces.push_back({b, r.x, r.x + r.width, std::max(r.y, b * band), std::min(r.y + r.height, (b + 1) * band)});
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.band != b.band ? a.band < b.band : a.x < b.x; });
    std::vector<FrameRect> joined;
    for (std::size_t i = 0; i < pieces.size();) {
        Piece run = pieces[i];
        for (++i; i < pieces.size() && pieces[i].band == run.band && pieces[i].x - run.end < gap; ++i) {
            run.end = std::max(run.end, pieces[i].end);
            run.top = std::min(run.top, pieces[i].top);
            run.bottom = std::max(run.bottom, pieces[i].bottom);
        }
        joined.push_back({run.x, run.top, run.end - run.x, run.bottom - run.top});
    }
    return joined;
}

void BufferRing::Reset(int width, int height) {
    whole_ = {0, 0, width, height};
    buffers_.clear();
    owed_.clear();
}

long BufferRing::Area(const std::vector<FrameRect>& parts) {
    long area = 0;
    for (const FrameRect& r : parts) area += static_cast<long>(r.width) * r.height;
    return area;
}

void BufferRing::Add(std::vector<FrameRect>& to, const std::vector<FrameRect>& parts, const FrameRect& whole) {
    if (to.size() == 1 && to[0] == whole) return;
    to.insert(to.end(), parts.begin(), parts.end());
    // Many small parts, or as much as the frame: copying it whole is cheaper.
    if (to.size() > kMaxStaleParts || Area(to) >= static_cast<long>(whole.width) * whole.height) to = {whole};
}

int BufferRing::Acquire() {
    int best = -1;
    for (int i = 0; i < Count(); ++i)
        if (!buffers_[i].busy && (best < 0 || Area(buffers_[i].missing) < Area(buffers_[best].missing))) best = i;
    if (best >= 0) return best;
    if (Count() == kMaxBuffers) return -1;
    buffers_.push_back({false, {whole_}});
    return Count() - 1;
}

void BufferRing::Shown(int index, const std::vector<FrameRect>& parts) {
    for (int i = 0; i < Count(); ++i)
        if (i != index) Add(buffers_[i].missing, parts, whole_);
    buffers_[index].missing.clear();
    buffers_[index].busy = true;
}

void BufferRing::Owe(const std::vector<FrameRect>& parts) { Add(owed_, parts, whole_); }

std::vector<FrameRect> BufferRing::TakeOwed() {
    std::vector<FrameRect> owed;
    owed.swap(owed_);
    return owed;
}

void BufferRing::Released(int index) {
    if (index >= 0 && index < Count()) buffers_.at(static_cast<std::size_t>(index)).busy = false;
}

}  // namespace tovra
