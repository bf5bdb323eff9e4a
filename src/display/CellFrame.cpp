#include "display/CellFrame.h"

#include <algorithm>
#include <cstring>

namespace tovra {

namespace {

// Copies a row of a sprite, `bytes` long, unless it is there already;
// whether it was not.
template <std::size_t kRowBytes>
bool PutRow(unsigned char* to, const void* from, std::size_t bytes) {
    // A whole row has a fixed size, which the compiler copies inline.
    if (bytes == kRowBytes ? std::memcmp(to, from, kRowBytes) == 0 : std::memcmp(to, from, bytes) == 0) return false;
    if (bytes == kRowBytes) std::memcpy(to, from, kRowBytes);
    else std::memcpy(to, from, bytes);
    return true;
}

}  // namespace

SpritePixels SpriteFromBitmap(const uint32_t* bits, int width, int height, int stride) {
    SpritePixels sprite;
    sprite.loaded = true;
    const int w = std::clamp(width, 0, kSpriteSize);
    const int h = std::clamp(height, 0, kSpriteSize);
    for (int y = 0; y < h; ++y)
        std::memcpy(&sprite.pixels[static_cast<std::size_t>(y) * kSpriteSize],
                    bits + static_cast<std::size_t>(y) * stride, static_cast<std::size_t>(w) * sizeof(uint32_t));
    return sprite;
}

void CellFrame::Resize(int width, int height, FrameMemory memory) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    const std::size_t rowPixels = static_cast<std::size_t>(width_);
    const bool sized = memory.bytesPerPixel == 4 || memory.bytesPerPixel == 2;
    if (memory.pixels != nullptr && memory.stride >= width_ && sized) {
        own_.clear();
        own_.shrink_to_fit();
        data_ = static_cast<unsigned char*>(memory.pixels);
        stride_ = memory.stride;
        bytes_ = memory.bytesPerPixel;
        for (int y = 0; y < height_; ++y)
            std::memset(data_ + static_cast<std::size_t>(y) * stride_ * bytes_, 0, rowPixels * bytes_);
    } else {
        own_.assign(rowPixels * static_cast<std::size_t>(height_), 0);
        data_ = reinterpret_cast<unsigned char*>(own_.data());
        stride_ = width_;
        bytes_ = 4;
    }
    columns_ = (width_ + kSpriteSize - 1) / kSpriteSize;
    rows_ = (height_ + kSpriteSize - 1) / kSpriteSize;
    words_ = (columns_ + 63) / 64;
    changed_.assign(static_cast<std::size_t>(words_) * static_cast<std::size_t>(rows_), 0);
    rowDirty_.assign(static_cast<std::size_t>(rows_), 0);
    dirtyRows_.clear();
    allChanged_ = true;
}

void CellFrame::DrawCell(int col, int row, const SpritePixels& sprite) {
    if (!sprite.loaded || col < 0 || row < 0 || col >= columns_ || row >= rows_) return;
    const int x = col * kSpriteSize;
    const int y = row * kSpriteSize;
    const std::size_t bytes = static_cast<std::size_t>(std::min(kSpriteSize, width_ - x)) * bytes_;
    const int lines = std::min(kSpriteSize, height_ - y);
    bool changed = false;
    for (int dy = 0; dy < lines; ++dy) {
        unsigned char* to = data_ + (static_cast<std::size_t>(y + dy) * stride_ + x) * bytes_;
        const uint32_t* from = &sprite.pixels[static_cast<std::size_t>(dy) * kSpriteSize];
        if (bytes_ == 4) {
            changed |= PutRow<kSpriteSize * 4>(to, from, bytes);
            continue;
        }
        uint16_t narrow[kSpriteSize];
        for (int i = 0; i < kSpriteSize; ++i) narrow[i] = static_cast<uint16_t>(from[i]);
        changed |= PutRow<kSpriteSize * 2>(to, narrow, bytes);
    }
    if (!changed || allChanged_) return;
    if (!rowDirty_[static_cast<std::size_t>(row)]) {
        rowDirty_[static_cast<std::size_t>(row)] = 1;
        dirtyRows_.push_back(row);
    }
    changed_[static_cast<std::size_t>(row) * words_ + static_cast<std::size_t>(col / 64)] |= uint64_t{1} << (col % 64);
}

const std::vector<FrameRect>& CellFrame::TakeChanges() {
    rects_.clear();
    if (allChanged_) {
        allChanged_ = false;
        if (width_ > 0 && height_ > 0) rects_.push_back({0, 0, width_, height_});
        return rects_;
    }
    std::sort(dirtyRows_.begin(), dirtyRows_.end());
    // openAbove_: the rectangles that ended with the cell row above, in
    // column order; they may continue downwards.
    openAbove_.clear();
    int lastRow = -2;
    for (const int row : dirtyRows_) {
        rowDirty_[static_cast<std::size_t>(row)] = 0;
        uint64_t* bits = &changed_[static_cast<std::size_t>(row) * words_];
        // Runs of changed columns (first and last), joined across short gaps.
        // A row is listed only once a cell of it has changed.
        runs_.clear();
        for (int w = 0; w < words_; ++w) {
            uint64_t word = bits[w];
            bits[w] = 0;
            while (word != 0) {
                const int col = w * 64 + __builtin_ctzll(word);
                word &= word - 1;
                if (!runs_.empty() && col - runs_.back().second - 1 <= joinGap_) runs_.back().second = col;
                else runs_.push_back({col, col});
            }
        }

        const int y = row * kSpriteSize;
        const int bottom = std::min(y + kSpriteSize, height_);
        if (row != lastRow + 1) openAbove_.clear();
        openHere_.clear();
        std::size_t a = 0;
        for (const auto& [first, last] : runs_) {
            const int x = first * kSpriteSize;
            const int width = std::min((last - first + 1) * kSpriteSize, width_ - x);
            while (a < openAbove_.size() && rects_[openAbove_[a]].x < x) ++a;
            if (a < openAbove_.size() && rects_[openAbove_[a]].x == x && rects_[openAbove_[a]].width == width) {
                FrameRect& r = rects_[openAbove_[a]];
                r.height = bottom - r.y;
                openHere_.push_back(openAbove_[a++]);
            } else {
                openHere_.push_back(rects_.size());
                rects_.push_back({x, y, width, bottom - y});
            }
        }
        std::swap(openAbove_, openHere_);
        lastRow = row;
    }
    dirtyRows_.clear();
    return rects_;
}

}  // namespace tovra
