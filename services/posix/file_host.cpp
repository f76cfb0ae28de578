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
#include "services/host/replacement_problem.h"
#include "services/host/replacement_slots.h"

namespace {

// A data file in the making. Signal handlers read the slots, so each says by
// its state whether its temporary name stands in the directory, and keeps
// that name in a buffer of its own.
enum SlotState : int { FREE = SLOT_FREE, UNNAMED, NAMED, ABANDONED };

struct Replacement {
    std::atomic<int> state{FREE};
    std::FILE* stream = nullptr;
    // Read by the program alone: the file it replaces, and its directory.
    std::string target;
    std::string directory;
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
    if (text.size() >= sizeof buffer) {
        errno = ENAMETOOLONG;
        return false;
    }
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

// Gives the slot's file a hidden name beside its target, by make, which
// creates it under the slot's temporary path and fails with EEXIST when that
// name is taken. The slot is marked named before the name stands, so that a
// signal from then on removes it; from before, it finds no file to remove.
template <typename Make> bool giveTemporaryName(Replacement& slot, int before, Make make) {
    const std::string pattern = temporaryPattern(slot.directory);
    static unsigned long long seed = static_cast<unsigned long long>(getpid()) * 2654435761u ^
                                     static_cast<unsigned long long>(std::time(nullptr));
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = pattern;
        for (std::size_t i = path.size() - 6; i < path.size(); ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            path[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> 33) % 36];
        }
        if (!copyInto(temporaryPathOf(slot), path))
            return false;
        int expected = before;
        if (!slot.state.compare_exchange_strong(expected, NAMED))
            return false;
        if (make(temporaryPathOf(slot)))
            return true;
        expected = NAMED;
        if (errno != EEXIST || !slot.state.compare_exchange_strong(expected, before))
            return false;
    }
    return false;
}

// A file under a hidden name beside the target; -1 when none can be made.
int createNamed(Replacement& slot) {
    int descriptor = -1;
    const bool named = giveTemporaryName(slot, FREE, [&descriptor](const char* path) {
        descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        return descriptor >= 0;
    });
    if (!named)
        slot.state.store(FREE);
    return named ? descriptor : -1;
}

// Gives the unnamed file of slot a hidden temporary name beside its target.
bool nameUnnamed(Replacement& slot) {
    const std::string link = "/proc/self/fd/" + std::to_string(fileno(slot.stream));
    return giveTemporaryName(slot, UNNAMED, [&link](const char* path) {
        return linkat(AT_FDCWD, link.c_str(), AT_FDCWD, path, AT_SYMLINK_FOLLOW) == 0;
    });
}

void release(Replacement& slot) {
    if (slot.state.exchange(FREE) == NAMED)
        unlink(temporaryPathOf(slot));
    slot.stream = nullptr;
}

// Opens a regular file for reading; -1 for anything else. The open itself
// must not wait: a FIFO or a device put in the file's place could block it
// for ever.
int openRegularFile(const std::string& name) {
    const int descriptor = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return -1;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        errno = EINVAL;
        return -1;
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

} // namespace

std::FILE* hostOpenForReading(const std::string& name) {
    const int descriptor = openRegularFile(name);
    if (descriptor < 0)
        return nullptr;
    std::FILE* stream = fdopen(descriptor, "rb");
    if (stream == nullptr)
        close(descriptor);
    return stream;
}

namespace {

// The file that writing to name writes: the target of a symbolic link the
// user owns, else name itself.
std::string replacementTarget(const std::string& name) {
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

// Whether a file of that name exists and a new file may not take its place.
bool refusesReplacement(const std::string& name) {
    struct stat info {};
    if (lstat(name.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
        return false;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return true;
    }
    return faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0;
}

// Notes the system's reason for a failed step; EINVAL stands for a file in
// the way that is not a regular one.
void noteFailure(int error) {
    noteReplacementProblem(error == EINVAL ? "Not a regular file" : std::strerror(error));
}

// Makes the bytes durable and puts the file in place of its target.
bool commit(Replacement& slot) {
    if (std::fflush(slot.stream) != 0 || fsync(fileno(slot.stream)) != 0)
        return false;
    if (slot.state.load() == UNNAMED && !nameUnnamed(slot))
        return false;
    return putInPlace(slot, NAMED, [&slot] {
        return std::rename(temporaryPathOf(slot), slot.target.c_str()) == 0;
    });
}

} // namespace

std::FILE* hostStartReplacement(const std::string& name) {
    Replacement* slot = freeSlot();
    const std::string target = replacementTarget(name);
    if (slot == nullptr || refusesReplacement(target)) {
        noteFailure(slot == nullptr ? EMFILE : errno);
        return nullptr;
    }
    slot->target = target;
    slot->directory = directoryOf(target);
    int descriptor = createUnnamed(slot->directory);
    if (descriptor >= 0)
        slot->state.store(UNNAMED);
    else
        descriptor = createNamed(*slot);
    if (descriptor < 0) {
        noteFailure(errno);
        return nullptr;
    }
    takePermissions(descriptor, target);
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        noteFailure(errno);
        close(descriptor);
        release(*slot);
        return nullptr;
    }
    slot->stream = stream;
    return stream;
}

bool hostFinishReplacement(std::FILE* stream, bool keep) {
    Replacement* slot = slotOf(stream);
    bool done = keep && slot != nullptr && commit(*slot);
    if (keep && !done)
        noteFailure(errno);
    if (std::fclose(stream) != 0) {
        if (done)
            noteFailure(errno);
        done = false;
    }
    if (slot != nullptr)
        release(*slot);
    return done;
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
    constexpr char NOT_REGULAR[] = "Not a regular file";
    struct stat info {};
    if (stat(name.c_str(), &info) != 0)
        return std::strerror(errno);
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    if (!S_ISREG(info.st_mode))
        return NOT_REGULAR;
    const int descriptor = openRegularFile(name);
    if (descriptor < 0)
        return errno == EINVAL ? NOT_REGULAR : std::strerror(errno);
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
