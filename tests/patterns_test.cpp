// The pattern garden: every built-in pattern shows its fact on the engine; the
// readers against each other and the folder's skips; placing against a plain
// replay; the three seeding modes through what they draw.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
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

namespace tovra {
namespace {

std::vector<std::pair<int, int>> CellList(const PatternLibrary& library, std::size_t i) {
    std::vector<std::pair<int, int>> cells;
    for (std::size_t c = 0; c < library[i].cellCount; ++c) cells.emplace_back(library.Cells(library[i])[c].x, library.Cells(library[i])[c].y);
    return cells;
}

// RLE (as the writer writes it) and plain text of the same random patterns read as the same
// cells, moved to the corner of the box around them; the name from #N or !Name:, else the file's.
TEST(PatternText, RleAndPlainTextReadAlike) {
    RuntimeRandom random(3);
    for (int n = 0; n < 40; ++n) {
        const int w = 1 + n % 13, h = 1 + n * 7 % 11;
        CellGrid g(w + 2, h);  // blank columns and a blank row that the reader drops
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) g.SetLive(x + 1, y, random.Rnd() < 0.4f || (x == 0 && y == 0));
        std::ostringstream rle;
        WriteRle(g, Edges::Island, rle);
        std::string plain = n % 2 ? "!Name: soup " + std::to_string(n) + "\n" : "!a comment\n";
        for (int y = 0; y <= g.MaxRow(); ++y) {
            for (int x = 0; x <= g.MaxCol(); ++x) plain += g.IsLive(x, y) ? (n % 3 ? 'O' : '*') : '.';
            plain += n % 4 ? "\n" : "\r\n";
        }
        PatternLibrary library;
        const PatternFileReport a = library.AddText("p.rle", (n % 2 ? "#N soup " + std::to_string(n) + "\n" : "") + rle.str());
        const PatternFileReport b = library.AddText("p.CELLS", plain);
        const Cells box = LiveCells(g, true);
        int width = 0, height = 0;
        for (auto [x, y] : box) width = std::max(width, x + 1), height = std::max(height, y + 1);
        ASSERT_TRUE(a.problem.empty() && b.problem.empty() && library.Size() == 2) << a.problem << b.problem;
        EXPECT_EQ(std::tie(a.name, a.width, a.height), std::tie(b.name, b.width, b.height));
        EXPECT_EQ(std::tuple(a.name, a.width, a.height), std::tuple(n % 2 ? "soup " + std::to_string(n) : "p", width, height));
        const auto cells = CellList(library, 0);
        EXPECT_EQ(cells, CellList(library, 1));
        EXPECT_EQ(Cells(cells.begin(), cells.end()), box);
    }
}

TEST(PatternText, TakesLifeInItsUsualSpellingsAndSaysWhyItSkipsTheRest) {
    for (const char* rule : {"B3/S23", "b3s23", "S23/B3", "s23b3", "23/3", "B3/S32", "Life", " b 3 / s 2 3 ", "B3/S23:T10,10", "B33/S223"}) {
        PatternLibrary library;
        EXPECT_EQ(library.AddText("a.rle", std::string("x = 3, y = 1, rule = ") + rule + "\n3o!").problem, "") << rule;
    }
    for (const char* rule : {"B36/S23", "B3/S2", "B3/S234", "23/36", "3/23", "S23", "B3", "B3/S23/S", "B/S23", "HighLife", "B3/S2x3", "b3b3"}) {
        PatternLibrary library;
        EXPECT_EQ(library.AddText("a.rle", std::string("x = 3, y = 1, rule = ") + rule + "\n3o!").problem,
                  "malformed RLE: line 1: unsupported rule '" + std::string(rule) + "': only B3/S23 is accepted") << rule;
    }
    const std::pair<std::string, std::string> rows[] = {  // file: text, what the report says
        {"a.rle", "x = 1001, y = 1\no!"}, {"1001 x 1 is larger than 1000 x 1000", ""},
        {"a.rle", "x = 3, y = 3\n!"}, {"no live cells", ""},
        {"a.rle", "x = 3, y = 1\n3q!"}, {"malformed RLE: line 2: unexpected character 'q'", ""},
        {"a.cells", ".O\nOx\n"}, {"unexpected character 'x' on line 2", ""},
        {"a.cells", std::string(1000, '.') + "O"}, {"more than 1000 cells wide", ""},
        {"a.cells", std::string(1000, '\n') + "O"}, {"more than 1000 cells high", ""},
        {"a.cells", "!Name: nothing\n\n...\n"}, {"no live cells", ""},
        {"a.cells", std::string(999, '.') + "O" + std::string(998, '\n') + "O"}, {"", "1000 x 999"},
    };
    for (std::size_t i = 0; i + 1 < std::size(rows); i += 2) {
        PatternLibrary library;
        const PatternFileReport r = library.AddText(rows[i].first, rows[i].second);
        EXPECT_EQ(r.problem, rows[i + 1].first) << rows[i].second.substr(0, 30);
        EXPECT_EQ(r.problem.empty() ? std::to_string(r.width) + " x " + std::to_string(r.height) : "", rows[i + 1].second);
        EXPECT_EQ(library.Size(), r.problem.empty() ? 1u : 0u);
    }
}

struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("tovra-patterns-" + std::to_string(std::random_device{}()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
    void Write(const std::string& name, const std::string& text) { std::ofstream(path / name, std::ios::binary) << text; }
};

std::vector<std::string> Listing(const std::vector<PatternFileReport>& reports) {
    std::vector<std::string> lines;
    for (const auto& r : reports) lines.push_back(r.file + ": " + (r.problem.empty() ? r.name : r.problem));
    return lines;
}

TEST(PatternFolder, TakesItsPatternFilesInNameOrderAndSaysWhyItSkipsTheRest) {
    TempFolder folder;
    folder.Write("b.rle", "#N Glider\nx = 3, y = 3\nbo$2bo$3o!");
    folder.Write("A.CELLS", ".O\n..O\nOOO\n");
    folder.Write("c.rle", "x = 3, y = 1, rule = B36/S23\n3o!");
    folder.Write("big.rle", std::string(kMaxPatternFileBytes - 10, '#') + "\nx=1,y=1\no!");  // one byte too many
    folder.Write("edge.rle", std::string(kMaxPatternFileBytes - 11, '#') + "\nx=1,y=1\no!");
    folder.Write("notes.txt", "x = 1, y = 1\no!");
    folder.Write("empty.cells", "");
    fs::create_directory(folder.path / "dir.rle");
    PatternLibrary library;
    std::vector<PatternFileReport> reports;
    std::string problem;
    ASSERT_TRUE(library.AddFolder(folder.path, &reports, problem));
    EXPECT_EQ(Listing(reports), (std::vector<std::string>{"A.CELLS: A", "b.rle: Glider", "big.rle: larger than 1 MiB",
        "c.rle: malformed RLE: line 1: unsupported rule 'B36/S23': only B3/S23 is accepted", "dir.rle: not a regular file",
        "edge.rle: edge", "empty.cells: no live cells"}));
    EXPECT_EQ(library.Size(), 3u);
    EXPECT_FALSE(library.AddFolder(folder.path / "missing", &reports, problem));
    EXPECT_FALSE(problem.empty());
}

TEST(PatternFolder, TakesAtMostTenThousandFilesAnd64MiB) {
    TempFolder many, large;
    for (std::size_t i = 0; i <= kMaxFolderPatternFiles; ++i) many.Write(std::to_string(100000 + i) + ".rle", "x=1,y=1\no!");
    for (int i = 0; i <= 64; ++i) {  // empty to the filesystem, all zeros to the reader
        large.Write(std::to_string(100 + i) + ".rle", "");
        fs::resize_file(large.path / (std::to_string(100 + i) + ".rle"), kMaxPatternFileBytes);
    }
    PatternLibrary library;
    std::vector<PatternFileReport> reports;
    std::string problem;
    ASSERT_TRUE(library.AddFolder(many.path, &reports, problem) && library.AddFolder(large.path, &reports, problem));
    EXPECT_EQ(library.Size(), kMaxFolderPatternFiles);
    ASSERT_EQ(reports.size(), kMaxFolderPatternFiles + 66);
    EXPECT_EQ(reports[kMaxFolderPatternFiles].problem, "more than 10000 pattern files in the folder");
    EXPECT_EQ(reports[kMaxFolderPatternFiles + 64].problem, "malformed RLE: line 1: header line longer than 1000 characters: '\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00...'");
    EXPECT_EQ(reports.back().problem, "the folder's pattern files pass 64 MiB in all");
}

}  // namespace
}  // namespace tovra

