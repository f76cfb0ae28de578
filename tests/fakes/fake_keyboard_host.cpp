#include <algorithm>
#include <map>

#include "services/host/host.h"
#include "tests/fakes/fakes.h"

namespace {

// 25 December 2024, 21:05:07.
std::tm christmasEvening() {
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 11;
    time.tm_mday = 25;
    time.tm_hour = 21;
    time.tm_min = 5;
    time.tm_sec = 7;
    return time;
}

struct FakeKeyboard {
    std::int64_t now = 0;
    std::multimap<std::int64_t, KeyCode> script;
    std::int64_t endsAt = -1;
    std::tm localTime = christmasEvening();
};

FakeKeyboard fake;

} // namespace

void resetFakeKeyboard() {
    fake = FakeKeyboard{};
    startKeyboard();
}

void scheduleKey(std::int64_t atMs, KeyCode key) {
    fake.script.emplace(atMs, key);
}
void endFakeInputAt(std::int64_t atMs) {
    fake.endsAt = atMs;
}
std::int64_t fakeNowMs() {
    return fake.now;
}
void setFakeLocalTime(const std::tm& time) {
    fake.localTime = time;
}

void hostPumpInput(std::vector<KeyCode>& keys) {
    while (!fake.script.empty() && fake.script.begin()->first <= fake.now) {
        keys.push_back(fake.script.begin()->second);
        fake.script.erase(fake.script.begin());
    }
}

void hostWaitForInput(int milliseconds) {
    std::int64_t until = fake.now + milliseconds;
    if (!fake.script.empty())
        until = std::min(until, std::max(fake.now, fake.script.begin()->first));
    fake.now = until;
}

bool hostInputEnded() {
    return fake.endsAt >= 0 && fake.now >= fake.endsAt && fake.script.empty();
}

std::int64_t hostMonotonicMs() {
    return fake.now;
}
std::tm hostLocalTime() {
    return fake.localTime;
}
void hostSleepMs(int milliseconds) {
    fake.now += milliseconds;
}
