#pragma once

// The POSIX directory host's rules for names: the order of a listing, and
// the attribute bits an entry gets.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Sorts starts, each the place in bytes of a name that ends with a zero
// byte, into listing order: "." and ".." first, then the rest in the order
// NTFS gives, compared byte by byte after upper-casing ASCII letters, ties
// broken by the raw bytes.
void sortIntoListingOrder(std::string_view bytes, std::vector<std::uint32_t>& starts);

std::uint32_t attributesOf(bool isDirectory, bool isRegular, std::string_view name);
