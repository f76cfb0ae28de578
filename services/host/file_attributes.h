#pragma once

// The attribute bits of a directory entry, as the hosts report them and the
// directory services filter on them.

#include <cstdint>

inline constexpr std::uint32_t ATTRIBUTE_READ_ONLY = 1;
inline constexpr std::uint32_t ATTRIBUTE_HIDDEN = 2;
inline constexpr std::uint32_t ATTRIBUTE_SYSTEM = 4;
inline constexpr std::uint32_t ATTRIBUTE_VOLUME = 8;
inline constexpr std::uint32_t ATTRIBUTE_DIRECTORY = 16;
inline constexpr std::uint32_t ATTRIBUTE_ARCHIVE = 32;
// Entries that are neither directories nor regular files (FIFOs, sockets,
// devices): no mask the program uses delivers them.
inline constexpr std::uint32_t ATTRIBUTE_OTHER = 64;
