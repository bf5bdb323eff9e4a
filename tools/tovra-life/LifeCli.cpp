#include "tovra-life/LifeCli.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "automaton/Generation.h"
#include "automaton/Random.h"
#include "tovra-life/Rle.h"

namespace tovra::life {

namespace {

const char kUsage[] =
    "usage: tovra-life [--width W --height H --edges torus|island] --generations N [--out FILE] PATTERN.rle\n"
    "       tovra-life --width W --height H --edges torus|island --generations N [--out FILE] --soup PERCENT "
    "[--seed S]\n";

struct Options {
    std::optional<int> width, height, generations, soup;
    std::optional<Edges> edges;
    std::optional<unsigned long long> seed;
    std::string out;
    std::string pattern;
};

template <typename T>
bool ParseNumber(const std::string& text, T& value) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Positive counts: sizes and the number of generations.
bool ParsePositive(const std::string& flag, const std::string& text, std::optional<int>& slot, std::string& problem) {
    int v = 0;
    if (!ParseNumber(text, v)) {
        problem = flag + " needs a whole number, got '" + text + "'";
        return false;
    }
    if (v <= 0) {
        problem = flag + " must be at least 1, got " + text;
        return false;
    }
    slot = v;
    return true;
}

bool ParseArgs(const std::vector<std::string>& args, Options& o, std::string& problem) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.rfind("--", 0) == 0) {
            if (i + 1 >= args.size()) {
                problem = a + " needs a value";
                return false;
            }
            const std::string& v = args[++i];
            if (a == "--width") {
                if (!ParsePositive(a, v, o.width, problem)) return false;
            } else if (a == "--height") {
                if (!ParsePositive(a, v, o.height, problem)) return false;
            } else if (a == "--generations") {
                if (!ParsePositive(a, v, o.generations, problem)) return false;
            } else if (a == "--edges") {
                if (v == "torus") o.edges = Edges::Torus;
                else if (v == "island") o.edges = Edges::Island;
                else {
                    problem = "--edges must be torus or island, got '" + v + "'";
                    return false;
                }
            } else if (a == "--soup") {
                int p = 0;
                if (!ParseNumber(v, p) || p < 0 || p > 100) {
                    problem = "--soup needs a percentage from 0 to 100, got '" + v + "'";
                    return false;
                }
                o.soup = p;
            } else if (a == "--seed") {
                unsigned long long s = 0;
                if (!ParseNumber(v, s)) {
                    problem = "--seed needs a non-negative whole number, got '" + v + "'";
                    return false;
                }
                o.seed = s;
            } else if (a == "--out") {
                if (v.empty()) {
                    problem = "--out needs a file name";
                    return false;
                }
                o.out = v;
            } else {
                problem = "unknown option " + a;
                return false;
            }
        } else {
            if (!o.pattern.empty()) {
                problem = "more than one pattern file given: '" + o.pattern + "' and '" + a + "'";
                return false;
            }
            o.pattern = a;
        }
    }
    if (!o.generations) {
        problem = "missing --generations N";
        return false;
    }
    if (o.soup && !o.pattern.empty()) {
        problem = "give either a pattern file or --soup, not both";
        return false;
    }
    if (!o.soup && o.pattern.empty()) {
        problem = "missing pattern file (or --soup PERCENT)";
        return false;
    }
    if (!o.soup && o.seed) {
        problem = "--seed applies only to --soup";
        return false;
    }
    return true;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return false;
    text = s.str();
    return true;
}

}  // namespace

int RunLifeCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               unsigned long long (*seedFromClock)()) {
    Options o;
    std::string problem;
    auto bad = [&](const std::string& message) {
        err << "tovra-life: " << message << "\n";
        return kExitBadInput;
    };
    if (args.empty()) {
        err << kUsage;
        return kExitBadInput;
    }
    if (!ParseArgs(args, o, problem)) return bad(problem);

    if (o.width && o.height && static_cast<long long>(*o.width) * *o.height > kMaxGridCells)
        return bad("grid of " + std::to_string(*o.width) + " x " + std::to_string(*o.height) +
                   " is too large (at most " + std::to_string(kMaxGridCells) + " cells)");

    CellGrid grid;
    Edges edges = Edges::Torus;
    if (o.soup) {
        if (!o.width || !o.height || !o.edges) return bad("--soup needs --width, --height and --edges");
        grid.Redim(*o.width - 1, *o.height - 1);
        edges = *o.edges;
        RuntimeRandom random(o.seed ? *o.seed : seedFromClock());
        const float chance = static_cast<float>(*o.soup) / 100.0f;
        for (int y = 0; y < *o.height; ++y)
            for (int x = 0; x < *o.width; ++x)
                if (random.Rnd() < chance) grid.Set(x, y, CellGrid::kLive);
    } else {
        std::string text;
        if (!ReadFile(o.pattern, text)) return bad("cannot read pattern file '" + o.pattern + "'");
        RleError rleError;
        const auto pattern = ParseRle(text, rleError);
        if (!pattern) {
            return bad(o.pattern + (rleError.line > 0 ? ":" + std::to_string(rleError.line) : std::string()) +
                       ": malformed RLE: " + rleError.message);
        }
        int width = 0, height = 0;
        if (o.width || o.height || o.edges) {
            if (!o.width || !o.height || !o.edges)
                return bad("--width, --height and --edges go together");
            width = *o.width;
            height = *o.height;
            edges = *o.edges;
        } else if (pattern->bounds) {
            width = pattern->bounds->width;
            height = pattern->bounds->height;
            edges = pattern->bounds->edges;
        } else {
            return bad("no grid size: give --width, --height and --edges, or a rule such as B3/S23:T80,60");
        }
        if (pattern->width > width || pattern->height > height) {
            return bad("pattern of " + std::to_string(pattern->width) + " x " + std::to_string(pattern->height) +
                       " does not fit the grid of " + std::to_string(width) + " x " + std::to_string(height));
        }
        grid.Redim(width - 1, height - 1);
        for (const auto& [x, y] : pattern->liveCells) grid.Set(x, y, CellGrid::kLive);
    }

    CellGrid next(grid.MaxCol(), grid.MaxRow());
    out << "0: " << grid.Population() << "\n";
    for (int g = 1; g <= *o.generations; ++g) {
        ComputeNextGeneration(grid, edges, next);
        std::swap(grid, next);
        out << g << ": " << grid.Population() << "\n";
    }
    out.flush();

    if (!o.out.empty()) {
        // Write beside the target and rename, so that a failed write leaves no file.
        const std::string temp = o.out + ".part";
        {
            std::ofstream file(temp, std::ios::binary | std::ios::trunc);
            file << WriteRle(grid, edges);
            file.close();
            if (!file) {
                std::remove(temp.c_str());
                err << "tovra-life: cannot write output file '" << o.out << "'\n";
                return 1;
            }
        }
        std::remove(o.out.c_str());
        if (std::rename(temp.c_str(), o.out.c_str()) != 0) {
            std::remove(temp.c_str());
            err << "tovra-life: cannot write output file '" << o.out << "'\n";
            return 1;
        }
    }
    return kExitOk;
}

}  // namespace tovra::life
