// The settings table against the texts that describe the Linux programs' settings: the manual pages,
// the settings page (tovra.xml), the README and both usages.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "settings/Palette.h"
#include "settings/SettingsTable.h"
#include "shell/SaverOptions.h"

namespace tovra {
namespace {

std::string SourceFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(std::string(TOVRA_SOURCE_DIR) + "/" + path).rdbuf();
    return text.str();
}

// The ids of the page's select for `row`; the first, the default, sets nothing, each other one
// sets the option to a value that it takes.
std::vector<std::string> SelectIds(const std::string& xml, const SettingRow& row, bool labelIsId = false) {
    const std::size_t at = xml.find("<select id=\"" + std::string(row.resource) + "\">");
    if (at == std::string::npos) return {};
    const std::string select = xml.substr(at, xml.find("</select>", at) - at);
    const std::regex option(R"re(<option id="([^"]*)" +_label="([^"]*)" *(arg-set="-([^ ]*) ([^"]*)")?)re");
    std::vector<std::string> ids;
    for (std::sregex_iterator m(select.begin(), select.end(), option), end; m != end; ++m) {
        EXPECT_TRUE((ids.empty() ? !(*m)[3].matched : (*m)[4] == row.OptionName() && row.storeText((*m)[5].str())) &&
                    (!labelIsId || (*m)[1] == (*m)[2])) << m->str();
        ids.push_back((*m)[1]);
    }
    return ids;
}

TEST(SettingsTable, TheManualPagesSettingsPageReadmeAndUsagesHoldEveryLinuxSetting) {
    const std::string roff = SourceFile("man/settings.roff"), page = SourceFile("src/x11/tovra.6"),
                      xml = SourceFile("src/x11/tovra.xml"), readme = SourceFile("README.md");
    std::map<std::string, const SettingRow*> rows;
    for (const SettingRow& row : SettingsTable()) {
        if (row.resource == nullptr) continue;
        rows[row.resource] = &row;
        const std::string option = std::string("-") + row.OptionName(), roffName = std::regex_replace(option, std::regex("-"), "\\-");
        const std::string entry = row.isSwitch ? " " + roffName + " | \\-no" + roffName + "\n" : " " + roffName + " ";
        const std::string item = row.isSwitch ? "[" + option + " | -no" + option + "]" : "[" + option + " " + row.usage + "]";
        const std::string control = row.isSwitch ? "<boolean id=\"" + std::string(row.resource) + "\" [^>]*arg-set=\"" + option + "\""
                                                 : "id=\"" + std::string(row.resource) + "\"[^>]*arg=\"" + option + " %\"";
        EXPECT_TRUE(roff.find("\n.B" + entry) != std::string::npos || roff.find("\n.BI" + entry) != std::string::npos) << option;
        EXPECT_TRUE(page.find("\ttovra." + std::string(row.resource) + ":") != std::string::npos &&
                    readme.find("| `" + option) != std::string::npos && readme.find("`tovra." + std::string(row.resource) + "`") != std::string::npos)
            << row.resource;
        EXPECT_TRUE(SaverUsage().find(item) != std::string::npos && WaylandUsage().find(item) != std::string::npos) << item;
        EXPECT_TRUE(std::regex_search(xml, std::regex(control)) || SelectIds(xml, row).size() > 1) << row.resource;
    }
    EXPECT_EQ(rows.size(), 15u);  // all but EachMonitor and SaveBattery
    // Both usages are filled up to 100 columns: no line is longer, and none could have taken the next line's first item.
    for (const std::string& usage : {SaverUsage(), WaylandUsage()}) {
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = usage.find('\n', at)) != std::string::npos; at = end + 1) lines.push_back(usage.substr(at, end - at));
        ASSERT_GT(lines.size(), 2u);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(lines[i].size(), 100u) << lines[i];
            const std::size_t close = i + 1 < lines.size() ? lines[i + 1].find(']') : std::string::npos;
            if (close != std::string::npos) { EXPECT_GT(lines[i].size() + 1 + close - 12, 100u) << lines[i]; }
        }
    }

    // The look's controls offer exactly what the options take.
    std::vector<std::string> palettes;
    for (const Palette& p : BuiltInPalettes()) palettes.emplace_back(p.name);
    EXPECT_EQ(SelectIds(xml, *rows["palette"], true), palettes);
    EXPECT_EQ(SelectIds(xml, *rows["cellShape"]), (std::vector<std::string>{"square", "rounded", "dot"}));
    EXPECT_EQ(SelectIds(xml, *rows["reduceFlashing"]), (std::vector<std::string>{"auto", "on", "off"}));
    EXPECT_TRUE(std::regex_search(xml, std::regex(R"(<number id="fade" [^>]*low="0" high="64" default=")" +
                                                  std::string(rows["fade"]->defaultText) + "\"")));
}

}  // namespace
}  // namespace tovra
