#include "settings/Palette.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tovra {

namespace {

constexpr Rgb kBlack{0, 0, 0};

constexpr std::array<Rgb, 5> kClassic{{{224, 40, 40}, {240, 212, 40}, {48, 200, 64}, {48, 96, 232}, {168, 56, 208}}};
constexpr std::array<Rgb, 4> kMono{{{255, 255, 255}, {208, 208, 208}, {160, 160, 160}, {120, 120, 120}}};
constexpr std::array<Rgb, 3> kPaper{{{26, 26, 26}, {58, 58, 72}, {90, 90, 110}}};
// The eight colours of Okabe and Ito's "Color Universal Design" palette
// (2008), chosen to stay apart for protanopes, deuteranopes and tritanopes:
// black, then yellow to bluish green, then blue. The tests hold them apart
// under Machado, Oliveira and Fernandes' simulation of the three
// dichromacies (2009, severity 1).
constexpr std::array<Rgb, 6> kColorblind{
    {{240, 228, 66}, {230, 159, 0}, {213, 94, 0}, {204, 121, 167}, {86, 180, 233}, {0, 158, 115}}};
// The trail: their blue at half its strength, so that dead cells stay
// quiet beside live ones.
constexpr Rgb kColorblindTrail{0, 57, 89};
// On black, for OLED panels (black pixels are off) and projectors (bright
// colours that stand out on a grey screen).
constexpr std::array<Rgb, 5> kEmber{{{255, 243, 176}, {255, 193, 77}, {255, 123, 28}, {217, 56, 30}, {170, 40, 24}}};
constexpr std::array<Rgb, 5> kOcean{{{224, 251, 255}, {127, 219, 255}, {42, 157, 244}, {30, 110, 220}, {40, 80, 200}}};
constexpr std::array<Rgb, 6> kAurora{
    {{234, 255, 242}, {125, 255, 176}, {46, 230, 166}, {25, 179, 196}, {110, 110, 230}, {150, 80, 210}}};
constexpr std::array<Rgb, 5> kNeon{{{255, 255, 255}, {255, 79, 216}, {180, 77, 255}, {90, 130, 255}, {0, 229, 255}}};
constexpr std::array<Rgb, 5> kForest{{{242, 255, 179}, {184, 230, 92}, {108, 194, 74}, {46, 160, 87}, {40, 130, 80}}};
constexpr std::array<Rgb, 5> kSunset{{{255, 226, 154}, {255, 164, 91}, {255, 111, 97}, {214, 69, 122}, {150, 80, 190}}};

constexpr std::array<Palette, 10> kPalettes{{
    {"Classic", kBlack, kClassic, {44, 44, 48}, 100},
    {"Mono", kBlack, kMono, {60, 60, 60}, 100},
    {"Paper", {244, 241, 234}, kPaper, {200, 196, 188}, 100},
    {"Colorblind", kBlack, kColorblind, kColorblindTrail, 100},
    {"Ember", kBlack, kEmber, {80, 20, 10}, 100},
    {"Ocean", kBlack, kOcean, {10, 40, 80}, 100},
    {"Aurora", kBlack, kAurora, {40, 24, 80}, 120},
    {"Neon", kBlack, kNeon, {50, 20, 70}, 60},
    {"Forest", kBlack, kForest, {20, 50, 30}, 150},
    {"Sunset", kBlack, kSunset, {60, 24, 70}, 100},
}};

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::span<const Palette> BuiltInPalettes() { return kPalettes; }

const Palette* FindPalette(std::string_view name) {
    name = Trimmed(name);
    const auto found = std::ranges::find_if(kPalettes, [&](const Palette& p) { return SameName(p.name, name); });
    return found == kPalettes.end() ? nullptr : &*found;
}

std::optional<std::size_t> NameIndex(std::span<const char* const> names, std::string_view text) {
    text = Trimmed(text);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameName(text, names[i])) return i;
    return std::nullopt;
}

std::optional<CellShape> ParseCellShape(std::string_view text) {
    const std::optional<std::size_t> i = NameIndex(kCellShapeNames, text);
    return i ? std::optional<CellShape>(static_cast<CellShape>(*i)) : std::nullopt;
}

std::string HexColour(Rgb colour) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "#";
    for (const std::uint8_t c : {colour.r, colour.g, colour.b}) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

}  // namespace tovra
