// The pattern garden: every built-in pattern shows its fact on the engine; the
// readers against each other and the folder's skips; placing against a plain
// replay; the three seeding modes through what they draw.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "automaton/Automaton.h"
#include "automaton/Rle.h"

namespace tovra {
namespace {

namespace fs = std::filesystem;
using Cells = std::set<std::pair<int, int>>;

Cells LiveCells(const CellGrid& g, bool normalise = false) {
    Cells cells;
    int minX = g.Columns(), minY = g.Rows();
    for (int y = 0; y < g.Rows(); ++y)
        for (int x = 0; x < g.Columns(); ++x)
            if (g.IsLive(x, y)) cells.insert({x, y}), minX = std::min(minX, x), minY = std::min(minY, y);
    if (!normalise) return cells;
    Cells moved;
    for (auto [x, y] : cells) moved.insert({x - minX, y - minY});
    return moved;
}

// A pattern of the library in the middle of an Island wide enough that nothing reaches
// its edge (checked at every step), run one generation at a time.
struct LibraryRun {
    CellGrid grid, next;
    int generation = 0;
    LibraryRun(const PatternLibrary& library, const LibraryPattern& p, int margin)
        : grid(p.width + 2 * margin - 1, p.height + 2 * margin - 1), next(grid.MaxCol(), grid.MaxRow()) {
        for (std::size_t i = 0; i < p.cellCount; ++i) grid.Set(library.Cells(p)[i].x + margin, library.Cells(p)[i].y + margin, -1);
    }
    bool Step() {  // false when a cell comes within two cells of the edge
        ComputeNextGeneration(grid, Edges::Island, next), std::swap(grid, next), ++generation;
        bool clear = true;
        for (int y = 0; y < grid.Rows(); ++y) {
            for (int i = 0; i < grid.WordsPerRow() && (y < 2 || y > grid.MaxRow() - 2); ++i) clear &= grid.RowWords(y)[i] == 0;
            for (int x : {0, 1, grid.MaxCol() - 1, grid.MaxCol()}) clear &= !grid.IsLive(x, y);
        }
        return clear;
    }
};

bool Covers(const CellGrid& big, const CellGrid& small) {  // every live cell of `small` is live in `big`
    for (int y = 0; y < big.Rows(); ++y)
        for (int i = 0; i < big.WordsPerRow(); ++i)
            if (small.RowWords(y)[i] & ~big.RowWords(y)[i]) return false;
    return true;
}

// Fact lines: "spaceship period P moves DX DY", "oscillator period P", "gun period P",
// "methuselah lifetime L population N from C cells", "population N at generation G from C cells".
TEST(BuiltInLibrary, EveryPatternShowsItsFact) {
    PatternLibrary library;
    std::vector<PatternFileReport> reports;
    library.AddBuiltIn(&reports);
    ASSERT_GE(library.Size(), 40u);
    std::map<std::string, int> kinds;
    for (std::size_t i = 0; i < library.Size(); ++i) {
        const LibraryPattern& p = library[i];
        const std::string text = kBuiltInPatterns[i].text;
        EXPECT_EQ(reports[i].problem, "") << p.file;
        const auto line = [&](const std::string& start) {
            const std::size_t at = text.find("\n" + start) + 1;
            return at == 0 ? std::string() : text.substr(at + start.size(), text.find('\n', at) - at - start.size());
        };
        std::istringstream fact(line("#C fact: "));
        std::string kind, word;
        long a = 0, b = 0, c = 0;
        fact >> kind;
        ++kinds[kind];
        EXPECT_TRUE(text.starts_with("#N " + p.name + "\n#C ") && line("#C ").size() > 20) << p.file << ": name and description";
        if (kind == "spaceship" || kind == "oscillator") {
            fact >> word >> a >> word >> b >> c;  // the period, then the move
            LibraryRun run(library, p, static_cast<int>(a) + 2);
            const Cells start = LiveCells(run.grid), shape = LiveCells(run.grid, true);
            for (long g = 1; g < a; ++g) {
                run.Step();
                EXPECT_NE(LiveCells(run.grid, true), shape) << p.file << " repeats at " << g;
            }
            run.Step();
            Cells moved;
            for (auto [x, y] : start) moved.insert({x + static_cast<int>(b), y + static_cast<int>(c)});
            EXPECT_EQ(LiveCells(run.grid), moved) << p.file;
        } else if (kind == "gun") {
            fact >> word >> a;
            LibraryRun run(library, p, 3 * static_cast<int>(a) + 2);
            std::vector<CellGrid> periods = {run.grid};
            std::vector<std::size_t> population = {run.grid.Population()};
            while (run.generation < 3 * a) {
                run.Step();
                const bool whole = run.generation % a == 0;
                EXPECT_TRUE(whole || run.generation > a || !Covers(run.grid, periods[0])) << p.file << " at " << run.generation;
                if (whole) periods.push_back(run.grid), population.push_back(run.grid.Population());
            }
            for (int k = 1; k <= 3; ++k) EXPECT_TRUE(Covers(periods[k], periods[k - 1]) && population[k] > population[k - 1]) << p.file;
        } else {
            long cells = 0;
            if (kind == "methuselah") fact >> word >> a >> word >> b >> word >> cells;  // the lifetime, the final population
            else fact >> b >> word >> word >> a >> word >> cells, b = -b;  // a census: population -b at generation a
            EXPECT_EQ(p.cellCount, static_cast<std::size_t>(cells)) << p.file << ": cells at the start";
            LibraryRun run(library, p, static_cast<int>(kind == "methuselah" ? a / 4 + 60 : a / 2 + 20));
            std::vector<std::size_t> population = {run.grid.Population()};
            bool clear = true;
            while (run.generation < a + (b >= 0 ? 100 : 0)) clear &= run.Step(), population.push_back(run.grid.Population());
            EXPECT_TRUE(clear) << p.file << " reached the edge of its grid";
            EXPECT_EQ(population[a], static_cast<std::size_t>(std::abs(b))) << p.file;
            const bool settles = population[a - 1] != population[a] && std::count(population.begin() + a, population.end(), population[a]) == 101;
            EXPECT_TRUE(b < 0 || settles) << p.file << " settles later or earlier";
        }
    }
    for (const char* kind : {"spaceship", "oscillator", "gun", "methuselah", "population"}) EXPECT_GE(kinds[kind], 3) << kind;
}

}  // namespace
}  // namespace tovra
