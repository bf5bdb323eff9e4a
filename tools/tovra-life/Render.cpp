#include "tovra-life/Render.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <vector>

#include "automaton/Random.h"
#include "automaton/Rle.h"
#include "display/SaverDisplay.h"
#include "display/linux/LinuxRun.h"
#include "settings/Conversions.h"
#include "settings/Palette.h"
#include "tovra-life/FlashAnalysis.h"
#include "tovra-life/LifeCli.h"
#include "tovra-life/PngFile.h"
#include "tovra-life/RenderPlatform.h"

#ifndef TOVRA_DATA_DIR
#define TOVRA_DATA_DIR "/usr/share/tovra"
#endif

namespace tovra::life {

float RenderPlatform::SecondsSinceMidnight() {
    return static_cast<float>(static_cast<double>((startUs_ + nowUs_) % kMicrosPerDay) / 1e6);
}

void RenderPlatform::PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) {
    const uint32_t* pixels = frame.Pixels();  // the render's frame keeps 4-byte pixels of its own
    for (const FrameRect& r : parts)
        for (int y = r.y; y < r.y + r.height; ++y)
            std::memcpy(&shown_[static_cast<std::size_t>(y) * width_ + r.x],
                        pixels + static_cast<std::size_t>(y) * frame.Stride() + r.x, static_cast<std::size_t>(r.width) * 4);
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
bool WritePng(const std::vector<uint32_t>& pixels, int width, int height, const std::filesystem::path& path,
              std::string& problem) {
    std::vector<unsigned char> png;
    if (pixels.empty() || !EncodePng(pixels.data(), width, height, width, png)) {
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

std::string FrameName(long long k) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05lld.png", k);
    return name;
}

}  // namespace

namespace {

// Each frame a render wrote into `folder`, from frame-00000.png up to the
// first missing, to `use` (width, height, pixels); false after one line on
// `err` when one cannot be read or differs in size from the first.
bool ReadFrames(const std::string& folder, std::ostream& err,
                const std::function<void(int, int, const std::vector<uint32_t>&)>& use) {
    namespace fs = std::filesystem;
    int width = 0, height = 0;
    for (long long k = 0;; ++k) {
        const fs::path path = fs::path(folder) / FrameName(k);
        const std::string name = Quote(path.string(), 200);
        std::ifstream file(path, std::ios::binary);
        if (!file && k > 0) return true;
        std::string problem = file ? "" : std::strerror(errno);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        if (problem.empty() && DecodePng(bytes, w, h, pixels, problem) && k == 0) width = w, height = h;
        if (problem.empty() && (w != width || h != height))
            problem = std::to_string(w) + " x " + std::to_string(h) + " pixels, the frames before it " + std::to_string(width) +
                      " x " + std::to_string(height);
        if (!problem.empty()) {
            err << "tovra-life: cannot read '" << name << "': " << problem << "\n";
            return false;
        }
        use(w, h, pixels);
    }
}

// An analyser of type A, made for the first frame's size with `settings`
// after it, fed every frame; none when a frame cannot be read.
template <typename A, typename... Settings>
std::optional<A> Analysed(const std::string& folder, std::ostream& err, Settings... settings) {
    std::optional<A> analyser;
    const bool read = ReadFrames(folder, err, [&](int w, int h, const std::vector<uint32_t>& pixels) {
        if (!analyser) analyser.emplace(w, h, settings...);
        analyser->Add(pixels.data(), w);
    });
    return read ? std::move(analyser) : std::nullopt;
}

}  // namespace

int AnalyseFrames(const std::string& folder, double fps, double dpi, std::ostream& out, std::ostream& err) {
    const std::optional<FlashAnalyser> analyser = Analysed<FlashAnalyser>(folder, err, fps, dpi);
    if (!analyser) return kExitFailure;
    const FlashReport& r = analyser->Report();
    out << "frames: " << r.frames << ", " << DoubleText(fps) << " a second; an area is " << analyser->AreaWidth() << " x "
        << analyser->AreaHeight() << " pixels\n"
        << "worst second: " << r.generalFlashes << " general and " << r.redFlashes << " red flashes, ending at "
        << DoubleText(std::round(r.worstSecondEnds * 1000) / 1000) << " s\n"
        << "largest share of an area flashing more than " << kMostFlashesASecond << " times in a second: "
        << DoubleText(std::round(r.share * 1000) / 10) << "%\n"
        << "passes: " << (r.Passes() ? "yes" : "no") << "\n";
    return r.Passes() ? kExitOk : kExitFlashes;
}

int AnalyseStillness(const std::string& folder, double fps, uint32_t background, std::ostream& out, std::ostream& err) {
    const std::optional<StillAnalyser> analyser = Analysed<StillAnalyser>(folder, err, fps, background);
    if (!analyser) return kExitFailure;
    const StillReport& r = analyser->Report();
    out << "frames: " << r.frames << ", " << DoubleText(fps) << " a second\n";
    if (r.x < 0) out << "no pixel other than the background " << HexColour(Unpacked(background)) << "\n";
    else
        out << "longest one lit colour held: " << DoubleText(std::round(r.longestSeconds * 10) / 10) << " s, at " << r.x << ","
            << r.y << " in " << HexColour(Unpacked(r.colour)) << "\n";
    return kExitOk;
}

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
        const std::string name = FrameName(k);
        std::string problem;
        if (!WritePng(platform.Shown(), width, height, fs::path(job.folder) / name, problem))
            return fail("cannot write '" + folderName + "/" + name + "': " + problem);
    }
    display.BeforeUnload();
    display.Unload();
    return kExitOk;
}

}  // namespace tovra::life
