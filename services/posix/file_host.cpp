#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/host.h"

std::FILE* hostOpenForReading(const std::string& name) {
    // Only regular files: opening a FIFO or a device could block for ever.
    struct stat info {};
    if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    return std::fopen(name.c_str(), "rb");
}

std::string hostReplacementTarget(const std::string& name) {
    struct stat info {};
    if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return name;
    // The link's target, when it can be found; a dangling link is replaced itself.
    char* resolved = realpath(name.c_str(), nullptr);
    if (resolved == nullptr)
        return name;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

bool hostRefusesReplacement(const std::string& name) {
    struct stat info {};
    if (stat(name.c_str(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) || faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0;
}

std::FILE* hostCreateTemporary(const std::string& name, std::string& temporaryName) {
    const std::size_t slash = name.rfind('/');
    std::string directory = slash == std::string::npos ? "." : name.substr(0, slash);
    if (directory.empty())
        directory = "/";
    std::string path = directory + (directory.back() == '/' ? "" : "/") + ".pictoline-XXXXXX";
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    const int descriptor = mkstemp(buffer.data());
    if (descriptor < 0)
        return nullptr;
    // mkstemp makes the file private: give it the earlier file's mode and
    // owner, or the mode a plain creation would.
    struct stat earlier {};
    if (stat(name.c_str(), &earlier) == 0) {
        fchmod(descriptor, earlier.st_mode & 07777);
        // Only root may give the file away; anyone else keeps it as their own.
        if (earlier.st_uid != geteuid() || earlier.st_gid != getegid()) {
            [[maybe_unused]] const int given = fchown(descriptor, earlier.st_uid, earlier.st_gid);
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
    }
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        close(descriptor);
        unlink(buffer.data());
        return nullptr;
    }
    temporaryName = buffer.data();
    return stream;
}

bool hostSyncFile(std::FILE* stream) {
    return fsync(fileno(stream)) == 0;
}

bool hostReplaceFile(const std::string& temporaryName, const std::string& name) {
    return std::rename(temporaryName.c_str(), name.c_str()) == 0;
}

void hostRemoveFile(const char* name) {
    unlink(name);
}

void hostAtExit(void (*function)()) {
    std::atexit(function);
}
