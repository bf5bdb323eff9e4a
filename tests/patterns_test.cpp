// The pattern garden: every built-in pattern shows its fact on the engine; the readers against
// each other and the folder's skips; placing against a plain replay; the seeding modes' drawing.
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
using CellList = std::vector<std::pair<int, int>>;

Cells LiveCells(const CellGrid& g, bool normalise = false) {
    Cells cells, moved;
    for (int y = 0; y < g.Rows(); ++y)
        for (int x = 0; x < g.Columns(); ++x)
            if (g.IsLive(x, y)) cells.insert({x, y});
    int minX = INT32_MAX, minY = INT32_MAX;
    for (auto [x, y] : cells) minX = std::min(minX, x), minY = std::min(minY, y);
    for (auto [x, y] : cells) moved.insert({x - minX, y - minY});
    return normalise ? moved : cells;
}

CellList Listed(const PatternLibrary& library, std::size_t i) {
    CellList cells;
    for (const PatternCell& c : library[i].cells) cells.emplace_back(c.x, c.y);
    return cells;
}

// A library pattern amid an Island `margin` cells wider each way, a generation at a time.
struct LibraryRun {
    CellGrid grid, next;
    int generation = 0;
    LibraryRun(const PatternLibrary& library, std::size_t i, long margin)
        : grid(library[i].width + 2 * int(margin) - 1, library[i].height + 2 * int(margin) - 1), next(grid.MaxCol(), grid.MaxRow()) {
        for (auto [x, y] : Listed(library, i)) grid.SetLive(x + int(margin), y + int(margin), true);
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

bool Covers(const CellGrid& big, const CellGrid& small) {
    for (int y = 0; y < big.Rows(); ++y)
        for (int i = 0; i < big.WordsPerRow(); ++i)
            if (small.RowWords(y)[i] & ~big.RowWords(y)[i]) return false;
    return true;
}

// "#C fact:" lines: "spaceship period P moves DX DY", "oscillator period P", "gun period P",
// "methuselah lifetime L population N from C cells", "population N at generation G from C cells".
TEST(BuiltInLibrary, EveryPatternShowsItsFact) {
    PatternLibrary library;
    std::vector<PatternFileReport> reports;
    library.AddBuiltIn(&reports);
    ASSERT_GE(library.Size(), 40u);
    std::map<std::string, int> kinds;
    for (std::size_t i = 0; i < library.Size(); ++i) {
        const std::string text = kBuiltInPatterns[i].text, file = library[i].file;
        const std::size_t description = text.find("\n#C ") + 4, fact = text.find("\n#C fact: ") + 10;
        EXPECT_TRUE(reports[i].problem.empty() && text.starts_with("#N " + library[i].name + "\n#C ") && fact - description > 20) << file;
        std::istringstream line(text.substr(fact, text.find('\n', fact) - fact));
        std::string kind, word;
        std::vector<long> n;  // the numbers, in order
        for (line >> kind; line >> word;)
            if (std::isdigit(static_cast<unsigned char>(word.back()))) n.push_back(std::stol(word));
        ++kinds[kind];
        if (kind == "spaceship" || kind == "oscillator") {
            n.resize(3);
            LibraryRun run(library, i, n[0] + 2);
            const Cells start = LiveCells(run.grid), shape = LiveCells(run.grid, true);
            for (long g = 1; g < n[0]; ++g) EXPECT_NE((run.Step(), LiveCells(run.grid, true)), shape) << file << " repeats at " << g;
            Cells moved;
            for (auto [x, y] : start) moved.insert({x + int(n[1]), y + int(n[2])});
            EXPECT_EQ((run.Step(), LiveCells(run.grid)), moved) << file;
        } else if (kind == "gun") {  // each period adds to the last and nothing sooner holds the start
            LibraryRun run(library, i, 3 * n[0] + 2);
            std::vector<CellGrid> periods = {run.grid};
            while (run.generation < 3 * n[0]) {
                run.Step();
                EXPECT_TRUE(run.generation >= n[0] || !Covers(run.grid, periods[0])) << file << " at " << run.generation;
                if (run.generation % n[0] == 0) periods.push_back(run.grid);
            }
            for (int k = 1; k <= 3; ++k) EXPECT_TRUE(Covers(periods[k], periods[k - 1]) && !(periods[k] == periods[k - 1])) << file;
        } else {  // the population at a generation from a number of cells, and a methuselah's settling there
            const bool settles = kind == "methuselah";
            const long at = n[!settles], population = n[settles];
            EXPECT_EQ(long(library[i].cells.size()), n[2]) << file;
            LibraryRun run(library, i, settles ? at / 4 + 60 : at / 2 + 20);
            std::vector<long> census = {long(run.grid.Population())};
            bool clear = true;
            while (run.generation < at + 100 * settles) clear &= run.Step(), census.push_back(long(run.grid.Population()));
            EXPECT_TRUE(clear && census[at] == population) << file;
            EXPECT_TRUE(!settles || (census[at - 1] != population && std::count(census.begin() + at, census.end(), population) == 101)) << file;
        }
    }
    for (const char* kind : {"spaceship", "oscillator", "gun", "methuselah", "population"}) EXPECT_GE(kinds[kind], 3) << kind;
}

// The box around the live cells and the name (#N or !Name:, else the file's); why a file is skipped.
TEST(PatternText, TakesLifeInItsUsualSpellingsAndSaysWhyItSkipsTheRest) {
    std::vector<std::pair<std::string, std::string>> rows;  // text (".cells" after a '|'), what the report says
    for (const char* rule : {"B3/S23", "b3s23", "S23/B3", "s23b3", "23/3", "B3/S32", "Life", " b 3 / s 2 3 ", "B3/S23:T10,10", "B33/S223"})
        rows.emplace_back(std::string("x = 3, y = 1, rule = ") + rule + "\n3o!", "3 x 1 a");
    for (const char* rule : {"B36/S23", "B3/S2", "B3/S234", "23/36", "3/23", "S23", "B3", "B3/S23/S", "B/S23", "HighLife", "B3/S2x3", "b3b3"})
        rows.emplace_back(std::string("x = 3, y = 1, rule = ") + rule + "\n3o!",
                          "malformed RLE: line 1: unsupported rule '" + std::string(rule) + "': only B3/S23 is accepted");
    rows.insert(rows.end(), {{"x=3,y=3, rule = B3/S23:P7,9\r\nb o $ 2b\r\no$\n #C note\n3o! text", "3 x 3 a"},
        {"x = 1, y = 3\no$o$o!", "1 x 3 a"}, {"x = 1001, y = 1\no!", "1001 x 1 is larger than 1000 x 1000"}, {"x = 3, y = 3\n!", "no live cells"},
        {"x = 3, y = 1\n3q!", "malformed RLE: line 2: unexpected character 'q'"}, {"|.O\nOx\n", "unexpected character 'x' on line 2"},
        {"|" + std::string(1000, '.') + "O", "more than 1000 cells wide"}, {"|" + std::string(1000, '\n') + "O", "more than 1000 cells high"},
        {"|!Name: nothing\n\n...\n", "no live cells"}, {"|" + std::string(999, '.') + "O" + std::string(998, '\n') + "O", "1000 x 999 a"},
        {"#C soup\n#N A  soup \n#O Someone\nx = 9, y = 5\n2$3b2o$2bo!", "3 x 2 A  soup"}, {"|!Name: ring\r\n\r\n..OO.\r\n.O..O\r\n..**\r\n", "4 x 3 ring"}});
    for (const auto& [text, says] : rows) {
        PatternLibrary library;
        const PatternFileReport r = text[0] == '|' ? library.AddText("a.cells", text.substr(1)) : library.AddText("a.rle", text);
        EXPECT_EQ(r.problem.empty() ? std::to_string(r.width) + " x " + std::to_string(r.height) + " " + r.name : r.problem, says) << text.substr(0, 40);
        EXPECT_EQ(library.Size(), r.problem.empty() ? 1u : 0u);
    }
}

struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("tovra-patterns-" + std::to_string(std::random_device{}()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
    void Write(const std::string& name, const std::string& text, std::size_t size = 0) {
        std::ofstream(path / name, std::ios::binary) << text;
        if (size) fs::resize_file(path / name, size);  // empty to the filesystem, zeros to the reader
    }
};

// In name order, each file taken or skipped with its reason; at most 10,000 files and 64 MiB.
TEST(PatternFolder, TakesItsPatternFilesInNameOrderWithinItsBounds) {
    TempFolder folder, many;
    const std::pair<const char*, std::string> files[] = {{"b.rle", "#N Glider\nx = 3, y = 3\nbo$2bo$3o!"}, {"A.CELLS", ".O\n..O\nOOO\n"},
        {"c.rle", "x = 3, y = 1, rule = B36/S23\n3o!"}, {"notes.txt", "x = 1, y = 1\no!"}, {"empty.cells", ""},
        {"big.rle", std::string(kMaxPatternFileBytes - 10, '#') + "\nx=1,y=1\no!"},  // one byte too many
        {"edge.rle", std::string(kMaxPatternFileBytes - 11, '#') + "\nx=1,y=1\no!"}};
    for (const auto& [name, text] : files) folder.Write(name, text);
    fs::create_directory(folder.path / "dir.rle");
    for (std::size_t i = 0; i <= kMaxFolderPatternFiles; ++i) many.Write(std::to_string(100000 + i) + ".rle", "x=1,y=1\no!");
    PatternLibrary library;
    std::vector<PatternFileReport> reports;
    std::string problem;
    ASSERT_TRUE(library.AddFolder(folder.path, &reports, problem) && library.AddFolder(many.path, &reports, problem));
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < 7; ++i) listed.push_back(reports[i].file + ": " + (reports[i].problem.empty() ? reports[i].name : reports[i].problem));
    EXPECT_EQ(listed, (std::vector<std::string>{"A.CELLS: A", "b.rle: Glider", "big.rle: larger than 1 MiB",
        "c.rle: malformed RLE: line 1: unsupported rule 'B36/S23': only B3/S23 is accepted", "dir.rle: not a regular file",
        "edge.rle: edge", "empty.cells: no live cells"}));
    ASSERT_EQ(reports.size(), 8 + kMaxFolderPatternFiles);
    EXPECT_EQ(library.Size(), 3 + kMaxFolderPatternFiles);
    EXPECT_TRUE(reports[6 + kMaxFolderPatternFiles].problem.empty());
    EXPECT_EQ(reports.back().problem, "more than 10000 pattern files in the folder");
    EXPECT_FALSE(library.AddFolder(folder.path / "missing", &reports, problem) || problem.empty());
    TempFolder large;  // 65 files of 1 MiB: the last one passes 64 MiB
    for (int i = 0; i <= 64; ++i) large.Write(std::to_string(100 + i) + ".rle", "", kMaxPatternFileBytes);
    reports.clear();
    ASSERT_TRUE(library.AddFolder(large.path, &reports, problem) && reports.size() == 65);
    EXPECT_EQ(reports[63].problem.substr(0, 48), "malformed RLE: line 1: header line longer than 1");
    EXPECT_EQ(reports[64].problem, "the folder's pattern files pass 64 MiB in all");
    PatternLibrary full;  // 8 million cells at most
    std::string square = "x = 1000, y = 1000\n";
    for (int y = 0; y < 1000; ++y) square += "1000o$";
    for (int i = 0; i < 8; ++i) EXPECT_EQ(full.AddText("square.rle", square + "!").problem, "");
    EXPECT_EQ(full.AddText("square.rle", square + "!").problem, "the library holds 8000000 cells already");
}

// The eight orientations as matrices, in the order Orient numbers them.
constexpr int kTurns[8][4] = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {1, 0, 0, -1}, {-1, 0, 0, -1},
                              {0, 1, 1, 0}, {0, -1, 1, 0}, {0, 1, -1, 0}, {0, -1, -1, 0}};

// A pattern's cells in an orientation, in the library's order, moved to the box's corner; its size.
CellList Oriented(const PatternLibrary& library, std::size_t i, int o, int& w, int& h) {
    CellList cells;
    int minX = INT32_MAX, minY = INT32_MAX;
    for (auto [x, y] : Listed(library, i)) {
        cells.emplace_back(kTurns[o][0] * x + kTurns[o][1] * y, kTurns[o][2] * x + kTurns[o][3] * y);
        minX = std::min(minX, cells.back().first), minY = std::min(minY, cells.back().second);
    }
    w = h = 0;
    for (auto& [x, y] : cells) x -= minX, y -= minY, w = std::max(w, x + 1), h = std::max(h, y + 1);
    return cells;
}

// Against a plain replay: each pattern lies in the orientation given where its box and margin held
// no live cell (within the grid on an Island, wrapped round it on a Torus); the new cells are reported
// in order; the reserve marks every box and margin; the same seed places the same way.
TEST(PatternGarden, PlacesWhereTheBoxAndMarginAreClearAsAPlainReplayShows) {
    PatternLibrary library;  // no two alike in any orientation; one larger than most grids
    for (const char* rle : {"b2o$2o$bo!", "5o!", "o$bo$2bo$3b2o!", "2o$o$3bo$b3o!", "3o$o!", "12o$o!", "30o$29bo28$o!"})
        library.AddText("p.rle", std::string("x = 30, y = 30\n") + rle);
    RuntimeRandom soup(9);
    std::set<int> orientations;
    for (auto [cols, rows] : {std::pair{60, 40}, {20, 15}, {9, 5}, {5, 1}, {3, 3}, {2, 7}, {128, 80}, {33, 200}, {400, 250}}) {
        for (Edges edges : {Edges::Island, Edges::Torus}) {
            for (float debris : {0.0f, 0.01f, 0.05f}) {
                CellGrid grid(cols - 1, rows - 1), reserve(cols - 1, rows - 1), marks = reserve;
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < cols; ++x) grid.SetLive(x, y, soup.Rnd() < debris);
                CellGrid replay = grid, again = grid;
                CellList drawn, expected;
                RuntimeRandom random(cols * 100 + rows), same(cols * 100 + rows);
                PatternGarden garden, twin;
                const auto placements = garden.Plant(library, grid, edges, random, [&](int x, int y) { drawn.emplace_back(x, y); }, &reserve);
                EXPECT_EQ(twin.Plant(library, again, edges, same, nullptr), placements);
                const bool torus = edges == Edges::Torus;
                for (const Placement& p : placements) {
                    int w = 0, h = 0;
                    const CellList cells = Oriented(library, p.pattern, p.orientation, w, h);
                    ASSERT_TRUE(w <= cols && h <= rows && p.x >= 0 && p.y >= 0 && (torus ? p.x < cols && p.y < rows : p.x + w <= cols && p.y + h <= rows));
                    for (int y = p.y - 3; y < p.y + h + 3; ++y)
                        for (int x = p.x - 3; x < p.x + w + 3; ++x)
                            if (torus || (x >= 0 && y >= 0 && x < cols && y < rows)) {
                                ASSERT_FALSE(replay.IsLive((x + cols) % cols, (y + rows) % rows)) << cols << "x" << rows << " at " << x << "," << y;
                                marks.SetLive((x + cols) % cols, (y + rows) % rows, true);
                            }
                    for (auto [x, y] : cells) replay.SetLive((p.x + x) % cols, (p.y + y) % rows, true), expected.emplace_back((p.x + x) % cols, (p.y + y) % rows);
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
            CellGrid grid(99, 74);  // 7,500 cells: two patterns a seeding (one and a half, rounded up)
            for (const Placement& p : garden.Plant(library, grid, Edges::Island, random, nullptr)) order.push_back(p.pattern);
        }
        int repeats = 0;  // within eight of the last placing
        for (std::size_t i = 1; i < order.size(); ++i) repeats += std::count(order.begin() + (i < 8 ? 0 : i - 8), order.begin() + i, order[i]) > 0;
        EXPECT_TRUE(order.size() == 120 && (repeats > 0) == (kinds <= 8)) << kinds;
        // Nine to choose from: after the first nine, the one not among the last eight.
        for (std::size_t i = 9; kinds == 9 && i < order.size(); ++i) EXPECT_EQ(order[i], order[i - 9]);
    }
    // Eight seedings of a small grid that only a dot fits, then a large one: its pick is any of the eight lines.
    PatternLibrary library;
    for (int n : {1, 20, 21, 22, 23, 24, 25, 26, 27}) library.AddText("line.rle", "x = " + std::to_string(n) + ", y = 1\n" + std::to_string(n) + "o!");
    std::set<std::size_t> picks;
    for (uint64_t seed = 1; seed <= 100; ++seed) {
        PatternGarden garden;
        RuntimeRandom random(seed);
        for (int i = 0; i < 8; ++i) { CellGrid small(9, 9); garden.Plant(library, small, Edges::Island, random, nullptr); }
        CellGrid large(99, 49);
        for (const Placement& p : garden.Plant(library, large, Edges::Island, random, nullptr)) picks.insert(p.pattern);
    }
    EXPECT_EQ(picks, (std::set<std::size_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

// Live cells at columns 64 and 65, the first of each row's second word: a dot's box and margin may
// end at column 63 and no further, also where they end one cell into that word.
TEST(PatternGarden, NoMarginReachesALiveCellJustInsideTheNextWord) {
    PatternLibrary library;
    library.AddText("dot.rle", "x = 1, y = 1\no!");
    PatternGarden garden;
    RuntimeRandom random(3);
    int rightmost = 0;
    for (int seeding = 0; seeding < 60; ++seeding) {
        CellGrid grid(65, 199);
        for (int y = 0; y < 200; ++y) grid.SetLive(64, y, true), grid.SetLive(65, y, true);
        for (const Placement& p : garden.Plant(library, grid, Edges::Island, random, nullptr)) rightmost = std::max(rightmost, p.x);
    }
    EXPECT_EQ(rightmost, 63 - kPatternMargin);
}

struct SeedRig : CellPainter, TimeOfDay {
    CellList live;  // drawn, in cells
    int picks = 0, seedings = 0;
    RuntimeRandom random{21};
    Automaton automaton{*this, random, *this};
    PatternLibrary library;
    SeedRig(int cols, int rows, SeedingMode mode, bool crowded = false) {
        library.AddBuiltIn();
        automaton.ResizeGrid(cols - 1, rows - 1), automaton.seeding = mode, automaton.patterns = &library;
        for (int y = 0; y < rows && crowded; y += 4)  // a live cell every fourth cell both ways: no margin fits
            for (int x = 0; x < cols; x += 4) automaton.grid.SetLive(x, y, true);
    }
    void DrawLiveCell(int x, int y) override { live.emplace_back(x / 10, y / 10); }
    void DrawDeadCell(int, int) override { ADD_FAILURE() << "a seeding draws no dead cell"; }
    void UseLiveSprite(int) override { ++picks; }
    float SecondsSinceMidnight() override { return ++seedings, 1.0f; }
    bool DrewEveryLiveCellRowByRow() const {  // as a random seeding does
        CellList cells;
        for (auto [x, y] : LiveCells(automaton.grid)) cells.emplace_back(y, x);
        std::sort(cells.begin(), cells.end());
        for (auto& [a, b] : cells) std::swap(a, b);
        return live == cells && seedings == 1;
    }
};

TEST(SeedingModes, PatternsDrawThePlacedCellsOrFallBackToRandomCells) {
    for (bool rainbow : {false, true}) {  // on an empty grid, only the placed cells, each after its pick
        SeedRig rig(200, 120, SeedingMode::Patterns);
        rig.automaton.rainbow = rainbow;
        rig.automaton.SeedGrid();
        std::size_t cells = 0;
        for (const Placement& p : rig.automaton.LastPlacements()) cells += rig.library[p.pattern].cells.size();
        EXPECT_TRUE(rig.automaton.LastPlacements().size() > 1 && rig.live.size() == cells && rig.automaton.grid.Population() == cells);
        EXPECT_EQ(std::pair(rig.picks, rig.seedings), std::pair(rainbow ? int(cells) : 0, 1));
    }
    for (auto [cols, rows] : {std::pair{200, 120}, {2, 2}}) {  // crowded or tiny: random cells instead
        SeedRig rig(cols, rows, SeedingMode::Patterns, true);
        const std::size_t before = rig.automaton.grid.Population();
        rig.automaton.SeedGrid();
        EXPECT_TRUE(rig.automaton.LastPlacements().empty() && rig.DrewEveryLiveCellRowByRow());
        EXPECT_GT(rig.automaton.grid.Population(), cols > 2 ? before + 2000 : before);
    }
}

TEST(SeedingModes, MixedKeepsTheRandomCellsOutOfThePatternsBoxesAndMargins) {
    SeedRig rig(300, 200, SeedingMode::Mixed);
    rig.automaton.SeedGrid();
    CellGrid patterns(299, 199), reserved(299, 199);
    for (const Placement& p : rig.automaton.LastPlacements()) {
        int w = 0, h = 0;
        for (auto [x, y] : Oriented(rig.library, p.pattern, p.orientation, w, h)) patterns.SetLive((p.x + x) % 300, (p.y + y) % 200, true);
        for (int y = p.y - 3; y < p.y + h + 3; ++y)
            for (int x = p.x - 3; x < p.x + w + 3; ++x) reserved.SetLive((x + 300) % 300, (y + 200) % 200, true);
    }
    std::size_t inside = 0, outside = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool live = rig.automaton.grid.IsLive(x, y);
            (reserved.IsLive(x, y) ? inside : outside) += reserved.IsLive(x, y) ? live != patterns.IsLive(x, y) : live;
        }
    EXPECT_TRUE(rig.automaton.LastPlacements().size() > 5 && inside == 0) << "a random cell in a pattern's box or margin";
    EXPECT_NEAR(double(outside) / double(60000 - reserved.Population()), 0.1, 0.01);
    EXPECT_TRUE(rig.DrewEveryLiveCellRowByRow());
}

}  // namespace
}  // namespace tovra
