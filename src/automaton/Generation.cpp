#include "automaton/Generation.h"

#include <cassert>

namespace tovra {

namespace {

// Neighbour counts of one source row as bit planes, one word each per
// position: the west + east pair sum (ones, twos) and the west + centre +
// east sum (ones, twos). A row's planes are worked out once and serve the
// row itself and the rows above and below it.
enum Plane { kPairOnes, kPairTwos, kSumOnes, kSumTwos, kPlaneCount };

inline void StorePlanes(uint64_t west, uint64_t centre, uint64_t east, uint64_t* planes, int n, int i) {
    const uint64_t pairOnes = west ^ east;
    const uint64_t pairTwos = west & east;
    planes[kPairOnes * n + i] = pairOnes;
    planes[kPairTwos * n + i] = pairTwos;
    planes[kSumOnes * n + i] = pairOnes ^ centre;
    planes[kSumTwos * n + i] = pairTwos | (pairOnes & centre);
}

// `westIn`: what column -1 holds, at bit 0. `eastIn`: what column maxCol + 1
// holds, at the bit of column maxCol. The west neighbours of the last word
// are masked so that no pad bit is ever counted.
void SumRow(const uint64_t* c, int n, uint64_t westIn, uint64_t eastIn, uint64_t lastMask, uint64_t* planes) {
    const int last = n - 1;
    if (n == 1) {
        StorePlanes(((c[0] << 1) | westIn) & lastMask, c[0], (c[0] >> 1) | eastIn, planes, n, 0);
        return;
    }
    StorePlanes((c[0] << 1) | westIn, c[0], (c[0] >> 1) | (c[1] << 63), planes, n, 0);
    for (int i = 1; i < last; ++i)
        StorePlanes((c[i] << 1) | (c[i - 1] >> 63), c[i], (c[i] >> 1) | (c[i + 1] << 63), planes, n, i);
    StorePlanes(((c[last] << 1) | (c[last - 1] >> 63)) & lastMask, c[last], (c[last] >> 1) | eastIn, planes, n,
                last);
}

// One row of the next generation from the planes of the rows above, at and
// below it. With n the live neighbours, n = ones + 2k where ones and the
// carry come from adding the three ones planes, and k is the carry plus the
// three twos planes. The cell lives next if n is 3, or 2 while it lives now:
// exactly when k = 1 and (ones or alive). Returns the bits that changed.
uint64_t CombineRow(const uint64_t* up, const uint64_t* mid, const uint64_t* down, const uint64_t* alive,
                    uint64_t* out, int n) {
    uint64_t changed = 0;
    for (int i = 0; i < n; ++i) {
        const uint64_t t0 = up[kSumOnes * n + i], t1 = up[kSumTwos * n + i];
        const uint64_t b0 = down[kSumOnes * n + i], b1 = down[kSumTwos * n + i];
        const uint64_t m0 = mid[kPairOnes * n + i], m1 = mid[kPairTwos * n + i];
        const uint64_t tb = t0 ^ b0;
        const uint64_t ones = tb ^ m0;
        const uint64_t carry = (t0 & b0) | (m0 & tb);
        const uint64_t oddTwos = (t1 ^ b1) ^ (m1 ^ carry);
        const uint64_t manyTwos = (t1 & b1) | (m1 & carry);
        const uint64_t live = oddTwos & ~manyTwos & (ones | alive[i]);
        out[i] = live;
        changed |= live ^ alive[i];
    }
    return changed;
}

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

void ComputeNextGenerationReference(const CellGrid& current, Edges edges, CellGrid& next,
                                    ChangedRows* changedRows) {
    assert(current.SameBounds(next));
    if (changedRows) changedRows->assign(static_cast<std::size_t>(current.Rows()), 0);
    for (int y = 0; y <= current.MaxRow(); ++y)
        for (int x = 0; x <= current.MaxCol(); ++x) {
            next.Set(x, y, Rule(CountLiveNeighbours(current, edges, x, y), current.IsLive(x, y)));
            if (changedRows && next.IsLive(x, y) != current.IsLive(x, y)) (*changedRows)[y] = 1;
        }
}

void ComputeNextGeneration(const CellGrid& current, Edges edges, CellGrid& next, ChangedRows* changedRows) {
    assert(current.SameBounds(next));
    const int rows = current.Rows();
    const int n = current.WordsPerRow();
    if (changedRows) changedRows->assign(static_cast<std::size_t>(rows), 0);
    if (rows <= 0 || n <= 0) return;
    const bool torus = edges == Edges::Torus;
    const int lastBit = (current.Columns() - 1) % CellGrid::kWordBits;
    const uint64_t lastMask = current.LastWordMask();

    // Three rows of planes (above, at, below the row being made) and one of
    // zeros for the rows beyond an Island's edge.
    const std::size_t slot = static_cast<std::size_t>(kPlaneCount) * static_cast<std::size_t>(n);
    thread_local std::vector<uint64_t> scratch;
    scratch.assign(4 * slot, 0);
    uint64_t* ring[3] = {scratch.data(), scratch.data() + slot, scratch.data() + 2 * slot};
    const uint64_t* zeros = scratch.data() + 3 * slot;

    auto sum = [&](int y, uint64_t* planes) {
        const uint64_t* c = current.RowWords(y);
        const uint64_t westIn = torus ? (c[n - 1] >> lastBit) & 1 : 0;
        const uint64_t eastIn = torus ? (c[0] & 1) << lastBit : 0;
        SumRow(c, n, westIn, eastIn, lastMask, planes);
    };
    if (torus) sum(rows - 1, ring[0]);
    sum(0, ring[1]);
    for (int y = 0; y < rows; ++y) {
        const bool below = y + 1 < rows || torus;
        if (below) sum(y + 1 < rows ? y + 1 : 0, ring[2]);
        const uint64_t changed = CombineRow(y > 0 || torus ? ring[0] : zeros, ring[1], below ? ring[2] : zeros,
                                            current.RowWords(y), next.RowWords(y), n);
        if (changedRows) (*changedRows)[y] = changed != 0;
        uint64_t* done = ring[0];
        ring[0] = ring[1];
        ring[1] = ring[2];
        ring[2] = done;
    }
}

}  // namespace tovra
