#include "x11/ProgramsList.h"

#include <optional>
#include <vector>

namespace tovra {

namespace {

constexpr std::string_view kBlanks = " \t";

// A resource spread over lines that end with a backslash: where it lies in
// its file.
struct Block {
    std::size_t valueAt = 0;  // after the name's colon
    std::size_t end = 0;      // the end of its last line, before any "\r\n" or "\n"
};

// The last resource `name` ("programs", also written "*programs") in `text`.
std::optional<Block> FindResource(std::string_view text, std::string_view name) {
    std::optional<Block> found;
    for (std::size_t line = 0; line < text.size();) {
        // Its lines, while they end with a backslash.
        std::size_t end = line;
        for (;;) {
            std::size_t next = text.find('\n', end);
            if (next == std::string_view::npos) next = text.size();
            std::size_t stop = next;
            if (stop > end && text[stop - 1] == '\r') --stop;
            if (stop > end && text[stop - 1] == '\\' && next < text.size()) {
                end = next + 1;
                continue;
            }
            end = stop;
            break;
        }
        std::size_t at = std::min(text.find_first_not_of(kBlanks, line), text.size());
        if (at < text.size() && text[at] == '*') ++at;
        if (text.substr(at, name.size()) == name) {
            const std::size_t colon = std::min(text.find_first_not_of(kBlanks, at + name.size()), text.size());
            if (colon < end && text[colon] == ':') found = Block{colon + 1, end};
        }
        line = std::min(text.find('\n', end), text.size()) + 1;
    }
    return found;
}

// One entry of the list: where its "-" is when it is switched off, and its
// command's name.
struct Entry {
    std::size_t minus = std::string_view::npos;
    std::string program;
};

// The entries of a list, from the text of its value: lines joined where they
// end with a backslash, entries split at "\n".
std::vector<Entry> Entries(std::string_view value, std::size_t offset) {
    std::vector<Entry> entries;
    std::string joined;
    std::vector<std::size_t> at;  // each joined character's place in the file
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (const std::size_t after = value.find_first_not_of('\r', i + 1);
            value[i] == '\\' && after < value.size() && value[after] == '\n') {
            i = after;  // a line that goes on
            continue;
        }
        joined += value[i], at.push_back(offset + i);
    }
    for (std::size_t start = 0; start < joined.size();) {
        std::size_t stop = joined.find("\\n", start);
        if (stop == std::string::npos) stop = joined.size();
        std::string_view e = std::string_view(joined).substr(start, stop - start);
        Entry entry;
        std::size_t i = e.find_first_not_of(" \t\r\n");
        if (i != std::string_view::npos && e[i] == '-') entry.minus = at[start + i], ++i;
        const auto skipBlanks = [&] { i = std::min(e.find_first_not_of(kBlanks, i), e.size()); };
        skipBlanks();
        // A visual ("GL:", "default:") and a quoted name come before the command.
        const std::size_t word = std::min(e.find_first_of(" \t\"", i), e.size());
        if (word > i && e[word - 1] == ':') i = word, skipBlanks();
        if (i < e.size() && e[i] == '"') i = std::min(e.find('"', i + 1), e.size() - 1) + 1, skipBlanks();
        std::string_view program = e.substr(i, std::min(e.find_first_of(kBlanks, i), e.size()) - i);
        if (const std::size_t slash = program.rfind('/'); slash != std::string_view::npos)
            program.remove_prefix(slash + 1);
        entry.program = program;
        if (!program.empty()) entries.push_back(entry);
        start = stop + 2;
    }
    return entries;
}

// What goes after the list's last line to add the entry: the end of that
// line's entry if it has none, and a backslash unless the line has one
// already (at the end of a file).
std::string Addition(std::string_view value) {
    const bool continued = value.ends_with('\\');
    const std::size_t last = value.find_last_not_of(" \t\r\n\\");
    const bool ended = last == std::string_view::npos || (last >= 1 && value.substr(last - 1, 2) == "\\n");
    return std::string(ended ? "" : "\\n") + (continued ? "\n" : "\\\n") + "\t\t\t\t" + kTovraEntry + "\t\t\t\t    \\n";
}

}  // namespace

ProgramsEdit AddTovraToPrograms(std::string_view userFile, std::string_view appDefaults) {
    std::string text(userFile);
    if (const std::optional<Block> block = FindResource(userFile, "programs")) {
        const std::string_view value = userFile.substr(block->valueAt, block->end - block->valueAt);
        const std::vector<Entry> entries = Entries(value, block->valueAt);
        const Entry* off = nullptr;
        for (const Entry& e : entries) {
            if (e.program != "tovra") continue;
            if (e.minus == std::string_view::npos) return {ListChange::AlreadyOn, text};
            if (off == nullptr) off = &e;
        }
        if (off != nullptr) return {ListChange::SwitchedOn, text.erase(off->minus, 1)};
        return {ListChange::Added, text.insert(block->end, Addition(value))};
    }
    // XScreenSaver takes the system's list when the file has none.
    std::string list = "programs:";
    if (const std::optional<Block> block = FindResource(appDefaults, "programs")) {
        const std::string_view value = appDefaults.substr(block->valueAt, block->end - block->valueAt);
        list += std::string(value) + Addition(value);
    } else {
        list += Addition("");
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    return {ListChange::Added, text + list + "\n"};
}

}  // namespace tovra
