// What the presenter sends to the terminal: a full repaint of the 80 x 25
// screen, a change of one row, and a flush with nothing changed.

#include <benchmark/benchmark.h>

#include <string>

#include "services/posix/presenter.h"
#include "tests/support/screen_text.h"

namespace {

ScreenModel browserLikeScreen() {
    ScreenModel model = makeScreenModel(80, 25);
    for (int row = 1; row <= 25; ++row)
        fillRow(model, row, 0x1F);
    std::string title(80, '=');
    putRun(model, 1, 1, title.data(), title.size(), 0xFC);
    return model;
}

void FullRepaint(benchmark::State& state) {
    ScreenModel model = browserLikeScreen();
    std::size_t bytes = 0;
    for (auto _ : state) {
        Presenter presenter;
        std::string out;
        present(presenter, model, out);
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void OneRowChange(benchmark::State& state) {
    ScreenModel model = browserLikeScreen();
    Presenter presenter;
    std::string out;
    present(presenter, model, out);
    std::size_t bytes = 0;
    bool flip = false;
    for (auto _ : state) {
        std::string row(80, flip ? 'a' : 'b');
        flip = !flip;
        putRun(model, 10, 1, row.data(), row.size(), 0x1F);
        out.clear();
        present(presenter, model, out);
        bytes = out.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void NothingChanged(benchmark::State& state) {
    ScreenModel model = browserLikeScreen();
    Presenter presenter;
    std::string out;
    present(presenter, model, out);
    for (auto _ : state) {
        out.clear();
        present(presenter, model, out);
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}

} // namespace

BENCHMARK(FullRepaint);
BENCHMARK(OneRowChange);
BENCHMARK(NothingChanged);
