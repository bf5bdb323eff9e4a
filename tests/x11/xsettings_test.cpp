// The XSETTINGS reader against properties put together here, in both byte orders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/linux/XSettings.h"

namespace tovra {
namespace {

// A _XSETTINGS_SETTINGS property: settings of `type` 0 (integer), 1 (string) or 2 (colour).
struct Property {
    bool msbFirst;
    std::vector<unsigned char> bytes;
    uint32_t count = 0;
    std::size_t valueEnds = 0;  // where the value of the last integer ends

    explicit Property(bool msb) : msbFirst(msb), bytes{static_cast<unsigned char>(msb), 0, 0, 0} { Put(7, 4), Put(0, 4); }
    void Put(uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * (msbFirst ? n - 1 - i : i))));
    }
    void Text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.resize((bytes.size() + 3) / 4 * 4, 0);
    }
    Property& Add(int type, const std::string& name, int32_t value = 0, const std::string& text = "") {
        Put(static_cast<uint32_t>(type), 1), Put(0, 1), Put(static_cast<uint32_t>(name.size()), 2), Text(name), Put(3, 4);
        if (type == 0) Put(static_cast<uint32_t>(value), 4), valueEnds = bytes.size();
        if (type == 1) Put(static_cast<uint32_t>(text.size()), 4), Text(text);
        if (type == 2) Put(0xFFFF0000u, 4), Put(0x8000FFFFu, 4);
        if (type == 3) Put(1, 4);
        ++count;
        for (int i = 0; i < 4; ++i) bytes[8 + static_cast<std::size_t>(i)] = static_cast<unsigned char>(count >> (8 * (msbFirst ? 3 - i : i)));
        return *this;
    }
};

TEST(XSettings, IntegersAmongOtherSettingsInEitherByteOrder) {
    for (bool msb : {false, true}) {
        Property p(msb);
        p.Add(1, "Net/ThemeName", 0, "Adwaita").Add(2, "Gtk/Colour").Add(0, "Xft/DPI", 98304).Add(0, "Gtk/EnableAnimations", 0);
        const auto get = [&](const std::string& name, std::size_t size) { return XSettingsInteger(p.bytes.data(), size, name); };
        EXPECT_EQ(get("Gtk/EnableAnimations", p.bytes.size()), 0) << msb;
        EXPECT_EQ(get("Xft/DPI", p.bytes.size()), 98304) << msb;
        for (const char* none : {"Gtk/Enable", "Net/ThemeName", "Gtk/Colour", "gtk/enableanimations", ""})
            EXPECT_EQ(get(none, p.bytes.size()), std::nullopt) << none;
        // Cut short anywhere: nothing, until the value is there whole.
        for (std::size_t size = 0; size <= p.bytes.size(); ++size)
            EXPECT_EQ(get("Gtk/EnableAnimations", size), size >= p.valueEnds ? std::optional<int32_t>(0) : std::nullopt) << size;
    }
    // A negative value; an unknown type before the setting, or a byte order of neither kind: nothing.
    Property negative(false);
    negative.Add(0, "Gtk/EnableAnimations", -5);
    EXPECT_EQ(XSettingsInteger(negative.bytes.data(), negative.bytes.size(), "Gtk/EnableAnimations"), -5);
    Property unknown(true);
    unknown.Add(3, "Odd").Add(0, "Gtk/EnableAnimations", 1);
    EXPECT_EQ(XSettingsInteger(unknown.bytes.data(), unknown.bytes.size(), "Gtk/EnableAnimations"), std::nullopt);
    negative.bytes[0] = 2;
    EXPECT_EQ(XSettingsInteger(negative.bytes.data(), negative.bytes.size(), "Gtk/EnableAnimations"), std::nullopt);
    EXPECT_EQ(XSettingsInteger(nullptr, 40, "Gtk/EnableAnimations"), std::nullopt);
    // A string said to run past the end, the setting where its text would be: nothing either.
    Property past(false);
    past.Add(1, "Net/ThemeName");
    past.bytes.back() = 4;  // a text of 4 << 24 bytes
    past.Add(0, "Gtk/EnableAnimations", 0);
    EXPECT_EQ(XSettingsInteger(past.bytes.data(), past.bytes.size(), "Gtk/EnableAnimations"), std::nullopt);
    past.bytes[past.bytes.size() - 33] = 0;  // said to be empty, it is found
    EXPECT_EQ(XSettingsInteger(past.bytes.data(), past.bytes.size(), "Gtk/EnableAnimations"), 0);
}

}  // namespace
}  // namespace tovra
