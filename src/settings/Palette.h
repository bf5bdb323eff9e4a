#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tovra {

// A colour as red, green and blue, 0 to 255 each (sRGB).
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

// The colours of a look: the background, the live cells' ramp from a newborn
// cell to an old one, the colour a dead cell's trail fades from, and the age
// in generations from which a cell shows the ramp's last colour.
struct Palette {
    std::string_view name;
    Rgb background;
    std::span<const Rgb> ramp;
    Rgb trail;
    int oldAge = 100;
};

// The built-in palettes, "Classic" first. Classic is drawn with the cell
// bitmaps; its entries are the faces of the five live bitmaps in the order of
// the Color setting and the dead cell's face, for lists and blends.
std::span<const Palette> BuiltInPalettes();

// The built-in palette of that name, in any case and without blanks around
// it; nullptr when there is none.
const Palette* FindPalette(std::string_view name);

// How a cell of a drawn palette fills its square: all of it, as the bitmaps
// do; a square with rounded corners; a round dot.
enum class CellShape { Square, Rounded, Dot };
inline constexpr std::array<const char*, 3> kCellShapeNames = {"Square", "Rounded", "Dot"};
// A shape by its name, in any case and without blanks around it.
std::optional<CellShape> ParseCellShape(std::string_view text);

// The index of a name among `names`, in any case and without blanks around it.
std::optional<std::size_t> NameIndex(std::span<const char* const> names, std::string_view text);

// "#rrggbb", lowercase.
std::string HexColour(Rgb colour);

}  // namespace tovra
