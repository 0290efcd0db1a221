#include "daemon/resource_monitor_thread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

#include "common/test_support.h"
#include "daemon/mosku_monitor.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

std::pair<Fd, Fd> socketPair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw Error("socketpair");
  return {Fd(fds[0]), Fd(fds[1])};
}

// Sends the standard error to a file while it lives.
class StderrToFile {
 public:
  explicit StderrToFile(const std::string& path) : saved_(::dup(STDERR_FILENO)) {
    Fd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    ::dup2(file.get(), STDERR_FILENO);
  }
  ~StderrToFile() { ::dup2(saved_.get(), STDERR_FILENO); }

 private:
  Fd saved_;
};

TEST(ResourceMonitorThread, ReadsOneReplyPerConnectionAndClosesThemAll) {
  ResourceMonitorThread thread{MonitorSettingsType(), ResourceMonitorType()};
  auto [first, bridgeOfFirst] = socketPair();
  auto [second, bridgeOfSecond] = socketPair();
  auto [third, bridgeOfThird] = socketPair();
  thread.addConnection(std::move(first));
  thread.addConnection(std::move(second));
  thread.addConnection(std::move(third));
  writeAll(bridgeOfFirst.get(), "OK|1\r\nOK|2\r\n");
  writeAll(bridgeOfSecond.get(), "ERR|9\n");
  bridgeOfThird.reset();  // this bridge connection has ended

  testing::TempDir dir;
  std::vector<std::optional<std::string>> replies;
  {
    StderrToFile capture(dir.file("stderr"));
    MoskuMonitor::debugLevel = 1;
    replies = thread.getReplies(500ms);
    MoskuMonitor::debugLevel = 0;
    thread.getReplies(100ms);  // quiet at level 0
  }
  EXPECT_EQ(replies, (std::vector<std::optional<std::string>>{"OK|1", "ERR|9", std::nullopt}));
  std::string log = testing::readFile(dir.file("stderr"));
  EXPECT_TRUE(std::regex_search(
      log,
      std::regex(
          R"(^\d\d-\d\d-\d{4} \d\d:\d\d:\d\d: Received: OK\|1\n.*Received: ERR\|9\n.*Received: null\n$)")))
      << log;

  thread.closeSkerrymantleConnections();
  EXPECT_EQ(thread.connectionCount(), 3u);
  char byte;
  EXPECT_EQ(::read(bridgeOfFirst.get(), &byte, 1), 0);  // the bridge sees the connection end
  EXPECT_EQ(::read(bridgeOfSecond.get(), &byte, 1), 0);
  EXPECT_EQ(thread.getReplies(10ms), (std::vector<std::optional<std::string>>(3, std::nullopt)));
}

}  // namespace
}  // namespace tev
