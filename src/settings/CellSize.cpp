#include "settings/CellSize.h"

#include <algorithm>
#include <charconv>

namespace tovra {

std::optional<int> ParseCellSize(std::string_view text) {
    constexpr std::string_view kAuto = "auto";
    if (text.size() == kAuto.size() &&
        std::equal(text.begin(), text.end(), kAuto.begin(), [](char a, char b) { return (a | 0x20) == b; }))
        return kAutoCellSize;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || ec != std::errc() || end != text.data() + text.size() ||
        value < kMinCellSize || value > kMaxCellSize)
        return std::nullopt;
    return value;
}

std::string CellSizeText(int cellSize) {
    return cellSize == kAutoCellSize ? "Auto" : std::to_string(cellSize);
}

}  // namespace tovra
