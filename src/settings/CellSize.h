#pragma once
// The "CellSize" setting: a cell's width and height in pixels, or Auto, which
// follows each monitor's scaling (10 pixels at 100%).

#include <optional>
#include <string>
#include <string_view>

namespace tovra {

inline constexpr int kBaseDpi = 96;  // 100% scaling
inline constexpr int kDefaultCellSize = 10;
inline constexpr int kMinCellSize = 10;
inline constexpr int kMaxCellSize = 40;
// The cell size that follows each monitor's scaling.
inline constexpr int kAutoCellSize = 0;

// The cell size a text names: "Auto" (any letter case) or a whole number of
// pixels from 10 to 40 in decimal digits; nothing for any other text.
std::optional<int> ParseCellSize(std::string_view text);
// The text of a cell size: "Auto" or the number.
std::string CellSizeText(int cellSize);

}  // namespace tovra
