#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "services/host/host.h"
#include "services/host/replacement_slots.h"

namespace {

// A data file in the making. Signal handlers read the slots, so each says by
// its state whether its temporary name stands in the directory, and keeps
// that name in a buffer of its own.
enum SlotState : int { FREE = SLOT_FREE, UNNAMED, NAMED, ABANDONED };

struct Replacement {
    std::atomic<int> state{FREE};
    std::FILE* stream = nullptr;
    std::string directory; // read by the program alone
};

// The program writes one data file at a time; a few more slots cost little.
constexpr int MAX_REPLACEMENTS = 8;
Replacement replacements[MAX_REPLACEMENTS];
// The slots' temporary names, apart from the slots, so that looking through
// the slots touches one page and not eight.
char temporaryPaths[MAX_REPLACEMENTS][PATH_MAX];

static_assert(std::atomic<int>::is_always_lock_free);

char (&temporaryPathOf(const Replacement& slot))[PATH_MAX] {
    return temporaryPaths[&slot - replacements];
}

Replacement* slotOf(std::FILE* stream) {
    return slotHolding(replacements, stream);
}

Replacement* freeSlot() {
    return freeSlotIn(replacements);
}

bool copyInto(char (&buffer)[PATH_MAX], const std::string& text) {
    if (text.size() >= sizeof buffer)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

std::string directoryOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

std::string temporaryPattern(const std::string& directory) {
    return directory + (directory.back() == '/' ? "" : "/") + ".pictoline-XXXXXX";
}

// Gives a new file the earlier file's mode and owner, or the mode a plain
// creation would give it. A link is replaced, not copied from.
void takePermissions(int descriptor, const std::string& name) {
    struct stat earlier {};
    if (lstat(name.c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
        fchmod(descriptor, earlier.st_mode & 07777);
        // Only root may give a file away; for anyone else this fails and the
        // file stays the user's own, as a plain rewrite by another user would not.
        if ((earlier.st_uid != geteuid() || earlier.st_gid != getegid()) &&
            fchown(descriptor, earlier.st_uid, earlier.st_gid) != 0)
            fchmod(descriptor, earlier.st_mode & 0777);
        return;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
}

// A file in directory that has no name until it is complete; -1 where the
// host cannot make one or could not name it later.
int createUnnamed(const std::string& directory) {
#ifdef O_TMPFILE
    // Naming it takes /proc/self/fd (or a privilege the program may lack).
    if (access("/proc/self/fd", X_OK) != 0)
        return -1;
    return open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    (void)directory;
    return -1;
#endif
}

int createNamed(const std::string& directory, char (&path)[PATH_MAX]) {
    if (!copyInto(path, temporaryPattern(directory)))
        return -1;
    const int descriptor = mkstemp(path);
    if (descriptor >= 0)
        fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    return descriptor;
}

// Gives the unnamed file of slot a hidden temporary name beside its target.
bool nameUnnamed(Replacement& slot) {
    const std::string pattern = temporaryPattern(slot.directory);
    const std::string link = "/proc/self/fd/" + std::to_string(fileno(slot.stream));
    unsigned long long seed = static_cast<unsigned long long>(getpid()) * 2654435761u ^
                              static_cast<unsigned long long>(std::time(nullptr));
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = pattern;
        for (std::size_t i = path.size() - 6; i < path.size(); ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            path[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> 33) % 36];
        }
        if (!copyInto(temporaryPathOf(slot), path))
            return false;
        // Named first, so that a signal from here on removes it.
        int expected = UNNAMED;
        if (!slot.state.compare_exchange_strong(expected, NAMED))
            return false;
        if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        expected = NAMED;
        if (errno != EEXIST || !slot.state.compare_exchange_strong(expected, UNNAMED))
            return false;
    }
    return false;
}

void release(Replacement& slot) {
    if (slot.state.exchange(FREE) == NAMED)
        unlink(temporaryPathOf(slot));
    slot.stream = nullptr;
}

} // namespace

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
    // A link someone else planted (in /tmp, say) must not lead the write to a
    // file of the user's: such a link is replaced itself, as the kernel's
    // protected_symlinks rule would have it.
    if (info.st_uid != geteuid())
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
    if (lstat(name.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
        return false;
    return !S_ISREG(info.st_mode) || faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0;
}

std::FILE* hostCreateReplacement(const std::string& name) {
    Replacement* slot = freeSlot();
    const std::string directory = directoryOf(name);
    if (slot == nullptr)
        return nullptr;
    slot->directory = directory;
    int descriptor = createUnnamed(directory);
    SlotState state = UNNAMED;
    if (descriptor < 0) {
        descriptor = createNamed(directory, temporaryPathOf(*slot));
        state = NAMED;
    }
    if (descriptor < 0)
        return nullptr;
    takePermissions(descriptor, name);
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        close(descriptor);
        if (state == NAMED)
            unlink(temporaryPathOf(*slot));
        return nullptr;
    }
    slot->stream = stream;
    slot->state.store(state);
    return stream;
}

bool hostCommitReplacement(std::FILE* stream, const std::string& name) {
    Replacement* slot = slotOf(stream);
    if (slot == nullptr) {
        std::fclose(stream);
        return false;
    }
    bool done = std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
    if (done && slot->state.load() == UNNAMED)
        done = nameUnnamed(*slot);
    // After the unfinished files were removed nothing may be put in place; a
    // removal while the rename runs makes the rename fail.
    if (done && slot->state.load() == NAMED) {
        done = std::rename(temporaryPathOf(*slot), name.c_str()) == 0;
        if (done)
            slot->state.store(FREE);
    } else {
        done = false;
    }
    if (std::fclose(stream) != 0)
        done = false;
    release(*slot);
    return done;
}

void hostDiscardReplacement(std::FILE* stream) {
    Replacement* slot = slotOf(stream);
    std::fclose(stream);
    if (slot != nullptr)
        release(*slot);
}

void hostRemoveUnfinishedReplacements() {
    for (Replacement& slot : replacements) {
        int state = slot.state.load();
        if (state == NAMED)
            unlink(temporaryPathOf(slot));
        if (state == NAMED || state == UNNAMED)
            slot.state.compare_exchange_strong(state, ABANDONED);
    }
}

std::string hostNameAsText(const std::string& name) {
    return name;
}

std::string hostReadProblem(const std::string& name) {
    struct stat info {};
    if (stat(name.c_str(), &info) != 0)
        return std::strerror(errno);
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    if (!S_ISREG(info.st_mode))
        return "Not a regular file";
    const int descriptor = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return std::strerror(errno);
    close(descriptor);
    return {};
}

std::string hostBaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void hostAtExit(void (*function)()) {
    std::atexit(function);
}
