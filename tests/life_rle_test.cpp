// The RLE reader and writer of tovra-life.
#include <gtest/gtest.h>

#include "automaton/Random.h"
#include "tovra-life/Rle.h"

namespace tovra::life {
namespace {

using Cells = std::vector<std::pair<int, int>>;

TEST(RleRead, AcceptsTheUsualForms) {
    struct Case {
        const char* text;
        Cells cells;
    };
    const Case cases[] = {
        {"x = 3, y = 1, rule = B3/S23\n3o!", {{0, 0}, {1, 0}, {2, 0}}},
        {"#N glider\n#C a comment\nx = 3, y = 3, rule = b3/s23\nbo$2bo$3o!",
         {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
        {"x=3,y=3\r\nb o $ 2b\r\no$\n3o\n!", {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
        {"x = 1, y = 4, rule = B3/S23\no3$o!", {{0, 0}, {0, 3}}},
        {"x = 5, y = 1\n2b2o!  trailing text is ignored", {{2, 0}, {3, 0}}},
    };
    for (const auto& c : cases) {
        RleError error;
        const auto p = ParseRle(c.text, error);
        ASSERT_TRUE(p) << c.text << ": " << error.message;
        EXPECT_EQ(p->liveCells, c.cells) << c.text;
    }
}

TEST(RleRead, BoundedGridSuffix) {
    RleError error;
    auto torus = ParseRle("x = 3, y = 1, rule = B3/S23:T80,60\n3o!", error);
    ASSERT_TRUE(torus && torus->bounds);
    EXPECT_EQ(torus->bounds->width, 80);
    EXPECT_EQ(torus->bounds->height, 60);
    EXPECT_EQ(torus->bounds->edges, Edges::Torus);
    auto island = ParseRle("x = 3, y = 1, rule = B3/S23:P7,9\n3o!", error);
    ASSERT_TRUE(island && island->bounds);
    EXPECT_EQ(island->bounds->edges, Edges::Island);
}

TEST(RleRead, ErrorsNameTheProblemAndTheLine) {
    struct Case {
        const char* text;
        int line;
        const char* words;
    };
    const Case cases[] = {
        {"#C only comments\n", 0, "no header"},
        {"x = 3, y = 1, rule = B36/S23\n3o!", 1, "only B3/S23"},
        {"x = 3, y = 1, rule = B3/S23:K5,5\n3o!", 1, "unsupported grid"},
        {"x = 3, y = 1, rule = B3/S23:T0,5\n3o!", 1, "bad grid size"},
        {"x = 3\n3o!", 1, "lacks x or y"},
        {"x = -3, y = 1\n3o!", 1, "bad x"},
        {"x = 3, y = 1\n\n3o\n2q!", 4, "unexpected character 'q'"},
        {"x = 3, y = 1\n4o!", 2, "beyond its header size"},
        {"x = 3, y = 1\n3o", 2, "not ended by '!'"},
        {"x = 3, y = 1\n0o!", 2, "run count of 0"},
        {"x = 3, y = 1\n3 o!", 2, "must be followed"},
    };
    for (const auto& c : cases) {
        RleError error;
        EXPECT_FALSE(ParseRle(c.text, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.message.find(c.words), std::string::npos) << c.text << " -> " << error.message;
    }
}

TEST(RleWrite, RoundTripsAndKeepsLinesShort) {
    RuntimeRandom random(11);
    for (Edges edges : {Edges::Torus, Edges::Island}) {
        CellGrid grid(149, 39);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 150; ++x)
                if (y % 7 != 3 && random.Rnd() < 0.3f) grid.Set(x, y, CellGrid::kLive);
        const std::string text = WriteRle(grid, edges);
        std::size_t start = text.find('\n') + 1;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            EXPECT_LE(end - start, 70u);
            start = end + 1;
        }
        RleError error;
        const auto p = ParseRle(text, error);
        ASSERT_TRUE(p) << error.message;
        ASSERT_TRUE(p->bounds);
        EXPECT_EQ(p->bounds->edges, edges);
        EXPECT_EQ(p->bounds->width, 150);
        EXPECT_EQ(p->bounds->height, 40);
        CellGrid back(149, 39);
        for (auto [x, y] : p->liveCells) back.Set(x, y, CellGrid::kLive);
        EXPECT_EQ(back, grid);
    }
    EXPECT_EQ(WriteRle(CellGrid(2, 1), Edges::Torus), "x = 3, y = 2, rule = B3/S23:T3,2\n!\n");
}

}  // namespace
}  // namespace tovra::life
