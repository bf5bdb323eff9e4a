#include "automaton/Generation.h"

#include <cassert>
#include <vector>

namespace tovra {

namespace {

inline int16_t Rule(int neighbours, bool alive) {
    return (neighbours == 3 || (neighbours == 2 && alive)) ? CellGrid::kLive : CellGrid::kDead;
}

}  // namespace

int CountLiveNeighbours(const CellGrid& grid, Edges edges, int x, int y) {
    static constexpr int kOffsets[8][2] = {
        {-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1},
    };
    const int maxCol = grid.MaxCol();
    const int maxRow = grid.MaxRow();
    int count = 0;
    for (const auto& offset : kOffsets) {
        int nx = x + offset[0];
        int ny = y + offset[1];
        if (!grid.Contains(nx, ny)) {
            if (edges == Edges::Island) continue;
            if (nx < 0) nx = maxCol;
            else if (nx > maxCol) nx = 0;
            if (ny < 0) ny = maxRow;
            else if (ny > maxRow) ny = 0;
        }
        if (grid.IsLive(nx, ny)) ++count;
    }
    return count;
}

void ComputeNextGenerationReference(const CellGrid& current, Edges edges, CellGrid& next) {
    assert(current.SameBounds(next));
    for (int y = 0; y <= current.MaxRow(); ++y)
        for (int x = 0; x <= current.MaxCol(); ++x)
            next.Set(x, y, Rule(CountLiveNeighbours(current, edges, x, y), current.IsLive(x, y)));
}

void ComputeNextGeneration(const CellGrid& current, Edges edges, CellGrid& next) {
    assert(current.SameBounds(next));
    const int cols = current.Columns();
    const int rows = current.Rows();
    if (cols <= 0 || rows <= 0) return;
    const bool torus = edges == Edges::Torus;

    // sums[1 + x] = live cells in column x of rows y-1, y, y+1; sums[0] and
    // sums[cols + 1] stand for the columns beyond the left and right edges.
    thread_local std::vector<int> sums;
    thread_local std::vector<int16_t> deadRow;
    sums.assign(static_cast<std::size_t>(cols) + 2, 0);
    if (deadRow.size() < static_cast<std::size_t>(cols)) deadRow.assign(static_cast<std::size_t>(cols), 0);

    for (int y = 0; y < rows; ++y) {
        const int16_t* mid = current.Row(y);
        const int16_t* up = y > 0 ? current.Row(y - 1) : (torus ? current.Row(rows - 1) : deadRow.data());
        const int16_t* down = y < rows - 1 ? current.Row(y + 1) : (torus ? current.Row(0) : deadRow.data());
        int* s = sums.data() + 1;
        for (int x = 0; x < cols; ++x)
            s[x] = (up[x] != 0) + (mid[x] != 0) + (down[x] != 0);
        s[-1] = torus ? s[cols - 1] : 0;
        s[cols] = torus ? s[0] : 0;

        int16_t* out = next.Row(y);
        for (int x = 0; x < cols; ++x) {
            const bool alive = mid[x] != 0;
            out[x] = Rule(s[x - 1] + s[x] + s[x + 1] - (alive ? 1 : 0), alive);
        }
    }
}

}  // namespace tovra
