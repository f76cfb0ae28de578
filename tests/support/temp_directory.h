#pragma once

// A fresh temporary directory that is the current directory for the life of
// the object, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

struct TemporaryDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path path;

    TemporaryDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pictoline-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        path = mkdtemp(name.data());
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
