#include "tovra-life/LifeCli.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <new>

#include "automaton/Automaton.h"
#include "automaton/Generation.h"
#include "automaton/PatternLibrary.h"
#include "automaton/Random.h"
#include "automaton/Rle.h"
#include "settings/Conversions.h"
#include "settings/Palette.h"
#include "settings/SaverSettings.h"
#include "tovra-life/FlashAnalysis.h"
#include "tovra-life/Render.h"

namespace tovra::life {

namespace {

const char kUsage[] =
    "usage: tovra-life [--width W --height H --edges torus|island] --generations N [--out FILE] PATTERN.rle\n"
    "       tovra-life --width W --height H --edges torus|island --generations N [--out FILE] --soup PERCENT "
    "[--seed S]\n"
    "       tovra-life --width W --height H --edges torus|island --generations N [--out FILE] "
    "--seeding random|patterns|mixed [--patterns DIR] [--seed S]\n"
    "       tovra-life --render DIR --seconds S [--fps F] [--speed MS] [--cell-size N] [--reseed N] [LOOK] "
    "[--width W --height H --edges torus|island] PATTERN.rle | --soup PERCENT [--seed S] | --seeding MODE "
    "[--patterns DIR] [--seed S]\n"
    "         LOOK: [--palette NAME] [--age-colors] [--fade N] [--smooth] [--cell-shape square|rounded|dot] "
    "[--rainbow] [--color red|yellow|green|blue|purple] [--reduce-flashing auto|on|off] [--burn-in-guard]\n"
    "       tovra-life --flashes DIR --fps F [--dpi D]\n"
    "       tovra-life --still DIR --fps F [--background RRGGBB]\n"
    "       tovra-life --list-patterns [DIR]\n"
    "       tovra-life --list-palettes\n";

struct Options {
    std::optional<int> width, height, generations, soup;
    std::optional<Edges> edges;
    std::optional<unsigned long long> seed;
    std::optional<SeedingMode> seeding;
    std::optional<std::string> patterns;  // --patterns DIR
    std::optional<std::string> list;      // --list-patterns [DIR]: the folder, or "" for the built-in library
    bool listPalettes = false;
    std::string out;
    std::string pattern;
    // --render DIR and the picture's options.
    std::optional<std::string> render;
    std::optional<int> cellSize, speed, reseed, fade, color;
    std::optional<double> fps, seconds;
    std::optional<std::string> palette;
    std::optional<CellShape> shape;
    std::optional<ReduceFlashing> flashing;
    bool ageColors = false, smooth = false, rainbow = false, burnInGuard = false;
    std::vector<std::string> renderOnly;  // the options given that only --render takes
};

template <typename T>
bool ParseNumber(const std::string& text, T& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Counts from `least` on: sizes (1) and the number of generations (0).
bool ParseCount(const std::string& flag, const std::string& text, std::optional<int>& slot, std::string& problem,
                int least = 1) {
    int v = 0;
    if (!ParseNumber(text, v)) {
        problem = flag + " needs a whole number, got '" + Quote(text) + "'";
        return false;
    }
    if (v < least) {
        problem = flag + " must be at least " + std::to_string(least) + ", got " + Quote(text);
        return false;
    }
    slot = v;
    return true;
}

constexpr std::array<const char*, kColorCount> kColorNames = {"red", "yellow", "green", "blue", "purple"};

// A whole number from `least` to `most`.
bool ParseRange(const std::string& flag, const std::string& text, int least, int most, std::optional<int>& slot,
                std::string& problem) {
    int v = 0;
    if (!ParseNumber(text, v) || v < least || v > most) {
        problem = flag + " needs a whole number from " + std::to_string(least) + " to " + std::to_string(most) +
                  ", got '" + Quote(text) + "'";
        return false;
    }
    slot = v;
    return true;
}

// A decimal number above 0 (or from 0 with `zero`) and at most `most`.
bool ParseTime(const std::string& flag, const std::string& text, bool zero, double most, std::optional<double>& slot,
               std::string& problem) {
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v) || v < 0 || (v == 0 && !zero) ||
        v > most) {
        problem = flag + " needs a number " + (zero ? "from 0" : "above 0") + " to " + DoubleText(most) + ", got '" +
                  Quote(text) + "'";
        return false;
    }
    slot = v;
    return true;
}

bool ParseArgs(const std::vector<std::string>& args, Options& o, std::string& problem) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--list-patterns") {
            // The folder is optional: the next argument, unless it is an option.
            o.list = i + 1 < args.size() && !args[i + 1].starts_with("--") ? args[++i] : "";
            continue;
        }
        if (a == "--list-palettes") {
            o.listPalettes = true;
            continue;
        }
        if (a == "--age-colors" || a == "--smooth" || a == "--rainbow" || a == "--burn-in-guard") {
            (a == "--age-colors" ? o.ageColors : a == "--smooth" ? o.smooth : a == "--rainbow" ? o.rainbow : o.burnInGuard) = true;
            o.renderOnly.push_back(a);
            continue;
        }
        if (a.size() > 2 && a.starts_with("--")) {
            if (i + 1 >= args.size()) {
                problem = Quote(a) + " needs a value";
                return false;
            }
            const std::string& v = args[++i];
            const bool forRender = a == "--cell-size" || a == "--speed" || a == "--fps" || a == "--seconds" ||
                                   a == "--reseed" || a == "--palette" || a == "--fade" || a == "--cell-shape" ||
                                   a == "--color" || a == "--reduce-flashing";
            if (forRender) o.renderOnly.push_back(a);
            if (a == "--render") {
                if (v.empty()) {
                    problem = "--render needs a folder";
                    return false;
                }
                o.render = v;
            } else if (a == "--cell-size") {
                if (!ParseRange(a, v, kMinCellSize, kMaxCellSize, o.cellSize, problem)) return false;
            } else if (a == "--speed") {
                if (!ParseRange(a, v, 0, kMaxTimerInterval, o.speed, problem)) return false;
            } else if (a == "--reseed") {
                if (!ParseRange(a, v, 1, 32767, o.reseed, problem)) return false;
            } else if (a == "--fade") {
                if (!ParseRange(a, v, 0, kMaxFade, o.fade, problem)) return false;
            } else if (a == "--fps") {
                if (!ParseTime(a, v, false, 1000.0, o.fps, problem)) return false;
            } else if (a == "--seconds") {
                if (!ParseTime(a, v, true, kMaxRenderSeconds, o.seconds, problem)) return false;
            } else if (a == "--palette") {
                const Palette* found = FindPalette(v);
                if (found == nullptr) {
                    std::string names;
                    for (const Palette& p : BuiltInPalettes()) names += (names.empty() ? "" : ", ") + std::string(p.name);
                    problem = "--palette names no built-in palette: '" + Quote(v) + "' (there are " + names + ")";
                    return false;
                }
                o.palette = std::string(found->name);
            } else if (a == "--cell-shape") {
                o.shape = ParseCellShape(v);
                if (!o.shape) {
                    problem = "--cell-shape must be square, rounded or dot, got '" + Quote(v) + "'";
                    return false;
                }
            } else if (a == "--reduce-flashing") {
                o.flashing = ParseReduceFlashing(v);
                if (!o.flashing) {
                    problem = "--reduce-flashing must be auto, on or off, got '" + Quote(v) + "'";
                    return false;
                }
            } else if (a == "--color") {
                for (std::size_t c = 0; c < kColorNames.size(); ++c)
                    if (v == kColorNames[c]) o.color = static_cast<int>(c);
                if (!o.color) {
                    problem = "--color must be red, yellow, green, blue or purple, got '" + Quote(v) + "'";
                    return false;
                }
            } else if (a == "--width") {
                if (!ParseCount(a, v, o.width, problem)) return false;
            } else if (a == "--height") {
                if (!ParseCount(a, v, o.height, problem)) return false;
            } else if (a == "--generations") {
                if (!ParseCount(a, v, o.generations, problem, 0)) return false;
            } else if (a == "--edges") {
                if (v == "torus") o.edges = Edges::Torus;
                else if (v == "island") o.edges = Edges::Island;
                else {
                    problem = "--edges must be torus or island, got '" + Quote(v) + "'";
                    return false;
                }
            } else if (a == "--soup") {
                int p = 0;
                if (!ParseNumber(v, p) || p < 0 || p > 100) {
                    problem = "--soup needs a percentage from 0 to 100, got '" + Quote(v) + "'";
                    return false;
                }
                o.soup = p;
            } else if (a == "--seed") {
                unsigned long long s = 0;
                if (!ParseNumber(v, s)) {
                    problem = "--seed needs a non-negative whole number, got '" + Quote(v) + "'";
                    return false;
                }
                o.seed = s;
            } else if (a == "--seeding") {
                if (v == "random") o.seeding = SeedingMode::Random;
                else if (v == "patterns") o.seeding = SeedingMode::Patterns;
                else if (v == "mixed") o.seeding = SeedingMode::Mixed;
                else {
                    problem = "--seeding must be random, patterns or mixed, got '" + Quote(v) + "'";
                    return false;
                }
            } else if (a == "--patterns") {
                if (v.empty()) {
                    problem = "--patterns needs a folder";
                    return false;
                }
                o.patterns = v;
            } else if (a == "--out") {
                if (v.empty()) {
                    problem = "--out needs a file name";
                    return false;
                }
                o.out = v;
            } else {
                problem = "unknown option " + Quote(a);
                return false;
            }
        } else {
            if (!o.pattern.empty()) {
                problem = "more than one pattern file given: '" + Quote(o.pattern) + "' and '" + Quote(a) + "'";
                return false;
            }
            o.pattern = a;
        }
    }
    if (o.listPalettes) {
        if (args.size() > 1) {
            problem = "--list-palettes takes no other argument";
            return false;
        }
        return true;
    }
    if (o.list) {
        if (args.size() > (o.list->empty() ? 1u : 2u)) {
            problem = "--list-patterns takes only a folder";
            return false;
        }
        return true;
    }
    if (!o.render && !o.renderOnly.empty()) {
        problem = o.renderOnly.front() + " applies only to --render";
        return false;
    }
    if (o.render) {
        if (o.generations || !o.out.empty()) {
            problem = "--render runs for --seconds S; it takes no --generations or --out";
            return false;
        }
        if (!o.seconds) {
            problem = "missing --seconds S (the simulated time to render)";
            return false;
        }
        if (o.reseed && !o.seeding) {
            problem = "--reseed applies only to --seeding";
            return false;
        }
        if (o.seeding && o.seed && *o.seed >= 86400) {
            problem = "--seed with --render and --seeding is the time of day the clock starts at, in seconds from 0 to "
                      "86399, got '" + std::to_string(*o.seed) + "'";
            return false;
        }
    } else if (!o.generations) {
        problem = "missing --generations N";
        return false;
    }
    if (static_cast<int>(o.soup.has_value()) + !o.pattern.empty() + o.seeding.has_value() > 1) {
        problem = "give only one of a pattern file, --soup and --seeding";
        return false;
    }
    if (!o.soup && !o.seeding && o.pattern.empty()) {
        problem = "missing pattern file (or --soup PERCENT, or --seeding MODE)";
        return false;
    }
    if (!o.soup && !o.seeding && o.seed) {
        problem = "--seed applies only to --soup and --seeding";
        return false;
    }
    if (!o.seeding && o.patterns) {
        problem = "--patterns applies only to --seeding";
        return false;
    }
    return true;
}

