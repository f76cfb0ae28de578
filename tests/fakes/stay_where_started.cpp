#include "services/host/host.h"

// The tests stay in the directory they were started in.
std::string hostStartDirectory() {
    return {};
}
