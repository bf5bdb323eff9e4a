#include "tovra-life/Render.h"
#include "tovra-life/PngFile.h"


#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

#include "automaton/Random.h"
#include "automaton/Rle.h"
#include "display/SaverDisplay.h"
#include "display/linux/LinuxRun.h"
#include "tovra-life/RenderPlatform.h"
#include "tovra-life/LifeCli.h"

#ifndef TOVRA_DATA_DIR
#define TOVRA_DATA_DIR "/usr/share/tovra"
#endif

namespace tovra::life {

float RenderPlatform::SecondsSinceMidnight() {
    return static_cast<float>(static_cast<double>((startUs_ + nowUs_) % kMicrosPerDay) / 1e6);
}

void RenderPlatform::Timer::Start(int64_t nowUs, uint32_t ms) {
    on = true;
    periodUs = 1000 * static_cast<int64_t>(ms == 0 ? 1 : ms);
    dueUs = nowUs + periodUs;
}

void RenderPlatform::RunUntil(int64_t untilUs, const std::function<void()>& tick,
                              const std::function<void()>& frameTick) {
    for (;;) {
        Timer* next = nullptr;
        for (Timer* t : {&frames_, &generations_})
            if (t->on && t->dueUs <= untilUs && (next == nullptr || t->dueUs < next->dueUs)) next = t;
        if (next == nullptr) break;
        nowUs_ = next->dueUs;
        next->dueUs += next->periodUs;  // before the tick, which may restart or stop it
        if (next == &frames_) frameTick();
        else tick();
    }
    nowUs_ = untilUs;
}

namespace {

// The frame as an 8-bit RGB PNG file, written beside `path` and renamed
// over it; false, with nothing left behind, when it cannot be written.
bool WritePng(const CellFrame& frame, const std::filesystem::path& path,
              std::string& problem) {
    std::vector<unsigned char> png;
    if (frame.Pixels() == nullptr || !EncodePng(frame.Pixels(), frame.Width(), frame.Height(), frame.Stride(), png)) {
        problem = "the PNG encoder failed";
        return false;
    }
    const std::filesystem::path temp = path.string() + ".part";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) {
        problem = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    int error = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) ok = false, error = errno;
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, path, ec);
    if (!ok || ec) {
        problem = ec ? ec.message() : std::strerror(error);
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace

int RenderFrames(const RenderJob& job, std::ostream& err) {
    namespace fs = std::filesystem;
    auto fail = [&](const std::string& message) {
        err << "tovra-life: " << message << "\n";
        return kExitFailure;
    };
    const std::string folderName = Quote(job.folder, 200);
    std::error_code ec;
    fs::create_directories(job.folder, ec);
    if (!fs::is_directory(job.folder))
        return fail("cannot make the folder '" + folderName + "'" + (ec ? ": " + ec.message() : ": it is a file"));

    const int width = job.columns * job.cellSize, height = job.rows * job.cellSize;
    RenderPlatform platform(CellBitmapFolder(TOVRA_DATA_DIR), width, height,
                            job.startSeconds ? *job.startSeconds : LocalSecondsSinceMidnight());
    RuntimeRandom random;  // the saver's stream, seeded from the clock at every seeding
    const bool preview = false;
    SaverDisplay display(platform, *job.store, random, preview);
    display.Load();
    if (platform.loadedBitmaps() < kLiveSpriteCount + 1)
        return fail("cannot render without the six cell bitmaps of '" + Quote(platform.ProgramFolder(), 200) + "'");
    display.Resize();
    if (job.cells != nullptr) {
        display.PlaceCells(*job.cells);
        display.automaton(0).reseeding = false;
    }

    const long long count = static_cast<long long>(job.times.Count());
    for (long long k = 0; k < count; ++k) {
        platform.RunUntil(job.times.At(k), [&display] { display.Tick(); }, [&display] { display.FrameTick(); });
        char name[32];
        std::snprintf(name, sizeof name, "frame-%05lld.png", k);
        std::string problem;
        if (!WritePng(display.frame(), fs::path(job.folder) / name, problem))
            return fail("cannot write '" + folderName + "/" + name + "': " + problem);
    }
    display.BeforeUnload();
    display.Unload();
    return kExitOk;
}

}  // namespace tovra::life