// Pattern files larger than this are refused, whatever they hold.
constexpr long long kMaxInputBytes = 64LL << 20;

// An open pattern file, read a buffer at a time up to kMaxInputBytes.
struct PatternFile {
    std::FILE* file = nullptr;
    long long bytes = 0;
    bool tooLarge = false;
    ~PatternFile() {
        if (file) std::fclose(file);
    }
    std::size_t Read(char* buffer, std::size_t size) {
        if (tooLarge) return 0;
        const std::size_t got = std::fread(buffer, 1, size, file);
        bytes += static_cast<long long>(got);
        tooLarge = bytes > kMaxInputBytes;
        return tooLarge ? 0 : got;
    }
};

// Draws nothing: the tool only counts and writes cells.
struct NoPainter final : CellPainter, TimeOfDay {
    void DrawLiveCell(int, int) override {}
    void DrawDeadCell(int, int) override {}
    void UseLiveSprite(int) override {}
    float SecondsSinceMidnight() override { return 0.0f; }
};

// One line per pattern file: file, name, size, and "ok" or why it is skipped.
void ListPatterns(const std::vector<PatternFileReport>& reports, std::ostream& out) {
    for (const PatternFileReport& r : reports) {
        const bool read = r.width > 0;
        out << Quote(r.file, 200) << '\t' << (r.name.empty() ? "-" : Quote(r.name, 200)) << '\t'
            << (read ? std::to_string(r.width) + " x " + std::to_string(r.height) : "-") << '\t'
            << (r.problem.empty() ? "ok" : "skipped: " + r.problem) << '\n';
    }
}

