// tovra-life: the RLE reader and writer, and the arguments it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "automaton/Random.h"
#include "tovra-life/LifeCli.h"
#include "tovra-life/Rle.h"

namespace tovra::life {
namespace {

using Cells = std::vector<std::pair<int, int>>;

// Reads `text`, handed over a few bytes at a time, into a grid of the
// header's size: its live cells (x, y), or nothing with `error` set.
std::optional<Cells> Read(std::string_view text, RleError& error, RleHeader* header = nullptr) {
    RleReader reader([&text](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, text.size(), std::size_t{3}});
        text.copy(buffer, n);
        text.remove_prefix(n);
        return n;
    });
    RleHeader h;
    if (!reader.ReadHeader(h, error)) return std::nullopt;
    CellGrid grid(h.width - 1, h.height - 1);
    if (!reader.ReadCells(grid, error)) return std::nullopt;
    Cells cells;
    for (int y = 0; y < h.height; ++y)
        for (int x = 0; x < h.width; ++x)
            if (grid.IsLive(x, y)) cells.emplace_back(x, y);
    if (header) *header = h;
    return cells;
}

TEST(RleRead, AcceptsTheUsualForms) {
    struct Case {
        const char* text;
        Cells cells;
    };
    const Case cases[] = {
        {"x = 3, y = 1, rule = B3/S23\n3o!", {{0, 0}, {1, 0}, {2, 0}}},
        {"#N glider\n#C a comment\nx = 3, y = 3, rule = b3/s23\nbo$2bo$3o!",
         {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
        {"x=3,y=3\r\nb o $ 2b\r\no$\n3o\n!", {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
        {"x = 1, y = 4, rule = B3/S23\no3$o!", {{0, 0}, {0, 3}}},
        {"x = 0, y = 0\n!", {}},
        {"x = 5, y = 1\n #C note\n2b2o!  trailing text is ignored", {{2, 0}, {3, 0}}},
    };
    for (const auto& c : cases) {
        RleError error;
        const auto cells = Read(c.text, error);
        ASSERT_TRUE(cells) << c.text << ": " << error.message;
        EXPECT_EQ(*cells, c.cells) << c.text;
    }
}

TEST(RleRead, BoundedGridSuffix) {
    RleError error;
    RleHeader torus, island;
    ASSERT_TRUE(Read("x = 3, y = 1, rule = B3/S23:t80,60\n3o!", error, &torus) && torus.bounds);
    EXPECT_EQ(torus.bounds->width, 80);
    EXPECT_EQ(torus.bounds->height, 60);
    EXPECT_EQ(torus.bounds->edges, Edges::Torus);
    for (const char* text : {"x = 3, y = 1, rule = B3/S23:P7,9\n3o!", "x = 3, y = 1, rule = B3/S23:p7,9\n3o!"}) {
        ASSERT_TRUE(Read(text, error, &island) && island.bounds) << text;
        EXPECT_EQ(island.bounds->edges, Edges::Island);
    }
}

TEST(RleRead, ErrorsNameTheProblemAndTheLine) {
    struct Case {
        const char* text;
        int line;
        const char* words;
    };
    const Case cases[] = {
        {"#C only comments\n", 0, "no header"},
        {"x = 3, y = 1, rule = B36/S23\n3o!", 1, "only B3/S23"},
        {"x = 3, y = 1, rule = B3/S23:K5,5\n3o!", 1, "unsupported grid"},
        {"x = 3, y = 1, rule = B3/S23:T0,5\n3o!", 1, "bad grid size"},
        {"x = 3\n3o!", 1, "lacks x or y"},
        {"x = -3, y = 1\n3o!", 1, "bad x"},
        {"#C\nx = , y = 3\n3o!", 2, "bad x"},
        {"x\x01\xff 0000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000000\n!",
         1, "'x\\x01\\xff 00"},
        {"x = 3, y = 1\n\n3o\n2q!", 4, "unexpected character 'q'"},
        {"x = 3, y = 1\n4o!", 2, "beyond its header size"},
        {"x = 3, y = 1\n3o", 2, "not ended by '!'"},
        {"x = 3, y = 1\n3o\n", 2, "not ended by '!'"},
        {"x = 3, y = 1, z = 2\n3o!", 1, "unknown header item 'z'"},
        {"x = 3, y = 1\n0o!", 2, "run count of 0"},
        {"x = 3, y = 1\n3000000000o!", 2, "run count too large"},
        {"x = 3, y = 1\n3 o!", 2, "must be followed"},
    };
    for (const auto& c : cases) {
        RleError error;
        EXPECT_FALSE(Read(c.text, error)) << c.text;
        EXPECT_LT(error.message.size(), 120u) << error.message;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.message.find(c.words), std::string::npos) << c.text << " -> " << error.message;
    }
}

TEST(RleWrite, RoundTripsAndKeepsLinesShort) {
    RuntimeRandom random(11);
    for (Edges edges : {Edges::Torus, Edges::Island}) {
        CellGrid grid(149, 39);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 150; ++x)
                if (y % 7 != 3 && random.Rnd() < 0.3f) grid.Set(x, y, CellGrid::kLive);
        std::ostringstream written;
        WriteRle(grid, edges, written);
        const std::string text = written.str();
        std::size_t start = text.find('\n') + 1;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            EXPECT_LE(end - start, 70u);
            start = end + 1;
        }
        RleError error;
        RleHeader header;
        const auto cells = Read(text, error, &header);
        ASSERT_TRUE(cells && header.bounds) << error.message;
        EXPECT_EQ(header.bounds->edges, edges);
        EXPECT_EQ(header.bounds->width, 150);
        EXPECT_EQ(header.bounds->height, 40);
        CellGrid back(149, 39);
        for (auto [x, y] : *cells) back.Set(x, y, CellGrid::kLive);
        EXPECT_EQ(back, grid);
    }
    const std::pair<Cells, const char*> rows[] = {
        {{}, "x = 3, y = 2, rule = B3/S23:T3,2\n!\n"},
        {{{0, 0}, {1, 1}, {2, 1}}, "x = 3, y = 2, rule = B3/S23:T3,2\no$b2o!\n"},
    };
    for (const auto& [cells, text] : rows) {
        CellGrid grid(2, 1);
        for (auto [x, y] : cells) grid.Set(x, y, CellGrid::kLive);
        std::ostringstream out;
        WriteRle(grid, Edges::Torus, out);
        EXPECT_EQ(out.str(), text);
    }
}

TEST(RleQuote, ControlAndNonAsciiBytesAsHexAndLongTextsCut) {
    EXPECT_EQ(Quote("a\x1f \x7f~\xff"), "a\\x1f \\x7f~\\xff");
    EXPECT_EQ(Quote(std::string(70, 'a')), std::string(60, 'a') + "...");
}

TEST(LifeCli, RefusesArgumentsThatDoNotMakeOneRun) {
    using Args = std::vector<std::string>;
    const std::pair<Args, const char*> rows[] = {
        {{"--generations", "3", "--width"}, "--width needs a value"},
        {{"--generations", "3", "--soup", "10", "p.rle"}, "not both"},
        {{"--generations", "3"}, "missing pattern file"},
        {{"--generations", "3", "a.rle", "b.rle"}, "more than one pattern file"},
        {{"--generations", "3", "--seed", "1", "a.rle"}, "--seed applies only to --soup"},
        {{"--generations", "3", "--seed", "-1", "--soup", "5"}, "--seed needs a non-negative"},
        {{"--generations", "3", "--soup", "-1"}, "from 0 to 100"},
        {{"--generations", "3", "--out", "", "a.rle"}, "--out needs a file name"},
        {{"--colour", "red"}, "unknown option --colour"},
        {{}, "usage: tovra-life"},
    };
    for (const auto& [args, words] : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(RunLifeCli(args, out, err, [] { return 1ULL; }), kExitBadInput) << words;
        EXPECT_NE(err.str().find(words), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "") << words;
    }
}

TEST(LifeCli, WritesTheLastGenerationOrSaysWhyItCannot) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tovra-life-test-" + std::to_string(std::random_device{}()));
    fs::create_directory(dir);
    for (const fs::path& target : {dir / "out.rle", dir / "missing" / "out.rle"}) {
        const bool writable = target.parent_path() == dir;
        std::ostringstream out, err;
        const std::vector<std::string> args = {"--width", "3", "--height", "1", "--edges", "island",
                                               "--generations", "1", "--soup", "100", "--out", target.string()};
        EXPECT_EQ(RunLifeCli(args, out, err, [] { return 1ULL; }), writable ? kExitOk : kExitFailure);
        EXPECT_EQ(out.str(), "0: 3\n1: 1\n");
        std::ifstream file(target);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, writable ? "x = 3, y = 1, rule = B3/S23:P3,1\nbo!\n" : "");
        EXPECT_EQ(err.str().find("cannot write output file"), writable ? std::string::npos : 12u) << err.str();
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no part file is left";
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tovra::life
