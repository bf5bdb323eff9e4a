#include "display/linux/LinuxRun.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "display/linux/BitmapCells.h"

namespace tovra {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int signal) { stopRequested = signal; }

}  // namespace

void CatchStopSignals() {
    stopRequested = 0;
    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

int StopSignal() { return stopRequested; }

void RaiseStopSignal() {
    if (const int stop = StopSignal()) {
        std::signal(stop, SIG_DFL);
        std::raise(stop);
    }
}

std::string ProgramFileFolder() {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : file.parent_path().string();
}

std::string CellBitmapFolder(const std::string& installedFolder) {
    const std::string folder = ProgramFileFolder();
    return !folder.empty() && access((folder + "/cell.bmp").c_str(), R_OK) == 0 ? folder : installedFolder;
}

float LocalSecondsSinceMidnight() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return static_cast<float>(local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9);
}

double ProcessCpuSeconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + used.tv_nsec / 1e9;
}

FileSprites::Object* FileSprites::Lookup(GdiHandle handle) {
    if (handle < 1 || handle > static_cast<GdiHandle>(objects_.size())) return nullptr;
    return &objects_.at(static_cast<std::size_t>(handle - 1));
}

GdiHandle FileSprites::CreateCompatibleDC() {
    objects_.push_back({true, 0, {}});
    return static_cast<GdiHandle>(objects_.size());
}

GdiHandle FileSprites::LoadBitmapFile(const std::string& path) {
    std::string file = path;
    if (file.size() > dataFolder_.size() && file.compare(0, dataFolder_.size(), dataFolder_) == 0 &&
        file[dataFolder_.size()] == '\\')
        file[dataFolder_.size()] = '/';
    // A signal during start-up ends the run: what is left is not read.
    if (StopRequested()) return 0;
    std::string problem;
    SpritePixels pixels = LoadCellBitmap(file, &problem);
    if (!pixels.loaded) {
        std::fprintf(stderr, "%s: cannot use the cell bitmap %s: %s; its cells are not drawn\n", program_.c_str(),
                     file.c_str(), problem.c_str());
        return 0;
    }
    ++loaded_;
    objects_.push_back({false, 0, pixels});
    return static_cast<GdiHandle>(objects_.size());
}

void FileSprites::SelectObject(GdiHandle dc, GdiHandle bitmap) {
    if (Object* d = Lookup(dc); d != nullptr && d->isContext) d->selected = bitmap;
}

GdiHandle FileSprites::SelectedBitmap(GdiHandle dc) {
    const Object* d = Lookup(dc);
    return d != nullptr ? d->selected : 0;  // a bitmap selects nothing
}

int FileSprites::DeleteDC(GdiHandle dc) {
    Object* d = Lookup(dc);
    if (d == nullptr || !d->isContext) return 0;
    *d = Object{};
    return 1;
}

void FileSprites::DeleteObject(GdiHandle object) {
    if (Object* o = Lookup(object)) o->pixels = {};  // a context has none
}

SpritePixels FileSprites::SpritePixelsOf(GdiHandle sprite) {
    const Object* dc = Lookup(sprite);
    const Object* bitmap = dc != nullptr && dc->isContext ? Lookup(dc->selected) : nullptr;
    return bitmap != nullptr ? bitmap->pixels : SpritePixels{};
}

}  // namespace tovra
