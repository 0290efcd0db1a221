#include "daemon/torvend_notifier.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "daemon/daemon_test_support.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

AdminRequest named(std::string name) {
  AdminRequest request;
  request.name = std::move(name);
  return request;
}

AdminReply error(std::string text) {
  AdminReply reply;
  reply.error = std::move(text);
  return reply;
}

class NotifierTest : public ::testing::Test {
 protected:
  testing::DaemonTree tree;
  SystemLogImpl log{tree.logDir()};
  TorvendNotifier notifier{log};
};

TEST_F(NotifierTest, SecondCallerWaitsUntilTheFirstIsAnswered) {
  auto first = std::async(std::launch::async, [&] { return notifier.sendRequest(named("first")); });
  EXPECT_EQ(notifier.getRequest().name, "first");
  auto second = std::async(std::launch::async, [&] { return notifier.sendRequest(named("second")); });
  // While the first is being applied, the second is not handed over and cannot take the first's reply.
  EXPECT_EQ(second.wait_for(200ms), std::future_status::timeout);
  notifier.sendReply(error("for first"));
  EXPECT_EQ(first.get().error, "for first");
  EXPECT_EQ(notifier.getRequest().name, "second");
  notifier.sendReply(error("for second"));
  EXPECT_EQ(second.get().error, "for second");
}

TEST_F(NotifierTest, CloseRefusesWaitingAndLaterCallersButNotTheAnsweredOne) {
  auto answered = std::async(std::launch::async, [&] { return notifier.sendRequest(named("shutdown")); });
  EXPECT_EQ(notifier.getRequest().name, "shutdown");
  auto waiting = std::async(std::launch::async, [&] { return notifier.sendRequest(named("list_scanners")); });
  EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
  notifier.sendReply(AdminReply());
  notifier.close();
  EXPECT_EQ(answered.get().error, std::nullopt);
  EXPECT_THROW(waiting.get(), NotifierClosed);
  EXPECT_THROW(notifier.sendRequest(named("reinitialize")), NotifierClosed);
}

}  // namespace
}  // namespace tev
