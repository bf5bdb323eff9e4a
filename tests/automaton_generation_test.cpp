// The compute pass: rule B3/S23 on both edge modes, and the kernel against
// the plain eight-read form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automaton/Generation.h"
#include "automaton/Random.h"

namespace tovra {
namespace {

CellGrid Make(int cols, int rows, const std::vector<std::pair<int, int>>& live) {
    CellGrid g(cols - 1, rows - 1);
    for (auto [x, y] : live) g.Set(x, y, CellGrid::kLive);
    return g;
}

CellGrid Step(const CellGrid& g, Edges edges, ComputePass pass = ComputeNextGeneration) {
    CellGrid next(g.MaxCol(), g.MaxRow());
    pass(g, edges, next);
    return next;
}

std::vector<std::pair<int, int>> LiveCells(const CellGrid& g) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y <= g.MaxRow(); ++y)
        for (int x = 0; x <= g.MaxCol(); ++x)
            if (g.IsLive(x, y)) out.emplace_back(x, y);
    return out;
}

class BothKernels : public ::testing::TestWithParam<ComputePass> {};

TEST_P(BothKernels, BlockInIslandCornerIsStill) {
    const CellGrid g = Make(6, 6, {{0, 0}, {1, 0}, {0, 1}, {1, 1}});
    EXPECT_EQ(Step(g, Edges::Island, GetParam()), g);
    EXPECT_EQ(CountLiveNeighbours(g, Edges::Island, 0, 0), 3);
}

TEST_P(BothKernels, TorusCornerSeesOppositeCorner) {
    const CellGrid g = Make(5, 5, {{4, 4}});
    EXPECT_EQ(CountLiveNeighbours(g, Edges::Torus, 0, 0), 1);
    EXPECT_EQ(CountLiveNeighbours(g, Edges::Island, 0, 0), 0);
    // Three cells around (0,0) only through the wrap: (4,4), (0,4), (4,0) -> birth at (0,0).
    const CellGrid three = Make(5, 5, {{4, 4}, {0, 4}, {4, 0}});
    EXPECT_TRUE(Step(three, Edges::Torus, GetParam()).IsLive(0, 0));
    EXPECT_FALSE(Step(three, Edges::Island, GetParam()).IsLive(0, 0));
}

TEST_P(BothKernels, LineOfThreeAtTheTopEdge) {
    const CellGrid line = Make(5, 5, {{0, 0}, {1, 0}, {2, 0}});
    using Cells = std::vector<std::pair<int, int>>;

    const CellGrid torus1 = Step(line, Edges::Torus, GetParam());
    EXPECT_EQ(LiveCells(torus1), (Cells{{1, 0}, {1, 1}, {1, 4}}));
    EXPECT_EQ(Step(torus1, Edges::Torus, GetParam()), line);

    const CellGrid island1 = Step(line, Edges::Island, GetParam());
    EXPECT_EQ(LiveCells(island1), (Cells{{1, 0}, {1, 1}}));
    EXPECT_EQ(Step(island1, Edges::Island, GetParam()).Population(), 0u);
}

TEST_P(BothKernels, OneColumnTorusCountsTheCellTwice) {
    // Column of one: west and east are the cell itself.
    CellGrid g = Make(1, 5, {{0, 2}});
    EXPECT_EQ(CountLiveNeighbours(g, Edges::Torus, 0, 2), 2);
    // A lone live cell survives on its own two reads of itself.
    EXPECT_TRUE(Step(g, Edges::Torus, GetParam()).IsLive(0, 2));
    // Its neighbours above and below see it three times (N/S plus two diagonals): born.
    const CellGrid next = Step(g, Edges::Torus, GetParam());
    EXPECT_TRUE(next.IsLive(0, 1));
    EXPECT_TRUE(next.IsLive(0, 3));
    // On an island the same cell dies alone.
    EXPECT_EQ(Step(g, Edges::Island, GetParam()).Population(), 0u);
}

TEST_P(BothKernels, GliderLapsTheTorus) {
    // A glider moves one cell diagonally every four generations: on a 12 x 12
    // torus it is back where it started after 48.
    const CellGrid start = Make(12, 12, {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}});
    CellGrid g = start;
    for (int i = 0; i < 48; ++i) {
        g = Step(g, Edges::Torus, GetParam());
        EXPECT_EQ(g.Population(), 5u) << "generation " << i + 1;
        if (i + 1 < 48) {
            EXPECT_FALSE(g == start) << "generation " << i + 1;
        }
    }
    EXPECT_EQ(g, start);
}

TEST_P(BothKernels, GliderDiesIntoABlockOnAnIsland) {
    // On a closed 8 x 8 grid a south-east glider ends as a still block in the corner.
    CellGrid g = Make(8, 8, {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}});
    for (int i = 0; i < 40; ++i) g = Step(g, Edges::Island, GetParam());
    EXPECT_EQ(LiveCells(g), (std::vector<std::pair<int, int>>{{6, 6}, {7, 6}, {6, 7}, {7, 7}}));
}

TEST_P(BothKernels, EmptyGridsAreFine) {
    CellGrid none(-1, -1);
    CellGrid next(-1, -1);
    GetParam()(none, Edges::Torus, next);
    EXPECT_EQ(next.CellCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Kernels, BothKernels,
                         ::testing::Values(&ComputeNextGeneration, &ComputeNextGenerationReference),
                         [](const auto& info) { return info.index == 0 ? std::string("Kernel") : std::string("Reference"); });

TEST(KernelAgreement, KernelMatchesReferenceOnSoups) {
    // Odd shapes included: one row, one column, two by two.
    const int shapes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {17, 9}, {64, 33}};
    RuntimeRandom random(42);
    for (auto [cols, rows] : shapes) {
        for (Edges edges : {Edges::Island, Edges::Torus}) {
            CellGrid g(cols - 1, rows - 1);
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < cols; ++x)
                    if (random.Rnd() < 0.4f) g.Set(x, y, CellGrid::kLive);
            for (int gen = 0; gen < 20; ++gen) {
                const CellGrid fast = Step(g, edges, ComputeNextGeneration);
                const CellGrid plain = Step(g, edges, ComputeNextGenerationReference);
                ASSERT_EQ(fast, plain) << cols << "x" << rows << " gen " << gen;
                g = fast;
            }
        }
    }
}

TEST(KernelAgreement, AnyNonZeroCellReadsAsLive) {
    CellGrid g(4, 4);
    g.Set(1, 1, 1);
    g.Set(2, 1, 7);
    g.Set(3, 1, -1);
    const CellGrid next = Step(g, Edges::Island);
    EXPECT_TRUE(next.IsLive(2, 0));
    EXPECT_EQ(next.Get(2, 0), CellGrid::kLive);
}

}  // namespace
}  // namespace tovra
