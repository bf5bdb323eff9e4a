#include "automaton/PatternGarden.h"

#include <algorithm>

namespace tovra {

namespace {

int Wrap(int v, int n) {
    const int r = v % n;
    return r < 0 ? r + n : r;
}

// Calls `span(y, from, to)` for the parts of the grid's rows that the box of
// `width` x `height` cells at (x, y) covers: clipped to the grid on an
// Island, wrapped round it on a Torus, each cell at most once.
template <typename Span>
bool ForEachSpan(const CellGrid& grid, Edges edges, int x, int y, int width, int height, Span span) {
    const int cols = grid.Columns(), rows = grid.Rows();
    if (edges == Edges::Torus) {
        width = std::min(width, cols), height = std::min(height, rows);
        const int left = Wrap(x, cols);
        for (int dy = 0; dy < height; ++dy) {
            const int row = Wrap(y + dy, rows);
            if (!span(row, left, std::min(left + width, cols))) return false;
            if (left + width > cols && !span(row, 0, left + width - cols)) return false;
        }
        return true;
    }
    const int from = std::max(x, 0), to = std::min(x + width, cols);
    for (int row = std::max(y, 0); row < std::min(y + height, rows) && from < to; ++row)
        if (!span(row, from, to)) return false;
    return true;
}

// The bits of cells from..to-1 of word `i` of a row.
uint64_t WordMask(int i, int from, int to) {
    const int lo = std::max(from - i * CellGrid::kWordBits, 0);
    const int hi = std::min(to - i * CellGrid::kWordBits, CellGrid::kWordBits);
    const uint64_t below = hi >= CellGrid::kWordBits ? ~uint64_t{0} : (uint64_t{1} << hi) - 1;
    return below & ~((uint64_t{1} << lo) - 1);
}

bool AreaClear(const CellGrid& grid, Edges edges, int x, int y, int width, int height) {
    return ForEachSpan(grid, edges, x, y, width, height, [&grid](int row, int from, int to) {
        const uint64_t* words = grid.RowWords(row);
        for (int i = from / CellGrid::kWordBits; i <= (to - 1) / CellGrid::kWordBits; ++i)
            if (words[i] & WordMask(i, from, to)) return false;
        return true;
    });
}

void MarkArea(CellGrid& grid, Edges edges, int x, int y, int width, int height) {
    ForEachSpan(grid, edges, x, y, width, height, [&grid](int row, int from, int to) {
        uint64_t* words = grid.RowWords(row);
        for (int i = from / CellGrid::kWordBits; i <= (to - 1) / CellGrid::kWordBits; ++i) words[i] |= WordMask(i, from, to);
        return true;
    });
}

bool Fits(const LibraryPattern& p, int cols, int rows) {
    return (p.width <= cols && p.height <= rows) || (p.height <= cols && p.width <= rows);
}

}  // namespace

std::vector<Placement> PatternGarden::Plant(const PatternLibrary& library, CellGrid& grid, Edges edges,
                                            RandomStream& random, const std::function<void(int, int)>& newCell,
                                            CellGrid* reserve) {
    std::vector<Placement> placed;
    const int cols = grid.Columns(), rows = grid.Rows();
    std::vector<std::size_t> eligible;  // ascending
    for (std::size_t i = 0; i < library.Size(); ++i)
        if (Fits(library[i], cols, rows)) eligible.push_back(i);
    if (eligible.empty()) return placed;

    const std::size_t count = std::max<std::size_t>(1, (grid.CellCount() + kCellsPerPattern / 2) / kCellsPerPattern);
    for (std::size_t n = 0; n < count; ++n) {
        // The draw skips the recent patterns that are eligible, where enough
        // others are left: positions in `eligible`, ascending.
        std::vector<std::size_t> skip;
        if (eligible.size() > kRecentPatterns) {
            for (std::size_t p : recent_) {
                const auto at = std::lower_bound(eligible.begin(), eligible.end(), p);
                if (at != eligible.end() && *at == p) skip.push_back(static_cast<std::size_t>(at - eligible.begin()));
            }
            std::sort(skip.begin(), skip.end());
            skip.erase(std::unique(skip.begin(), skip.end()), skip.end());
        }
        auto k = static_cast<std::size_t>(RandomInt(random, 0, static_cast<int>(eligible.size() - skip.size()) - 1));
        for (std::size_t s : skip) k += s <= k;
        const std::size_t index = eligible[k];
        const LibraryPattern& pattern = library[index];

        // An orientation in which it fits: the one drawn, or the same with x
        // and y swapped.
        int orientation = RandomInt(random, 0, kOrientationCount - 1);
        int width = (orientation & 4) ? pattern.height : pattern.width;
        int height = (orientation & 4) ? pattern.width : pattern.height;
        if (width > cols || height > rows) orientation ^= 4, std::swap(width, height);

        for (int attempt = 0; attempt < kPlacementTries; ++attempt) {
            const int x = RandomInt(random, 0, edges == Edges::Torus ? cols - 1 : cols - width);
            const int y = RandomInt(random, 0, edges == Edges::Torus ? rows - 1 : rows - height);
            const int m = kPatternMargin;
            if (!AreaClear(grid, edges, x - m, y - m, width + 2 * m, height + 2 * m)) continue;
            for (const PatternCell& c : pattern.cells) {
                int ox = 0, oy = 0;
                Orient(orientation, c.x, c.y, pattern.width, pattern.height, ox, oy);
                const int gx = (x + ox) % cols, gy = (y + oy) % rows;
                grid.SetLive(gx, gy, true);
                if (newCell) newCell(gx, gy);
            }
            if (reserve != nullptr) MarkArea(*reserve, edges, x - m, y - m, width + 2 * m, height + 2 * m);
            placed.push_back({index, orientation, x, y});
            recent_.push_back(index);
            if (recent_.size() > kRecentPatterns) recent_.pop_front();
            break;
        }
    }
    return placed;
}

}  // namespace tovra
