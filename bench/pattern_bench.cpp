// The pattern garden on an 8K screen: indexing a folder of 5,000 RLE files
// (and the memory the library keeps), and a Patterns seeding of the
// 768 x 432 grid with that library, on an empty grid and on one crowded by a
// burnt-down soup, drawing each placed cell into a 32-bit frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Rle.h"

namespace {

using namespace tovra;
namespace fs = std::filesystem;

constexpr int kCols = 768, kRows = 432, kPitch = 10;
constexpr int kFolderFiles = 5000;

// The folder, made once: random soups of 3 x 3 to 100 x 100 cells, about a
// third of them live, as RLE files of the kind pattern collections hold
// (4.5 million live cells in all), and every 250th a 400 x 400 soup.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path path = fs::temp_directory_path() / "tovra-bench-patterns";
        if (fs::exists(path / "4999.rle")) return path;
        fs::create_directories(path);
        RuntimeRandom random(2024);
        for (int i = 0; i < kFolderFiles; ++i) {
            const int side = i % 250 == 0 ? 400 : 3 + i * 37 % 98;
            CellGrid soup(side - 1, side - 1);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) soup.SetLive(x, y, random.Rnd() < 0.35f);
            std::ofstream file(path / (std::to_string(i) + ".rle"));
            file << "#N soup " << i << "\n";
            WriteRle(soup, Edges::Island, file);
        }
        return path;
    }();
    return folder;
}

// Resident memory in bytes.
double ResidentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * 4096.0;
}

void BM_IndexFolder(benchmark::State& state) {
    const fs::path& folder = Folder();
    double growth = 0;
    std::size_t patterns = 0, cells = 0;
    for (auto _ : state) {
        const double before = ResidentBytes();
        PatternLibrary library;
        std::string problem;
        library.AddBuiltIn();
        library.AddFolder(folder, nullptr, problem);
        growth = std::max(growth, ResidentBytes() - before);  // the first time: later ones reuse freed memory
        patterns = library.Size(), cells = library.CellCount();
        benchmark::DoNotOptimize(library);
    }
    state.counters["patterns"] = static_cast<double>(patterns);
    state.counters["cells"] = static_cast<double>(cells);
    state.counters["memory growth MB"] = growth / (1 << 20);
}
BENCHMARK(BM_IndexFolder)->Name("IndexFolder/5000-files")->Iterations(3)->Unit(benchmark::kMillisecond);

class FramePainter final : public CellPainter, public TimeOfDay {
public:
    void DrawLiveCell(int x, int y) override {
        uint32_t* to = frame_.data() + static_cast<std::size_t>(y) * kCols * kPitch + x;
        for (int r = 0; r < kPitch; ++r) std::memcpy(to + r * kCols * kPitch, sprite_, sizeof sprite_);
        ++draws;
    }
    void DrawDeadCell(int x, int y) override { DrawLiveCell(x, y); }
    void UseLiveSprite(int colorIndex) override { sprite_[0] = static_cast<uint32_t>(colorIndex); }
    float SecondsSinceMidnight() override { return 3600.0f; }
    long long draws = 0;

private:
    std::vector<uint32_t> frame_ = std::vector<uint32_t>(static_cast<std::size_t>(kCols) * kRows * kPitch * kPitch);
    uint32_t sprite_[kPitch] = {};
};

// range(0): 0 an empty grid, 1 a 10% soup after 300 generations; range(1): Rainbow.
void BM_PatternsSeeding(benchmark::State& state) {
    static PatternLibrary library;
    if (library.Size() == 0) {
        std::string problem;
        library.AddBuiltIn();
        library.AddFolder(Folder(), nullptr, problem);
    }
    FramePainter painter;
    RuntimeRandom random(7);
    Automaton automaton(painter, random, painter);
    automaton.torus = true, automaton.seedDelay = 30000, automaton.rainbow = state.range(1) != 0;
    automaton.ResizeGrid(kCols - 1, kRows - 1);
    for (int i = 0; i < 300 && state.range(0) == 1; ++i) automaton.Tick();
    const CellGrid start = automaton.grid;
    painter.draws = 0;
    automaton.seeding = SeedingMode::Patterns, automaton.patterns = &library;
    std::size_t placed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        automaton.grid = start;
        state.ResumeTiming();
        automaton.SeedGrid();
        placed += automaton.LastPlacements().size();
    }
    state.counters["placed"] = static_cast<double>(placed) / static_cast<double>(state.iterations());
    state.counters["draws"] = static_cast<double>(painter.draws) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PatternsSeeding)
    ->Name("PatternsSeeding/768x432")
    ->ArgNames({"crowded", "rainbow"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