namespace tovra {
namespace {

// The eight orientations as matrices, in the order Orient numbers them.
constexpr int kTurns[8][4] = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {1, 0, 0, -1}, {-1, 0, 0, -1},
                              {0, 1, 1, 0}, {0, -1, 1, 0}, {0, 1, -1, 0}, {0, -1, -1, 0}};

// A pattern's cells in an orientation, in the library's order, moved to the box's corner.
std::vector<std::pair<int, int>> Oriented(const PatternLibrary& library, std::size_t i, int o) {
    std::vector<std::pair<int, int>> cells;
    int minX = INT32_MAX, minY = INT32_MAX;
    for (auto [x, y] : CellList(library, i)) {
        cells.emplace_back(kTurns[o][0] * x + kTurns[o][1] * y, kTurns[o][2] * x + kTurns[o][3] * y);
        minX = std::min(minX, cells.back().first), minY = std::min(minY, cells.back().second);
    }
    for (auto& [x, y] : cells) x -= minX, y -= minY;
    return cells;
}

PatternLibrary SmallLibrary() {  // no two alike in any orientation; one larger than most grids
    PatternLibrary library;
    for (const char* rle : {"b2o$2o$bo!", "5o!", "o$bo$2bo$3b2o!", "2o$o$3bo$b3o!", "3o$o!", "12o$o!", "30o$29bo28$o!"})
        library.AddText("p.rle", std::string("x = 30, y = 30\n") + rle);
    return library;
}

// Against a plain replay: each pattern lies in the orientation given, where its box and margin held
// no live cell (within the grid on an Island, wrapped round it on a Torus); the new cells are reported
// in order; the reserve marks every box and margin; the same seed places the same way.
TEST(PatternGarden, PlacesWhereTheBoxAndMarginAreClearAsAPlainReplayShows) {
    const PatternLibrary library = SmallLibrary();
    RuntimeRandom soup(9);
    std::set<int> orientations;
    for (auto [cols, rows] : {std::pair{60, 40}, {20, 15}, {9, 5}, {3, 3}, {2, 7}, {128, 80}, {33, 200}, {400, 250}}) {
        for (Edges edges : {Edges::Island, Edges::Torus}) {
            for (float debris : {0.0f, 0.01f, 0.05f}) {
                CellGrid grid(cols - 1, rows - 1), reserve(cols - 1, rows - 1), marks = reserve;
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < cols; ++x) grid.SetLive(x, y, soup.Rnd() < debris);
                CellGrid replay = grid, again = grid;
                std::vector<std::pair<int, int>> drawn, expected;
                RuntimeRandom random(cols * 100 + rows), same(cols * 100 + rows);
                PatternGarden garden, twin;
                const auto placements = garden.Plant(library, grid, edges, random, [&](int x, int y) { drawn.emplace_back(x, y); }, &reserve);
                EXPECT_EQ(twin.Plant(library, again, edges, same, nullptr), placements);
                const auto wrapX = [&](int x) { return (x % cols + cols) % cols; };
                const auto wrapY = [&](int y) { return (y % rows + rows) % rows; };
                for (const Placement& p : placements) {
                    const auto cells = Oriented(library, p.pattern, p.orientation);
                    int w = 0, h = 0;
                    for (auto [x, y] : cells) w = std::max(w, x + 1), h = std::max(h, y + 1);
                    const bool torus = edges == Edges::Torus;
                    ASSERT_TRUE(w <= cols && h <= rows && p.x >= 0 && p.y >= 0 && (torus ? p.x < cols && p.y < rows : p.x + w <= cols && p.y + h <= rows));
                    for (int y = p.y - 3; y < p.y + h + 3; ++y)
                        for (int x = p.x - 3; x < p.x + w + 3; ++x) {
                            if (!torus && (x < 0 || y < 0 || x >= cols || y >= rows)) continue;
                            ASSERT_FALSE(replay.IsLive(wrapX(x), wrapY(y))) << cols << "x" << rows << " at " << x << "," << y;
                            marks.SetLive(wrapX(x), wrapY(y), true);
                        }
                    for (auto [x, y] : cells) replay.SetLive(wrapX(p.x + x), wrapY(p.y + y), true), expected.emplace_back(wrapX(p.x + x), wrapY(p.y + y));
                    orientations.insert(p.orientation);
                }
                EXPECT_TRUE(grid == replay && drawn == expected && reserve == marks) << cols << "x" << rows;
                EXPECT_LE(placements.size(), std::max<std::size_t>(1, (grid.CellCount() + 2500) / 5000));
                EXPECT_TRUE(debris > 0 || cols < 3 || !placements.empty()) << cols << "x" << rows;
            }
        }
    }
    EXPECT_EQ(orientations.size(), 8u);
}

