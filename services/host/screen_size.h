#pragma once

// The screen the program's pages are laid out for: the most of a terminal or
// console window that the services use.

inline constexpr int SCREEN_COLUMNS = 80;
inline constexpr int SCREEN_ROWS = 25;
