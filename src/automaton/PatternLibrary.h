#pragma once
// The patterns a seeding can place: the built-in library compiled into the
// programs and the pattern files of the user's folder (RLE, .rle, and plain
// text, .cells). A folder is read once, when the library is made, with a
// bound on every size: the bytes of a file and of all files, the pattern's
// width and height, the number of files and the cells kept. Every pattern is
// kept as the list of its live cells, allocated at its exact size.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tovra {

inline constexpr std::size_t kMaxPatternFileBytes = std::size_t{1} << 20;  // 1 MiB
inline constexpr int kMaxPatternSide = 1000;                               // cells, both ways
inline constexpr std::size_t kMaxFolderPatternFiles = 10000;
inline constexpr std::size_t kMaxFolderBytes = std::size_t{64} << 20;       // all files together
inline constexpr std::size_t kMaxFolderEntries = 100000;                    // looked at, of any kind
inline constexpr std::size_t kMaxLibraryCells = 8000000;                    // 4 bytes each

struct PatternCell {
    uint16_t x, y;
};

struct LibraryPattern {
    std::string file;  // the file's name, without its folder
    std::string name;  // its #N or !Name: line, else the file's name without extension
    int width = 0;     // the box around its live cells
    int height = 0;
    std::vector<PatternCell> cells;  // its live cells, moved to the box's corner
};

// What became of one file: taken, or why it was skipped.
struct PatternFileReport {
    std::string file;
    std::string name;  // empty where the file was not read
    int width = 0;     // 0 where the file was not read
    int height = 0;
    std::string problem;  // empty: taken
};

// The file names of the built-in library and their texts, in name order.
struct BuiltInPatternFile {
    const char* file;
    const char* text;
};
extern const BuiltInPatternFile kBuiltInPatterns[];
extern const std::size_t kBuiltInPatternCount;

class PatternLibrary {
public:
    // The built-in library.
    void AddBuiltIn(std::vector<PatternFileReport>* reports = nullptr);
    // The .rle and .cells files of `folder` (not its subfolders), in the
    // order of their names. False, with the reason in `problem`, when the
    // folder cannot be read at all.
    bool AddFolder(const std::filesystem::path& folder, std::vector<PatternFileReport>* reports, std::string& problem);
    // One file's text; `file` ending in ".cells" (any case) is plain text,
    // anything else RLE.
    PatternFileReport AddText(const std::string& file, std::string_view text);

    std::size_t Size() const { return patterns_.size(); }
    const LibraryPattern& operator[](std::size_t i) const { return patterns_[i]; }
    // The live cells of all patterns.
    std::size_t CellCount() const { return cellCount_; }

private:
    std::vector<LibraryPattern> patterns_;
    std::size_t cellCount_ = 0;
};

}  // namespace tovra