TEST(PatternGarden, NeverOneOfTheLastEightPlacedWhereMoreAreLeft) {
    for (int kinds : {3, 8, 9, 12}) {
        PatternLibrary library;
        for (int n = 1; n <= kinds; ++n) library.AddText("line.rle", "x = 12, y = 1\n" + std::to_string(n) + "o!");
        PatternGarden garden;
        RuntimeRandom random(static_cast<uint64_t>(kinds));
        std::vector<std::size_t> order;
        for (int seeding = 0; seeding < 60; ++seeding) {
            CellGrid grid(69, 69);  // 4,900 cells: one pattern a seeding
            for (const Placement& p : garden.Plant(library, grid, Edges::Island, random, nullptr)) order.push_back(p.pattern);
        }
        ASSERT_EQ(order.size(), 60u);
        int repeats = 0;  // within eight of the last placing
        for (std::size_t i = 1; i < order.size(); ++i) repeats += std::count(order.begin() + (i < 8 ? 0 : i - 8), order.begin() + i, order[i]) > 0;
        EXPECT_EQ(repeats > 0, kinds <= 8) << kinds;
        // Nine to choose from: after the first nine, the one not among the last eight.
        for (std::size_t i = 9; kinds == 9 && i < order.size(); ++i) EXPECT_EQ(order[i], order[i - 9]);
    }
}

