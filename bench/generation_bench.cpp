// Cells per second of the compute pass and of a whole tick, on screens from
// 1024 x 768 up to 8K, beside the plain eight-read form of the step.
#include <benchmark/benchmark.h>

#include "automaton/Automaton.h"
#include "automaton/Generation.h"
#include "automaton/Random.h"

namespace {

using namespace tovra;

CellGrid Soup(int cols, int rows) {
    CellGrid g(cols - 1, rows - 1);
    RuntimeRandom random(1234);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            if (random.Rnd() < 0.3f) g.Set(x, y, CellGrid::kLive);
    return g;
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({102, 76})->Args({192, 108})->Args({384, 216})->Args({768, 432});
}

template <ComputePass Pass>
void BM_ComputePass(benchmark::State& state) {
    const int cols = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    CellGrid a = Soup(cols, rows);
    CellGrid b(a.MaxCol(), a.MaxRow());
    for (auto _ : state) {
        Pass(a, Edges::Torus, b);
        std::swap(a, b);
        benchmark::DoNotOptimize(a.Row(0));
    }
    state.counters["cells/s"] = benchmark::Counter(static_cast<double>(cols) * rows * state.iterations(),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ComputePass<ComputeNextGeneration>)->Name("ComputePass/kernel")->Apply(Sizes);
BENCHMARK(BM_ComputePass<ComputeNextGenerationReference>)->Name("ComputePass/reference")->Apply(Sizes);

class CountingPainter : public CellPainter {
public:
    long long draws = 0;
    void DrawLiveCell(int, int) override { ++draws; }
    void DrawDeadCell(int, int) override { ++draws; }
    void UseLiveSprite(int) override {}
};

class FixedClock : public TimeOfDay {
public:
    float SecondsSinceMidnight() override { return 3600.0f; }
};

template <ComputePass Pass>
void BM_Tick(benchmark::State& state) {
    const int cols = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    CountingPainter painter;
    RuntimeRandom random(99);
    FixedClock clock;
    Automaton automaton(painter, random, clock);
    automaton.computePass = Pass;
    automaton.blnTorus = true;
    automaton.intSeedDelay = 2000;
    automaton.RedimGrid(cols - 1, rows - 1);
    automaton.blnGrid = Soup(cols, rows);
    for (auto _ : state) automaton.tmrTovra_Timer();
    benchmark::DoNotOptimize(painter.draws);
    state.counters["cells/s"] = benchmark::Counter(static_cast<double>(cols) * rows * state.iterations(),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Tick<ComputeNextGeneration>)->Name("Tick/kernel")->Apply(Sizes);
BENCHMARK(BM_Tick<ComputeNextGenerationReference>)->Name("Tick/reference")->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
