// The compute pass alone on a torus, on grids of 1920 x 1080, 3840 x 2160
// and 7680 x 4320 screens: the word kernel, the column-sum step it replaced,
// and the plain eight-read form.
#include <benchmark/benchmark.h>

#include <utility>

#include "ColumnSumStep.h"
#include "automaton/Generation.h"
#include "automaton/Random.h"

namespace {

using namespace tovra;

// A 10% soup after 200 generations, as a running saver sees it.
CellGrid Soup(int cols, int rows) {
    CellGrid g(cols - 1, rows - 1);
    RuntimeRandom random(1234);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) g.SetLive(x, y, random.Rnd() < 0.1f);
    CellGrid next(g.MaxCol(), g.MaxRow());
    for (int i = 0; i < 200; ++i) {
        ComputeNextGeneration(g, Edges::Torus, next);
        std::swap(g, next);
    }
    return g;
}

void Screens(benchmark::internal::Benchmark* b) {
    b->Args({192, 108})->Args({384, 216})->Args({768, 432})->Unit(benchmark::kMicrosecond);
}

void CountCells(benchmark::State& state) {
    state.counters["cells/s"] = benchmark::Counter(
        static_cast<double>(state.range(0) * state.range(1)) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

template <ComputePass Pass>
void BM_Step(benchmark::State& state) {
    CellGrid a = Soup(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CellGrid b(a.MaxCol(), a.MaxRow());
    ChangedRows changed;
    for (auto _ : state) {
        Pass(a, Edges::Torus, b, &changed);
        std::swap(a, b);
        benchmark::DoNotOptimize(a.RowWords(0));
    }
    CountCells(state);
}
BENCHMARK(BM_Step<ComputeNextGeneration>)->Name("Step/words")->Apply(Screens);
BENCHMARK(BM_Step<ComputeNextGenerationReference>)->Name("Step/reference")->Apply(Screens);

void BM_ColumnSumStep(benchmark::State& state) {
    bench::WideGrid a(Soup(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    bench::WideGrid b = a;
    for (auto _ : state) {
        bench::ColumnSumStep(a, Edges::Torus, b);
        std::swap(a, b);
        benchmark::DoNotOptimize(a.cells.data());
    }
    CountCells(state);
}
BENCHMARK(BM_ColumnSumStep)->Name("Step/column-sums")->Apply(Screens);

}  // namespace

namespace {

// What tovra-life adds to every generation: counting the live cells.
void BM_Population(benchmark::State& state) {
    const tovra::CellGrid g = Soup(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(g.Population());
    CountCells(state);
}
BENCHMARK(BM_Population)->Name("Population")->Args({768, 432})->Unit(benchmark::kMicrosecond);

}  // namespace