struct SeedRig : CellPainter, TimeOfDay {
    std::vector<std::pair<int, int>> live;  // drawn, in cells
    int picks = 0, seedings = 0;
    RuntimeRandom random{21};
    Automaton automaton{*this, random, *this};
    PatternLibrary library;
    SeedRig(int cols, int rows, SeedingMode mode) {
        library.AddBuiltIn();
        automaton.RedimGrid(cols - 1, rows - 1), automaton.seeding = mode, automaton.patterns = &library;
    }
    void DrawLiveCell(int x, int y) override { live.emplace_back(x / 10, y / 10); }
    void DrawDeadCell(int, int) override { ADD_FAILURE() << "a seeding draws no dead cell"; }
    void UseLiveSprite(int) override { ++picks; }
    float SecondsSinceMidnight() override { return ++seedings, 1.0f; }
    // The grid's live cells, row by row: what a random seeding draws.
    std::vector<std::pair<int, int>> RowMajor() const {
        std::vector<std::pair<int, int>> cells;
        for (auto [x, y] : LiveCells(automaton.blnGrid)) cells.emplace_back(x, y);
        std::sort(cells.begin(), cells.end(), [](auto a, auto b) { return std::pair(a.second, a.first) < std::pair(b.second, b.first); });
        return cells;
    }
};

TEST(SeedingModes, PatternsDrawThePlacedCellsOrFallBackToRandomCells) {
    for (bool rainbow : {false, true}) {
        // An empty grid: only the placed cells are drawn, each after a colour pick in Rainbow mode.
        SeedRig rig(200, 120, SeedingMode::Patterns);
        rig.automaton.blnRainbow = rainbow;
        rig.automaton.SeedGrid();
        const auto& placements = rig.automaton.LastPlacements();
        std::size_t cells = 0;
        for (const Placement& p : placements) cells += rig.library[p.pattern].cellCount;
        EXPECT_TRUE(placements.size() > 1 && rig.live.size() == cells && rig.automaton.blnGrid.Population() == cells);
        EXPECT_EQ(std::pair(rig.picks, rig.seedings), std::pair(rainbow ? static_cast<int>(cells) : 0, 1));
        // Crowded (a live cell every fourth cell both ways) and tiny: random cells instead, every live cell drawn.
        for (auto [cols, rows] : {std::pair{200, 120}, {2, 2}}) {
            SeedRig full(cols, rows, SeedingMode::Patterns);
            for (int y = 0; y < rows; y += 4)
                for (int x = 0; x < cols; x += 4) full.automaton.blnGrid.SetLive(x, y, true);
            const std::size_t before = full.automaton.blnGrid.Population();
            full.automaton.SeedGrid();
            EXPECT_TRUE(full.automaton.LastPlacements().empty() && full.live == full.RowMajor());
            EXPECT_GT(full.automaton.blnGrid.Population(), cols > 2 ? before + 2000 : before);
        }
    }
}

TEST(SeedingModes, MixedKeepsTheRandomCellsOutOfThePatternsBoxesAndMargins) {
    SeedRig rig(300, 200, SeedingMode::Mixed);
    rig.automaton.SeedGrid();
    CellGrid patterns(299, 199), reserved(299, 199);
    for (const Placement& p : rig.automaton.LastPlacements()) {
        const auto cells = Oriented(rig.library, p.pattern, p.orientation);
        int w = 0, h = 0;
        for (auto [x, y] : cells) w = std::max(w, x + 1), h = std::max(h, y + 1), patterns.SetLive((p.x + x) % 300, (p.y + y) % 200, true);
        for (int y = p.y - 3; y < p.y + h + 3; ++y)
            for (int x = p.x - 3; x < p.x + w + 3; ++x) reserved.SetLive((x + 300) % 300, (y + 200) % 200, true);
    }
    std::size_t inside = 0, outside = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool live = rig.automaton.blnGrid.IsLive(x, y);
            if (reserved.IsLive(x, y)) inside += live != patterns.IsLive(x, y);
            else outside += live;
        }
    EXPECT_GT(rig.automaton.LastPlacements().size(), 5u);
    EXPECT_EQ(inside, 0u) << "a random cell in a pattern's box or margin";
    EXPECT_NEAR(static_cast<double>(outside) / (60000 - reserved.Population()), 0.1, 0.01);
    EXPECT_TRUE(rig.live == rig.RowMajor() && rig.seedings == 1) << "every live cell drawn once, row by row";
}

}  // namespace
}  // namespace tovra
