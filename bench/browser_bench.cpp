// What the terminal is sent when the user presses Down in a directory of 40
// entries, where the 20-row window starts at the highlight and every list row
// moves: with line moves, with the cell difference alone, and as a full repaint.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/browser.h"
#include "app/driver.h"
#include "services/files.h"
#include "services/posix/presenter.h"
#include "tests/fakes/fakes.h"

namespace {

struct ListDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path path = std::filesystem::temp_directory_path() / "pictoline-bench-list";

    ListDirectory() {
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
        // "." and ".." and 38 bitmaps of varied names.
        for (int i = 0; i < 38; ++i) {
            const std::string name = "picture-" +
                                     std::string(static_cast<std::size_t>(1 + i % 9), 'x') + "-" +
                                     std::to_string(i) + ".bmp";
            std::ofstream(name, std::ios::binary) << "not a header";
        }
    }
    ~ListDirectory() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
};

const ScreenModel& browserScreen(ProgramState& state, std::uint16_t highlight) {
    state.highlight = highlight;
    resetFakeSurface();
    drawBrowser(state);
    return surfaceModel();
}

// Bytes for Down from the fifth entry, as presenter sends them.
void measureDown(benchmark::State& run, int terminalWidth, bool fromScratch) {
    ListDirectory directory;
    ProgramState state;
    startProgramState(state);
    state.bitmap.fileNumber = freeFileNumber();
    const ScreenModel before = browserScreen(state, 5);
    const ScreenModel after = browserScreen(state, 6);
    std::size_t bytes = 0;
    for (auto _ : run) {
        Presenter presenter;
        presenter.terminalWidth = terminalWidth;
        std::string out;
        if (!fromScratch)
            present(presenter, before, out);
        out.clear();
        present(presenter, after, out);
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    run.counters["bytes"] = static_cast<double>(bytes);
}

void DownInFortyEntries(benchmark::State& run) {
    measureDown(run, 80, false);
}
// A terminal one column wider than the model never moves lines.
void DownInFortyEntriesCellDifferenceOnly(benchmark::State& run) {
    measureDown(run, 81, false);
}
void DownInFortyEntriesFullRepaint(benchmark::State& run) {
    measureDown(run, 80, true);
}

} // namespace

BENCHMARK(DownInFortyEntries);
BENCHMARK(DownInFortyEntriesCellDifferenceOnly);
BENCHMARK(DownInFortyEntriesFullRepaint);
