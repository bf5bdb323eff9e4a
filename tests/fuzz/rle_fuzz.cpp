// Any text through the RLE reader, whole and in pieces of a few bytes; a pattern
// it accepts, written by the RLE writer, reads back as the same grid and header.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tovra-life/Rle.h"

#define FUZZ_CHECK(c) do { if (!(c)) { std::fprintf(stderr, "check failed: %s\n", #c); std::abort(); } } while (0)

using namespace tovra;
using namespace tovra::life;

namespace {

struct Read { bool ok = false; RleHeader header; CellGrid grid; RleError error; };

Read ReadText(std::string_view text, std::size_t piece) {
    RleReader reader([&text, piece](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, text.size(), piece});
        return text.copy(buffer, n), text.remove_prefix(n), n;
    });
    Read r;
    // Larger patterns are read into a grid cut to 256 x 256: the reader must stay inside.
    if (reader.ReadHeader(r.header, r.error)) {
        r.grid.Redim(std::min(r.header.width, 256) - 1, std::min(r.header.height, 256) - 1);
        r.ok = reader.ReadCells(r.grid, r.error);
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Read first = ReadText(text, 1 + size % 13), whole = ReadText(text, size);
    FUZZ_CHECK(whole.ok == first.ok && whole.grid == first.grid && whole.error.message == first.error.message &&
               (first.ok || !first.error.message.empty()));
    const int w = first.header.width, h = first.header.height;
    if (!first.ok || w == 0 || h == 0 || w > 256 || h > 256) return 0;
    const Edges edges = first.header.bounds ? first.header.bounds->edges : Edges::Island;
    std::ostringstream out;
    WriteRle(first.grid, edges, out);
    const Read back = ReadText(out.str(), out.str().size());
    FUZZ_CHECK(back.ok && back.header.width == w && back.header.height == h && back.grid == first.grid &&
               back.header.bounds && back.header.bounds->edges == edges);
    return 0;
}
