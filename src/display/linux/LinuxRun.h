#pragma once
// What the Linux programs (X11 and Wayland) share about their run: the stop
// signals, where the program and its cell bitmaps lie, the clocks, and the
// table of sprite contexts and bitmaps read from the bitmap files.

#include <string>
#include <vector>

#include "display/SaverDisplay.h"
#include "display/Sprites.h"

namespace tovra {

// SIGTERM and SIGINT no longer end the program at once: they ask the run to
// stop (StopRequested), so that the display still unloads; StopSignal then
// names the signal, and the program ends by it again once it has cleaned up,
// as an idle daemon or XScreenSaver expects. Clears an earlier request.
void CatchStopSignals();
bool StopRequested();
// The signal that ended the last run, 0 when none did.
int StopSignal();
// Ends the program by the signal that stopped its run, if one did.
void RaiseStopSignal();

// The folder that holds the program file.
std::string ProgramFileFolder();
// The folder the cell bitmaps are read from: beside the program when they
// lie there (a build tree), else `installedFolder`.
std::string CellBitmapFolder(const std::string& installedFolder);

// Local time, for the display's clock; and the processor time this process used.
float LocalSecondsSinceMidnight();
double ProcessCpuSeconds();

// Sprite contexts and bitmaps in one table of handles; a context refers to
// the bitmap selected into it. The bitmaps are read from files with
// LoadCellBitmap; the platform forwards its GdiCalls here.
class FileSprites {
public:
    // `program` begins the messages ("tovra").
    FileSprites(std::string dataFolder, std::string program)
        : dataFolder_(std::move(dataFolder)), program_(std::move(program)) {}

    GdiHandle CreateCompatibleDC();
    // A path as the display names it, with a Windows separator after the
    // folder. Prints why a file cannot be used (and loads nothing after a stop).
    GdiHandle LoadBitmapFile(const std::string& path);
    void SelectObject(GdiHandle dc, GdiHandle bitmap);
    GdiHandle SelectedBitmap(GdiHandle dc);
    int DeleteDC(GdiHandle dc);
    void DeleteObject(GdiHandle object);
    // As 0x00RRGGBB values.
    SpritePixels SpritePixelsOf(GdiHandle sprite);

    const std::string& folder() const { return dataFolder_; }
    int loaded() const { return loaded_; }

private:
    struct Object {
        bool isContext = false;
        GdiHandle selected = 0;
        SpritePixels pixels;  // of a bitmap
    };
    Object* Lookup(GdiHandle handle);

    std::string dataFolder_;
    std::string program_;
    std::vector<Object> objects_;
    int loaded_ = 0;
};

// What the Linux programs' display platforms have in common: sprites from
// the bitmap files, the local clock, and no battery pace, screen-saver flag,
// cursor count, registry or password (the daemon or compositor has them).
class FileSpritePlatform : public DisplayPlatform {
public:
    FileSpritePlatform(std::string dataFolder, std::string program) : sprites_(std::move(dataFolder), std::move(program)) {}

    GdiHandle CreateCompatibleDC() override { return sprites_.CreateCompatibleDC(); }
    GdiHandle LoadBitmapFile(const std::string& path) override { return sprites_.LoadBitmapFile(path); }
    void SelectObject(GdiHandle dc, GdiHandle bitmap) override { sprites_.SelectObject(dc, bitmap); }
    GdiHandle SelectedBitmap(GdiHandle dc) override { return sprites_.SelectedBitmap(dc); }
    int DeleteDC(GdiHandle dc) override { return sprites_.DeleteDC(dc); }
    void DeleteObject(GdiHandle object) override { sprites_.DeleteObject(object); }
    SpritePixels SpritePixelsOf(GdiHandle sprite) override { return sprites_.SpritePixelsOf(sprite); }
    float SecondsSinceMidnight() override { return LocalSecondsSinceMidnight(); }
    std::string ProgramFolder() override { return sprites_.folder(); }
    bool OnBatteryPower() override { return false; }
    void SetScreenSaverRunning(bool) override {}
    void ShowCursor(bool) override {}
    std::string ReadRegistryText(const std::string&, const std::string&) override { return "Not Found"; }
    bool VerifyScreenSavePwd() override { return true; }

protected:
    FileSprites sprites_;
};

}  // namespace tovra
