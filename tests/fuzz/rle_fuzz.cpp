// Any text through the RLE reader, whole and in pieces of a few bytes; a pattern
// it accepts, written by the RLE writer, reads back as the same grid and header.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "automaton/Rle.h"

#define FUZZ_CHECK(c) do { if (!(c)) { std::fprintf(stderr, "check failed: %s\n", #c); std::abort(); } } while (0)

using namespace tovra;

// Reads `text` in pieces of `piece` bytes; larger patterns are read into a grid
// cut to 256 x 256, which the reader must not leave. Returns the error message.
static std::string Read(std::string_view text, std::size_t piece, RleHeader& header, CellGrid& grid) {
    RleReader reader([&text, piece](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, text.size(), piece});
        return text.copy(buffer, n), text.remove_prefix(n), n;
    });
    RleError error;
    if (reader.ReadHeader(header, error)) grid.Resize(std::min(header.width, 256) - 1, std::min(header.height, 256) - 1);
    if (error.message.empty() && !reader.ReadCells(grid, error)) FUZZ_CHECK(!error.message.empty());
    return error.message;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RleHeader header, again, back;
    CellGrid grid, whole, read;
    const std::string error = Read(text, 1 + size % 13, header, grid);
    FUZZ_CHECK(Read(text, size, again, whole) == error && whole == grid);
    const int w = header.width, h = header.height;
    if (!error.empty() || w == 0 || h == 0 || w > 256 || h > 256) return 0;
    const Edges edges = header.bounds ? header.bounds->edges : Edges::Island;
    std::ostringstream out;
    WriteRle(grid, edges, out);
    FUZZ_CHECK(Read(out.str(), out.str().size(), back, read).empty() && read == grid && back.width == w && back.height == h &&
               back.bounds && back.bounds->edges == edges);
    return 0;
}
