#pragma once
// The automaton as the display runs it: the current grid, the settings
// that steer it, the state a tick keeps from one tick to the next, the tick
// itself (Tick), the seeding and the colour pick. It draws only
// through CellPainter and reads time and chance only through TimeOfDay and
// RandomStream, so it runs the same in a window, in a test and in a tool.

#include <array>
#include <cstdint>

#include "automaton/CellGrid.h"
#include "automaton/Generation.h"
#include "automaton/PatternGarden.h"
#include "automaton/PatternLibrary.h"
#include "automaton/Random.h"
#include "runtime/TimeOfDay.h"

namespace tovra {

inline constexpr int kCellPitch = 10;      // pixels per cell, both ways
inline constexpr int kSeedDensity = 10;    // percent of dead cells a seeding makes live
inline constexpr int kPreviewSeedDelay = 10;
inline constexpr int kColorCount = 5;      // red, yellow, green, blue, purple
inline constexpr int kHistoryLength = 10;

// What the automaton draws with. Positions are pixels of the client area.
class CellPainter {
public:
    virtual ~CellPainter() = default;
    virtual void DrawLiveCell(int x, int y) = 0;
    virtual void DrawDeadCell(int x, int y) = 0;
    // Make live-cell sprite `colorIndex` (0..4) the one DrawLiveCell uses.
    virtual void UseLiveSprite(int colorIndex) = 0;
};

class Automaton {
public:
    Automaton(CellPainter& painter, RandomStream& random, TimeOfDay& clock)
        : painter_(painter), random_(random), clock_(clock) {}

    // Settings and flags, set by the display when it loads.
    bool rainbow = false;
    bool torus = false;
    bool preview = false;
    int seedDelay = 0;
    // What a seeding adds, and the library it draws patterns from (none:
    // every seeding is a random one).
    SeedingMode seeding = SeedingMode::Random;
    const PatternLibrary* patterns = nullptr;
    // False: no timed and no stagnation reseeding; the grid runs on as it is.
    bool reseeding = true;

    // The current generation, the one the screen shows.
    CellGrid grid;

    // Re-create the current grid with new bounds, every cell dead.
    void ResizeGrid(int maxCol, int maxRow) { grid.Resize(maxCol, maxRow); }

    // One tick: set-up, timed reseeding, compute, draw and commit, history,
    // stagnation reseeding. The draw visits only cells that changed and, in
    // Rainbow mode, cells that stay live: with a fixed colour a cell that
    // stays live already shows the right sprite, so it is not redrawn.
    void Tick();
    // One seeding, as the seeding mode says. Random: sprinkle live cells
    // (about one dead cell in ten) and draw every live cell. Patterns: place
    // library patterns and draw their cells, or, where none fits, seed as
    // Random does. Mixed: the random cells, kept out of the boxes and margins
    // of the patterns placed with them, then every live cell drawn.
    void SeedGrid();
    // The grid becomes `cells` (their bounds too) and every live cell is
    // drawn; the first tick then seeds nothing.
    void PlaceCells(const CellGrid& cells);
    // Pick one of the five live-cell sprites at random.
    void PickRandomColor();

    // Replaceable compute pass.
    ComputePass computePass = ComputeNextGeneration;

    // Where the last seeding placed patterns.
    const std::vector<Placement>& LastPlacements() const { return lastPlacements_; }

    // The changes of the last ten generations, oldest first.
    const std::array<int32_t, kHistoryLength>& ChangeHistory() const { return changeHistory_; }

private:
    CellPainter& painter_;
    RandomStream& random_;
    TimeOfDay& clock_;

    // Draw what a generation changes and count the changed cells.
    int32_t DrawChanges();
    // The random cells of a seeding, none where `keepClear` has a cell, and
    // every live cell drawn.
    void SprinkleCells(const CellGrid* keepClear);

    CellGrid nextGrid_;
    ChangedRows changedRows_;
    PatternGarden garden_;
    std::vector<Placement> lastPlacements_;
    CellGrid reserved_;  // Mixed: the placed patterns' boxes and margins
    bool nextGridReady_ = false;
    int ticksSinceSeed_ = 0;
    // Cells changed per generation; index 9 newest. 32 bits wide so that grids
    // of more than 32,767 cells count right.
    std::array<int32_t, kHistoryLength> changeHistory_{};
};

}  // namespace tovra
