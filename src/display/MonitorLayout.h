#pragma once
// Where the worlds lie in the display window: one world over the whole client
// area, or one per monitor, each with its cell pitch in pixels. Monitors come
// from the platform with their rectangles on the screen and their dots per
// inch; the worlds are given in the window's client coordinates.

#include <vector>

#include "settings/CellSize.h"

namespace tovra {

// A rectangle in pixels.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A monitor: its rectangle on the (virtual) screen and its dots per inch.
struct MonitorArea {
    PixelRect rect;
    int dpi = kBaseDpi;
};

// A world: cell (c, r) covers the pitch x pitch pixels from
// (x + pitch c, y + pitch r) of the client area.
struct WorldArea {
    int x = 0, y = 0, pitch = kDefaultCellSize, columns = 0, rows = 0;
    bool operator==(const WorldArea&) const = default;
};

// A screen output as the platform reports it: the part of the screen it shows
// and the width of its panel in millimetres (0 where unknown); a turned
// output's panel runs along the output's height.
struct ScreenOutput {
    PixelRect rect;
    int widthMm = 0;
    bool turned = false;
};

// The dots per inch of the first output that shows the pixel (x, y) and knows
// its panel's width; 0 where none does.
double OutputDpiAt(const std::vector<ScreenOutput>& outputs, int x, int y);

// The cell pitch on a monitor of `dpi` dots per inch: `cellSize` pixels, or
// under kAutoCellSize 10 pixels at 100% scaled with the monitor's scaling,
// rounded to the nearest pixel and kept within 10 to 40. A dpi of 0 or below
// (unknown) counts as 100%.
int CellPitchFor(int cellSize, int dpi);

// The worlds for a client area at `client` on the screen:
// - one world over the whole client area (eachMonitor false, or no monitor
//   shows any of it), its pitch from the monitor that shows the most of it
//   (the first of equals; 100% where none does);
// - with eachMonitor, one world per monitor that shows part of the client
//   area, over that part, at that monitor's pitch, in the order given.
//   Parts of the client area that no monitor shows hold no cell.
// A world's grid has the whole cells that fit: Int(width / pitch) columns
// and Int(height / pitch) rows.
std::vector<WorldArea> LayoutWorlds(const PixelRect& client, const std::vector<MonitorArea>& monitors, int cellSize,
                                    bool eachMonitor);

}  // namespace tovra
