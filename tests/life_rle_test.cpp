// tovra-life: the RLE reader and writer, and the tool's runs and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#include "automaton/Random.h"
#include "tovra-life/LifeCli.h"
#include "automaton/Rle.h"

namespace tovra::life {
namespace {

using namespace std::string_view_literals;

// Reads `text`, three bytes at a time, into a grid of the header's size (or nothing, with `error` set).
std::optional<CellGrid> Read(std::string_view text, RleError& error, RleHeader& h) {
    RleReader reader([&text](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, text.size(), std::size_t{3}});
        return text.copy(buffer, n), text.remove_prefix(n), n;
    });
    if (!reader.ReadHeader(h, error)) return std::nullopt;
    CellGrid grid(h.width - 1, h.height - 1);
    return reader.ReadCells(grid, error) ? std::optional(grid) : std::nullopt;
}

TEST(RleRead, ErrorsNameTheProblemAndTheLine) {
    const struct { std::string_view text; int line; const char* words; } cases[] = {
        {"#C only comments\n", 0, "no header"},
        {"x = 3, y = 1, rule = B36/S23\n3o!", 1, "only B3/S23"},
        {"x = 3, y = 1, rule = B3/S23:K5,5\n3o!", 1, "unsupported grid"},
        {"x = 3, y = 1, rule = B3/S23:T0,5\n3o!", 1, "bad grid size"},
        {"x = 3, y = 1, rule = B3/S23:T100000,100000\n3o!", 1, "too large"},
        {"x = 3\n3o!", 1, "lacks x or y"},
        {"x = -3, y = 1\n3o!", 1, "bad x"},
        {"#C\nx = , y = 3\n3o!", 2, "bad x"},
        {"x\x01\xff 0000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000000\n!",
         1, "malformed header item 'x\\x01\\xff 00"},
        {"x = 3, y = 1, z = 2\n3o!", 1, "unknown header item 'z'"},
        {"x = 3, y = 1\n\n3o\n\0q!"sv, 4, "unexpected character '\\x00'"},
        {"x = 3, y = 1\nb3o!", 2, "beyond its header size"},
        {"x = 3, y = 1\n3o", 2, "not ended by '!'"},
        {"x = 3, y = 1\n0o!", 2, "run count of 0"},
        {"x = 3, y = 1\n3000000000o!", 2, "run count too large"},
        {"x = 3, y = 1\n0 o!", 2, "must be followed"},
    };
    for (const auto& c : cases) {
        RleError error;
        RleHeader h;
        EXPECT_FALSE(Read(c.text, error, h)) << c.text;
        EXPECT_TRUE(error.line == c.line && error.message.size() < 120 && error.message.find(c.words) != std::string::npos)
            << c.text << " -> " << error.line << ": " << error.message;
    }
}

// One line a palette: its name, background and live colours as #rrggbb.
TEST(LifeCli, ListsThePalettes) {
    std::ostringstream out, err;
    ASSERT_EQ(RunLifeCli({"--list-palettes"}, out, err, [] { return 1ULL; }), 0) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> listed;
    for (std::string line; std::getline(lines, line);) listed.push_back(line);
    ASSERT_GE(listed.size(), 10u);
    EXPECT_EQ(listed[0], "Classic\t#000000\t#e02828 #f0d428 #30c840 #3060e8 #a838d0");
    EXPECT_EQ(listed[2], "Paper\t#f4f1ea\t#1a1a1a #3a3a48 #5a5a6e");
    const std::regex form("[A-Z][a-z]+\t#[0-9a-f]{6}\t#[0-9a-f]{6}( #[0-9a-f]{6})+");
    for (const std::string& line : listed) EXPECT_TRUE(std::regex_match(line, form)) << line;
    EXPECT_EQ(err.str(), "");
}

