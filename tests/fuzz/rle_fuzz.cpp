// Any text through the RLE reader, handed over in pieces of a few bytes. A
// pattern it accepts, written by the RLE writer, reads back as the same grid
// with the same header, whatever the pieces.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "tovra-life/Rle.h"

using namespace tovra;
using namespace tovra::life;

namespace {

// Grids are made at most this wide and high, to keep each run short; larger
// patterns are read into a grid cut to it (the reader must stay inside).
constexpr int kMaxSide = 256;

struct Read {
    bool ok = false;
    RleHeader header;
    CellGrid grid;
    RleError error;
};

Read ReadText(std::string_view text, std::size_t piece) {
    RleReader reader([&text, piece](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, text.size(), piece});
        text.copy(buffer, n);
        text.remove_prefix(n);
        return n;
    });
    Read r;
    if (!reader.ReadHeader(r.header, r.error)) return r;
    FUZZ_CHECK(r.header.width >= 0 && r.header.height >= 0 &&
               static_cast<long long>(r.header.width) * r.header.height <= kMaxGridCells);
    FUZZ_CHECK(!r.header.bounds || (r.header.bounds->width > 0 && r.header.bounds->height > 0));
    r.grid.Redim(std::min(r.header.width, kMaxSide) - 1, std::min(r.header.height, kMaxSide) - 1);
    r.ok = reader.ReadCells(r.grid, r.error);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Read first = ReadText(text, 1 + size % 13);
    const Read whole = ReadText(text, size);
    FUZZ_CHECK(whole.ok == first.ok && whole.grid == first.grid && whole.error.line == first.error.line &&
               whole.error.message == first.error.message);
    if (!first.ok) {
        FUZZ_CHECK(!first.error.message.empty() && first.error.line >= 0);
        return 0;
    }
    const int w = first.header.width, h = first.header.height;
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return 0;

    const Edges edges = first.header.bounds ? first.header.bounds->edges : Edges::Island;
    std::ostringstream out;
    WriteRle(first.grid, edges, out);
    const std::string written = out.str();
    for (std::size_t at = written.find('\n') + 1, eol; at < written.size(); at = eol + 1) {
        eol = written.find('\n', at);
        FUZZ_CHECK(eol != std::string::npos && eol - at <= 70);
    }
    const Read back = ReadText(written, written.size());
    FUZZ_CHECK(back.ok && back.header.width == w && back.header.height == h && back.grid == first.grid);
    FUZZ_CHECK(back.header.bounds && back.header.bounds->width == w && back.header.bounds->height == h &&
               back.header.bounds->edges == edges);
    return 0;
}
