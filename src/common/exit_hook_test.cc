#include "common/exit_hook.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tev {
namespace {

TEST(ExitHook, ExitReachesMainPastCatchAllsForFailures) {
  int status = runMain([] {
    try {
      exitProcess(3);
    } catch (const std::exception&) {
      ADD_FAILURE() << "a failure handler caught the exit";
    }
    return 0;
  });
  EXPECT_EQ(status, 3);
}

TEST(ExitHook, InstalledHookSeesTheStatusAndCallerStillStops) {
  int seen = -1;
  ExitHook previous = setExitHook([&](int s) { seen = s; });
  bool continued = false;
  int status = runMain([&] {
    exitProcess(0);
    continued = true;
    return 7;
  });
  setExitHook(previous);
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(continued);
}

TEST(ExitHook, MainBodyStatusWithoutExit) {
  EXPECT_EQ(runMain([] { return 5; }), 5);
}

}  // namespace
}  // namespace tev
