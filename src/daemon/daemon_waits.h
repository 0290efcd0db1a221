// The fixed waits of the daemon. The product uses the defaults; tests shorten them through the environment
// variable TEV_TORVEND_TEST_WAITS (a test seam, deliberately not a setting or an option): a comma-separated
// list of name=milliseconds with the names start, setup, thread, name and retry, e.g.
// "start=0,setup=10,thread=10,name=500". Unknown names and bad numbers are ignored.
#pragma once

#include <chrono>
#include <string_view>

namespace tev {

struct DaemonWaits {
  // Before anything is opened at start-up.
  std::chrono::milliseconds start{20000};
  // After the earlier session of a device was reset, before the new one is set up.
  std::chrono::milliseconds setup{1000};
  // After a relay thread of its own was started for a device.
  std::chrono::milliseconds thread{3000};
  // The read time-out of the "Device:" dialogue.
  std::chrono::milliseconds name{10000};
  // Between two attempts to reach a scanner process on its local port (a refused loopback connect fails at
  // once, so attempts without a pause would all fail before the process listens).
  std::chrono::milliseconds retry{500};

  // The defaults changed by the given text.
  static DaemonWaits parse(std::string_view text);
  // The defaults changed by TEV_TORVEND_TEST_WAITS when it is set.
  static DaemonWaits fromEnvironment();
};

}  // namespace tev
