#include "services/clock.h"

#include "services/host/host.h"

Text dateText() {
    return dateTextOf(hostLocalTime());
}

Text timeText() {
    return timeTextOf(hostLocalTime());
}
