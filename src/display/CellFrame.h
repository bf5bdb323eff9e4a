#pragma once
// The off-screen picture of the display window. Cells are drawn into it in
// memory; after an event that drew (a tick, a seeding, a resize) the parts
// that changed are handed to the platform as rectangles, all at once, so the
// window never shows half a generation. The platform also shows any part of
// it on demand (a repaint).
//
// Pixels are 32-bit values as the platform's sprites give them: 0x00RRGGBB
// (in memory the bytes B, G, R, X, the layout of a 32-bpp top-down
// device-independent bitmap and of a 24-bit TrueColor image) on Windows and
// most X screens, the window's own pixel values on other X visuals; black is
// 0. In memory of the platform that asks for it, they are kept as 16 bits
// (the values narrowed, as a 16-bit image holds them). Rows are `Stride()`
// pixels apart, top row first.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "display/MonitorLayout.h"

namespace tovra {

inline constexpr int kSpriteSize = 10;  // the drawn part of a cell bitmap, both ways

// The 10 x 10 pixels a cell sprite draws: the top-left corner of its bitmap,
// row by row. A sprite whose bitmap failed to load is not `loaded` and draws
// nothing.
struct SpritePixels {
    bool loaded = false;
    std::array<uint32_t, kSpriteSize * kSpriteSize> pixels{};
};

// The top-left 10 x 10 pixels of a bitmap of `width` x `height` pixels whose
// rows lie `stride` pixels apart, top row first; pixels beyond a bitmap
// smaller than that are black.
SpritePixels SpriteFromBitmap(const uint32_t* bits, int width, int height, int stride);

// A sprite drawn at a cell pitch: each of its 10 x 10 pixels becomes a block
// of whole pixels of the same colour (nearest neighbour, nothing blended), so
// the cell stays crisp at any size. Not `loaded` when the sprite is not.
struct CellPicture {
    bool loaded = false;
    int size = 0;                  // pixels, both ways
    std::vector<uint32_t> pixels;  // size x size, row by row
};
CellPicture ScaleSprite(const SpritePixels& sprite, int size);

// A part of the frame, in pixels.
struct FrameRect {
    int x, y, width, height;
    bool operator==(const FrameRect&) const = default;
};

// Memory for the frame's pixels that the platform can show directly (a DIB
// section, a shared-memory image): at least `stride` x height pixels of
// `bytesPerPixel` bytes, 4 or 2.
struct FrameMemory {
    void* pixels = nullptr;
    int stride = 0;
    int bytesPerPixel = 4;
};

class CellFrame {
public:
    CellFrame() = default;
    CellFrame(const CellFrame&) = delete;
    CellFrame& operator=(const CellFrame&) = delete;

    // A black frame of width x height pixels (the client area). In `memory`
    // when it is given, otherwise in memory of its own. The whole frame counts
    // as changed. Its cells are those of one area of 10-pixel cells from the
    // top-left corner, the last column and row cut off by the frame's edges.
    void Resize(int width, int height, FrameMemory memory = {});
    // The same picture in other memory of the platform's, of the same size
    // and form, which the caller has brought up to date (a buffer it shows
    // in turn): drawing goes on there, and nothing counts as changed. False,
    // and nothing moves, for memory that does not fit or a frame in memory
    // of its own.
    bool Rebind(FrameMemory memory);
    // The areas cells are drawn in (the worlds), in place of those of Resize;
    // cells reaching past the frame are cut off.
    void SetAreas(const std::vector<WorldArea>& areas);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    int BytesPerPixel() const { return bytes_; }
    const void* Data() const { return data_; }
    // The pixels of a frame of 4-byte ones, else nothing.
    const uint32_t* Pixels() const { return bytes_ == 4 ? reinterpret_cast<const uint32_t*>(data_) : nullptr; }
    uint32_t Pixel(int x, int y) const {
        const unsigned char* at = data_ + (static_cast<std::size_t>(y) * stride_ + x) * bytes_;
        uint32_t value = 0;
        if (bytes_ == 4) std::memcpy(&value, at, 4);
        else value = [at] { uint16_t v; std::memcpy(&v, at, 2); return v; }();
        return value;
    }

    // Every pixel `value`; the whole frame counts as changed.
    void Fill(uint32_t value);

    // Copies the picture onto the cell at column `col`, row `row` of area
    // `area`, clipped to the frame; a picture of another size than the
    // area's pitch draws nothing. The cell counts as changed when one of its
    // pixels did.
    void DrawCell(std::size_t area, int col, int row, const CellPicture& picture);

    bool HasChanges() const {
        return allChanged_ || std::any_of(areas_.begin(), areas_.end(), [](const Area& a) { return !a.dirtyRows.empty(); });
    }
    // The changed parts since the last call, and forgets them. Changed cells
    // of a cell row that lie close together are joined into one rectangle
    // (one platform call moves more pixels more cheaply than many calls move
    // few), and a rectangle that repeats the columns of the one above it
    // continues it downwards.
    const std::vector<FrameRect>& TakeChanges();

    // Unchanged cells between two changed ones of a row that still join them
    // into one rectangle.
    void SetJoinGap(int cells) { joinGap_ = std::max(cells, 0); }
    static constexpr int kDefaultJoinGap = 16;

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    int bytes_ = 4;
    unsigned char* data_ = nullptr;
    std::vector<uint32_t> own_;

    // An area's changed cells: a bit per column of each cell row.
    struct Area {
        WorldArea cells;
        int words = 0;
        std::vector<uint64_t> changed;
        std::vector<int> dirtyRows;
        std::vector<uint8_t> rowDirty;
    };
    void TakeAreaChanges(Area& area);

    std::vector<Area> areas_;
    bool allChanged_ = false;
    int joinGap_ = kDefaultJoinGap;

    std::vector<FrameRect> rects_;
    std::vector<std::pair<int, int>> runs_;
    std::vector<std::size_t> openAbove_;
    std::vector<std::size_t> openHere_;
    std::vector<uint16_t> narrow_;  // a row of a picture narrowed to 16 bits
};

}  // namespace tovra
