#pragma once
// The compute pass of a tick: the next generation under rule B3/S23.
// A pass reads only `current` and writes only `next`, which must have the
// same bounds. Outside the grid, Island counts nothing and Torus wraps each
// coordinate to the opposite edge (a one-column torus sees a cell as its own
// west and east neighbour). When `changedRows` is given, the pass also fills
// it with one entry per row: non-zero where the row of `next` differs from
// the row of `current`, so that a caller can skip unchanged rows.

#include <cstdint>
#include <vector>

#include "automaton/CellGrid.h"

namespace tovra {

using ChangedRows = std::vector<uint8_t>;
using ComputePass = void (*)(const CellGrid& current, Edges edges, CellGrid& next, ChangedRows* changedRows);

// The kernel the tick uses: 64 cells at a time, neighbour counts kept as
// bit planes and added with full adders.
void ComputeNextGeneration(const CellGrid& current, Edges edges, CellGrid& next,
                           ChangedRows* changedRows = nullptr);

// The plain form: eight neighbour reads per cell, in the order west, east,
// north, south, north-west, north-east, south-west, south-east. Kept as the
// yardstick for the kernel above, in tests and benchmarks.
void ComputeNextGenerationReference(const CellGrid& current, Edges edges, CellGrid& next,
                                    ChangedRows* changedRows = nullptr);

// Live neighbours of (x, y) counted the plain way.
int CountLiveNeighbours(const CellGrid& grid, Edges edges, int x, int y);

}  // namespace tovra
