#pragma once
// The cell grid: columns 0..maxCol by rows 0..maxRow of live/dead cells,
// one bit per cell. Row y is WordsPerRow() 64-bit words; column x is bit
// x % 64 of word x / 64. The bits beyond the last column of a row (the pad)
// are always 0, so whole words can be compared, counted and combined.
// Get reads a cell as 0 (dead) or -1 (live); Set takes any non-zero value as
// live. Bounds of -1 give a grid without columns or rows, which is legal and
// simply has no cells (a window narrower or lower than one cell).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovra {

class CellGrid {
public:
    static constexpr int16_t kLive = -1;
    static constexpr int16_t kDead = 0;
    static constexpr int kWordBits = 64;

    CellGrid() = default;
    CellGrid(int maxCol, int maxRow) { Resize(maxCol, maxRow); }

    // Re-dimension: every cell is dead afterwards, contents are never kept.
    void Resize(int maxCol, int maxRow) {
        maxCol_ = std::max(maxCol, -1);
        maxRow_ = std::max(maxRow, -1);
        wordsPerRow_ = (Columns() + kWordBits - 1) / kWordBits;
        words_.assign(static_cast<std::size_t>(wordsPerRow_) * static_cast<std::size_t>(Rows()), 0);
    }

    int MaxCol() const { return maxCol_; }
    int MaxRow() const { return maxRow_; }
    int Columns() const { return maxCol_ + 1; }
    int Rows() const { return maxRow_ + 1; }
    std::size_t CellCount() const { return static_cast<std::size_t>(Columns()) * static_cast<std::size_t>(Rows()); }
    bool SameBounds(const CellGrid& other) const {
        return maxCol_ == other.maxCol_ && maxRow_ == other.maxRow_;
    }

    bool Contains(int x, int y) const { return x >= 0 && x <= maxCol_ && y >= 0 && y <= maxRow_; }
    bool IsLive(int x, int y) const { return (Word(x, y) >> (x % kWordBits)) & 1u; }
    int16_t Get(int x, int y) const { return IsLive(x, y) ? kLive : kDead; }
    void Set(int x, int y, int16_t value) { SetLive(x, y, value != 0); }
    void SetLive(int x, int y, bool live) {
        const uint64_t bit = uint64_t{1} << (x % kWordBits);
        uint64_t& w = Word(x, y);
        w = live ? (w | bit) : (w & ~bit);
    }

    // Word access. Whoever writes words keeps the pad bits 0 (LastWordMask).
    int WordsPerRow() const { return wordsPerRow_; }
    const uint64_t* RowWords(int y) const { return words_.data() + static_cast<std::size_t>(y) * wordsPerRow_; }
    uint64_t* RowWords(int y) { return words_.data() + static_cast<std::size_t>(y) * wordsPerRow_; }
    // The bits of a row's last word that hold cells.
    uint64_t LastWordMask() const {
        const int used = Columns() - (wordsPerRow_ - 1) * kWordBits;
        return used >= kWordBits ? ~uint64_t{0} : (uint64_t{1} << used) - 1;
    }

    // Live cells. Bits are counted per byte, and the byte counts of up to 31
    // words (at most 248 each) are added before they are summed, so no
    // population-count instruction is needed (the 32-bit build has none).
    std::size_t Population() const {
        constexpr uint64_t k1 = 0x5555555555555555u, k2 = 0x3333333333333333u, k4 = 0x0F0F0F0F0F0F0F0Fu;
        constexpr uint64_t k8 = 0x00FF00FF00FF00FFu, k16 = 0x0001000100010001u;
        std::size_t n = 0;
        for (std::size_t i = 0; i < words_.size();) {
            const std::size_t end = std::min(words_.size(), i + 31);
            uint64_t bytes = 0;
            for (; i < end; ++i) {
                uint64_t w = words_[i];
                w -= (w >> 1) & k1;
                w = (w & k2) + ((w >> 2) & k2);
                bytes += (w + (w >> 4)) & k4;
            }
            const uint64_t pairs = (bytes & k8) + ((bytes >> 8) & k8);
            n += static_cast<std::size_t>((pairs * k16) >> 48);
        }
        return n;
    }

    bool operator==(const CellGrid& o) const { return SameBounds(o) && words_ == o.words_; }

private:
    uint64_t Word(int x, int y) const { return RowWords(y)[x / kWordBits]; }
    uint64_t& Word(int x, int y) { return RowWords(y)[x / kWordBits]; }

    int maxCol_ = -1;
    int maxRow_ = -1;
    int wordsPerRow_ = 0;
    std::vector<uint64_t> words_;
};

enum class Edges { Island, Torus };

}  // namespace tovra
