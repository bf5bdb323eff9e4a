#pragma once
// Placing library patterns on the grid: about one pattern per 5,000 cells at
// each seeding, drawn at random from the library but never one of the last
// eight placed (where there are more than eight to choose from), in one of
// its eight orientations, where its box and three cells around it hold no
// live cell. On an Island a pattern lies wholly inside the grid; on a Torus
// it may wrap. A pattern larger than the grid is never chosen.

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

#include "automaton/CellGrid.h"
#include "automaton/PatternLibrary.h"
#include "automaton/Random.h"

namespace tovra {

// How a seeding adds live cells; the value is the stored setting's number.
enum class SeedingMode { Random = 0, Patterns = 1, Mixed = 2 };

inline constexpr std::size_t kCellsPerPattern = 5000;
inline constexpr int kPatternMargin = 3;
inline constexpr int kPlacementTries = 4;
inline constexpr std::size_t kRecentPatterns = 8;
inline constexpr int kOrientationCount = 8;

// Where a pattern went: its library index, orientation and the top-left
// corner of its oriented box (on a Torus the box may reach past the edge).
struct Placement {
    std::size_t pattern;
    int orientation;
    int x, y;
    bool operator==(const Placement&) const = default;
};

// Cell (x, y) of a width x height pattern in orientation 0..7: 0 as it is,
// 1 mirrored left to right, 2 upside down, 3 turned half round; 4 to 7 the
// same after swapping x and y, which swaps the width and the height.
inline void Orient(int orientation, int x, int y, int width, int height, int& ox, int& oy) {
    if (orientation & 4) std::swap(x, y), std::swap(width, height);
    ox = (orientation & 1) ? width - 1 - x : x;
    oy = (orientation & 2) ? height - 1 - y : y;
}

class PatternGarden {
public:
    // Places patterns into `grid` for one seeding and returns where they
    // went. `newCell` is called for every cell the placing makes live, in
    // order. With `reserve` (the grid's size), the box and margin of every
    // placed pattern are marked in it.
    std::vector<Placement> Plant(const PatternLibrary& library, CellGrid& grid, Edges edges, RandomStream& random,
                                 const std::function<void(int x, int y)>& newCell, CellGrid* reserve = nullptr);

private:
    std::deque<std::size_t> recent_;  // the last patterns placed, oldest first
};

}  // namespace tovra
