#pragma once
// The cell grid: columns 0..maxCol by rows 0..maxRow of live/dead cells.
// A cell holds 0 (dead) or -1 (live); any non-zero value reads as live.
// Bounds of -1 give a grid without columns or rows, which is legal and
// simply has no cells (a window narrower or lower than one cell).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovra {

class CellGrid {
public:
    static constexpr int16_t kLive = -1;
    static constexpr int16_t kDead = 0;

    CellGrid() = default;
    CellGrid(int maxCol, int maxRow) { Redim(maxCol, maxRow); }

    // Re-dimension: every cell is dead afterwards, contents are never kept.
    void Redim(int maxCol, int maxRow) {
        maxCol_ = maxCol < -1 ? -1 : maxCol;
        maxRow_ = maxRow < -1 ? -1 : maxRow;
        cells_.assign(static_cast<std::size_t>(Columns()) * static_cast<std::size_t>(Rows()), kDead);
    }

    int MaxCol() const { return maxCol_; }
    int MaxRow() const { return maxRow_; }
    int Columns() const { return maxCol_ + 1; }
    int Rows() const { return maxRow_ + 1; }
    std::size_t CellCount() const { return cells_.size(); }
    bool SameBounds(const CellGrid& other) const {
        return maxCol_ == other.maxCol_ && maxRow_ == other.maxRow_;
    }

    bool Contains(int x, int y) const { return x >= 0 && x <= maxCol_ && y >= 0 && y <= maxRow_; }
    bool IsLive(int x, int y) const { return cells_[Index(x, y)] != 0; }
    int16_t Get(int x, int y) const { return cells_[Index(x, y)]; }
    void Set(int x, int y, int16_t value) { cells_[Index(x, y)] = value; }
    void SetLive(int x, int y, bool live) { cells_[Index(x, y)] = live ? kLive : kDead; }

    // Row-major storage: row y starts at y * Columns().
    const int16_t* Row(int y) const { return cells_.data() + static_cast<std::size_t>(y) * Columns(); }
    int16_t* Row(int y) { return cells_.data() + static_cast<std::size_t>(y) * Columns(); }

    std::size_t Population() const {
        std::size_t n = 0;
        for (int16_t c : cells_) n += (c != 0);
        return n;
    }

    bool operator==(const CellGrid& o) const {
        if (!SameBounds(o)) return false;
        for (std::size_t i = 0; i < cells_.size(); ++i)
            if ((cells_[i] != 0) != (o.cells_[i] != 0)) return false;
        return true;
    }

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(Columns()) + static_cast<std::size_t>(x);
    }

    int maxCol_ = -1;
    int maxRow_ = -1;
    std::vector<int16_t> cells_;
};

enum class Edges { Island, Torus };

}  // namespace tovra