#ifdef TOVRA_LIFE_RENDER
// The settings the saver's display reads, as the store holds them.
void PutLook(const Options& o, Edges edges, MemorySettingsStore& store) {
    auto put = [&store](const char* key, const std::string& text) {
        store.Put(kApplicationTitle, kSettingsSection, key, text);
    };
    put(kTorusKey, BooleanText(edges == Edges::Torus));
    put(kSpeedKey, IntegerText(o.speed.value_or(300)));
    put(kCellSizeKey, IntegerText(o.cellSize.value_or(kDefaultCellSize)));
    put(kRainbowKey, BooleanText(o.rainbow));
    put(kColorKey, IntegerText(o.color.value_or(0)));
    put(kPaletteKey, o.palette.value_or(kPaletteDefaultText));
    put(kAgeColorsKey, BooleanText(o.ageColors));
    put(kFadeKey, IntegerText(o.fade.value_or(0)));
    put(kSmoothKey, BooleanText(o.smooth));
    put(kCellShapeKey, kCellShapeNames[static_cast<std::size_t>(o.shape.value_or(CellShape::Square))]);
    put(kReduceFlashingKey, kReduceFlashingNames[static_cast<std::size_t>(o.flashing.value_or(ReduceFlashing::Auto))]);
    put(kBurnInGuardKey, BooleanText(o.burnInGuard));
    if (o.seeding) {
        put(kSeedingKey, IntegerText(static_cast<int>(*o.seeding)));
        put(kDelayKey, IntegerText(o.reseed.value_or(2000)));
        if (o.patterns) put(kPatternsKey, *o.patterns);
    }
}

