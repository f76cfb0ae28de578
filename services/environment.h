#pragma once

// The variables of the environment the program was started in.

#include <optional>

#include "services/textforms.h"

// The value of the named variable, or nothing when it is not set.
std::optional<Text> environmentValue(const Text& name);
