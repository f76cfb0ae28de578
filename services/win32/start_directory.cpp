#include "services/host/host.h"

std::string hostStartDirectory() {
    return "c:/";
}
