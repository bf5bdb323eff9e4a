#include "display/Sprites.h"

#include <cmath>

namespace tovra {

SpriteHandle LoadSprite(GdiCalls& gdi, const std::string& path) {
    const GdiHandle dc = gdi.CreateCompatibleDC();
    if (dc < 1) return 0;
    const GdiHandle bitmap = gdi.LoadBitmapFile(path);
    if (bitmap == 0) {
        gdi.DeleteDC(dc);
        return 0;
    }
    gdi.SelectObject(dc, bitmap);
    return dc;
}

int FreeSprite(GdiCalls& gdi, SpriteHandle sprite) {
    if (sprite <= 0) return 0;
    // The bitmap stays selected for the sprite's whole life; it can only be
    // deleted once its context is gone.
    const GdiHandle bitmap = gdi.SelectedBitmap(sprite);
    const int result = gdi.DeleteDC(sprite);
    if (bitmap != 0) gdi.DeleteObject(bitmap);
    return result;
}

int SnapToCell(int pixel) {
    // nearbyint rounds half to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(static_cast<double>(pixel) / 10.0));
}

}  // namespace tovra
