#include "automaton/Automaton.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace tovra {

void Automaton::tmrTovra_Timer() {
    // 1. First-tick set-up.
    if (!blnGridReady_) {
        SeedGrid();
        blnNextGrid_.Redim(blnGrid.MaxCol(), blnGrid.MaxRow());
        blnGridReady_ = true;
    }
    // The current grid may have been re-created with other bounds since the
    // last tick (a resize while running); the working grid follows it.
    if (!blnNextGrid_.SameBounds(blnGrid)) blnNextGrid_.Redim(blnGrid.MaxCol(), blnGrid.MaxRow());

    // 2. Tick count.  3. Timed reseeding, before this tick's generation.
    ++intTicksSinceSeed_;
    const int limit = blnPreview ? kPreviewSeedDelay : intSeedDelay;
    if (intTicksSinceSeed_ >= limit) {
        intTicksSinceSeed_ = 0;
        SeedGrid();
    }

    // 4. Compute pass. A pass that leaves the row flags alone has every row
    // looked at.
    changedRows_.assign(static_cast<std::size_t>(blnGrid.Rows()), 1);
    computePass(blnGrid, blnTorus ? Edges::Torus : Edges::Island, blnNextGrid_, &changedRows_);

    // 5. Draw-and-commit pass: the new generation becomes the current one.
    const int32_t changes = DrawChanges();
    std::swap(blnGrid, blnNextGrid_);

    // 6. History: oldest at index 0, this generation at index 9.
    std::copy(intChangeHistory_.begin() + 1, intChangeHistory_.end(), intChangeHistory_.begin());
    intChangeHistory_[kHistoryLength - 1] = changes;

    // 7. Stagnation reseeding.
    const bool allEqual = std::all_of(intChangeHistory_.begin(), intChangeHistory_.end(),
                                      [&](int32_t c) { return c == intChangeHistory_[0]; });
    if (allEqual) {
        SeedGrid();
        intTicksSinceSeed_ = 0;
    }
}

int32_t Automaton::DrawChanges() {
    int32_t changes = 0;
    const int words = blnGrid.WordsPerRow();
    for (int y = 0; y < blnGrid.Rows(); ++y) {
        if (!blnRainbow && !changedRows_[static_cast<std::size_t>(y)]) continue;
        const uint64_t* now = blnGrid.RowWords(y);
        const uint64_t* next = blnNextGrid_.RowWords(y);
        for (int i = 0; i < words; ++i) {
            const uint64_t changed = now[i] ^ next[i];
            // Row-major order, columns ascending: lowest bit first.
            for (uint64_t visit = blnRainbow ? (now[i] | next[i]) : changed; visit != 0; visit &= visit - 1) {
                const int bit = std::countr_zero(visit);
                const int x = i * CellGrid::kWordBits + bit;
                if ((next[i] >> bit) & 1) {
                    if (blnRainbow) PickRandomColor();
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
    const Edges edges = blnTorus ? Edges::Torus : Edges::Island;
    if (seeding == SeedingMode::Mixed) {
        reserved_.Redim(blnGrid.MaxCol(), blnGrid.MaxRow());
        lastPlacements_ = garden_.Plant(*patterns, blnGrid, edges, random_, nullptr, &reserved_);
        SprinkleCells(&reserved_);
        return;
    }
    // Placed cells are drawn as seeded cells are, each after its own colour
    // pick in Rainbow mode.
    lastPlacements_ = garden_.Plant(*patterns, blnGrid, edges, random_, [this](int x, int y) {
        if (blnRainbow) PickRandomColor();
        painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
    });
    // Nothing fitted (a tiny window, a crowded grid): the screen still gets cells.
    if (lastPlacements_.empty()) SprinkleCells(nullptr);
}

void Automaton::SprinkleCells(const CellGrid* keepClear) {
    for (int y = 0; y <= blnGrid.MaxRow(); ++y) {
        for (int x = 0; x <= blnGrid.MaxCol(); ++x) {
            if (blnRainbow) PickRandomColor();
            if (RandomInt(random_, 1, 100) > 100 - kSeedDensity && !(keepClear && keepClear->IsLive(x, y)))
                blnGrid.Set(x, y, CellGrid::kLive);
            if (blnGrid.IsLive(x, y)) painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
        }
    }
}

void Automaton::PickRandomColor() {
    painter_.UseLiveSprite(RandomInt(random_, 0, kColorCount - 1));
}

}  // namespace tovra
