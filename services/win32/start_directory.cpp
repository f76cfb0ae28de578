#include "services/host.h"

std::string hostStartDirectory() {
    return "c:/";
}
