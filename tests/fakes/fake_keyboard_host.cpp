#include <algorithm>
#include <map>

#include "services/host.h"
#include "tests/fakes/fakes.h"

namespace {

struct FakeKeyboard {
    std::int64_t now = 0;
    std::multimap<std::int64_t, KeyCode> script;
    std::int64_t endsAt = -1;
};

FakeKeyboard fake;

} // namespace

void resetFakeKeyboard() {
    fake = FakeKeyboard{};
    resetKeyboard();
}

void scheduleKey(std::int64_t atMs, KeyCode key) { fake.script.emplace(atMs, key); }
void endFakeInputAt(std::int64_t atMs) { fake.endsAt = atMs; }
std::int64_t fakeNowMs() { return fake.now; }

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

std::int64_t hostMonotonicMs() { return fake.now; }
void hostSleepMs(int milliseconds) { fake.now += milliseconds; }
