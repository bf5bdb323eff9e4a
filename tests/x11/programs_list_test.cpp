// tovra-enable's edit of ~/.xscreensaver: the list's entries as a plain
// reader sees them (lines joined, split at "\n"), before and after; every
// other byte kept; a second run changes nothing.
#include <gtest/gtest.h>

#include <regex>

#include "x11/ProgramsList.h"

namespace tovra {
namespace {

// The entries of the last programs resource, blanks around them dropped.
std::vector<std::string> ListOf(std::string text) {
    text = std::regex_replace(text, std::regex("\\\\\r?\n"), "");
    const std::regex resource("(^|\n)[ \t]*\\*?programs[ \t]*:([^\r\n]*)");
    std::string value;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), resource); it != std::sregex_iterator(); ++it)
        value = (*it)[2];
    std::vector<std::string> entries;
    for (std::size_t start = 0, stop = 0; start < value.size(); start = stop + 2) {
        stop = std::min(value.find("\\n", start), value.size());
        const std::string e = std::regex_replace(value.substr(start, stop - start), std::regex("^\\s+|\\s+$"), "");
        if (!e.empty()) entries.push_back(e);
    }
    return entries;
}

TEST(ProgramsList, TovraJoinsTheListOnceAndNothingElseChanges) {
    const std::string system = "*mode: random\n*programs:\t\t\\\n\t\tmaze -root\t\\n\\\n- GL:\t\tqix -root \\n\n*lock: False\n";
    const std::string list = "programs:\t\t\\\n\t\tmaze -root\t\\n\\\n-\t\"Q\" qix -root\t\\n\n";
    const std::string tovra = kTovraEntry;
    const struct {
        std::string file, system;
        ListChange change;
        std::vector<std::string> entries;  // after
    } cases[] = {
        {"", system, ListChange::Added, {"maze -root", "- GL:\t\tqix -root", tovra}},
        {"", "", ListChange::Added, {tovra}},
        {"mode: one\nselected: 1", system, ListChange::Added, {"maze -root", "- GL:\t\tqix -root", tovra}},
        {"lock: True\n" + list + "\nfade: False\n", system, ListChange::Added, {"maze -root", "-\t\"Q\" qix -root", tovra}},
        {"programs: maze -root\nlock: False\n", system, ListChange::Added, {"maze -root", tovra}},
        {"programs:\nlock: False\n", system, ListChange::Added, {tovra}},
        {"programs:\\\r\n\tmaze -root \\n\\\r\n\tqix\t\\n\r\nlock: False\r\n", "", ListChange::Added, {"maze -root", "qix", tovra}},
        {"programs: \\\n\tmaze -root \\n\\", "", ListChange::Added, {"maze -root", tovra}},
        {"programs: tovra -root\n" + list, "", ListChange::Added, {"maze -root", "-\t\"Q\" qix -root", tovra}},
        {"programs: tovrax -root \\n\\\n\tmaze -root -\\n", "", ListChange::Added, {"tovrax -root", "maze -root -", tovra}},
        {"programs: \\\n-\t\ttovra -root -rainbow\t\\n\\\n- GL: \"T\" tovra\t\\n\n", "", ListChange::SwitchedOn,
         {"tovra -root -rainbow", "- GL: \"T\" tovra"}},
        {"programs: - tovra -root \\n\\\n GL: \"Tovra\" /usr/libexec/xscreensaver/tovra\t\\n\n", "", ListChange::AlreadyOn,
         {"- tovra -root", "GL: \"Tovra\" /usr/libexec/xscreensaver/tovra"}},
    };
    for (const auto& c : cases) {
        const ProgramsEdit edit = AddTovraToPrograms(c.file, c.system);
        EXPECT_EQ(edit.change, c.change) << c.file;
        EXPECT_EQ(ListOf(edit.text), c.entries) << edit.text;
        // The file with something added at one place, or its switched-off
        // entry's "-" taken away.
        std::size_t same = 0;
        while (same < c.file.size() && same < edit.text.size() && c.file[same] == edit.text[same]) ++same;
        EXPECT_TRUE(c.change == ListChange::SwitchedOn
                        ? c.file[same] == '-' && edit.text == c.file.substr(0, same) + c.file.substr(same + 1)
                        : edit.text.size() >= c.file.size() && edit.text.ends_with(c.file.substr(same)))
            << edit.text;
        const ProgramsEdit again = AddTovraToPrograms(edit.text, c.system);
        EXPECT_TRUE(again.change == ListChange::AlreadyOn && again.text == edit.text) << edit.text;
    }
}

}  // namespace
}  // namespace tovra