// When the frames are taken: every 1/fps seconds, by default at every generation.
FrameTimes RenderTimes(const Options& o) {
    const int speed = o.speed.value_or(300);
    FrameTimes t;
    t.periodUs = o.fps ? 1e6 / *o.fps : 1000.0 * (speed == 0 ? 1 : speed);
    t.totalUs = std::llround(*o.seconds * 1e6);
    return t;
}

// Why a render of frames of that many cells cannot be made, or nothing.
std::string RenderRefusal(const Options& o, int width, int height) {
    const int size = o.cellSize.value_or(kDefaultCellSize);
    const long long w = static_cast<long long>(width) * size, h = static_cast<long long>(height) * size;
    if (w > kMaxFrameWidth || h > kMaxFrameHeight)
        return "a frame of " + std::to_string(w) + " x " + std::to_string(h) + " pixels (" + std::to_string(width) +
               " x " + std::to_string(height) + " cells of " + std::to_string(size) + ") is larger than " +
               std::to_string(kMaxFrameWidth) + " x " + std::to_string(kMaxFrameHeight);
    const double frames = RenderTimes(o).Count();
    if (frames > static_cast<double>(kMaxFrames))
        return "a render of " + DoubleText(frames) + " frames is more than " + std::to_string(kMaxFrames) +
               " (fewer --seconds or a lower --fps)";
    return {};
}
#endif

// --flashes DIR --fps F [--dpi D] and --still DIR --fps F [--background RRGGBB]: a render's frames
// through the flash analyser, or the still one.
template <typename Bad>
int Analyse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Bad& bad) {
    const std::string& command = args[0];
    const bool flashes = command == "--flashes";
    if (args.size() < 2 || args[1].empty() || args[1].starts_with("--")) return bad(command + " needs a folder");
    std::optional<double> fps, dpi;
    uint32_t background = 0;
    std::string problem;
    for (std::size_t i = 2; i < args.size(); i += 2) {
        const std::string& a = args[i];
        const bool known = a == "--fps" || (flashes ? a == "--dpi" : a == "--background");
        if (!known) return bad(command + " takes only --fps and " + (flashes ? "--dpi" : "--background") + ", got '" + Quote(a) + "'");
        if (i + 1 >= args.size()) return bad(Quote(a) + " needs a value");
        const std::string& v = args[i + 1];
        if (a == "--background") {
            const std::string hex = v.starts_with("#") ? v.substr(1) : v;
            unsigned long value = 0;
            auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
            if (hex.size() != 6 || ec != std::errc() || end != hex.data() + hex.size())
                return bad("--background needs a colour as rrggbb, got '" + Quote(v) + "'");
            background = static_cast<uint32_t>(value);
        } else if (!ParseTime(a, v, false, a == "--dpi" ? 10000.0 : flashes ? double{kMostFramesASecond} : 1000.0,
                              a == "--fps" ? fps : dpi, problem)) {
            return bad(problem);
        }
    }
    if (!fps) return bad("missing --fps F (the frames' rate)");
#ifdef TOVRA_LIFE_RENDER
    return flashes ? AnalyseFrames(args[1], *fps, dpi.value_or(96), out, err) : AnalyseStillness(args[1], *fps, background, out, err);
#else
    (void)out, (void)err, (void)background;
    return bad(command + " is not available in this build");
#endif
}

}  // namespace

int RunLifeCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               unsigned long long (*seedFromClock)()) {
    namespace fs = std::filesystem;
    Options o;
    std::string problem;
    auto say = [&](int status, const std::string& message) {
        err << "tovra-life: " << message << "\n";
        return status;
    };
    auto bad = [&](const std::string& message) { return say(kExitBadInput, message); };
    if (args.empty()) {
        err << kUsage;
        return kExitBadInput;
    }
    if (args[0] == "--flashes" || args[0] == "--still") return Analyse(args, out, err, bad);
    if (!ParseArgs(args, o, problem)) return bad(problem);

    if (o.listPalettes) {
        // Name, background and the live colours from newborn to old, tab-separated.
        for (const Palette& p : BuiltInPalettes()) {
            out << p.name << '\t' << HexColour(p.background) << '\t';
            for (std::size_t i = 0; i < p.ramp.size(); ++i) out << (i ? " " : "") << HexColour(p.ramp[i]);
            out << '\n';
        }
        return kExitOk;
    }

    PatternLibrary library;
    std::vector<PatternFileReport> reports;
    const std::optional<std::string> folder = o.list && !o.list->empty() ? o.list : o.patterns;
    if (o.list && o.list->empty()) library.AddBuiltIn(&reports);
    if (o.seeding && *o.seeding != SeedingMode::Random) library.AddBuiltIn();
    if (folder && !library.AddFolder(*folder, &reports, problem))
        return say(kExitFailure, "cannot read pattern folder '" + Quote(*folder, 200) + "': " + problem);
    if (o.list) {
        ListPatterns(reports, out);
        return kExitOk;
    }

    if (o.width && o.height && static_cast<long long>(*o.width) * *o.height > kMaxGridCells)
        return bad("grid of " + std::to_string(*o.width) + " x " + std::to_string(*o.height) +
                   " is too large (at most " + std::to_string(kMaxGridCells) + " cells)");
    const std::string outName = Quote(o.out, 200);
    std::error_code ec;
    if (!o.out.empty() && fs::is_directory(o.out, ec))
        return say(kExitFailure, "cannot write output file '" + outName + "': it is a directory");

    int width = 0, height = 0;
    auto render = [&](const CellGrid* cells, Edges edges) {
#ifdef TOVRA_LIFE_RENDER
        const std::string refusal = RenderRefusal(o, width, height);
        if (!refusal.empty()) return bad(refusal);
        MemorySettingsStore store;
        PutLook(o, edges, store);
        RenderJob job;
        job.folder = *o.render;
        job.columns = width, job.rows = height, job.cellSize = o.cellSize.value_or(kDefaultCellSize);
        job.times = RenderTimes(o);
        // The saver seeds from the time of day: --seed sets the clock's start;
        // placed cells need no seeding, and start the clock at midnight.
        if (cells != nullptr) job.startSeconds = 0.0f;
        else if (o.seed) job.startSeconds = static_cast<float>(*o.seed);
        job.cells = cells;
        job.store = &store;
        return RenderFrames(job, err);
#else
        (void)cells, (void)edges;
        return bad("--render is not available in this build");
#endif
    };
    try {
        CellGrid grid;
        Edges edges = Edges::Torus;
        if (o.seeding) {
            if (!o.width || !o.height || !o.edges) return bad("--seeding needs --width, --height and --edges");
            width = *o.width;
            height = *o.height;
            edges = *o.edges;
            if (o.render) return render(nullptr, edges);
            // An empty grid and one seeding, as the screen saver makes it.
            NoPainter painter;
            RuntimeRandom random(o.seed ? *o.seed : seedFromClock());
            Automaton automaton(painter, random, painter);
            automaton.ResizeGrid(width - 1, height - 1);
            automaton.torus = edges == Edges::Torus;
            automaton.seeding = *o.seeding;
            automaton.patterns = &library;
            automaton.SeedGrid();
            grid = std::move(automaton.grid);
        } else if (o.soup) {
            if (!o.width || !o.height || !o.edges) return bad("--soup needs --width, --height and --edges");
            width = *o.width;
            height = *o.height;
            edges = *o.edges;
            grid.Resize(width - 1, height - 1);
            RuntimeRandom random(o.seed ? *o.seed : seedFromClock());
            const float chance = static_cast<float>(*o.soup) / 100.0f;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (random.Rnd() < chance) grid.Set(x, y, CellGrid::kLive);
        } else {
            const std::string name = Quote(o.pattern, 200);
            const fs::file_status status = fs::status(o.pattern, ec);
            if (fs::is_directory(status))
                return say(kExitFailure, "cannot read pattern file '" + name + "': it is a directory");
            if (fs::is_regular_file(status) && static_cast<long long>(fs::file_size(o.pattern, ec)) > kMaxInputBytes)
                return bad("pattern file '" + name + "' is larger than 64 MiB");
            PatternFile file;
            file.file = std::fopen(o.pattern.c_str(), "rb");
            if (!file.file)
                return say(kExitFailure, "cannot read pattern file '" + name + "': " + std::strerror(errno));
            RleReader reader([&file](char* buffer, std::size_t size) { return file.Read(buffer, size); });
            RleError rleError;
            auto refuse = [&]() {
                if (std::ferror(file.file)) return say(kExitFailure, "cannot read pattern file '" + name + "'");
                if (file.tooLarge) return bad("pattern file '" + name + "' is larger than 64 MiB");
                return bad(name + (rleError.line > 0 ? ":" + std::to_string(rleError.line) : std::string()) +
                           ": malformed RLE: " + rleError.message);
            };
            RleHeader header;
            if (!reader.ReadHeader(header, rleError)) return refuse();
            if (o.width || o.height || o.edges) {
                if (!o.width || !o.height || !o.edges) return bad("--width, --height and --edges go together");
                width = *o.width;
                height = *o.height;
                edges = *o.edges;
            } else if (header.bounds) {
                width = header.bounds->width;
                height = header.bounds->height;
                edges = header.bounds->edges;
            } else {
                return bad("no grid size: give --width, --height and --edges, or a rule such as B3/S23:T80,60");
            }
            if (header.width > width || header.height > height) {
                return bad("pattern of " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                           " does not fit the grid of " + std::to_string(width) + " x " + std::to_string(height));
            }
            grid.Resize(width - 1, height - 1);
            if (!reader.ReadCells(grid, rleError)) return refuse();
        }

        if (o.render) return render(&grid, edges);
        CellGrid next(grid.MaxCol(), grid.MaxRow());
        out << "0: " << grid.Population() << "\n";
        for (int g = 1; g <= *o.generations; ++g) {
            ComputeNextGeneration(grid, edges, next);
            std::swap(grid, next);
            out << g << ": " << grid.Population() << "\n";
        }
        out.flush();

        if (!o.out.empty()) {
            // Write beside the target and rename over it, so that a failed
            // write leaves no file and nothing but a file is ever replaced.
            const std::string temp = o.out + ".part";
            ec.clear();
            std::ofstream file(temp, std::ios::binary | std::ios::trunc);
            if (!file) ec.assign(errno, std::generic_category());
            WriteRle(grid, edges, file);
            file.close();
            if (file) fs::rename(temp, o.out, ec);
            if (!file || ec) {
                const std::string reason = ec ? ": " + ec.message() : std::string();
                fs::remove(temp, ec);
                return say(kExitFailure, "cannot write output file '" + outName + "'" + reason);
            }
        }
    } catch (const std::bad_alloc&) {
        return say(kExitFailure, "not enough memory for a grid of " + std::to_string(width) + " x " +
                                     std::to_string(height));
    }
    return kExitOk;
}

}  // namespace tovra::life
