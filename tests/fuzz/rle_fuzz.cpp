// Any text through the RLE reader. What it accepts lies inside the header's
// size, in reading order, and the writer's form of it reads back the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "tovra-life/Rle.h"

using namespace tovra;
using namespace tovra::life;

// Larger patterns are only read, not written back, to keep each run short.
constexpr long long kMaxWrittenCells = 1 << 16;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RleError error;
    const auto pattern = ParseRle(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!pattern) {
        FUZZ_CHECK(!error.message.empty() && error.line >= 0);
        return 0;
    }
    const auto& cells = pattern->liveCells;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto [x, y] = cells[i];
        FUZZ_CHECK(x >= 0 && x < pattern->width && y >= 0 && y < pattern->height);
        FUZZ_CHECK(i == 0 || y > cells[i - 1].second || (y == cells[i - 1].second && x > cells[i - 1].first));
    }
    const int w = pattern->width, h = pattern->height;
    if (w == 0 || h == 0 || static_cast<long long>(w) * h > kMaxWrittenCells) return 0;

    CellGrid grid(w - 1, h - 1);
    for (const auto& [x, y] : cells) grid.SetLive(x, y, true);
    const Edges edges = pattern->bounds ? pattern->bounds->edges : Edges::Island;
    const std::string written = WriteRle(grid, edges);
    for (std::size_t at = 0, eol; at < written.size(); at = eol + 1) {
        eol = written.find('\n', at);
        FUZZ_CHECK(eol != std::string::npos && (at == 0 || eol - at <= 70));
    }
    RleError again;
    const auto back = ParseRle(written, again);
    FUZZ_CHECK(back && back->width == w && back->height == h && back->liveCells == cells);
    FUZZ_CHECK(back->bounds && back->bounds->width == w && back->bounds->height == h && back->bounds->edges == edges);
    return 0;
}
