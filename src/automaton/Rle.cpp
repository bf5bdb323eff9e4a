#include "automaton/Rle.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <ostream>

namespace tovra {

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

// The digits of one part of a rule ("3", "23"), as a set of neighbour counts.
std::optional<unsigned> CountSet(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    unsigned set = 0;
    for (const char d : digits) {
        if (d < '0' || d > '8') return std::nullopt;
        set |= 1u << (d - '0');
    }
    return set;
}

// "B3/S23" alone, or with ":Tw,h" / ":Pw,h". Returns false for any other rule.
bool ParseRule(std::string_view rule, std::optional<BoundedGrid>& bounds, std::string& problem) {
    rule = Trim(rule);
    const auto colon = rule.find(':');
    if (!IsLifeRule(rule.substr(0, colon))) {
        problem = "unsupported rule '" + Quote(rule) + "': only B3/S23 is accepted";
        return false;
    }
    if (colon == std::string_view::npos) return true;
    std::string_view suffix = Trim(rule.substr(colon + 1));
    if (suffix.empty() || (suffix[0] != 'T' && suffix[0] != 't' && suffix[0] != 'P' && suffix[0] != 'p')) {
        problem = "unsupported grid '" + Quote(suffix) + "': expected :Tw,h (torus) or :Pw,h (island)";
        return false;
    }
    BoundedGrid grid;
    grid.edges = (suffix[0] == 'T' || suffix[0] == 't') ? Edges::Torus : Edges::Island;
    const std::string_view dims = suffix.substr(1);
    const auto comma = dims.find(',');
    if (comma == std::string_view::npos || !ParseCount(dims.substr(0, comma), grid.width) ||
        !ParseCount(dims.substr(comma + 1), grid.height) || grid.width == 0 || grid.height == 0) {
        problem = "bad grid size in rule '" + Quote(rule) + "': expected two positive numbers";
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
bool ParseHeader(std::string_view line, RleHeader& pattern, std::string& problem) {
    bool haveX = false, haveY = false;
    std::optional<std::string_view> rule;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        const std::size_t comma = line.find(',', pos);
        const std::string_view item =
            line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        const auto eq = item.find('=');
        if (eq == std::string_view::npos) {
            problem = "malformed header item '" + Quote(Trim(item)) + "'";
            return false;
        }
        const std::string key = Lower(Trim(item.substr(0, eq)));
        if (key == "rule") {
            // The rule runs to the end of the line: it may hold a comma itself.
            rule = line.substr(pos + eq + 1);
            break;
        }
        if (key != "x" && key != "y") {
            problem = "unknown header item '" + Quote(key) + "'";
            return false;
        }
        int v = 0;
        if (!ParseCount(item.substr(eq + 1), v)) {
            problem = "bad " + key + " in header: '" + Quote(Trim(item.substr(eq + 1))) + "'";
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

int RleReader::Next() {
    if (at_ == size_) {
        size_ = source_(buffer_, sizeof buffer_);
        at_ = 0;
        if (size_ == 0) return -1;
    }
    return static_cast<unsigned char>(buffer_[at_++]);
}

bool RleReader::Fail(RleError& error, int line, std::string message) {
    error.line = line;
    error.message = std::move(message);
    return false;
}

bool RleReader::ReadHeader(RleHeader& header, RleError& error) {
    std::string text;
    bool comment = false;
    int tag = 0;                  // the comment line's letter, once read
    std::string* keep = nullptr;  // where that line's text goes, if anywhere
    for (;;) {
        const int c = Next();
        if (c < 0 || c == '\n') {
            if (!comment && !text.empty()) break;
            if (c < 0) return Fail(error, 0, "no header line 'x = <w>, y = <h>, rule = B3/S23'");
            ++line_;
            text.clear();
            comment = false;
            tag = 0;
            keep = nullptr;
            continue;
        }
        if (comment) {
            // The first #N line names the pattern, the first #C (or #c) line
            // with text describes it.
            if (tag == 0) {
                tag = c;
                if (c == 'N' && header_.name.empty()) keep = &header_.name;
                if ((c == 'C' || c == 'c') && header_.description.empty()) keep = &header_.description;
            } else if (keep != nullptr && keep->size() < kMaxCommentText && (!keep->empty() || !std::isspace(c))) {
                *keep += static_cast<char>(c);
            }
            continue;
        }
        if (text.empty() && std::isspace(c)) continue;
        if (c == '#' && text.empty()) {
            comment = true;
            continue;
        }
        if (text.size() == kMaxHeaderLine)
            return Fail(error, line_,
                        "header line longer than " + std::to_string(kMaxHeaderLine) + " characters: '" +
                            Quote(text) + "'");
        text += static_cast<char>(c);
    }
    header_.name = std::string(Trim(header_.name));
    header_.description = std::string(Trim(header_.description));
    std::string problem;
    if (!ParseHeader(Trim(text), header_, problem)) return Fail(error, line_, problem);
    ++line_;
    header = header_;
    return true;
}

bool RleReader::ReadCells(CellGrid& grid, RleError& error) {
    const long long width = std::min(header_.width, grid.Columns());
    const long long height = std::min(header_.height, grid.Rows());
    long long x = 0, y = 0;
    long long run = -1;            // the run count being read, -1 for none
    bool lineStart = true;         // nothing but blanks so far on this line
    bool comment = false;
    for (;;) {
        const int c = Next();
        if (c < 0) return Fail(error, lineStart ? line_ - 1 : line_, "pattern is not ended by '!'");
        if (std::isspace(c)) {
            if (run >= 0) return Fail(error, line_, "a run count must be followed by b, o, $ or !");
            if (c == '\n') {
                ++line_;
                lineStart = true;
                comment = false;
            }
            continue;
        }
        if (comment) continue;
        if (lineStart && c == '#') {
            comment = true;
            continue;
        }
        lineStart = false;
        if (c >= '0' && c <= '9') {
            run = std::max(run, 0LL) * 10 + (c - '0');
            if (run > std::numeric_limits<int>::max()) return Fail(error, line_, "run count too large");
            continue;
        }
        if (run == 0) return Fail(error, line_, "run count of 0");
        const long long n = std::max(run, 1LL);  // no count: 1 (a count of 0 is refused above)
        run = -1;
        if (c == 'b' || c == '.') {
            x = std::min<long long>(x + n, std::numeric_limits<int>::max());
        } else if (c == 'o' || c == 'A') {
            if (y >= height || n > width - x)
                return Fail(error, line_,
                            "pattern reaches beyond its header size " + std::to_string(header_.width) + " x " +
                                std::to_string(header_.height));
            for (long long k = 0; k < n; ++k, ++x) grid.Set(static_cast<int>(x), static_cast<int>(y), CellGrid::kLive);
        } else if (c == '$') {
            y = std::min<long long>(y + n, std::numeric_limits<int>::max());
            x = 0;
        } else if (c == '!') {
            return true;
        } else {
            return Fail(error, line_, "unexpected character '" + Quote(std::string(1, static_cast<char>(c))) + "'");
        }
    }
}

bool IsLifeRule(std::string_view rule) {
    std::string r;
    for (const char c : rule)
        if (!std::isspace(static_cast<unsigned char>(c))) r += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (r == "life") return true;
    constexpr unsigned kBirth = 1u << 3, kSurvival = (1u << 2) | (1u << 3);
    const auto slash = r.find('/');
    if (r.empty() || (r[0] != 'b' && r[0] != 's')) {
        // Survival/birth, digits only: "23/3".
        if (slash == std::string::npos) return false;
        return CountSet(std::string_view(r).substr(0, slash)) == kSurvival &&
               CountSet(std::string_view(r).substr(slash + 1)) == kBirth;
    }
    // "b3/s23", "b3s23", "s23/b3": a letter and its digits, twice, in either order.
    const std::size_t second = r.find_first_of(r[0] == 'b' ? 's' : 'b');
    if (second == std::string::npos) return false;
    std::string_view first = std::string_view(r).substr(1, second - 1);
    if (!first.empty() && first.back() == '/') first.remove_suffix(1);
    const std::optional<unsigned> a = CountSet(first), b = CountSet(std::string_view(r).substr(second + 1));
    return r[0] == 'b' ? (a == kBirth && b == kSurvival) : (a == kSurvival && b == kBirth);
}

void WriteRle(const CellGrid& grid, Edges edges, std::ostream& out) {
    const int w = grid.Columns();
    const int h = grid.Rows();
    out << "x = " << w << ", y = " << h << ", rule = B3/S23:" << (edges == Edges::Torus ? "T" : "P") << w << ","
        << h << "\n";
    std::string line;
    auto emit = [&](int count, char tag) {
        std::string item = (count > 1 ? std::to_string(count) : std::string()) + tag;
        if (line.size() + item.size() > 70) {
            out << line << "\n";
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
    out << line << "\n";
}

std::string Quote(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char ch : text) {
        if (out.size() >= limit) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7f) {
            const char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace tovra
