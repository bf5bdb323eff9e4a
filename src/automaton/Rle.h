#pragma once
// Patterns in the RLE format that Life programs exchange.

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "automaton/CellGrid.h"

namespace tovra {

// The largest grid the tool takes, in cells (16,384 x 16,384).
inline constexpr long long kMaxGridCells = 1LL << 28;

// The longest header line the reader takes.
inline constexpr std::size_t kMaxHeaderLine = 1000;

struct BoundedGrid {
    int width = 0;
    int height = 0;
    Edges edges = Edges::Torus;
};

// The longest name or description kept from a pattern's comment lines.
inline constexpr std::size_t kMaxCommentText = 200;

struct RleHeader {
    int width = 0;  // the pattern's size, from x = and y =
    int height = 0;
    std::optional<BoundedGrid> bounds;  // from a rule suffix :Tw,h or :Pw,h
    std::string name;         // the first #N line, cut to kMaxCommentText
    std::string description;  // the first #C line, likewise
};

struct RleError {
    int line = 0;  // 0 when the problem has no line of its own
    std::string message;
};

// Fills up to `size` bytes of `buffer` and returns how many; 0 at the end
// (and again if asked after it).
using RleSource = std::function<std::size_t(char* buffer, std::size_t size)>;

// Reads RLE a piece at a time: first the header, then the cells straight
// into a grid, so that reading holds no more than the grid and a buffer.
class RleReader {
public:
    explicit RleReader(RleSource source) : source_(std::move(source)) {}

    // Skips comments up to the header line and reads it.
    bool ReadHeader(RleHeader& header, RleError& error);
    // Sets the pattern's live cells in `grid`, its top-left at (0, 0). The
    // grid must be at least as large as the header says. Stops at `!`.
    bool ReadCells(CellGrid& grid, RleError& error);

private:
    int Next();  // the next byte, or -1 at the end
    bool Fail(RleError& error, int line, std::string message);

    RleSource source_;
    char buffer_[1 << 16];
    std::size_t at_ = 0, size_ = 0;
    int line_ = 1;
    RleHeader header_;
};

// Whether `rule` (without a :Tw,h or :Pw,h suffix) is B3/S23 in one of the
// spellings Life programs write: any letter case and blanks, with or without
// the slash, birth and survival in either order ("S23/B3"), the digits in any
// order ("B3/S32"), the survival/birth form "23/3", and the name "Life".
bool IsLifeRule(std::string_view rule);

// Writes the whole grid as RLE, header `x = W, y = H, rule = B3/S23:TW,H`
// (or :PW,H), lines of at most 70 characters, ended by `!`.
void WriteRle(const CellGrid& grid, Edges edges, std::ostream& out);

// `text` for an error message: control and non-ASCII bytes as \xNN, and cut
// to about `limit` characters.
std::string Quote(std::string_view text, std::size_t limit = 60);

}  // namespace tovra
