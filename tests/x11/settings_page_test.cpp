// The settings table against the texts that describe the Linux programs' settings: the manual pages,
// the settings page (tovra.xml), the README and both usages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "settings/Palette.h"
#include "settings/SettingsTable.h"
#include "shell/SaverOptions.h"

namespace tovra {
namespace {

std::string SourceFile(const std::string& path) {
    std::ifstream in(std::string(TOVRA_SOURCE_DIR) + "/" + path);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_FALSE(text.str().empty()) << path;
    return text.str();
}

// The tags <element ...> of `xml`, from `from` to `to`; an attribute's value, "" when it has none.
std::vector<std::string> Tags(const std::string& xml, const std::string& element, std::size_t from = 0,
                              std::size_t to = std::string::npos) {
    std::vector<std::string> tags;
    for (std::size_t at = xml.find("<" + element + " ", from); at < to; at = xml.find("<" + element + " ", at + 1))
        tags.push_back(xml.substr(at, xml.find('>', at) - at));
    return tags;
}
std::string Attribute(const std::string& tag, const std::string& name) {
    const std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    const std::size_t start = at + name.size() + 3;
    return tag.substr(start, tag.find('"', start) - start);
}

// The options of the page's select for `row`, as id and label. The first one, the default, sets nothing;
// each other one sets the option to a value that it takes.
std::vector<std::pair<std::string, std::string>> SelectOptions(const std::string& xml, const SettingRow& row) {
    const std::size_t at = xml.find("<select id=\"" + std::string(row.resource) + "\">");
    std::vector<std::pair<std::string, std::string>> options;
    for (const std::string& tag : Tags(xml, "option", at, xml.find("</select>", at))) {
        const std::string set = Attribute(tag, "arg-set"), prefix = std::string("-") + row.OptionName() + " ";
        if (options.empty()) EXPECT_EQ(set, "") << tag;
        else EXPECT_TRUE(set.starts_with(prefix) && row.storeText(set.substr(prefix.size()))) << tag;
        options.emplace_back(Attribute(tag, "id"), Attribute(tag, "_label"));
    }
    return options;
}

const SettingRow& RowOf(std::string_view resource) {
    for (const SettingRow& row : SettingsTable())
        if (row.resource != nullptr && resource == row.resource) return row;
    throw std::out_of_range(std::string(resource));
}

TEST(SettingsTable, TheManualPagesSettingsPageReadmeAndUsagesHoldEveryLinuxSetting) {
    const std::string roff = SourceFile("man/settings.roff"), page = SourceFile("src/x11/tovra.6"),
                      xml = SourceFile("src/x11/tovra.xml"), readme = SourceFile("README.md");
    int taken = 0;
    for (const SettingRow& row : SettingsTable()) {
        if (row.resource == nullptr) continue;
        ++taken;
        const std::string option = std::string("-") + row.OptionName();
        std::string roffName;  // "\-cell\-size"
        for (const char c : option) roffName += c == '-' ? "\\-" : std::string(1, c);
        const std::string entry = row.isSwitch ? " " + roffName + " | \\-no" + roffName + "\n" : " " + roffName + " ";
        EXPECT_TRUE(roff.find("\n.B" + entry) != std::string::npos || roff.find("\n.BI" + entry) != std::string::npos) << option;
        EXPECT_NE(page.find(std::string("\ttovra.") + row.resource + ":"), std::string::npos) << row.resource;
        EXPECT_NE(readme.find("| `" + option), std::string::npos) << option;
        EXPECT_NE(readme.find(std::string("`tovra.") + row.resource + "`"), std::string::npos) << row.resource;
        const std::string item = row.isSwitch ? "[" + option + " | -no" + option + "]" : "[" + option + " " + row.usage + "]";
        EXPECT_NE(SaverUsage().find(item), std::string::npos) << item;
        EXPECT_NE(WaylandUsage().find(item), std::string::npos) << item;
        // On the page: a boolean that sets the switch, a select or a number whose arg is the option.
        bool onPage = false;
        for (const char* element : {"boolean", "select", "number", "file"})
            for (const std::string& tag : Tags(xml, element))
                onPage |= Attribute(tag, "id") == row.resource &&
                          (row.isSwitch ? Attribute(tag, "arg-set") == option
                                        : std::string(element) == "select" ? SelectOptions(xml, row).size() > 1
                                                                           : Attribute(tag, "arg") == option + " %");
        EXPECT_TRUE(onPage) << row.resource;
    }
    EXPECT_EQ(taken, 13);  // all but EachMonitor and SaveBattery

    // The look's controls offer exactly what the options take.
    std::vector<std::pair<std::string, std::string>> palettes;
    for (const Palette& p : BuiltInPalettes()) palettes.emplace_back(p.name, p.name);
    EXPECT_EQ(SelectOptions(xml, RowOf("palette")), palettes);
    std::vector<std::string> shapes;
    for (const auto& option : SelectOptions(xml, RowOf("cellShape"))) shapes.push_back(option.first);
    EXPECT_EQ(shapes, (std::vector<std::string>{"square", "rounded", "dot"}));
    const std::vector<std::string> fade = Tags(xml, "number id=\"fade\"");
    ASSERT_EQ(fade.size(), 1u);
    EXPECT_EQ(std::tuple(Attribute(fade[0], "low"), Attribute(fade[0], "high"), Attribute(fade[0], "default")),
              (std::tuple<std::string, std::string, std::string>("0", "64", RowOf("fade").defaultText)));
}

}  // namespace
}  // namespace tovra
