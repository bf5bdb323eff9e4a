// The automaton: the word kernel against the plain step on random soups, and
// the tick, the seeding and the colour pick, observed through what they draw.
#include <gtest/gtest.h>

#include <deque>

#include "automaton/Automaton.h"

namespace tovra {
namespace {

using Cells = std::vector<std::pair<int, int>>;

CellGrid Step(const CellGrid& g, Edges edges, ComputePass pass, ChangedRows* changed = nullptr) {
    CellGrid next(g.MaxCol(), g.MaxRow());
    return pass(g, edges, next, changed), next;
}

TEST(Kernel, MatchesReferenceOnSoupsOfOddShapes) {
    // A one-column torus sees a cell as its own west and east neighbour.
    CellGrid column(0, 4);
    column.Set(0, 2, CellGrid::kLive);
    EXPECT_EQ(CountLiveNeighbours(column, Edges::Torus, 0, 2) + 10 * CountLiveNeighbours(column, Edges::Island, 0, 1), 12);
    // Widths around the word size, one row, one column, empty grids; the
    // changed-row flags, the pad bits (grids compare whole words) and the count.
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
                    std::size_t live = 0;
                    for (int y = 0; y < rows; ++y)
                        for (int x = 0; x < cols; ++x) live += fast.IsLive(x, y);
                    ASSERT_TRUE(fast == Step(g, edges, ComputeNextGenerationReference, &plainRows) && fastRows == plainRows &&
                                fast.Population() == live) << cols << "x" << rows << " edges " << int(edges) << " gen " << gen;
                    g = fast;
                }
            }
        }
    }
}

struct PaintCall {  // 'L' live, 'D' dead at (a, b); 'S' the sprite of colour a
    char kind;
    int a, b;
    bool operator==(const PaintCall&) const = default;
};

// Records drawing and seedings, plays `script` then `fallback` as the stream, and reads 1000 s past midnight.
struct Rig : CellPainter, RandomStream, TimeOfDay {
    std::vector<PaintCall> calls;
    std::deque<float> script;
    float fallback = 0.0f;  // RandomInt(1, 100) = 1: a seeding makes nothing live
    std::vector<float> seeds;
    int draws = 0;
    Automaton automaton{*this, *this, *this};

    Rig(int cols, int rows, const Cells& live = {}) {
        automaton.ResizeGrid(cols - 1, rows - 1);
        automaton.seedDelay = 30000, automaton.torus = true;
        for (auto [x, y] : live) automaton.grid.Set(x, y, CellGrid::kLive);
    }
    void DrawLiveCell(int x, int y) override { calls.push_back({'L', x, y}); }
    void DrawDeadCell(int x, int y) override { calls.push_back({'D', x, y}); }
    void UseLiveSprite(int color) override { calls.push_back({'S', color, 0}); }
    void Randomize(float seed) override { seeds.push_back(seed); }
    float Rnd() override {
        const float r = script.empty() ? fallback : script.front();
        if (++draws, !script.empty()) script.pop_front();
        return r;
    }
    float SecondsSinceMidnight() override { return 1000.0f; }
};

// A compute pass whose change count alternates between 1 and 2, so that the stagnation rule never fires.
int alternatingCalls = 0;
void AlternatingPass(const CellGrid& current, Edges, CellGrid& next, ChangedRows*) {
    next = current;
    const int flips = 1 + alternatingCalls++ % 2;
    for (int x = 0; x < flips; ++x) next.SetLive(x, 0, !current.IsLive(x, 0));
}

