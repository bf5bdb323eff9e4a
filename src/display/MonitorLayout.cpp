#include "display/MonitorLayout.h"

#include <algorithm>
#include <cstdint>

namespace tovra {

namespace {

PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
    const int left = std::max(a.left, b.left);
    const int top = std::max(a.top, b.top);
    const int right = std::min(a.left + a.width, b.left + b.width);
    const int bottom = std::min(a.top + a.height, b.top + b.height);
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

int64_t Area(const PixelRect& r) { return static_cast<int64_t>(r.width) * r.height; }

WorldArea World(const PixelRect& part, const PixelRect& client, int pitch) {
    return {part.left - client.left, part.top - client.top, pitch, part.width / pitch, part.height / pitch};
}

}  // namespace

double OutputDpiAt(const std::vector<ScreenOutput>& outputs, int x, int y) {
    for (const ScreenOutput& o : outputs) {
        const PixelRect& r = o.rect;
        if (o.widthMm > 0 && x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height)
            return (o.turned ? r.height : r.width) * 25.4 / o.widthMm;
    }
    return 0;
}

int CellPitchFor(int cellSize, int dpi) {
    if (cellSize != kAutoCellSize) return std::clamp(cellSize, kMinCellSize, kMaxCellSize);
    if (dpi <= 0) dpi = kBaseDpi;
    // 10 x dpi / 96, halves rounded up.
    const int64_t scaled = (static_cast<int64_t>(kDefaultCellSize) * dpi * 2 + kBaseDpi) / (2 * kBaseDpi);
    return static_cast<int>(std::clamp<int64_t>(scaled, kMinCellSize, kMaxCellSize));
}

std::vector<WorldArea> LayoutWorlds(const PixelRect& client, const std::vector<MonitorArea>& monitors, int cellSize,
                                    bool eachMonitor) {
    const PixelRect whole{client.left, client.top, std::max(client.width, 0), std::max(client.height, 0)};
    std::vector<WorldArea> worlds;
    const MonitorArea* most = nullptr;
    int64_t mostShown = 0;
    for (const MonitorArea& m : monitors) {
        const PixelRect part = Intersection(m.rect, whole);
        const int64_t shown = Area(part);
        if (shown == 0) continue;
        if (eachMonitor) worlds.push_back(World(part, whole, CellPitchFor(cellSize, m.dpi)));
        if (shown > mostShown) most = &m, mostShown = shown;
    }
    if (worlds.empty()) worlds.push_back(World(whole, whole, CellPitchFor(cellSize, most ? most->dpi : kBaseDpi)));
    return worlds;
}

}  // namespace tovra
