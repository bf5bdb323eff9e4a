#include "automaton/Automaton.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace tovra {

void Automaton::Tick() {
    // 1. First-tick set-up.
    if (!nextGridReady_) {
        SeedGrid();
        nextGrid_.Resize(grid.MaxCol(), grid.MaxRow());
        nextGridReady_ = true;
    }
    // The current grid may have been re-created with other bounds since the
    // last tick (a resize while running); the working grid follows it.
    if (!nextGrid_.SameBounds(grid)) nextGrid_.Resize(grid.MaxCol(), grid.MaxRow());

    // 2. Tick count.  3. Timed reseeding, before this tick's generation.
    const int limit = preview ? kPreviewSeedDelay : seedDelay;
    if (reseeding && ++ticksSinceSeed_ >= limit) {
        ticksSinceSeed_ = 0;
        SeedGrid();
    }

    // 4. Compute pass. A pass that leaves the row flags alone has every row
    // looked at.
    changedRows_.assign(static_cast<std::size_t>(grid.Rows()), 1);
    computePass(grid, torus ? Edges::Torus : Edges::Island, nextGrid_, &changedRows_);

    // 5. Draw-and-commit pass: the new generation becomes the current one.
    const int32_t changes = DrawChanges();
    std::swap(grid, nextGrid_);

    // 6. History: oldest at index 0, this generation at index 9.
    std::copy(changeHistory_.begin() + 1, changeHistory_.end(), changeHistory_.begin());
    changeHistory_[kHistoryLength - 1] = changes;

    // 7. Stagnation reseeding.
    const bool allEqual = std::all_of(changeHistory_.begin(), changeHistory_.end(),
                                      [&](int32_t c) { return c == changeHistory_[0]; });
    if (allEqual && reseeding) {
        SeedGrid();
        ticksSinceSeed_ = 0;
    }
}

int32_t Automaton::DrawChanges() {
    int32_t changes = 0;
    const int words = grid.WordsPerRow();
    for (int y = 0; y < grid.Rows(); ++y) {
        if (!rainbow && !changedRows_[static_cast<std::size_t>(y)]) continue;
        const uint64_t* now = grid.RowWords(y);
        const uint64_t* next = nextGrid_.RowWords(y);
        for (int i = 0; i < words; ++i) {
            const uint64_t changed = now[i] ^ next[i];
            // Row-major order, columns ascending: lowest bit first.
            for (uint64_t visit = rainbow ? (now[i] | next[i]) : changed; visit != 0; visit &= visit - 1) {
                const int bit = std::countr_zero(visit);
                const int x = i * CellGrid::kWordBits + bit;
                if ((next[i] >> bit) & 1) {
                    if (rainbow) PickRandomColor();
                    painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
                } else {
                    painter_.DrawDeadCell(kCellPitch * x, kCellPitch * y);
                }
                changes += static_cast<int32_t>((changed >> bit) & 1);
            }
        }
    }
    return changes;
}

void Automaton::SeedGrid() {
    random_.Randomize(clock_.SecondsSinceMidnight());
    lastPlacements_.clear();
    if (seeding == SeedingMode::Random || patterns == nullptr) {
        SprinkleCells(nullptr);
        return;
    }
    const Edges edges = torus ? Edges::Torus : Edges::Island;
    if (seeding == SeedingMode::Mixed) {
        reserved_.Resize(grid.MaxCol(), grid.MaxRow());
        lastPlacements_ = garden_.Plant(*patterns, grid, edges, random_, nullptr, &reserved_);
        SprinkleCells(&reserved_);
        return;
    }
    // Placed cells are drawn as seeded cells are, each after its own colour
    // pick in Rainbow mode.
    lastPlacements_ = garden_.Plant(*patterns, grid, edges, random_, [this](int x, int y) {
        if (rainbow) PickRandomColor();
        painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
    });
    // Nothing fitted (a tiny window, a crowded grid): the screen still gets cells.
    if (lastPlacements_.empty()) SprinkleCells(nullptr);
}

void Automaton::PlaceCells(const CellGrid& cells) {
    grid = cells;
    nextGrid_.Resize(grid.MaxCol(), grid.MaxRow());
    nextGridReady_ = true;
    for (int y = 0; y <= grid.MaxRow(); ++y)
        for (int x = 0; x <= grid.MaxCol(); ++x)
            if (grid.IsLive(x, y)) {
                if (rainbow) PickRandomColor();
                painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
            }
}

void Automaton::SprinkleCells(const CellGrid* keepClear) {
    for (int y = 0; y <= grid.MaxRow(); ++y) {
        for (int x = 0; x <= grid.MaxCol(); ++x) {
            if (rainbow) PickRandomColor();
            if (RandomInt(random_, 1, 100) > 100 - kSeedDensity && !(keepClear && keepClear->IsLive(x, y)))
                grid.Set(x, y, CellGrid::kLive);
            if (grid.IsLive(x, y)) painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
        }
    }
}

void Automaton::PickRandomColor() {
    painter_.UseLiveSprite(RandomInt(random_, 0, kColorCount - 1));
}

}  // namespace tovra
