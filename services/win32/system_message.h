#pragma once

// The system's own words for a Windows error code.

#include <windows.h>

#include <string>

// The message of the error, as UTF-8, without its closing full stop and line
// end; "Error n" where the system has none.
std::string systemMessage(DWORD error);
