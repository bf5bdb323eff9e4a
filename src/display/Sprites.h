#pragma once
// Cell sprites: a bitmap file loaded once into a memory drawing context, known
// by a positive handle (0 = no sprite). The drawing calls go through GdiCalls
// so that the sprite rules run and can be tested without a screen.

#include <array>
#include <cstdint>
#include <string>

#include "display/CellFrame.h"

namespace tovra {

using SpriteHandle = int64_t;  // 0 = none; valid handles are positive
using GdiHandle = int64_t;     // a platform context or bitmap; 0 = none

// The drawing calls a sprite needs. The Win32 adapter maps them one to one
// onto CreateCompatibleDC, LoadImageA, SelectObject, GetCurrentObject,
// DeleteDC and DeleteObject.
class GdiCalls {
public:
    virtual ~GdiCalls() = default;
    virtual GdiHandle CreateCompatibleDC() = 0;                     // compatible with the screen
    virtual GdiHandle LoadBitmapFile(const std::string& path) = 0;  // at the file's own size; 0 on failure
    virtual void SelectObject(GdiHandle dc, GdiHandle bitmap) = 0;
    virtual GdiHandle SelectedBitmap(GdiHandle dc) = 0;
    virtual int DeleteDC(GdiHandle dc) = 0;  // non-zero on success
    virtual void DeleteObject(GdiHandle object) = 0;
    // The 10 x 10 pixels at (0, 0) of the bitmap selected into `sprite`, as
    // copying them to the window would show them; read once, at load.
    virtual SpritePixels SpritePixelsOf(GdiHandle sprite) = 0;
};

// The six bitmap files beside the program, each name with its own leading
// separator: five live-cell colours in the order of the Color setting, then
// the dead cell.
inline constexpr int kLiveSpriteCount = 5;
inline constexpr std::array<const char*, kLiveSpriteCount> kLiveSpriteFiles = {
    "\\cell.bmp", "\\cellyellow.bmp", "\\cellgreen.bmp", "\\cellblue.bmp", "\\cellpurple.bmp"};
inline constexpr const char* kDeadSpriteFile = "\\deadcell.bmp";

// Loads a bitmap file into a new memory context. Returns the context, or 0
// (and leaves nothing behind) when no context can be made or the file does
// not load.
SpriteHandle LoadSprite(GdiCalls& gdi, const std::string& path);

// Releases a sprite's context and its bitmap; a handle of 0 or below calls nothing.
void FreeSprite(GdiCalls& gdi, SpriteHandle sprite);

// A pixel position snapped to the cell pitch: the cell index, position / 10
// rounded half to even.
int SnapToCell(int pixel);

}  // namespace tovra
