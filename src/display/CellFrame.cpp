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

CellPicture ScaleSprite(const SpritePixels& sprite, int size) {
    CellPicture picture;
    if (!sprite.loaded || size <= 0) return picture;
    picture.loaded = true;
    picture.size = size;
    picture.pixels.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    // Each pixel takes the colour of the sprite pixel under its centre.
    std::vector<int> from(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) from[static_cast<std::size_t>(i)] = (2 * i + 1) * kSpriteSize / (2 * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            picture.pixels[static_cast<std::size_t>(y) * size + x] =
                sprite.pixels[static_cast<std::size_t>(from[y]) * kSpriteSize + from[x]];
    return picture;
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
    SetAreas({{0, 0, kSpriteSize, (width_ + kSpriteSize - 1) / kSpriteSize, (height_ + kSpriteSize - 1) / kSpriteSize}});
    allChanged_ = true;
}

void CellFrame::Fill(uint32_t value) {
    const uint16_t narrow = static_cast<uint16_t>(value);
    for (int y = 0; y < height_; ++y) {
        unsigned char* row = data_ + static_cast<std::size_t>(y) * stride_ * bytes_;
        for (int x = 0; x < width_; ++x)
            if (bytes_ == 4) std::memcpy(row + static_cast<std::size_t>(x) * 4, &value, 4);
            else std::memcpy(row + static_cast<std::size_t>(x) * 2, &narrow, 2);
    }
    allChanged_ = true;
}

bool CellFrame::Rebind(FrameMemory memory) {
    if (!own_.empty() || data_ == nullptr || memory.pixels == nullptr || memory.stride < width_ ||
        memory.bytesPerPixel != bytes_)
        return false;
    data_ = static_cast<unsigned char*>(memory.pixels);
    stride_ = memory.stride;
    return true;
}

void CellFrame::SetAreas(const std::vector<WorldArea>& areas) {
    areas_.resize(areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i) {
        Area& a = areas_[i];
        a.cells = areas[i];
        a.cells.columns = std::max(a.cells.columns, 0);
        a.cells.rows = std::max(a.cells.rows, 0);
        a.words = (a.cells.columns + 63) / 64;
        a.changed.assign(static_cast<std::size_t>(a.words) * static_cast<std::size_t>(a.cells.rows), 0);
        a.rowDirty.assign(static_cast<std::size_t>(a.cells.rows), 0);
        a.dirtyRows.clear();
    }
}

void CellFrame::DrawCell(std::size_t area, int col, int row, const CellPicture& picture) {
    if (area >= areas_.size()) return;
    Area& a = areas_[area];
    const int size = a.cells.pitch;
    if (!picture.loaded || picture.size != size || col < 0 || row < 0 || col >= a.cells.columns ||
        row >= a.cells.rows)
        return;
    const int x = a.cells.x + col * size;
    const int y = a.cells.y + row * size;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const int pixels = std::min(size, width_ - x);
    const std::size_t bytes = static_cast<std::size_t>(pixels) * bytes_;
    const int lines = std::min(size, height_ - y);
    if (bytes_ == 2) narrow_.resize(static_cast<std::size_t>(size));
    bool changed = false;
    for (int dy = 0; dy < lines; ++dy) {
        unsigned char* to = data_ + (static_cast<std::size_t>(y + dy) * stride_ + x) * bytes_;
        const uint32_t* from = &picture.pixels[static_cast<std::size_t>(dy) * size];
        if (bytes_ == 4) {
            changed |= PutRow<kSpriteSize * 4>(to, from, bytes);
            continue;
        }
        for (int i = 0; i < pixels; ++i) narrow_[static_cast<std::size_t>(i)] = static_cast<uint16_t>(from[i]);
        changed |= PutRow<kSpriteSize * 2>(to, narrow_.data(), bytes);
    }
    if (!changed || allChanged_) return;
    if (!a.rowDirty[static_cast<std::size_t>(row)]) {
        a.rowDirty[static_cast<std::size_t>(row)] = 1;
        a.dirtyRows.push_back(row);
    }
    a.changed[static_cast<std::size_t>(row) * a.words + static_cast<std::size_t>(col / 64)] |= uint64_t{1} << (col % 64);
}

const std::vector<FrameRect>& CellFrame::TakeChanges() {
    rects_.clear();
    if (allChanged_) {
        allChanged_ = false;
        if (width_ > 0 && height_ > 0) rects_.push_back({0, 0, width_, height_});
        return rects_;
    }
    for (Area& area : areas_) TakeAreaChanges(area);
    return rects_;
}

void CellFrame::TakeAreaChanges(Area& area) {
    const WorldArea& cells = area.cells;
    std::sort(area.dirtyRows.begin(), area.dirtyRows.end());
    // openAbove_: the rectangles that ended with the cell row above, in
    // column order; they may continue downwards.
    openAbove_.clear();
    int lastRow = -2;
    for (const int row : area.dirtyRows) {
        area.rowDirty[static_cast<std::size_t>(row)] = 0;
        uint64_t* bits = &area.changed[static_cast<std::size_t>(row) * area.words];
        // Runs of changed columns (first and last), joined across short gaps.
        // A row is listed only once a cell of it has changed.
        runs_.clear();
        for (int w = 0; w < area.words; ++w) {
            uint64_t word = bits[w];
            bits[w] = 0;
            while (word != 0) {
                const int col = w * 64 + __builtin_ctzll(word);
                word &= word - 1;
                if (!runs_.empty() && col - runs_.back().second - 1 <= joinGap_) runs_.back().second = col;
                else runs_.push_back({col, col});
            }
        }

        const int y = cells.y + row * cells.pitch;
        const int bottom = std::min(y + cells.pitch, height_);
        if (row != lastRow + 1) openAbove_.clear();
        openHere_.clear();
        std::size_t a = 0;
        for (const auto& [first, last] : runs_) {
            const int x = cells.x + first * cells.pitch;
            const int width = std::min((last - first + 1) * cells.pitch, width_ - x);
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
    area.dirtyRows.clear();
}

}  // namespace tovra