TEST(Tick, SeedsOnTheFirstTickAfterTheDelayAndWhenTenCountsAreEqual) {
    // at: the ticks that seed. fill: the stream's value (0.95: a seeding makes every cell live); population: live cells
    // after the last tick, -1 not looked at; resizeAfter: the tick after which the grid is re-created at other bounds,
    // all dead, as a resize does.
    const struct { const char* what; Cells live; bool preview; int delay, ticks; std::vector<int> at;
                   float fill = 0.0f; int population = -1, resizeAfter = 0; bool place = false, reseeding = true; } rows[] = {
        {"delay 7", {}, false, 7, 30, {1, 7, 14, 21, 28}},
        {"preview: 10 whatever the delay", {}, true, 7, 30, {1, 10, 20, 30}},
        {"preview with a long delay", {}, true, 30000, 21, {1, 10, 20}},
        {"delay 1", {}, false, 1, 4, {1, 1, 2, 3, 4}},
        {"delay -32768", {}, false, -32768, 3, {1, 1, 2, 3}},
        // The history starts as ten zeros, which a still first generation
        // matches; each such seeding starts the delay again.
        {"block", {{1, 1}, {2, 1}, {1, 2}, {2, 2}}, false, 2, 3, {1, 1, 2, 3}},
        // Ten fours in a row, then again at once: the history is not cleared.
        {"blinker", {{1, 2}, {2, 2}, {3, 2}}, false, 30000, 11, {1, 10, 11}},
        // The timed seeding comes before the tick's generation, which grows from it: the full grid of tick 5 dies
        // within the same tick. (One live cell, so that the real step runs.)
        {"delay 5, seedings fill the grid", {{1, 1}}, false, 5, 5, {1, 5}, 0.95f, 0},
        // A resize empties the grid but keeps the tick count (seeding at 7)
        // and the history (the blinker's fours leave it only at tick 14).
        {"blinker, resized after tick 4", {{1, 2}, {2, 2}, {3, 2}}, false, 7, 14, {1, 7, 14, 14}, 0.0f, -1, 4},
        // Placed cells: no first-tick seeding; without reseeding none at all, however full a seeding would be.
        {"placed blinker", {{1, 2}, {2, 2}, {3, 2}}, false, 7, 12, {7, 10, 11, 12}, 0.0f, -1, 0, true},
        {"placed blinker, no reseeding", {{1, 2}, {2, 2}, {3, 2}}, false, 2, 30, {}, 0.95f, 3, 0, true, false},
        {"placed block in a preview, no reseeding", {{1, 1}, {2, 1}, {1, 2}, {2, 2}}, true, 1, 12, {}, 0.95f, 4, 0, true, false},
        {"no reseeding: the first tick's seeding only", {}, false, 1, 25, {1}, 0.0f, -1, 0, false, false},
    };
    for (const auto& r : rows) {
        Rig rig(8, 8, r.place ? Cells{} : r.live);
        rig.automaton.preview = r.preview, rig.automaton.seedDelay = r.delay, rig.fallback = r.fill;
        rig.automaton.reseeding = r.reseeding;
        if (r.place) {
            CellGrid cells(7, 8);  // the grid takes the placed cells' bounds
            std::vector<PaintCall> drawn;
            for (auto [x, y] : r.live) cells.Set(x, y, CellGrid::kLive), drawn.push_back({'L', 10 * x, 10 * y});
            rig.automaton.PlaceCells(cells);
            EXPECT_TRUE(rig.automaton.grid == cells && rig.calls == drawn) << r.what;
        }
        if (r.live.empty()) rig.automaton.computePass = AlternatingPass;
        std::vector<int> at;
        for (int tick = 1; tick <= r.ticks; ++tick) {
            if (tick == r.resizeAfter + 1 && r.resizeAfter > 0) rig.automaton.ResizeGrid(9, 8);
            const std::size_t before = rig.seeds.size();
            rig.automaton.Tick();
            at.insert(at.end(), rig.seeds.size() - before, tick);
        }
        EXPECT_EQ(at, r.at) << r.what;
        EXPECT_EQ(rig.seeds, std::vector<float>(r.at.size(), 1000.0f)) << "seeded from the clock";
        if (r.population >= 0) { EXPECT_EQ(rig.automaton.grid.Population(), static_cast<std::size_t>(r.population)) << r.what; }
    }
}

