// The off-screen frame against a plain reference: what drawing a cell puts
// where, and which parts of the frame reach the window afterwards.
#include <gtest/gtest.h>

#include <random>

#include "display/CellFrame.h"

namespace tovra {
namespace {

// A sprite whose every pixel tells its place, so a shifted or mirrored copy shows.
SpritePixels Patterned(uint32_t base) {
    SpritePixels s{true, {}};
    for (std::size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = base + static_cast<uint32_t>(i);
    return s;
}

// Random drawing, also beside the frame, on a frame with ragged edges, against
// a record of the sprite last drawn on each cell. The rectangles handed on
// must cover every changed cell once, begin and end on changed cells, join
// the changed cells of a row exactly across gaps up to the join gap, and
// continue a rectangle of the same columns from the row above.
TEST(CellFrame, MatchesAPlainReference) {
    constexpr int kWidth = 1303, kHeight = 157, kCols = 131, kRows = 16, kStride = kWidth + 5;
    const SpritePixels sprites[] = {Patterned(0x100), Patterned(0x200), SpritePixels{}, SpritePixels{true, {}}};
    for (const int gap : {-1, 0, 1, 3, 100}) {
        std::mt19937 rng(static_cast<unsigned>(gap) + 7);
        // One frame in memory the platform gives, wider than the frame.
        std::vector<uint32_t> memory(static_cast<std::size_t>(kStride) * kHeight, 0xEEEEEE);
        CellFrame frame;
        frame.Resize(kWidth, kHeight, gap == 1 ? FrameMemory{memory.data(), kStride} : FrameMemory{});
        frame.SetJoinGap(gap);
        const int join = std::max(gap, 0);
        EXPECT_EQ(frame.TakeChanges(), std::vector<FrameRect>({{0, 0, kWidth, kHeight}}));
        std::vector<int> shown(kCols * kRows, 3);  // the sprite each cell shows; 3 = black
        for (int round = 0; round < 12; ++round) {
            std::vector<char> changed(kCols * kRows, 0);
            for (int i = static_cast<int>(rng() % 400); i > 0; --i) {
                const int col = static_cast<int>(rng() % (kCols + 2)) - 1;
                const int row = static_cast<int>(rng() % (kRows + 2)) - 1, s = static_cast<int>(rng() % 4);
                frame.DrawCell(col, row, sprites[s]);
                if (col < 0 || row < 0 || col >= kCols || row >= kRows || s == 2) continue;  // 2: not loaded
                changed[row * kCols + col] |= shown[row * kCols + col] != s;
                shown[row * kCols + col] = s;
            }
            std::vector<int> cover(kCols * kRows, 0);
            const std::vector<FrameRect> rects = frame.TakeChanges();
            for (const FrameRect& r : rects) {
                ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x % 10 == 0 && r.y % 10 == 0 && r.width > 0 && r.height > 0 &&
                            r.x + r.width <= kWidth && r.y + r.height <= kHeight);
                const int c0 = r.x / 10, c1 = (r.x + r.width - 1) / 10;
                bool edgesChanged = true, gapsShort = true, joined = true, continued = true;
                for (int row = r.y / 10; row * 10 < r.y + r.height; ++row) {
                    const char* cells = &changed[row * kCols];
                    edgesChanged &= cells[c0] && cells[c1];
                    for (int col = c0, unchanged = 0; col <= c1; ++col) {
                        ++cover[row * kCols + col];
                        unchanged = cells[col] ? 0 : unchanged + 1;
                        gapsShort &= unchanged <= join;
                    }
                    for (int k = 1; k <= join + 1; ++k) joined &= !(c0 - k >= 0 && cells[c0 - k]) && !(c1 + k < kCols && cells[c1 + k]);
                }
                for (const FrameRect& below : rects) continued &= !(below.x == r.x && below.width == r.width && below.y == r.y + r.height);
                ASSERT_TRUE(edgesChanged && gapsShort && joined && continued)
                    << "gap " << gap << " at " << r.x << "," << r.y << ": " << edgesChanged << gapsShort << joined << continued;
            }
            int covered = 0;  // cells shown twice, or changed and not shown
            for (int cell = 0; cell < kCols * kRows; ++cell) covered += cover[cell] > 1 || cover[cell] < changed[cell];
            ASSERT_EQ(covered, 0) << "gap " << gap;
            int wrong = 0;  // pixels unlike the sprite last drawn on their cell, or drawn beside the frame
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x)
                    wrong += frame.Pixel(x, y) != sprites[shown[y / 10 * kCols + x / 10]].pixels[y % 10 * 10 + x % 10];
                wrong += gap == 1 && memory[static_cast<std::size_t>(y) * kStride + kWidth] != 0xEEEEEEu;
            }
            ASSERT_EQ(wrong, 0) << "gap " << gap << ", round " << round;
        }
    }
}

TEST(CellFrame, SpriteIsTheBitmapsTopLeftCorner) {
    std::vector<uint32_t> bits(16 * 12);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint32_t>(i + 1);
    for (auto [width, height] : {std::pair{12, 12}, std::pair{7, 3}, std::pair{0, 0}}) {
        const SpritePixels s = SpriteFromBitmap(bits.data(), width, height, 16);
        EXPECT_TRUE(s.loaded);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(s.pixels[y * 10 + x], x < width && y < height ? bits[y * 16 + x] : 0u) << width;
    }
}

}  // namespace
}  // namespace tovra
