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
#include <vector>

#include "services/host/host.h"
#include "services/host/replacement_problem.h"
#include "services/host/replacement_slots.h"

namespace {

// A data file in the making. Signal handlers read the slots, so each says by
// its state whether its temporary name stands in the directory, and keeps
// that name and its directory's descriptor where a handler can reach them.
enum SlotState : int { FREE = SLOT_FREE, UNNAMED, NAMED, ABANDONED };

struct Replacement {
    std::atomic<int> state{FREE};
    std::FILE* stream = nullptr;
    // The directory of the file it replaces, open while the slot is in use:
    // every name below is relative to it, so that no path grows past the limit.
    int directory = -1;
    // Read by the program alone: the name of the file it replaces.
    std::string target;
};

// The program writes one data file at a time; a few more slots cost little.
constexpr int MAX_REPLACEMENTS = 8;
Replacement replacements[MAX_REPLACEMENTS];
constexpr char TEMPORARY_PREFIX[] = ".pictoline-";
constexpr std::size_t TEMPORARY_NAME_ROOM = sizeof TEMPORARY_PREFIX + 6;
// The slots' temporary names, apart from the slots, so that looking through
// the slots touches one page and not eight.
char temporaryNames[MAX_REPLACEMENTS][TEMPORARY_NAME_ROOM];

static_assert(std::atomic<int>::is_always_lock_free);

char* temporaryNameOf(const Replacement& slot) {
    return temporaryNames[&slot - replacements];
}

Replacement* slotOf(std::FILE* stream) {
    return slotHolding(replacements, stream);
}

Replacement* freeSlot() {
    return freeSlotIn(replacements);
}

std::string directoryOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

std::string lastPartOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// A descriptor of a directory that names may be looked up, made and removed in.
int openDirectory(const std::string& directory) {
#ifdef O_PATH
    constexpr int LOOKUP_ONLY = O_PATH;
#else
    constexpr int LOOKUP_ONLY = O_RDONLY;
#endif
    return open(directory.c_str(), LOOKUP_ONLY | O_DIRECTORY | O_CLOEXEC);
}

// Gives a new file the earlier file's mode and owner, or the mode a plain
// creation would give it. A link is replaced, not copied from.
void takePermissions(int descriptor, const Replacement& slot) {
    struct stat earlier {};
    if (fstatat(slot.directory, slot.target.c_str(), &earlier, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(earlier.st_mode)) {
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

// The name by which a process names its own open file.
std::string ownFileName(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// A file in the slot's directory that has no name until it is complete; -1
// where the host cannot make one or could not name it later.
int createUnnamed(const Replacement& slot) {
#ifdef O_TMPFILE
    // Naming it takes /proc/self/fd (or a privilege the program may lack).
    if (access("/proc/self/fd", X_OK) != 0)
        return -1;
    return openat(slot.directory, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    (void)slot;
    return -1;
#endif
}

// Gives the slot's file a hidden name beside its target, by make, which
// creates it under the slot's temporary name and fails with EEXIST when that
// name is taken. The slot is marked named before the name stands, so that a
// signal from then on removes it; from before, it finds no file to remove.
template <typename Make> bool giveTemporaryName(Replacement& slot, int before, Make make) {
    static unsigned long long seed = static_cast<unsigned long long>(getpid()) * 2654435761u ^
                                     static_cast<unsigned long long>(std::time(nullptr));
    char* name = temporaryNameOf(slot);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::memcpy(name, TEMPORARY_PREFIX, sizeof TEMPORARY_PREFIX);
        for (std::size_t i = sizeof TEMPORARY_PREFIX - 1; i < TEMPORARY_NAME_ROOM - 1; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            name[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> 33) % 36];
        }
        name[TEMPORARY_NAME_ROOM - 1] = '\0';
        int expected = before;
        if (!slot.state.compare_exchange_strong(expected, NAMED))
            return false;
        if (make(name))
            return true;
        const int reason = errno;
        expected = NAMED;
        if (reason != EEXIST || !slot.state.compare_exchange_strong(expected, before)) {
            errno = reason;
            return false;
        }
    }
    return false;
}

// A file under a hidden name beside the target; -1 when none can be made.
int createNamed(Replacement& slot) {
    int descriptor = -1;
    const bool named = giveTemporaryName(slot, FREE, [&slot, &descriptor](const char* name) {
        descriptor = openat(slot.directory, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        return descriptor >= 0;
    });
    if (!named)
        slot.state.store(FREE);
    return named ? descriptor : -1;
}

// Links the slot's unnamed file under name in its directory.
bool linkUnnamed(const Replacement& slot, const char* name) {
    return linkat(AT_FDCWD, ownFileName(fileno(slot.stream)).c_str(), slot.directory, name,
                  AT_SYMLINK_FOLLOW) == 0;
}

// Gives the unnamed file of slot a hidden temporary name beside its target.
bool nameUnnamed(Replacement& slot) {
    return giveTemporaryName(slot, UNNAMED,
                             [&slot](const char* name) { return linkUnnamed(slot, name); });
}

void release(Replacement& slot) {
    const int reason = errno;
    if (slot.state.exchange(FREE) == NAMED)
        unlinkat(slot.directory, temporaryNameOf(slot), 0);
    if (slot.directory >= 0)
        close(slot.directory);
    slot.directory = -1;
    slot.stream = nullptr;
    errno = reason;
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

bool hostSeek(std::FILE* stream, std::int64_t position) {
    return fseeko(stream, static_cast<off_t>(position), SEEK_SET) == 0;
}

std::int64_t hostFileLength(std::FILE* stream) {
    struct stat info {};
    return fstat(fileno(stream), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

namespace {

// Whether name leads to a file one of the streams reads; itself, when
// followLink is false.
bool isBeingRead(const std::string& name, const std::vector<std::FILE*>& beingRead,
                 bool followLink = true) {
    struct stat target {};
    if ((followLink ? stat(name.c_str(), &target) : lstat(name.c_str(), &target)) != 0)
        return false;
    for (std::FILE* stream : beingRead) {
        struct stat read {};
        if (fstat(fileno(stream), &read) == 0 && read.st_dev == target.st_dev &&
            read.st_ino == target.st_ino)
            return true;
    }
    return false;
}

// The file that writing to name writes: the target of a symbolic link the
// user owns, else name itself.
std::string replacementTarget(const std::string& name, const std::vector<std::FILE*>& beingRead) {
    struct stat info {};
    if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return name;
    // A link someone else planted (in /tmp, say) must not lead the write to a
    // file of the user's: such a link is replaced itself, as the kernel's
    // protected_symlinks rule would have it. So is a link to a file the
    // program reads, the bitmap above all: nothing read is ever written.
    if (info.st_uid != geteuid() || isBeingRead(name, beingRead))
        return name;
    // The link's target, when it can be found; a dangling link is replaced itself.
    char* resolved = realpath(name.c_str(), nullptr);
    if (resolved == nullptr)
        return name;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// Whether a file of the slot's target name exists and a new file may not take its place.
bool refusesReplacement(const Replacement& slot) {
    struct stat info {};
    if (fstatat(slot.directory, slot.target.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISLNK(info.st_mode))
        return false;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return true;
    }
    return faccessat(slot.directory, slot.target.c_str(), W_OK, AT_EACCESS) != 0;
}

// Notes the system's reason for a failed step; EINVAL stands for a file in
// the way that is not a regular one.
void noteFailure(int error) {
    noteReplacementProblem(error == EINVAL ? "Not a regular file" : std::strerror(error));
}
// Puts the unnamed file of slot in place: linked straight to the target's
// name where no file has it, else under a hidden name at once renamed over
// it. Between that link and the rename, and only there, a kill that cannot
// be caught leaves the complete file under its hidden name.
bool putUnnamedInPlace(Replacement& slot) {
    if (slot.state.load() != UNNAMED)
        return false;
    if (linkUnnamed(slot, slot.target.c_str())) {
        slot.state.store(FREE);
        return true;
    }
    if (errno != EEXIST || !nameUnnamed(slot))
        return false;
    return putInPlace(slot, NAMED, [&slot] {
        return renameat(slot.directory, temporaryNameOf(slot), slot.directory,
                        slot.target.c_str()) == 0;
    });
}

// Makes the bytes durable and puts the file in place of its target.
bool commit(Replacement& slot) {
    if (std::fflush(slot.stream) != 0 || fsync(fileno(slot.stream)) != 0)
        return false;
    if (slot.state.load() == UNNAMED)
        return putUnnamedInPlace(slot);
    return putInPlace(slot, NAMED, [&slot] {
        return renameat(slot.directory, temporaryNameOf(slot), slot.directory,
                        slot.target.c_str()) == 0;
    });
}

// Readies a free slot for a file to take the place of target; false, with
// the slot still free, when the target's directory cannot be opened.
bool prepare(Replacement& slot, const std::string& target) {
    slot.directory = openDirectory(directoryOf(target));
    slot.target = lastPartOf(target);
    return slot.directory >= 0;
}

} // namespace

bool hostIsBeingRead(const std::string& name, const std::vector<std::FILE*>& beingRead) {
    return isBeingRead(name, beingRead, false);
}

std::FILE* hostStartReplacement(const std::string& name, const std::vector<std::FILE*>& beingRead) {
    Replacement* slot = freeSlot();
    if (slot == nullptr) {
        noteFailure(EMFILE);
        return nullptr;
    }
    if (!prepare(*slot, replacementTarget(name, beingRead)) || refusesReplacement(*slot)) {
        noteFailure(errno);
        release(*slot);
        return nullptr;
    }
    int descriptor = createUnnamed(*slot);
    if (descriptor >= 0)
        slot->state.store(UNNAMED);
    else
        descriptor = createNamed(*slot);
    if (descriptor < 0) {
        noteFailure(errno);
        release(*slot);
        return nullptr;
    }
    takePermissions(descriptor, *slot);
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
            unlinkat(slot.directory, temporaryNameOf(slot), 0);
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
