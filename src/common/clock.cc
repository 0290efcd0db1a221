#include "common/clock.h"

#include <thread>
#include <utility>

namespace tev {
namespace {

class SystemClock : public Clock {
 public:
  time_point now() const override { return std::chrono::system_clock::now(); }
};

class SystemSleeper : public Sleeper {
 public:
  void sleepFor(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

Clock* installedClock = nullptr;
Sleeper* installedSleeper = nullptr;

}  // namespace

long long Clock::currentTimeMillis() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch()).count();
}

Clock& Clock::system() {
  static SystemClock clock;
  return clock;
}

Clock* Clock::install(Clock* clock) {
  return std::exchange(installedClock, clock);
}

Clock& Clock::current() {
  return installedClock ? *installedClock : system();
}

Sleeper& Sleeper::system() {
  static SystemSleeper sleeper;
  return sleeper;
}

Sleeper* Sleeper::install(Sleeper* sleeper) {
  return std::exchange(installedSleeper, sleeper);
}

Sleeper& Sleeper::current() {
  return installedSleeper ? *installedSleeper : system();
}

}  // namespace tev