TEST(Tick, DrawsWhatChangedAndInRainbowModeWhatLives) {
    // Against a plain pass over every cell: a changed cell is drawn in its new state, a cell live in both generations
    // only in Rainbow mode, and every live draw there follows a colour pick of its own.
    RuntimeRandom soup(5);
    for (bool rainbow : {false, true}) {
        // The largest: an 8K screen, with more changes than 16 bits can count; 10 x 6: a block in rows of their own
        // beside a blinker, which keeps the stagnation seeding away.
        for (auto [cols, rows] : {std::pair{130, 6}, std::pair{1, 4}, std::pair{64, 3}, std::pair{768, 432}, std::pair{10, 6}}) {
            Rig rig(cols, rows);
            rig.automaton.rainbow = rig.automaton.torus = rainbow;  // both edge modes, once each
            rig.automaton.Tick();    // the first tick's seedings, on an empty grid
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < cols; ++x) rig.automaton.grid.SetLive(x, y, cols != 10 && soup.Rnd() < 0.4f);
            for (auto [x, y] : cols == 10 ? Cells{{1, 0}, {2, 0}, {1, 1}, {2, 1}, {6, 2}, {6, 3}, {6, 4}} : Cells{})
                rig.automaton.grid.Set(x, y, CellGrid::kLive);
            for (int tick = 1; tick <= (rows > 100 ? 2 : 4); ++tick) {
                const CellGrid before = rig.automaton.grid;
                rig.calls.clear();
                rig.automaton.Tick();
                const CellGrid after = Step(before, rainbow ? Edges::Torus : Edges::Island, ComputeNextGenerationReference);
                std::vector<PaintCall> expected;
                int changes = 0;
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < cols; ++x) {
                        const bool was = before.IsLive(x, y), is = after.IsLive(x, y);
                        changes += was != is;
                        if (is && rainbow) expected.push_back({'S', 0, 0});
                        if (was != is || (is && rainbow)) expected.push_back({is ? 'L' : 'D', 10 * x, 10 * y});
                    }
                ASSERT_EQ(rig.calls, expected) << cols << "x" << rows << " tick " << tick;
                EXPECT_EQ(rig.automaton.grid, after);
                EXPECT_EQ(rig.automaton.ChangeHistory()[9], changes);
            }
        }
    }
}

TEST(Seeding, AddsAboutATenthNeverKillsAndDrawsEveryLiveCell) {
    // RandomInt(1, 100) > 90 means r >= 0.9; one number per cell.
    Rig rig(4, 3, {{3, 2}});
    rig.script = {0.95f, 0.895f, 0.5f, 0.0f, 0.0f, 0.90000004f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    rig.automaton.SeedGrid();
    EXPECT_EQ(rig.calls, (std::vector<PaintCall>{{'L', 0, 0}, {'L', 10, 10}, {'L', 30, 20}}));
    EXPECT_EQ(rig.draws, 12);
    // In Rainbow mode each cell first picks its colour: 0.999 -> 4 (purple), 0 -> 0 (red).
    Rig rainbow(2, 1);
    rainbow.automaton.rainbow = true, rainbow.script = {0.999f, 0.95f, 0.0f, 0.0f};
    rainbow.automaton.SeedGrid();
    EXPECT_EQ(rainbow.calls, (std::vector<PaintCall>{{'S', 4, 0}, {'L', 0, 0}, {'S', 0, 0}}));
    EXPECT_EQ(rainbow.draws, 4);
}

TEST(Seeding, TheRealStreamMakesAboutATenthAndDiffersAtTheSameClockReading) {
    Rig rig(200, 200);
    RuntimeRandom random;
    Automaton automaton(rig, random, rig);
    automaton.ResizeGrid(199, 199), automaton.SeedGrid();
    const CellGrid first = automaton.grid;
    EXPECT_NEAR(static_cast<double>(first.Population()), 4000, 400);
    automaton.ResizeGrid(199, 199), automaton.SeedGrid();
    EXPECT_FALSE(automaton.grid == first);
    // Even two seedings with nothing drawn in between move the stream on.
    RuntimeRandom twice(9), never(9);
    twice.Randomize(1000.0f), twice.Randomize(1000.0f);
    EXPECT_NE(twice.Rnd(), never.Rnd());
    // SplitMix64 from state 1234567 begins 599ED017FB08FC85, 2C73F08458540FA5,
    // 883EBCE5A3F27C77 (its published sequence); Rnd takes the top 24 bits.
    RuntimeRandom known(1234567);
    for (uint32_t top : {0x599ED0u, 0x2C73F0u, 0x883EBCu}) EXPECT_EQ(known.Rnd(), static_cast<float>(top) / 16777216.0f);
}

}  // namespace
}  // namespace tovra
