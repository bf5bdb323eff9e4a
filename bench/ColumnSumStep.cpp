#include "ColumnSumStep.h"

namespace tovra::bench {

WideGrid::WideGrid(const CellGrid& g) : cols(g.Columns()), rows(g.Rows()), cells(g.CellCount(), 0) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) Row(y)[x] = g.Get(x, y);
}

void ColumnSumStep(const WideGrid& current, Edges edges, WideGrid& next) {
    const int cols = current.cols;
    const int rows = current.rows;
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
        for (int x = 0; x < cols; ++x) s[x] = (up[x] != 0) + (mid[x] != 0) + (down[x] != 0);
        s[-1] = torus ? s[cols - 1] : 0;
        s[cols] = torus ? s[0] : 0;

        int16_t* out = next.Row(y);
        for (int x = 0; x < cols; ++x) {
            const bool alive = mid[x] != 0;
            const int n = s[x - 1] + s[x] + s[x + 1] - (alive ? 1 : 0);
            out[x] = (n == 3 || (n == 2 && alive)) ? CellGrid::kLive : CellGrid::kDead;
        }
    }
}

}  // namespace tovra::bench
