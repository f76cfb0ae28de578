#pragma once

// A fresh temporary directory that is the current directory for the life of
// the object, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

struct TemporaryDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path path;

    TemporaryDirectory() {
        std::random_device device;
        std::seed_seq seed{device(), device()};
        std::mt19937_64 next(seed);
        const std::filesystem::path parent = std::filesystem::temp_directory_path();
        // create_directory is false when the name is taken, so a name another
        // test or process holds is never shared.
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const std::filesystem::path candidate =
                parent /
                ("pictoline-" + std::to_string(next() % 1000000)); // short: paths show on screen
            if (std::filesystem::create_directory(candidate))
                path = candidate;
        }
        if (path.empty())
            throw std::runtime_error("no fresh temporary directory in " + parent.string());
        std::filesystem::current_path(path);
    }
    ~TemporaryDirectory() {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
};

inline void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
