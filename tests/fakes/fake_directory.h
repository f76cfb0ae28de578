#pragma once

// The entries the fake directory host lists, in its order, and its path.

#include <string>
#include <vector>

#include "services/host/host.h"

struct FakeDirectory {
    std::string path = "/fake";
    std::vector<HostEntry> entries;
};

void setFakeDirectory(FakeDirectory entries);
