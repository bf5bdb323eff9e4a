#include "tovra-life/Rle.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

namespace tovra::life {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// A whole non-negative decimal number, nothing else.
bool ParseCount(std::string_view s, int& value) {
    s = Trim(s);
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && value >= 0;
}

// "B3/S23" alone, or with ":Tw,h" / ":Pw,h". Returns false for any other rule.
bool ParseRule(std::string_view rule, std::optional<BoundedGrid>& bounds, std::string& problem) {
    rule = Trim(rule);
    const auto colon = rule.find(':');
    const std::string base = Lower(Trim(rule.substr(0, colon)));
    if (base != "b3/s23") {
        problem = "unsupported rule '" + std::string(rule) + "': only B3/S23 is accepted";
        return false;
    }
    if (colon == std::string_view::npos) return true;
    std::string_view suffix = Trim(rule.substr(colon + 1));
    if (suffix.empty() || (suffix[0] != 'T' && suffix[0] != 't' && suffix[0] != 'P' && suffix[0] != 'p')) {
        problem = "unsupported grid '" + std::string(suffix) + "': expected :Tw,h (torus) or :Pw,h (island)";
        return false;
    }
    BoundedGrid grid;
    grid.edges = (suffix[0] == 'T' || suffix[0] == 't') ? Edges::Torus : Edges::Island;
    const std::string_view dims = suffix.substr(1);
    const auto comma = dims.find(',');
    if (comma == std::string_view::npos || !ParseCount(dims.substr(0, comma), grid.width) ||
        !ParseCount(dims.substr(comma + 1), grid.height) || grid.width == 0 || grid.height == 0) {
        problem = "bad grid size in rule '" + std::string(rule) + "': expected two positive numbers";
        return false;
    }
    if (static_cast<long long>(grid.width) * grid.height > kMaxGridCells) {
        problem = "grid of " + std::to_string(grid.width) + " x " + std::to_string(grid.height) +
                  " is too large (at most " + std::to_string(kMaxGridCells) + " cells)";
        return false;
    }
    bounds = grid;
    return true;
}

// Header "x = 3, y = 1, rule = B3/S23": key = value items separated by commas.
bool ParseHeader(std::string_view line, RlePattern& pattern, std::string& problem) {
    bool haveX = false, haveY = false;
    std::optional<std::string_view> rule;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        const std::size_t comma = line.find(',', pos);
        const std::string_view item =
            line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        const auto eq = item.find('=');
        if (eq == std::string_view::npos) {
            problem = "malformed header item '" + std::string(Trim(item)) + "'";
            return false;
        }
        const std::string key = Lower(Trim(item.substr(0, eq)));
        if (key == "rule") {
            // The rule runs to the end of the line: it may hold a comma itself.
            rule = line.substr(pos + eq + 1);
            break;
        }
        if (key != "x" && key != "y") {
            problem = "unknown header item '" + key + "'";
            return false;
        }
        int v = 0;
        if (!ParseCount(item.substr(eq + 1), v)) {
            problem = "bad " + key + " in header: '" + std::string(Trim(item.substr(eq + 1))) + "'";
            return false;
        }
        (key == "x" ? pattern.width : pattern.height) = v;
        (key == "x" ? haveX : haveY) = true;
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    if (!haveX || !haveY) {
        problem = "header lacks x or y";
        return false;
    }
    if (static_cast<long long>(pattern.width) * pattern.height > kMaxGridCells) {
        problem = "pattern of " + std::to_string(pattern.width) + " x " + std::to_string(pattern.height) +
                  " is too large (at most " + std::to_string(kMaxGridCells) + " cells)";
        return false;
    }
    return !rule || ParseRule(*rule, pattern.bounds, problem);
}

}  // namespace

