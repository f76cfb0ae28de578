// The data file writer in process: pixels per second from an open bitmap to
// the finished data file, over the fake screen.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "convert/conversion_screen.h"
#include "convert/data_file_name.h"
#include "convert/data_writer.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"

namespace {

// A 24-bit bitmap of random pixels; the writer checks nothing past the header.
std::string writeBitmap(const std::filesystem::path& directory, int width, int height) {
    const std::string name =
        "bench-" + std::to_string(width) + "x" + std::to_string(height) + ".bmp";
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::string bytes(54 + stride * static_cast<std::size_t>(height), '\0');
    std::mt19937 random(1);
    for (std::size_t i = 54; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(random());
    std::ofstream(directory / name, std::ios::binary) << bytes;
    return name;
}

void WriteDataFile(benchmark::State& run) {
    const auto width = static_cast<std::uint16_t>(run.range(0));
    const auto height = static_cast<std::uint16_t>(run.range(1));
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / "pictoline-bench";
    std::filesystem::create_directories(directory);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    const std::string name = writeBitmap(directory, width, height);
    resetFakeSurface();
    for (auto _ : run) {
        BitmapReading bitmap;
        bitmap.fileNumber = freeFileNumber();
        openFile(name, FileMode::Binary, bitmap.fileNumber);
        std::uint8_t ignored = 0;
        for (int i = 0; i < 54; ++i)
            readByte(bitmap.fileNumber, ignored);
        bitmap.info = {width, height, 24};
        DataWriting writing;
        ProgressState progress;
        startProgress(progress);
        const auto report = [&progress](std::uint16_t y, std::uint16_t rows, std::uint16_t pixels) {
            showProgress(progress, y, rows, pixels);
        };
        if (writeDataFile(bitmap, writing, name, name, report) != DataFileResult::Written)
            run.SkipWithError("the data file was not written");
    }
    run.SetItemsProcessed(run.iterations() * width * height);
    run.counters["output_bytes"] =
        static_cast<double>(std::filesystem::file_size(directory / dataFileName(name)));
    // The benchmarks after this one need a current directory that exists.
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
}

} // namespace

BENCHMARK(WriteDataFile)->Args({176, 132})->Args({2048, 2048})->Unit(benchmark::kMillisecond);
