#pragma once
// The step as it was before the grid held one bit per cell: 16-bit cells,
// column sums of three rows slid along each row. Kept only to compare the
// word kernel with.

#include <cstdint>
#include <vector>

#include "automaton/CellGrid.h"

namespace tovra::bench {

struct WideGrid {
    int cols = 0, rows = 0;
    std::vector<int16_t> cells;  // row-major, 0 dead, -1 live
    explicit WideGrid(const CellGrid& g);
    const int16_t* Row(int y) const { return cells.data() + static_cast<std::size_t>(y) * cols; }
    int16_t* Row(int y) { return cells.data() + static_cast<std::size_t>(y) * cols; }
};

void ColumnSumStep(const WideGrid& current, Edges edges, WideGrid& next);

}  // namespace tovra::bench
