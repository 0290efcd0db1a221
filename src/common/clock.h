// Time and waiting go through these two interfaces so tests can fix the time and skip the waits.
#pragma once

#include <chrono>
#include <vector>

namespace tev {

class Clock {
 public:
  using time_point = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  virtual time_point now() const = 0;
  // Milliseconds since 1970-01-01 UTC, as the original currentTimeMillis().
  long long currentTimeMillis() const;

  // The process-wide clock (the system clock unless a test installed another).
  static Clock& system();
  // Installs a clock for the whole process; nullptr restores the system clock. Returns the previous one.
  static Clock* install(Clock* clock);
  static Clock& current();
};

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void sleepFor(std::chrono::milliseconds duration) = 0;

  static Sleeper& system();
  static Sleeper* install(Sleeper* sleeper);
  static Sleeper& current();
};

// A clock that stands still until a test moves it.
class FakeClock : public Clock {
 public:
  explicit FakeClock(time_point start = time_point{}) : now_(start) {}
  time_point now() const override { return now_; }
  void set(time_point t) { now_ = t; }
  void advance(std::chrono::milliseconds d) { now_ += d; }

 private:
  time_point now_;
};

// A sleeper that returns at once and remembers what it was asked; it can move a FakeClock along.
class RecordingSleeper : public Sleeper {
 public:
  explicit RecordingSleeper(FakeClock* clock = nullptr) : clock_(clock) {}
  void sleepFor(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    if (clock_) clock_->advance(duration);
  }
  std::vector<std::chrono::milliseconds> sleeps;

 private:
  FakeClock* clock_;
};

}  // namespace tev
