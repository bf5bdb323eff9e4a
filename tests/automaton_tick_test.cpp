// The tick, the seeding and the colour pick, observed through what they draw.
#include <gtest/gtest.h>

#include <map>

#include "automaton/Automaton.h"
#include "support/AutomatonFakes.h"

namespace tovra {
namespace {

using test::FakeClock;
using test::PaintCall;
using test::RecordingPainter;
using test::ScriptedRandom;

// A seeding that makes no cell live: every draw returns 0 -> RandomInt(1,100) = 1.
constexpr float kNoBirth = 0.0f;
// RandomInt(1,100) = 100: every cell becomes live.
constexpr float kBirth = 0.999f;

struct Rig {
    RecordingPainter painter;
    ScriptedRandom random;
    FakeClock clock;
    Automaton automaton{painter, random, clock};
    Rig(int cols, int rows) {
        automaton.RedimGrid(cols - 1, rows - 1);
        automaton.intSeedDelay = 2000;
        automaton.blnTorus = true;
        random.fallback = kNoBirth;
    }
    void Live(std::initializer_list<std::pair<int, int>> cells) {
        for (auto [x, y] : cells) automaton.blnGrid.Set(x, y, CellGrid::kLive);
    }
};

TEST(Tick, FirstTickSeedsAndSizesTheWorkingGrid) {
    Rig rig(6, 4);
    rig.Live({{1, 1}, {2, 1}, {3, 1}});  // a blinker
    rig.automaton.tmrTovra_Timer();
    EXPECT_TRUE(rig.automaton.GridReady());
    EXPECT_EQ(rig.random.seeds.size(), 1u);          // one seeding, from the clock
    EXPECT_EQ(rig.random.seeds[0], 1000.0f);
    EXPECT_TRUE(rig.automaton.NextGrid().SameBounds(rig.automaton.blnGrid));
    // The seeding drew the three live cells, then the step drew the two
    // births and the two deaths row by row; the centre stays live and keeps
    // its sprite.
    const std::vector<PaintCall> expected = {
        {'L', 10, 10}, {'L', 20, 10}, {'L', 30, 10},  // seeding
        {'L', 20, 0},  {'D', 10, 10}, {'D', 30, 10}, {'L', 20, 20},
    };
    EXPECT_EQ(rig.painter.calls, expected);
    EXPECT_EQ(rig.automaton.ChangeHistory()[9], 4);
}

TEST(Tick, StillFirstGenerationTriggersStagnationReseed) {
    // History starts as ten zeros: a first generation without change matches it.
    Rig rig(5, 5);
    rig.Live({{1, 1}, {2, 1}, {1, 2}, {2, 2}});  // block
    rig.automaton.tmrTovra_Timer();
    EXPECT_EQ(rig.random.seeds.size(), 2u);  // first-tick seeding + stagnation seeding
    EXPECT_EQ(rig.automaton.TicksSinceSeed(), 0);
}

TEST(Tick, ChangingFirstGenerationHoldsOffStagnationUntilTheTenthTick) {
    Rig rig(5, 5);
    rig.automaton.intSeedDelay = 30000;
    rig.Live({{1, 2}, {2, 2}, {3, 2}});  // blinker: four changes every generation
    for (int tick = 1; tick <= 9; ++tick) {
        rig.automaton.tmrTovra_Timer();
        EXPECT_EQ(rig.random.seeds.size(), 1u) << "tick " << tick;
    }
    rig.automaton.tmrTovra_Timer();  // ten fours in a row: stagnation, though not still
    EXPECT_EQ(rig.random.seeds.size(), 2u);
    EXPECT_EQ(rig.automaton.TicksSinceSeed(), 0);
    // The history is not cleared, so the next equal count reseeds again.
    rig.automaton.tmrTovra_Timer();
    EXPECT_EQ(rig.random.seeds.size(), 3u);
}

// A compute pass whose change count alternates between 1 and 2, so that the
// stagnation rule never fires.
int alternatingCalls = 0;
void AlternatingPass(const CellGrid& current, Edges, CellGrid& next, ChangedRows*) {
    next = current;
    const int flips = 1 + (alternatingCalls++ % 2);
    for (int x = 0; x < flips; ++x) next.SetLive(x, 0, !current.IsLive(x, 0));
}

// Ticks at which a timed seeding happens for a grid that keeps changing.
std::vector<int> TimedSeedTicks(bool preview, int delay, int ticks) {
    Rig rig(8, 8);
    rig.automaton.blnPreview = preview;
    rig.automaton.intSeedDelay = delay;
    rig.automaton.computePass = AlternatingPass;
    std::vector<int> at;
    std::size_t seeds = 0;
    rig.automaton.tmrTovra_Timer();
    seeds = rig.random.seeds.size();  // first-tick seeding does not restart the count
    if (seeds > 1) at.push_back(1);
    for (int tick = 2; tick <= ticks; ++tick) {
        rig.automaton.tmrTovra_Timer();
        if (rig.random.seeds.size() != seeds) at.push_back(tick);
        seeds = rig.random.seeds.size();
    }
    return at;
}

TEST(Tick, TimedReseeding) {
    EXPECT_EQ(TimedSeedTicks(false, 7, 30), (std::vector<int>{7, 14, 21, 28}));
    // The preview uses 10 whatever the delay.
    EXPECT_EQ(TimedSeedTicks(true, 7, 30), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(TimedSeedTicks(true, 30000, 30), (std::vector<int>{10, 20, 30}));
    // A delay of 1 or less reseeds at every tick.
    for (int delay : {1, 0, -5, -32768}) {
        auto at = TimedSeedTicks(false, delay, 5);
        EXPECT_EQ(at, (std::vector<int>{1, 2, 3, 4, 5})) << "delay " << delay;
    }
}

TEST(Tick, TimedSeedingComesBeforeTheGeneration) {
    // Every cell is born by the timed seeding at tick 1 (delay 1); the step
    // then computes from the full grid, where every cell has 8 neighbours and dies.
    Rig rig(5, 5);
    rig.automaton.intSeedDelay = 1;
    rig.random.script.assign(25, kNoBirth);  // first-tick seeding: nothing
    rig.random.fallback = kBirth;            // timed seeding: everything
    rig.automaton.tmrTovra_Timer();
    EXPECT_EQ(rig.automaton.blnGrid.Population(), 0u);
    EXPECT_EQ(rig.painter.Count('D'), 25);
}

TEST(Tick, DrawsWhatChangedAndInRainbowModeWhatLives) {
    // Against a plain pass over every cell: a changed cell is drawn in its
    // new state, a cell live in both generations only in Rainbow mode, and
    // every live draw there follows a colour pick of its own.
    RuntimeRandom soup(5);
    for (bool rainbow : {false, true}) {
        for (auto [cols, rows] : {std::pair{130, 6}, std::pair{1, 4}, std::pair{64, 3}}) {
            Rig rig(cols, rows);
            rig.automaton.blnRainbow = rainbow;
            rig.automaton.intSeedDelay = 30000;
            rig.automaton.tmrTovra_Timer();  // the first tick's seedings, on an empty grid
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < cols; ++x) rig.automaton.blnGrid.SetLive(x, y, soup.Rnd() < 0.4f);
            for (int tick = 1; tick <= 4; ++tick) {
                const CellGrid before = rig.automaton.blnGrid;
                rig.painter.calls.clear();
                rig.automaton.tmrTovra_Timer();
                CellGrid after(before.MaxCol(), before.MaxRow());
                ComputeNextGenerationReference(before, Edges::Torus, after);
                std::vector<PaintCall> expected;
                int changes = 0;
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < cols; ++x) {
                        const bool was = before.IsLive(x, y), is = after.IsLive(x, y);
                        changes += was != is;
                        if (is && (was != is || rainbow)) {
                            if (rainbow) expected.push_back({'S', 0, 0});
                            expected.push_back({'L', 10 * x, 10 * y});
                        } else if (was != is) {
                            expected.push_back({'D', 10 * x, 10 * y});
                        }
                    }
                ASSERT_EQ(rig.painter.calls, expected) << cols << "x" << rows << " tick " << tick;
                EXPECT_EQ(rig.automaton.blnGrid, after);
                EXPECT_EQ(rig.automaton.ChangeHistory()[9], changes);
            }
        }
    }
}

TEST(Tick, LargeGridsCountAndPlaceBeyondSixteenBits) {
    // 768 x 432 (an 8K screen): a checkerboard dies all at once, 165,888 changes.
    Rig rig(768, 432);
    for (int y = 0; y < 432; ++y)
        for (int x = 0; x < 768; ++x)
            if ((x + y) % 2 == 0) rig.automaton.blnGrid.Set(x, y, CellGrid::kLive);
    rig.automaton.tmrTovra_Timer();
    EXPECT_EQ(rig.automaton.ChangeHistory()[9], 165888);
    const PaintCall last = rig.painter.calls.back();
    EXPECT_EQ(last, (PaintCall{'D', 7670, 4310}));
}

TEST(Tick, ResizedGridAfterFirstTickIsFollowed) {
    Rig rig(5, 5);
    rig.automaton.tmrTovra_Timer();
    rig.automaton.RedimGrid(9, 2);
    rig.automaton.blnGrid.Set(4, 1, CellGrid::kLive);
    rig.automaton.blnGrid.Set(5, 1, CellGrid::kLive);
    rig.automaton.blnGrid.Set(6, 1, CellGrid::kLive);
    rig.automaton.tmrTovra_Timer();
    EXPECT_TRUE(rig.automaton.NextGrid().SameBounds(rig.automaton.blnGrid));
    EXPECT_TRUE(rig.automaton.blnGrid.IsLive(5, 0));
    EXPECT_TRUE(rig.automaton.blnGrid.IsLive(5, 2));
}

TEST(Seeding, AddsLiveCellsAndNeverKills) {
    Rig rig(4, 3);
    // RandomInt(1,100) > 90 means r >= 0.9.
    rig.random.script = {0.95f, 0.0f, 0.5f, 0.0f, 0.0f, 0.91f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    rig.Live({{3, 2}});
    rig.automaton.SeedGrid();
    const std::vector<PaintCall> expected = {{'L', 0, 0}, {'L', 10, 10}, {'L', 30, 20}};
    EXPECT_EQ(rig.painter.calls, expected);
    EXPECT_EQ(rig.automaton.blnGrid.Population(), 3u);
    EXPECT_EQ(rig.random.draws, 12);  // one number per cell without Rainbow
}

TEST(Seeding, FullGridIsRedrawnUnchanged) {
    Rig rig(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) rig.automaton.blnGrid.Set(x, y, CellGrid::kLive);
    rig.automaton.SeedGrid();
    EXPECT_EQ(rig.painter.Count('L'), 9);
    EXPECT_EQ(rig.automaton.blnGrid.Population(), 9u);
}

TEST(Seeding, RainbowTakesTheColourFirst) {
    Rig rig(2, 1);
    rig.automaton.blnRainbow = true;
    // Cell 0: colour 0.999 -> 4, seed 0.95 -> live. Cell 1: colour 0 -> 0 (red), seed 0 -> dead.
    rig.random.script = {0.999f, 0.95f, 0.0f, 0.0f};
    rig.automaton.SeedGrid();
    const std::vector<PaintCall> expected = {{'S', 4, 0}, {'L', 0, 0}, {'S', 0, 0}};
    EXPECT_EQ(rig.painter.calls, expected);
    EXPECT_EQ(rig.random.draws, 4);
}

TEST(Seeding, RealStreamMakesAboutATenth) {
    RecordingPainter painter;
    RuntimeRandom random;
    FakeClock clock;
    Automaton automaton(painter, random, clock);
    automaton.RedimGrid(199, 199);
    automaton.SeedGrid();
    const auto live = automaton.blnGrid.Population();
    EXPECT_GT(live, 3600u);
    EXPECT_LT(live, 4400u);
    EXPECT_EQ(painter.Count('L'), static_cast<int>(live));
    // Re-seeding at the same clock reading still gives another pattern.
    const CellGrid first = automaton.blnGrid;
    automaton.RedimGrid(199, 199);
    automaton.SeedGrid();
    EXPECT_FALSE(automaton.blnGrid == first);
}

TEST(RandomIntTest, StaysInBoundsAndReachesTheTop) {
    ScriptedRandom edge;
    edge.script = {0.0f, 0.99999994f, 0.0f, 0.99999994f};
    EXPECT_EQ(RandomInt(edge, 1, 100), 1);
    EXPECT_EQ(RandomInt(edge, 1, 100), 100);
    EXPECT_EQ(RandomInt(edge, 0, 4), 0);
    EXPECT_EQ(RandomInt(edge, 0, 4), 4);

    RuntimeRandom random(7);
    std::map<int, int> hits;
    for (int i = 0; i < 100000; ++i) ++hits[RandomInt(random, 0, 4)];
    ASSERT_EQ(hits.size(), 5u);
    EXPECT_EQ(hits.begin()->first, 0);
    EXPECT_EQ(hits.rbegin()->first, 4);
    for (auto [value, n] : hits) EXPECT_NEAR(n, 20000, 1000) << value;
    for (int i = 0; i < 100000; ++i) {
        const int r = RandomInt(random, 1, 100);
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 100);
    }
}

TEST(Colour, FixedColourIsNeverChangedByTheTick) {
    Rig rig(6, 6);
    rig.automaton.intSeedDelay = 3;
    rig.random.fallback = 0.95f;
    for (int i = 0; i < 10; ++i) rig.automaton.tmrTovra_Timer();
    EXPECT_EQ(rig.painter.Count('S'), 0);
}

}  // namespace
}  // namespace tovra
