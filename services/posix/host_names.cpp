#include "services/posix/host_names.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

#include "services/host/host.h"

namespace {

// Bytes of a name compared at once while a listing is sorted.
constexpr std::size_t CHUNK_BYTES = 8;
// Runs of names at least this long are sorted a byte of their chunks at a
// time; shorter ones by comparison.
constexpr std::size_t BYTEWISE_FROM = 1024;

unsigned char upper(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z')
        return static_cast<unsigned char>(byte - 'a' + 'A');
    return byte;
}

bool isDotEntry(std::string_view name) {
    return name == "." || name == "..";
}

bool isDotName(std::string_view name) {
    return !name.empty() && name[0] == '.' && !isDotEntry(name);
}

// A name, and the next eight upper-cased bytes of it from the depth reached,
// first byte highest; a name that ends early is filled with zero bytes,
// which no name holds, so it sorts before every longer name. The chunk is
// kept in two halves so that a record takes twelve bytes, not sixteen.
struct Keyed {
    std::uint32_t chunkHigh = 0;
    std::uint32_t chunkLow = 0;
    std::uint32_t start = 0;

    std::uint64_t chunk() const { return std::uint64_t{chunkHigh} << 32 | chunkLow; }
};

struct Run {
    std::size_t begin;
    std::size_t end;
    std::size_t depth;
};

// The names being sorted, each ending with a zero byte. No run is sorted
// deeper than the end of its names, so no read passes a name's zero byte.
struct BlockNames {
    const char* bytes;

    const char* operator()(std::uint32_t start) const { return bytes + start; }
    const char* operator()(const Keyed& item) const { return bytes + item.start; }
};

std::uint64_t chunkAt(const char* name, std::size_t depth) {
    std::uint64_t chunk = 0;
    bool ended = false;
    for (std::size_t i = 0; i < CHUNK_BYTES; ++i) {
        ended = ended || name[depth + i] == '\0';
        chunk = chunk << 8 | (ended ? 0u : upper(name[depth + i]));
    }
    return chunk;
}

// How many upper-cased bytes from depth on every name of the run shares.
std::size_t sharedPrefix(BlockNames name, const std::vector<Keyed>& items, const Run& run) {
    const char* first = name(items[run.begin]) + run.depth;
    std::size_t shared = std::strlen(first);
    for (std::size_t i = run.begin + 1; i < run.end && shared > 0; ++i) {
        const char* other = name(items[i]) + run.depth;
        std::size_t same = 0;
        while (same < shared && other[same] != '\0' && upper(other[same]) == upper(first[same]))
            ++same;
        shared = same;
    }
    return shared;
}

void sortRange(std::vector<Keyed>& items, const Run& run, auto before) {
    std::sort(items.begin() + static_cast<std::ptrdiff_t>(run.begin),
              items.begin() + static_cast<std::ptrdiff_t>(run.end), before);
}

std::size_t byteOf(const Keyed& item, unsigned shift) {
    return static_cast<std::size_t>(item.chunk() >> shift & 0xFFu);
}

// Sorts a run by its chunks. A long one goes a byte at a time from the
// lowest, each step keeping the order of the one before, and skips the
// bytes that every chunk shares.
void sortByChunk(std::vector<Keyed>& items, const Run& run, std::vector<Keyed>& scratch) {
    const std::size_t count = run.end - run.begin;
    if (count < BYTEWISE_FROM) {
        sortRange(items, run, [](const Keyed& a, const Keyed& b) { return a.chunk() < b.chunk(); });
        return;
    }
    scratch.resize(count);
    Keyed* from = items.data() + run.begin;
    Keyed* to = scratch.data();
    for (unsigned shift = 0; shift < 8 * CHUNK_BYTES; shift += 8) {
        std::array<std::size_t, 256> places{};
        for (std::size_t i = 0; i < count; ++i)
            ++places[byteOf(from[i], shift)];
        if (places[byteOf(from[0], shift)] == count)
            continue;
        std::size_t next = 0;
        for (std::size_t& place : places)
            next += std::exchange(place, next);
        for (std::size_t i = 0; i < count; ++i)
            to[places[byteOf(from[i], shift)]++] = from[i];
        std::swap(from, to);
    }
    if (from != items.data() + run.begin)
        std::copy(from, from + count, items.data() + run.begin);
}

// Sorts one run of names equal up to its depth by their next chunk, and
// queues the groups that still tie for the chunk after it.
void sortRun(BlockNames name, std::vector<Keyed>& items, Run run, std::vector<Run>& pending,
             std::vector<Keyed>& scratch) {
    run.depth += sharedPrefix(name, items, run);
    for (std::size_t i = run.begin; i < run.end; ++i) {
        const std::uint64_t chunk = chunkAt(name(items[i]), run.depth);
        items[i].chunkHigh = static_cast<std::uint32_t>(chunk >> 32);
        items[i].chunkLow = static_cast<std::uint32_t>(chunk);
    }
    sortByChunk(items, run, scratch);
    for (std::size_t begin = run.begin; begin < run.end;) {
        std::size_t end = begin + 1;
        while (end < run.end && items[end].chunk() == items[begin].chunk())
            ++end;
        const Run tie{begin, end, run.depth + CHUNK_BYTES};
        begin = end;
        if (tie.end - tie.begin < 2)
            continue;
        // Names that end inside the chunk are equal but for case: their raw
        // bytes decide. Names that fill it may go on and are sorted deeper.
        if ((items[tie.begin].chunkLow & 0xFFu) == 0)
            sortRange(items, tie, [name](const Keyed& a, const Keyed& b) {
                return std::strcmp(name(a), name(b)) < 0;
            });
        else
            pending.push_back(tie);
    }
}

} // namespace

void sortIntoListingOrder(std::string_view bytes, std::vector<std::uint32_t>& starts) {
    const BlockNames name{bytes.data()};
    std::vector<std::uint32_t> dotEntries;
    std::vector<Keyed> items;
    items.reserve(starts.size());
    for (std::uint32_t start : starts) {
        const char* entry = name(start);
        if (entry[0] == '.' && (entry[1] == '\0' || (entry[1] == '.' && entry[2] == '\0')))
            dotEntries.push_back(start);
        else
            items.push_back({0, 0, start});
    }
    std::sort(dotEntries.begin(), dotEntries.end(), [name](std::uint32_t a, std::uint32_t b) {
        return std::strcmp(name(a), name(b)) < 0;
    });
    std::vector<Run> pending;
    std::vector<Keyed> scratch;
    if (items.size() > 1)
        pending.push_back({0, items.size(), 0});
    while (!pending.empty()) {
        const Run run = pending.back();
        pending.pop_back();
        sortRun(name, items, run, pending, scratch);
    }
    starts.assign(dotEntries.begin(), dotEntries.end());
    for (const Keyed& item : items)
        starts.push_back(item.start);
}

std::uint32_t attributesOf(bool isDirectory, bool isRegular, std::string_view name) {
    std::uint32_t attributes = 0;
    if (isDirectory)
        attributes = ATTRIBUTE_DIRECTORY;
    else if (isRegular)
        attributes = ATTRIBUTE_ARCHIVE;
    else
        return ATTRIBUTE_OTHER;
    if (isDotName(name))
        attributes |= ATTRIBUTE_HIDDEN;
    return attributes;
}