std::optional<RlePattern> ParseRle(std::string_view text, RleError& error) {
    RlePattern pattern;
    bool haveHeader = false;
    bool done = false;
    int x = 0, y = 0;
    int lineNo = 0;
    std::size_t pos = 0;
    auto fail = [&](int line, std::string message) {
        error.line = line;
        error.message = std::move(message);
        return std::nullopt;
    };
    while (pos < text.size() && !done) {
        std::size_t eol = text.find('\n', pos);
        std::string_view line = text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string_view trimmed = Trim(line);
        if (!haveHeader) {
            if (trimmed.empty() || trimmed[0] == '#') continue;
            std::string problem;
            if (!ParseHeader(trimmed, pattern, problem)) return fail(lineNo, problem);
            haveHeader = true;
            continue;
        }
        if (!trimmed.empty() && trimmed[0] == '#') continue;
        long long run = -1;
        for (std::size_t i = 0; i < line.size() && !done; ++i) {
            const char c = line[i];
            if (std::isspace(static_cast<unsigned char>(c))) {
                if (run >= 0) return fail(lineNo, "a run count must be followed by b, o, $ or !");
                continue;
            }
            if (c >= '0' && c <= '9') {
                run = (run < 0 ? 0 : run) * 10 + (c - '0');
                if (run > std::numeric_limits<int>::max()) return fail(lineNo, "run count too large");
                continue;
            }
            const long long n = run < 0 ? 1 : run;
            if (run == 0) return fail(lineNo, "run count of 0");
            run = -1;
            if (c == 'b' || c == '.') {
                x += static_cast<int>(std::min<long long>(n, std::numeric_limits<int>::max() - x));
            } else if (c == 'o' || c == 'A') {
                for (long long k = 0; k < n; ++k) {
                    if (x >= pattern.width || y >= pattern.height)
                        return fail(lineNo, "pattern reaches beyond its header size " + std::to_string(pattern.width) +
                                                " x " + std::to_string(pattern.height));
                    pattern.liveCells.emplace_back(x++, y);
                }
            } else if (c == '$') {
                y += static_cast<int>(std::min<long long>(n, std::numeric_limits<int>::max() - y));
                x = 0;
            } else if (c == '!') {
                done = true;
            } else {
                return fail(lineNo, std::string("unexpected character '") + c + "'");
            }
        }
        if (run >= 0 && !done) return fail(lineNo, "a run count must be followed by b, o, $ or !");
    }
    if (!haveHeader) return fail(0, "no header line 'x = <w>, y = <h>, rule = B3/S23'");
    if (!done) return fail(lineNo, "pattern is not ended by '!'");
    return pattern;
}

std::string WriteRle(const CellGrid& grid, Edges edges) {
    const int w = grid.Columns();
    const int h = grid.Rows();
    std::string out = "x = " + std::to_string(w) + ", y = " + std::to_string(h) + ", rule = B3/S23:" +
                      (edges == Edges::Torus ? "T" : "P") + std::to_string(w) + "," + std::to_string(h) + "\n";
    std::string line;
    auto emit = [&](int count, char tag) {
        std::string item = (count > 1 ? std::to_string(count) : std::string()) + tag;
        if (line.size() + item.size() > 70) {
            out += line + "\n";
            line.clear();
        }
        line += item;
    };
    int atRow = 0;  // the row the writer stands on
    for (int y = 0; y < h; ++y) {
        // Trailing dead cells of a row are implied; empty rows fold into a $ count.
        int last = -1;
        for (int x = 0; x < w; ++x)
            if (grid.IsLive(x, y)) last = x;
        if (last < 0) continue;
        if (y > atRow) emit(y - atRow, '$');
        atRow = y;
        for (int x = 0; x <= last;) {
            const bool live = grid.IsLive(x, y);
            int run = 1;
            while (x + run <= last && grid.IsLive(x + run, y) == live) ++run;
            emit(run, live ? 'o' : 'b');
            x += run;
        }
    }
    emit(1, '!');
    out += line + "\n";
    return out;
}

}  // namespace tovra::life
