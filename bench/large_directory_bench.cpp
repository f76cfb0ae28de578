// One redraw of the browser in a directory of many bitmaps, in process: quiet
// (last changed an hour ago) and changing (a file appears or goes before
// every redraw, so the directory's time is always recent). The place to point
// perf or callgrind at the directory services.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include "app/browser.h"
#include "app/driver.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"

namespace {

namespace fs = std::filesystem;

constexpr char CHANGING_NAME[] = "incoming.part";

// A directory of entries names, made once per size and removed at exit.
struct LargeDirectory {
    fs::path path;

    explicit LargeDirectory(int entries)
        : path(fs::temp_directory_path() / ("pictoline-bench-" + std::to_string(entries))) {
        fs::remove_all(path);
        fs::create_directories(path);
        char name[32];
        for (int i = 0; i < entries - 2; ++i) { // "." and ".." are entries too
            std::snprintf(name, sizeof name, "picture-%06d.bmp", i);
            std::fclose(std::fopen((path / name).c_str(), "wb"));
        }
    }
    ~LargeDirectory() { fs::remove_all(path); }
};

const fs::path& largeDirectory(int entries) {
    static std::map<int, LargeDirectory> made;
    return made.try_emplace(entries, entries).first->second.path;
}

void ageCurrentDirectory() {
    const timespec anHourAgo[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    utimensat(AT_FDCWD, ".", anHourAgo, 0);
}

// Makes the changing file appear or go.
void changeCurrentDirectory() {
    if (std::remove(CHANGING_NAME) != 0)
        std::fclose(std::fopen(CHANGING_NAME, "wb"));
}

void redraw(benchmark::State& run, bool changing) {
    const fs::path previous = fs::current_path();
    fs::current_path(largeDirectory(static_cast<int>(run.range(0))));
    std::remove(CHANGING_NAME);
    ageCurrentDirectory();
    ProgramState state;
    startFakeProgram(state);
    drawBrowser(state);
    for (auto _ : run) {
        if (changing) {
            run.PauseTiming();
            changeCurrentDirectory();
            run.ResumeTiming();
        }
        state.highlight = static_cast<std::uint16_t>(state.highlight % 30 + 1);
        drawBrowser(state);
    }
    std::remove(CHANGING_NAME);
    fs::current_path(previous);
}

void RedrawQuietDirectory(benchmark::State& run) {
    redraw(run, false);
}
void RedrawChangingDirectory(benchmark::State& run) {
    redraw(run, true);
}

} // namespace

BENCHMARK(RedrawQuietDirectory)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(RedrawChangingDirectory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
