// The compute pass: the plain eight-read form on the edge cases of rule
// B3/S23, and the word kernel against it on random soups of odd shapes.
#include <gtest/gtest.h>

#include <vector>

#include "automaton/Generation.h"
#include "automaton/Random.h"

namespace tovra {
namespace {

using Cells = std::vector<std::pair<int, int>>;

CellGrid Make(int cols, int rows, const Cells& live) {
    CellGrid g(cols - 1, rows - 1);
    for (auto [x, y] : live) g.Set(x, y, CellGrid::kLive);
    return g;
}

CellGrid Step(const CellGrid& g, Edges edges, ComputePass pass = ComputeNextGenerationReference,
              ChangedRows* changed = nullptr) {
    CellGrid next(g.MaxCol(), g.MaxRow());
    pass(g, edges, next, changed);
    return next;
}

Cells LiveCells(const CellGrid& g) {
    Cells out;
    for (int y = 0; y <= g.MaxRow(); ++y)
        for (int x = 0; x <= g.MaxCol(); ++x)
            if (g.IsLive(x, y)) out.emplace_back(x, y);
    return out;
}

TEST(Reference, EdgeCases) {
    const struct {
        int cols, rows;
        Cells live;
        Edges edges;
        Cells next;
    } cases[] = {
        // A block in an Island's corner: three neighbours each, still.
        {6, 6, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, Edges::Island, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
        // (0,0) is born only through the wrap: (4,4) is its north-west neighbour.
        {5, 5, {{4, 4}, {0, 4}, {4, 0}}, Edges::Torus, {{0, 0}, {4, 0}, {0, 4}, {4, 4}}},
        {5, 5, {{4, 4}, {0, 4}, {4, 0}}, Edges::Island, {}},
        // A line of three at the top edge.
        {5, 5, {{0, 0}, {1, 0}, {2, 0}}, Edges::Torus, {{1, 0}, {1, 1}, {1, 4}}},
        {5, 5, {{1, 0}, {1, 1}, {1, 4}}, Edges::Torus, {{0, 0}, {1, 0}, {2, 0}}},
        {5, 5, {{0, 0}, {1, 0}, {2, 0}}, Edges::Island, {{1, 0}, {1, 1}}},
        {5, 5, {{1, 0}, {1, 1}}, Edges::Island, {}},
        // One column: west and east are the cell itself, so a lone cell
        // survives on its own two reads and its vertical neighbours see it
        // three times.
        {1, 5, {{0, 2}}, Edges::Torus, {{0, 1}, {0, 2}, {0, 3}}},
        {1, 5, {{0, 2}}, Edges::Island, {}},
    };
    for (const auto& c : cases) {
        const CellGrid g = Make(c.cols, c.rows, c.live);
        EXPECT_EQ(LiveCells(Step(g, c.edges)), c.next) << c.cols << "x" << c.rows << " from " << c.live.size() << " cells";
    }
    EXPECT_EQ(CountLiveNeighbours(Make(1, 5, {{0, 2}}), Edges::Torus, 0, 2), 2);
}

TEST(Kernel, MatchesReferenceOnSoupsOfOddShapes) {
    // Widths around the word size, one row, one column, empty grids; the
    // changed-row flags and the pad bits (grids compare whole words) too.
    RuntimeRandom random(42);
    for (int cols : {0, 1, 2, 3, 31, 63, 64, 65, 127, 128, 130}) {
        for (int rows : {0, 1, 2, 3, 4, 7, 17}) {
            for (Edges edges : {Edges::Island, Edges::Torus}) {
                CellGrid g(cols - 1, rows - 1);
                const float density = 0.1f + 0.3f * random.Rnd();
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < cols; ++x) g.SetLive(x, y, random.Rnd() < density);
                for (int gen = 0; gen < 12; ++gen) {
                    ChangedRows fastRows, plainRows;
                    const CellGrid fast = Step(g, edges, ComputeNextGeneration, &fastRows);
                    ASSERT_EQ(fast, Step(g, edges, ComputeNextGenerationReference, &plainRows))
                        << cols << "x" << rows << (edges == Edges::Torus ? " torus" : " island") << " gen " << gen;
                    ASSERT_EQ(fastRows, plainRows) << cols << "x" << rows << " gen " << gen;
                    g = fast;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tovra
