#include "services/environment.h"

#include <cstdlib>

std::optional<Text> environmentValue(const Text& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        return std::nullopt;
    return Text(value);
}
