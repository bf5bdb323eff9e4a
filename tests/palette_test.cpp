#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "settings/Palette.h"

namespace tovra {
namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

double Linear(std::uint8_t v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Rgb c) { return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b); }

double ContrastRatio(Rgb a, Rgb b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// CIELAB (D65) of linear sRGB, seen through a deficiency's matrix first.
std::array<double, 3> Lab(Rgb c, const Matrix& seen) {
    const std::array<double, 3> in{Linear(c.r), Linear(c.g), Linear(c.b)};
    std::array<double, 3> rgb{};
    for (int i = 0; i < 3; ++i)
        rgb[i] = std::clamp(seen[i][0] * in[0] + seen[i][1] * in[1] + seen[i][2] * in[2], 0.0, 1.0);
    const double x = (0.4124 * rgb[0] + 0.3576 * rgb[1] + 0.1805 * rgb[2]) / 0.95047;
    const double y = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
    const double z = (0.0193 * rgb[0] + 0.1192 * rgb[1] + 0.9505 * rgb[2]) / 1.08883;
    const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : t * 24389 / 3132 + 4.0 / 29; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

// Machado, Oliveira and Fernandes (2009): protanopia, deuteranopia and
// tritanopia at severity 1, on linear RGB.
struct Deficiency {
    const char* name;
    Matrix seen;
};
constexpr std::array<Deficiency, 3> kDeficiencies{{
    {"protanopia", {{{0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}}}},
    {"deuteranopia", {{{0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}}}},
    {"tritanopia", {{{1.255528, -0.076749, -0.178779}, {-0.078411, 0.930809, 0.147602}, {0.004733, 0.691367, 0.303900}}}},
}};

// The closest pair among a palette's background, ramp and trail as someone
// with that deficiency sees them (CIE 1976 colour difference).
double ClosestPair(const Palette& p, const Matrix& seen, std::string& which) {
    std::vector<Rgb> colours{p.background, p.trail};
    colours.insert(colours.end(), p.ramp.begin(), p.ramp.end());
    double closest = 1e9;
    for (std::size_t i = 0; i < colours.size(); ++i)
        for (std::size_t j = i + 1; j < colours.size(); ++j) {
            const auto a = Lab(colours[i], seen), b = Lab(colours[j], seen);
            const double d = std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
            if (d < closest) closest = d, which = HexColour(colours[i]) + " and " + HexColour(colours[j]);
        }
    return closest;
}

constexpr double kDistinct = 15;  // well past the just noticeable difference of about 2.3

TEST(Palettes, TheColorblindPaletteStaysApartForEachDichromacyWhereClassicDoesNot) {
    const Palette* colorblind = FindPalette("Colorblind");
    ASSERT_NE(colorblind, nullptr);
    std::string which;
    for (const Deficiency& d : kDeficiencies)
        EXPECT_GE(ClosestPair(*colorblind, d.seen, which), kDistinct) << d.name << ": " << which;
    // The measure tells confusable colours apart: Classic's blue and purple
    // look alike to a protanope, its red and green nearly so to a deuteranope.
    EXPECT_LT(ClosestPair(*FindPalette("Classic"), kDeficiencies[0].seen, which), 8) << which;
    EXPECT_EQ(which, "#3060e8 and #a838d0");
    const Matrix none{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EXPECT_GT(ClosestPair(*FindPalette("Classic"), none, which), kDistinct) << which;
}

TEST(Palettes, TenOrMoreUniquelyNamedEachWithItsLook) {
    const auto all = BuiltInPalettes();
    ASSERT_GE(all.size(), 10u);
    EXPECT_EQ(all[0].name, "Classic");
    std::vector<std::string> names;
    for (const Palette& p : all) {
        std::string lower(p.name);
        std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return std::tolower(c); });
        names.push_back(lower);
        EXPECT_GE(p.ramp.size(), 2u) << p.name;
        EXPECT_GE(p.oldAge, 2) << p.name;  // the ramp spans oldAge - 1 generations
        // Every live colour stands out from the background, on a projector
        // as on a panel (WCAG's 3:1 for graphics).
        for (const Rgb c : p.ramp) EXPECT_GE(ContrastRatio(c, p.background), 3.0) << p.name << " " << HexColour(c);
        // The trail lies between the live cells and the background.
        EXPECT_NE(p.trail, p.background) << p.name;
    }
    std::ranges::sort(names);
    EXPECT_EQ(std::ranges::adjacent_find(names), names.end());
    for (const char* name : {"Classic", "Mono", "Paper", "Colorblind"}) EXPECT_NE(FindPalette(name), nullptr) << name;
    // Classic's entries are the bitmaps' faces; Mono is greys only; Paper is
    // dark cells on a light background; the others are on black, for OLED.
    EXPECT_EQ(HexColour(FindPalette("Classic")->ramp[0]), "#e02828");
    EXPECT_EQ(HexColour(FindPalette("Classic")->trail), "#2c2c30");
    const Palette& mono = *FindPalette("Mono");
    for (const Rgb c : {mono.background, mono.trail, mono.ramp[0], mono.ramp.back()})
        EXPECT_TRUE(c.r == c.g && c.g == c.b) << HexColour(c);
    const Palette& paper = *FindPalette("Paper");
    EXPECT_GT(RelativeLuminance(paper.background), 0.8);
    for (const Rgb c : paper.ramp) EXPECT_LT(RelativeLuminance(c), 0.2) << HexColour(c);
    for (const Palette& p : all) {
        if (p.name != "Paper") {
            EXPECT_EQ(p.background, (Rgb{0, 0, 0})) << p.name;
        }
    }
}

// In any case, blanks and tabs around the name aside.
TEST(Palettes, FoundByNameInAnyCase) {
    struct Row {
        const char* name;
        const char* found;
    };
    for (const Row& row : std::initializer_list<Row>{{"Paper", "Paper"}, {"colorblind", "Colorblind"},
                                                     {"MONO", "Mono"}, {"", nullptr}, {"Pape", nullptr},
                                                     {" Paper\t", "Paper"}, {"Classic\n", nullptr}}) {
        const Palette* p = FindPalette(row.name);
        if (row.found == nullptr) {
            EXPECT_EQ(p, nullptr) << row.name;
        } else {
            ASSERT_NE(p, nullptr) << row.name;
            EXPECT_EQ(p->name, row.found);
        }
    }
    EXPECT_EQ(HexColour({0, 15, 255}), "#000fff");
    EXPECT_EQ(HexColour({160, 10, 171}), "#a00aab");
}

}  // namespace
}  // namespace tovra
