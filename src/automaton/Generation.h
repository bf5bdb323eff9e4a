#pragma once
// The compute pass of a tick: the next generation under rule B3/S23.
// Both functions read only `current` and write only `next`, which must have
// the same bounds. Outside the grid, Island counts nothing and Torus wraps
// each coordinate to the opposite edge (a one-column torus sees a cell as its
// own west and east neighbour).

#include "automaton/CellGrid.h"

namespace tovra {

using ComputePass = void (*)(const CellGrid& current, Edges edges, CellGrid& next);

// The kernel the tick uses: column sums slid along each row.
void ComputeNextGeneration(const CellGrid& current, Edges edges, CellGrid& next);

// The plain form: eight neighbour reads per cell, in the order west, east,
// north, south, north-west, north-east, south-west, south-east. Kept as the
// yardstick for the kernel above, in tests and benchmarks.
void ComputeNextGenerationReference(const CellGrid& current, Edges edges, CellGrid& next);

// Live neighbours of (x, y) counted the plain way.
int CountLiveNeighbours(const CellGrid& grid, Edges edges, int x, int y);

}  // namespace tovra
