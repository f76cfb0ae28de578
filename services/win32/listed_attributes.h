#pragma once

// The attribute bits a Windows directory entry is listed with.

#include <cstdint>

#include "services/host/host.h"

inline constexpr std::uint32_t WINDOWS_ATTRIBUTE_NORMAL = 128;

// The bits as the runtime's search reports them ("normal" alone is no bit at
// all), except that a folder that is neither hidden nor system is a folder
// and nothing else: Windows marks special folders such as Documents
// read-only, and copies often leave the archive bit on folders, and neither
// should keep a folder out of the listing.
constexpr std::uint32_t listedAttributes(std::uint32_t attributes) {
    if (attributes == WINDOWS_ATTRIBUTE_NORMAL)
        return 0;
    const bool folder = (attributes & ATTRIBUTE_DIRECTORY) != 0;
    if (folder && (attributes & (ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM)) == 0)
        return ATTRIBUTE_DIRECTORY;
    return attributes;
}