TEST(LifeCli, RunsOrSaysWhyItCannot) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tovra-life-test-" + std::to_string(std::random_device{}()));
    fs::create_directory(dir);
    std::ofstream(dir / "b.rle") << "#C blinker\nx = 3, y = 2, rule = B3/S23\n$3o!\n";
    std::ofstream(dir / "t.rle") << "x = 3, y = 3, rule = b3/s23:t3,3\n3o!\n";
    std::ofstream(dir / "q.rle") << "x = 3, y = 1\n3q!\n";
    // "@": in the test's folder; `words`: on stderr; `written`: @o.rle afterwards.
    const struct { std::vector<std::string> args; int status; const char* out; std::string words; const char* written; } rows[] = {
        {{"--width", "5", "--height", "5", "--edges", "island", "--generations", "2", "--out", "@o.rle", "@b.rle"}, 0,
         "0: 3\n1: 3\n2: 3\n", "", "x = 5, y = 5, rule = B3/S23:P5,5\n$3o!\n"},
        // The size from the rule, the pattern as wide as the grid.
        {{"--generations", "1", "--out", "@o.rle", "@t.rle"}, 0, "0: 3\n1: 9\n", "", "x = 3, y = 3, rule = B3/S23:T3,3\n3o$3o$3o!\n"},
        {{"--width", "3", "--height", "1", "--edges", "island", "--generations", "1", "--soup", "100", "--out", "@o.rle"}, 0,
         "0: 3\n1: 1\n", "", "x = 3, y = 1, rule = B3/S23:P3,1\nbo!\n"},
        {{"--width", "4", "--height", "2", "--edges", "torus", "--generations", "1", "--soup", "0"}, 0, "0: 0\n1: 0\n", "", ""},
        {{"--width", "3", "--height", "1", "--edges", "island", "--generations", "1", "--soup", "100", "--out", "@no/o.rle"},
         1, "0: 3\n1: 1\n", "cannot write output file '", ""},
        {{"--generations", "1", std::string(300, 'p')}, 1, "", "cannot read pattern file '" + std::string(200, 'p') + "...'", ""},
        {{"--width", "5", "--height", "5", "--edges", "torus", "--generations", "3", "@q.rle"}, 2, "", "q.rle:2: malformed RLE: unexpected", ""},
        {{"--width", "2", "--height", "5", "--edges", "torus", "--generations", "3", "@b.rle"}, 2, "",
         "pattern of 3 x 2 does not fit the grid of 2 x 5", ""},
        {{"--generations", "3", "@b.rle"}, 2, "", "no grid size", ""},
        {{"--generations", "3", "--soup", "10", "--width", "5"}, 2, "", "--soup needs --width, --height and --edges", ""},
        {{"--generations", "3", "--soup", "10", "p.rle"}, 2, "", "give only one of", ""},
        {{"--generations", "3"}, 2, "", "missing pattern file", ""},
        {{"a.rle", "--width", "5"}, 2, "", "missing --generations", ""},
        {{"--generations", "3", "--seed", "1", "a.rle"}, 2, "", "--seed applies only to --soup", ""},
        {{"--generations", "3", "--seed", "-1", "--soup", "5"}, 2, "", "--seed needs a non-negative whole number, got '-1'", ""},
        {{"--generations", "3", "--soup", "-1"}, 2, "", "--soup needs a percentage from 0 to 100, got '-1'", ""},
        {{"--width", "12abc", "--generations", "3", "a.rle"}, 2, "", "--width needs a whole number, got '12abc'", ""},
        {{"--height", "0", "--generations", "3", "a.rle"}, 2, "", "--height must be at least 1, got 0", ""},
        {{"--generations", "-1", "a.rle"}, 2, "", "--generations must be at least 0, got -1", ""},
        {{"@b.rle", "--list-patterns"}, 2, "", "--list-patterns takes only a folder", ""},
        {{"--list-palettes", "--list-patterns"}, 2, "", "--list-palettes takes no other argument", ""},
        {{"--edges", "klein", "--generations", "3", "a.rle"}, 2, "", "--edges must be torus or island, got 'klein'", ""},
        {{"--width", "16385", "--height", "16384", "--edges", "torus", "--generations", "1", "--soup", "1"}, 2, "",
         "grid of 16385 x 16384 is too large (at most 268435456 cells)", ""},
        {{"--colour", "red"}, 2, "", "unknown option --colour", ""},
        {{}, 2, "", "usage: tovra-life", ""},
    };
    for (const auto& r : rows) {
        std::vector<std::string> args = r.args;
        for (std::string& a : args)
            if (a.starts_with('@')) a = (dir / a.substr(1)).string();
        fs::remove(dir / "o.rle");
        std::ostringstream out, err;
        EXPECT_EQ(RunLifeCli(args, out, err, [] { return 1ULL; }), r.status) << r.words;
        EXPECT_EQ(out.str(), r.out) << r.words;
        EXPECT_NE(err.str().find(r.words), std::string::npos) << err.str();
        EXPECT_EQ(err.str().empty(), r.words.empty()) << err.str();
        std::ifstream file(dir / "o.rle");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), r.written) << r.words;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3) << "no part file is left";
    fs::remove_all(dir);
    // The seed makes the soup: the same seed repeats it, another does not.
    const auto soup = [](const char* seed) {
        std::ostringstream out, err;
        RunLifeCli({"--width", "20", "--height", "20", "--edges", "torus", "--generations", "3", "--soup", "40", "--seed", seed},
                   out, err, [] { return 5ULL; });
        return err.str().empty() ? out.str() : "refused";
    };
    EXPECT_TRUE(soup("1") == soup("1") && soup("1") != soup("2"));
}

}  // namespace
}  // namespace tovra::life
