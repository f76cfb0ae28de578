#include "services/clock.h"

#include "services/host/host.h"

namespace {

// The moment the clock is held at, when it is.
struct HeldClock {
    bool held = false;
    std::tm moment{};
};

HeldClock heldClock;

std::tm now() {
    return heldClock.held ? heldClock.moment : hostLocalTime();
}

} // namespace

Text dateText() {
    return dateTextOf(now());
}

Text timeText() {
    return timeTextOf(now());
}

void holdClockAt(const std::tm& moment) {
    heldClock = {true, moment};
}
