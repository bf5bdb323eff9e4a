// A whole tick (reseeding rules, step, drawing, history) on 1920 x 1080,
// 3840 x 2160 and 7680 x 4320 screens, Rainbow off and on, with a painter
// that copies each 10 x 10 sprite into a 32-bit frame; and a seeding of an
// 8K grid. Uses only the automaton's public face, so that it builds against
// earlier versions of it too.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "automaton/Automaton.h"
#include "automaton/Random.h"

namespace {

using namespace tovra;

constexpr int kPitch = 10;

class FramePainter : public CellPainter {
public:
    FramePainter(int cols, int rows)
        : width_(cols * kPitch), frame_(static_cast<std::size_t>(width_) * rows * kPitch, 0) {
        for (std::size_t s = 0; s < sprites_.size(); ++s)
            for (std::size_t p = 0; p < sprites_[s].size(); ++p)
                sprites_[s][p] = static_cast<uint32_t>(0x101010u * s + p);
    }
    void DrawLiveCell(int x, int y) override { Copy(sprites_[live_], x, y); }
    void DrawDeadCell(int x, int y) override { Copy(sprites_[kDeadSprite], x, y); }
    void UseLiveSprite(int colorIndex) override {
        live_ = static_cast<std::size_t>(colorIndex);
        ++picks;
    }
    long long draws = 0;
    long long picks = 0;

private:
    static constexpr std::size_t kDeadSprite = 5;
    void Copy(const std::array<uint32_t, kPitch * kPitch>& sprite, int x, int y) {
        uint32_t* to = frame_.data() + static_cast<std::size_t>(y) * width_ + x;
        for (int r = 0; r < kPitch; ++r) std::memcpy(to + r * width_, sprite.data() + r * kPitch, kPitch * 4);
        ++draws;
    }
    int width_;
    std::vector<uint32_t> frame_;
    std::array<std::array<uint32_t, kPitch * kPitch>, 6> sprites_{};
    std::size_t live_ = 0;
};

class FixedClock : public TimeOfDay {
public:
    float SecondsSinceMidnight() override { return 3600.0f; }
};

// Starts from an empty grid: the first tick seeds a 10% soup, as the saver
// does, with the default settings (torus, reseeding every 2,000 ticks). After
// 200 warm-up ticks it times ticks 201 to 500, the same ticks in every run,
// for a soup burns down to still lifes and blinkers if left long enough.
void BM_Tick(benchmark::State& state) {
    const int cols = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    FramePainter painter(cols, rows);
    RuntimeRandom random(99);
    FixedClock clock;
    Automaton automaton(painter, random, clock);
    automaton.torus = true;
    automaton.rainbow = state.range(2) != 0;
    automaton.seedDelay = 2000;
    automaton.ResizeGrid(cols - 1, rows - 1);
    for (int i = 0; i < 200; ++i) automaton.Tick();
    painter.draws = painter.picks = 0;
    for (auto _ : state) automaton.Tick();
    const double ticks = static_cast<double>(state.iterations());
    state.counters["draws/tick"] = static_cast<double>(painter.draws) / ticks;
    state.counters["picks/tick"] = static_cast<double>(painter.picks) / ticks;
}
BENCHMARK(BM_Tick)
    ->Name("Tick")
    ->ArgNames({"cols", "rows", "rainbow"})
    ->ArgsProduct({{192}, {108}, {0, 1}})
    ->ArgsProduct({{384}, {216}, {0, 1}})
    ->ArgsProduct({{768}, {432}, {0, 1}})
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond);

void BM_SeedGrid(benchmark::State& state) {
    const int cols = 768, rows = 432;
    FramePainter painter(cols, rows);
    RuntimeRandom random(99);
    FixedClock clock;
    Automaton automaton(painter, random, clock);
    automaton.rainbow = state.range(0) != 0;
    for (auto _ : state) {
        automaton.ResizeGrid(cols - 1, rows - 1);
        automaton.SeedGrid();
    }
}
BENCHMARK(BM_SeedGrid)->Name("SeedGrid/768x432")->ArgName("rainbow")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
