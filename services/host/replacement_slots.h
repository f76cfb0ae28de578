#pragma once

// The hosts' table of data files in the making: a fixed array of slots that
// a signal handler, or the console's control handler on a thread of its own,
// can read while the program writes. Each slot has an atomic state, FREE (0)
// when unused, and the stream it belongs to.

#include <cstddef>
#include <cstdio>

inline constexpr int SLOT_FREE = 0;

template <typename Slot, std::size_t N> Slot* slotHolding(Slot (&slots)[N], std::FILE* stream) {
    for (Slot& slot : slots) {
        if (slot.state.load() != SLOT_FREE && slot.stream == stream)
            return &slot;
    }
    return nullptr;
}

template <typename Slot, std::size_t N> Slot* freeSlotIn(Slot (&slots)[N]) {
    for (Slot& slot : slots) {
        if (slot.state.load() == SLOT_FREE)
            return &slot;
    }
    return nullptr;
}

// Puts the finished file of a slot in place by move, unless the unfinished
// files were removed meanwhile and the slot is no longer in its named state:
// then nothing may be put in place, and a removal while move runs makes it
// fail. The slot is free once the file stands.
template <typename Slot, typename Move> bool putInPlace(Slot& slot, int named, Move move) {
    if (slot.state.load() != named || !move())
        return false;
    slot.state.store(SLOT_FREE);
    return true;
}
