#pragma once

// Root reads and writes every directory, so a test of permission bits takes
// the identity of an ordinary user (nobody) for the life of this object.

#include <unistd.h>

#include <cstdlib>

struct OrdinaryUser {
    bool switched = geteuid() == 0 && seteuid(65534) == 0;
    OrdinaryUser() = default;
    ~OrdinaryUser() {
        if (switched && seteuid(0) != 0)
            std::abort();
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;
};
