#include "display/Sprites.h"

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

void FreeSprite(GdiCalls& gdi, SpriteHandle sprite) {
    if (sprite <= 0) return;
    // The bitmap stays selected for the sprite's whole life; it can only be
    // deleted once its context is gone.
    const GdiHandle bitmap = gdi.SelectedBitmap(sprite);
    gdi.DeleteDC(sprite);
    if (bitmap != 0) gdi.DeleteObject(bitmap);
}

int SnapToCell(int pixel) {
    // pixel / 10 rounded half to even, in integers: it runs for every cell drawn.
    int cell = pixel / 10;
    int rest = pixel % 10;
    if (rest < 0) {  // division truncates towards zero; step down to the floor
        --cell;
        rest += 10;
    }
    if (rest > 5 || (rest == 5 && (cell & 1) != 0)) ++cell;
    return cell;
}

}  // namespace tovra
