#include "automaton/PatternLibrary.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "automaton/Rle.h"

namespace tovra {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EndsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && Lower(s.substr(s.size() - end.size())) == end;
}

bool IsPatternFileName(std::string_view name) {
    return EndsWith(name, ".rle") || EndsWith(name, ".cells");
}

// A path's last part as UTF-8, whatever the platform's own encoding.
std::string FileNameText(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::string SizeText(long long width, long long height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string TooLarge(long long width, long long height) {
    return SizeText(width, height) + " is larger than " + SizeText(kMaxPatternSide, kMaxPatternSide);
}

struct ReadResult {
    std::vector<PatternCell> cells;  // not yet moved to the box's corner
    std::string name;
};

std::string ReadRle(std::string_view text, ReadResult& out) {
    RleReader reader([&text](char* buffer, std::size_t size) {
        const std::size_t n = std::min(size, text.size());
        text.copy(buffer, n);
        text.remove_prefix(n);
        return n;
    });
    RleHeader header;
    RleError error;
    const auto malformed = [&error] {
        return "malformed RLE: " + (error.line > 0 ? "line " + std::to_string(error.line) + ": " : std::string()) +
               error.message;
    };
    if (!reader.ReadHeader(header, error)) return malformed();
    if (header.width > kMaxPatternSide || header.height > kMaxPatternSide) return TooLarge(header.width, header.height);
    CellGrid grid(header.width - 1, header.height - 1);
    if (!reader.ReadCells(grid, error)) return malformed();
    for (int y = 0; y < grid.Rows(); ++y)
        for (int x = 0; x < grid.Columns(); ++x)
            if (grid.IsLive(x, y)) out.cells.push_back({static_cast<uint16_t>(x), static_cast<uint16_t>(y)});
    out.name = header.name;
    return "";
}

// Plain text: '!' starts a comment line ("!Name: ..." names the pattern),
// every other line is a row of '.' (dead) and 'O' or '*' (live) cells.
std::string ReadPlainText(std::string_view text, ReadResult& out) {
    int y = 0;
    for (std::size_t start = 0; start < text.size(); ++y) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line[0] == '!') {
            --y;
            constexpr std::string_view kName = "!Name:";
            if (out.name.empty() && line.substr(0, kName.size()) == kName) {
                line.remove_prefix(kName.size());
                while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
                while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
                out.name = std::string(line.substr(0, kMaxCommentText));
            }
            continue;
        }
        for (std::size_t x = 0; x < line.size(); ++x) {
            const char c = line[x];
            if (c == '.' || c == ' ' || c == '\t' || c == '\r') continue;
            if (c != 'O' && c != '*')
                return "unexpected character '" + Quote(std::string(1, c)) + "' on line " + std::to_string(y + 1);
            if (x >= static_cast<std::size_t>(kMaxPatternSide) || y >= kMaxPatternSide)
                return "more than " + std::to_string(kMaxPatternSide) + " cells " + (y >= kMaxPatternSide ? "high" : "wide");
            out.cells.push_back({static_cast<uint16_t>(x), static_cast<uint16_t>(y)});
        }
    }
    return "";
}

// Reads at most kMaxPatternFileBytes + 1 bytes of a file.
std::string ReadFileText(const fs::path& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::string("cannot be read: ") + std::strerror(errno);
    text.resize(kMaxPatternFileBytes + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) return "cannot be read";
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text.size() > kMaxPatternFileBytes ? "larger than 1 MiB" : "";
}

}  // namespace

PatternFileReport PatternLibrary::AddText(const std::string& file, std::string_view text) {
    PatternFileReport report{file, "", 0, 0, ""};
    ReadResult read;
    report.problem = EndsWith(file, ".cells") ? ReadPlainText(text, read) : ReadRle(text, read);
    if (!report.problem.empty()) return report;
    report.name = !read.name.empty() ? read.name : file.substr(0, file.rfind('.'));
    if (read.cells.empty()) {
        report.problem = "no live cells";
        return report;
    }
    uint16_t minX = UINT16_MAX, minY = UINT16_MAX, maxX = 0, maxY = 0;
    for (const PatternCell& c : read.cells) {
        minX = std::min(minX, c.x), minY = std::min(minY, c.y);
        maxX = std::max(maxX, c.x), maxY = std::max(maxY, c.y);
    }
    report.width = maxX - minX + 1;
    report.height = maxY - minY + 1;
    if (cellCount_ + read.cells.size() > kMaxLibraryCells) {
        report.problem = "the library holds " + std::to_string(kMaxLibraryCells) + " cells already";
        return report;
    }
    LibraryPattern pattern{file, report.name, report.width, report.height, std::vector<PatternCell>(read.cells.size())};
    for (std::size_t i = 0; i < read.cells.size(); ++i)
        pattern.cells[i] = {static_cast<uint16_t>(read.cells[i].x - minX), static_cast<uint16_t>(read.cells[i].y - minY)};
    cellCount_ += read.cells.size();
    patterns_.push_back(std::move(pattern));
    return report;
}

void PatternLibrary::AddBuiltIn(std::vector<PatternFileReport>* reports) {
    for (std::size_t i = 0; i < kBuiltInPatternCount; ++i) {
        PatternFileReport report = AddText(kBuiltInPatterns[i].file, kBuiltInPatterns[i].text);
        if (reports != nullptr) reports->push_back(std::move(report));
    }
}

bool PatternLibrary::AddFolder(const fs::path& folder, std::vector<PatternFileReport>* reports, std::string& problem) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        problem = ec.message();
        return false;
    }
    // Names first, so that the files are taken in the same order wherever the
    // folder lies.
    std::vector<std::pair<std::string, fs::path>> files;
    for (std::size_t seen = 0; it != fs::directory_iterator() && seen < kMaxFolderEntries; it.increment(ec), ++seen) {
        if (ec) break;
        std::string name = FileNameText(it->path());
        if (IsPatternFileName(name)) files.emplace_back(std::move(name), it->path());
    }
    std::sort(files.begin(), files.end());

    std::size_t bytes = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto& [name, path] = files[i];
        PatternFileReport report{name, "", 0, 0, ""};
        const fs::file_status status = fs::status(path, ec);
        const auto size = ec ? 0 : fs::file_size(path, ec);
        std::string text;
        if (i >= kMaxFolderPatternFiles) {
            report.problem = "more than " + std::to_string(kMaxFolderPatternFiles) + " pattern files in the folder";
        } else if (!fs::is_regular_file(status)) {
            report.problem = "not a regular file";
        } else if (ec || size > kMaxPatternFileBytes) {
            report.problem = ec ? "cannot be read: " + ec.message() : "larger than 1 MiB";
        } else if (bytes + size > kMaxFolderBytes) {
            report.problem = "the folder's pattern files pass 64 MiB in all";
        } else if (report.problem = ReadFileText(path, text); report.problem.empty()) {
            bytes += text.size();
            report = AddText(name, text);
        }
        if (reports != nullptr) reports->push_back(std::move(report));
    }
    return true;
}

}  // namespace tovra
