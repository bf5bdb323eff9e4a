#pragma once
// Patterns in the RLE format that Life programs exchange.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automaton/CellGrid.h"

namespace tovra::life {

// The largest grid the tool takes, in cells (16,384 x 16,384): two such
// grids of 16-bit cells already need a gigabyte.
inline constexpr long long kMaxGridCells = 1LL << 28;

struct BoundedGrid {
    int width = 0;
    int height = 0;
    Edges edges = Edges::Torus;
};

struct RlePattern {
    int width = 0;   // from the header
    int height = 0;
    std::optional<BoundedGrid> bounds;           // from a rule suffix :Tw,h or :Pw,h
    std::vector<std::pair<int, int>> liveCells;  // (x, y), top-left of the pattern at (0, 0)
};

struct RleError {
    int line = 0;  // 0 when the problem has no line of its own
    std::string message;
};

// Parses RLE text. Returns the pattern, or sets `error` and returns nothing.
std::optional<RlePattern> ParseRle(std::string_view text, RleError& error);

// The whole grid as RLE, header `x = W, y = H, rule = B3/S23:TW,H` (or :PW,H),
// lines of at most 70 characters, ended by `!`.
std::string WriteRle(const CellGrid& grid, Edges edges);

}  // namespace tovra::life
