// The off-screen frame: what drawing a cell puts where, and which parts of
// the frame reach the window afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "display/CellFrame.h"

namespace tovra {
namespace {

// A sprite whose every pixel tells its place, so a shifted or mirrored copy shows.
SpritePixels Patterned(uint32_t base) {
    SpritePixels s;
    s.loaded = true;
    for (int i = 0; i < kSpriteSize * kSpriteSize; ++i) s.pixels[static_cast<std::size_t>(i)] = base + static_cast<uint32_t>(i);
    return s;
}

TEST(CellFrame, DrawingIsClippedToTheFrame) {
    // 25 x 15 pixels: column 2 and row 1 stick out of the frame.
    struct Case {
        int col, row;
        bool loaded;
        std::vector<FrameRect> changed;
    };
    const Case cases[] = {
        {0, 0, true, {{0, 0, 10, 10}}}, {2, 1, true, {{20, 10, 5, 5}}}, {3, 0, true, {}},
        {0, 2, true, {}},               {-1, 0, true, {}},               {1, 0, false, {}},
    };
    for (const Case& c : cases) {
        CellFrame frame;
        frame.Resize(25, 15);
        frame.TakeChanges();
        SpritePixels sprite = Patterned(0x10000);
        sprite.loaded = c.loaded;
        frame.DrawCell(c.col, c.row, sprite);
        EXPECT_EQ(frame.TakeChanges(), c.changed) << c.col << "," << c.row;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 25; ++x) {
                const bool inside = !c.changed.empty() && x / 10 == c.col && y / 10 == c.row;
                ASSERT_EQ(frame.Pixel(x, y), inside ? sprite.pixels[static_cast<std::size_t>(y % 10 * 10 + x % 10)] : 0u)
                    << c.col << "," << c.row << " pixel " << x << "," << y;
            }
    }
}

// Random drawing on a frame with ragged edges, against a plain record of
// the sprite last drawn on each cell. The rectangles handed on must cover
// every changed cell, never overlap, begin and end on changed cells, and
// join changed cells only across gaps of at most the join gap.
TEST(CellFrame, ChangesMatchAPlainReference) {
    constexpr int kWidth = 1303, kHeight = 157, kCols = 131, kRows = 16;
    std::vector<SpritePixels> sprites = {Patterned(0x100), Patterned(0x200), SpritePixels{}, SpritePixels{}};
    sprites[3].loaded = true;  // all black: on a black cell it changes nothing
    for (const int gap : {0, 1, 3, 100}) {
        std::mt19937 rng(static_cast<unsigned>(gap) + 7);
        CellFrame frame;
        frame.Resize(kWidth, kHeight);
        frame.SetJoinGap(gap);
        EXPECT_EQ(frame.TakeChanges(), std::vector<FrameRect>({{0, 0, kWidth, kHeight}}));
        std::vector<int> shown(kCols * kRows, 3);  // the sprite each cell shows; 3 = black
        for (int round = 0; round < 30; ++round) {
            std::vector<bool> changed(kCols * kRows, false);
            const int draws = static_cast<int>(rng() % 400);
            for (int i = 0; i < draws; ++i) {
                const int col = static_cast<int>(rng() % (kCols + 1)), row = static_cast<int>(rng() % (kRows + 1));
                const int s = static_cast<int>(rng() % sprites.size());
                frame.DrawCell(col, row, sprites[static_cast<std::size_t>(s)]);
                if (col >= kCols || row >= kRows || !sprites[static_cast<std::size_t>(s)].loaded) continue;
                const int cell = row * kCols + col;
                changed[cell] = changed[cell] || shown[cell] != s;
                shown[cell] = s;
            }
            std::vector<int> cover(kCols * kRows, 0);
            std::vector<std::vector<std::pair<int, int>>> spans(kRows);  // columns shown, per row
            for (const FrameRect& r : frame.TakeChanges()) {
                ASSERT_TRUE(r.x % 10 == 0 && r.y % 10 == 0 && r.width > 0 && r.height > 0 &&
                            r.x + r.width <= kWidth && r.y + r.height <= kHeight);
                const int c0 = r.x / 10, c1 = (r.x + r.width - 1) / 10;
                for (int row = r.y / 10; row <= (r.y + r.height - 1) / 10; ++row) {
                    spans[row].push_back({c0, c1});
                    EXPECT_TRUE(changed[row * kCols + c0] && changed[row * kCols + c1]) << "gap " << gap;
                    int unchangedRun = 0;
                    for (int col = c0; col <= c1; ++col) {
                        ++cover[row * kCols + col];
                        unchangedRun = changed[row * kCols + col] ? 0 : unchangedRun + 1;
                        EXPECT_LE(unchangedRun, gap);
                    }
                }
            }
            // Changed cells closer than the gap are shown together.
            for (auto& row : spans) {
                std::sort(row.begin(), row.end());
                for (std::size_t i = 1; i < row.size(); ++i)
                    EXPECT_GT(row[i].first - row[i - 1].second - 1, gap) << "not joined, gap " << gap;
            }
            for (int cell = 0; cell < kCols * kRows; ++cell) {
                EXPECT_LE(cover[cell], 1) << "overlap, gap " << gap;
                if (changed[cell]) {
                    EXPECT_EQ(cover[cell], 1) << "cell " << cell << " not shown, gap " << gap;
                }
            }
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    ASSERT_EQ(frame.Pixel(x, y),
                              sprites[static_cast<std::size_t>(shown[y / 10 * kCols + x / 10])]
                                  .pixels[static_cast<std::size_t>(y % 10 * 10 + x % 10)]);
        }
    }
}

TEST(CellFrame, SpriteIsTheBitmapsTopLeftCorner) {
    std::vector<uint32_t> bits(16 * 12);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint32_t>(i + 1);
    struct Case {
        int width, height;
    };
    for (const Case c : {Case{12, 12}, Case{7, 3}}) {
        const SpritePixels s = SpriteFromBitmap(bits.data(), c.width, c.height, 16);
        EXPECT_TRUE(s.loaded);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(s.pixels[static_cast<std::size_t>(y * 10 + x)],
                          x < c.width && y < c.height ? bits[static_cast<std::size_t>(y * 16 + x)] : 0u);
    }
}

}  // namespace
}  // namespace tovra
