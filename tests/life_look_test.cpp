// tovra-life's look options against the settings table.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "settings/SettingsTable.h"
#include "tovra-life/LifeCli.h"

namespace tovra {
namespace {

#ifdef TOVRA_LIFE_RENDER
// The look's rows of the table, and the classic Rainbow and Color, are options of the render under the
// Linux programs' names: a value the table allows is taken, one it refuses is refused with status 2,
// and the usage names each.
TEST(LifeLookOptions, TheRenderTakesTheLookSettingsOfTheTable) {
    const std::set<std::string> look = {"Rainbow", "Color", "Palette", "AgeColors", "Fade", "Smooth", "CellShape", "ReduceFlashing",
                                        "BurnInGuard"};
    const std::string dir = (std::filesystem::temp_directory_path() / "tovra-life-look-test").string();
    auto run = [&](std::vector<std::string> extra, std::string* errText = nullptr) {
        std::vector<std::string> args = {"--render", dir, "--seconds", "0", "--width", "4", "--height", "4", "--edges", "torus", "--soup", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::ostringstream out, err;
        const int status = life::RunLifeCli(args, out, err, [] { return 1ULL; });
        if (errText) *errText = err.str();
        return status;
    };
    std::string usage;
    std::ostringstream none, err;
    life::RunLifeCli({}, none, err, [] { return 1ULL; });
    usage = err.str();
    int seen = 0;
    for (const SettingRow& row : SettingsTable()) {
        if (!look.count(row.key)) continue;
        ++seen;
        ASSERT_NE(row.resource, nullptr) << row.key;
        const std::string option = std::string("--") + row.OptionName();
        EXPECT_NE(usage.find(option), std::string::npos) << option;
        if (row.isSwitch) {
            EXPECT_EQ(run({option}), 0) << option;
            continue;
        }
        int taken = 0;
        for (const char* value : {"blue", "Ocean", "dot", "16", "64", "on"}) {
            if (!row.storeText(value)) continue;
            std::string message;
            EXPECT_EQ(run({option, value}, &message), 0) << option << " " << value << ": " << message;
            ++taken;
        }
        EXPECT_GT(taken, 0) << option;
        for (const char* value : {"65", "fuchsia", "hexagon", ""}) {
            if (row.storeText(value)) continue;
            std::string message;
            EXPECT_EQ(run({option, value}, &message), life::kExitBadInput) << option << " " << value;
            EXPECT_NE(message.find(option), std::string::npos) << message;
        }
    }
    EXPECT_EQ(seen, 9);
    std::filesystem::remove_all(dir);
}
#endif

}  // namespace
}  // namespace tovra
