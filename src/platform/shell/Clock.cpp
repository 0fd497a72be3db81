#include "Clock.h"

#include <atomic>

namespace tolvex::platform {

namespace {
const Clock systemClock;
std::atomic<const Clock *> current{&systemClock};
} // namespace

const Clock &Clock::instance() { return *current.load(); }

void Clock::setInstance(const Clock *clock) { current.store(clock ? clock : &systemClock); }

} // namespace tolvex::platform
