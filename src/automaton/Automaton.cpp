#include "automaton/Automaton.h"

#include <algorithm>

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

    // 4. Compute pass.
    computePass(blnGrid, blnTorus ? Edges::Torus : Edges::Island, blnNextGrid_);

    // 5. Draw-and-commit pass.
    int32_t changes = 0;
    const int cols = blnGrid.Columns();
    for (int y = 0; y <= blnGrid.MaxRow(); ++y) {
        int16_t* now = blnGrid.Row(y);
        const int16_t* next = blnNextGrid_.Row(y);
        for (int x = 0; x < cols; ++x) {
            if (blnRainbow) PickRandomColor();
            const bool wasLive = now[x] != 0;
            const bool isLive = next[x] != 0;
            if (wasLive != isLive) {
                if (isLive) painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
                else painter_.DrawDeadCell(kCellPitch * x, kCellPitch * y);
                ++changes;
            } else if (isLive) {
                painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
            }
            now[x] = next[x];
        }
    }

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

void Automaton::SeedGrid() {
    random_.Randomize(clock_.SecondsSinceMidnight());
    for (int y = 0; y <= blnGrid.MaxRow(); ++y) {
        for (int x = 0; x <= blnGrid.MaxCol(); ++x) {
            if (blnRainbow) PickRandomColor();
            if (RandomInt(random_, 1, 100) > 100 - kSeedDensity) blnGrid.Set(x, y, CellGrid::kLive);
            if (blnGrid.IsLive(x, y)) painter_.DrawLiveCell(kCellPitch * x, kCellPitch * y);
        }
    }
}

void Automaton::PickRandomColor() {
    painter_.UseLiveSprite(RandomInt(random_, 0, kColorCount - 1));
}

}  // namespace tovra
