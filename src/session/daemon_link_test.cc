#include "session/daemon_link.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "common/exit_hook.h"
#include "common/log.h"
#include "common/tcp.h"
#include "common/test_support.h"
#include "config/config_test_support.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using testing::ConfigTree;

// A port nobody listens on right now.
using testing::freePort;
std::string settingsFile(ConfigTree& tree, const std::optional<std::string>& useSockets,
                         const std::optional<std::string>& port) {
  tree.settings().standardEnvironment("common");
  if (useSockets) tree.settings().param({"torvend", "use_sockets_with_scanner_process"}, *useSockets);
  if (port) tree.settings().param({"torvend", "scanner_process_port"}, *port);
  return tree.writeSettings();
}

// Everything written on a pipe's read end until it is closed (or 2 s pass).
std::string drain(int fd) {
  std::string text;
  char buf[256];
  for (;;) {
    ReadResult r = readSome(fd, buf, sizeof buf, 2000ms);
    if (!r.data()) return text;
    text.append(buf, r.bytes);
  }
}

// Connects to the port, retrying while the link is not listening yet.
std::optional<Fd> connectWhenListening(int port) {
  auto until = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < until) {
    try {
      return tcpConnect("127.0.0.1", port, 1000ms);
    } catch (const Error&) {
      std::this_thread::sleep_for(10ms);
    }
  }
  return std::nullopt;
}

TEST(DaemonLink, StreamModeUnlessTheSettingSaysYes) {
  for (std::optional<std::string> value :
       {std::optional<std::string>(), std::optional<std::string>("no"), std::optional<std::string>("true")}) {
    SCOPED_TRACE(value.value_or("<absent>"));
    ConfigTree tree;
    VAVSettings settings(settingsFile(tree, value, std::nullopt));
    log::Capture capture;
    DaemonLink link = DaemonLink::connect(settings);
    EXPECT_FALSE(link.socketMode());
    EXPECT_EQ(link.inputFd(), 0);
    EXPECT_EQ(link.outputFd(), 1);
    EXPECT_EQ(link.torvendSocket(), -1);
    EXPECT_TRUE(capture.contains("Using input & output streams for communicating with Torvend"));
  }
}

TEST(DaemonLink, SocketModeAcceptsOneLoopbackConnectionAndStopsListening) {
  ConfigTree tree;
  const int port = freePort();
  VAVSettings settings(settingsFile(tree, "YES", std::to_string(port)));
  Pipe out = makePipe();
  DaemonLink::Options options;
  options.standardOutputFd = out.writeEnd.get();
  options.acceptTimeout = 5000ms;

  log::Capture capture;
  auto daemon = std::async(std::launch::async, [port] { return connectWhenListening(port); });
  DaemonLink link = DaemonLink::connect(settings, options);
  std::optional<Fd> daemonSide = daemon.get();
  ASSERT_TRUE(daemonSide);
  out.writeEnd.reset();

  EXPECT_EQ(drain(out.readEnd.get()),
            "Using sockets for communicating with Torvend, port number = " + std::to_string(port) + "\n");
  ASSERT_TRUE(link.socketMode());
  EXPECT_EQ(link.inputFd(), link.torvendSocket());
  EXPECT_EQ(link.outputFd(), link.torvendSocket());
  EXPECT_NE(::fcntl(link.torvendSocket(), F_GETFD) & FD_CLOEXEC, 0);

  std::vector<std::string> texts;
  for (const log::Line& line : capture.lines())
    if (line.text.rfind("Param Path: ", 0) != 0) texts.push_back(line.text);  // the settings reader's own
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Using sockets for communicating with Torvend, port number = " + std::to_string(port),
                       "torvendServerSocket socket created ", "torvendServerSocket socket accepted ",
                       "torvendServerSocket socket closed "}));

  // Both directions go through the one connection.
  writeAll(daemonSide->get(), "key");
  char buf[8];
  ReadResult r = readSome(link.inputFd(), buf, sizeof buf, 2000ms);
  ASSERT_TRUE(r.data());
  EXPECT_EQ(std::string(buf, r.bytes), "key");
  writeAll(link.outputFd(), "screen");
  r = readSome(daemonSide->get(), buf, sizeof buf, 2000ms);
  ASSERT_TRUE(r.data());
  EXPECT_EQ(std::string(buf, r.bytes), "screen");

  // Nobody listens any more.
  EXPECT_THROW(tcpConnect("127.0.0.1", port, 1000ms), Error);
}

TEST(DaemonLink, SocketModeFailuresEndTheProcessWithoutASession) {
  struct Case {
    std::optional<std::string> port;
    std::string cause;
  };
  TcpListener taken = TcpListener::listen(0, true);
  const Case cases[] = {
      {std::to_string(freePort()), "Accept timed out"},  // nobody connects within the time-out
      {std::nullopt, "scanner_process_port"},            // no port setting
      {"70000x", "scanner_process_port"},                // not a number
      {std::to_string(taken.port()), "port"},            // the port is taken
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port.value_or("<absent>"));
    ConfigTree tree;
    VAVSettings settings(settingsFile(tree, "yes", c.port));
    Pipe out = makePipe();
    DaemonLink::Options options;
    options.standardOutputFd = out.writeEnd.get();
    options.acceptTimeout = 200ms;
    log::Capture capture;
    int status = -1;
    try {
      DaemonLink::connect(settings, options);
    } catch (const ExitRequest& exit) {
      status = exit.status;
    }
    EXPECT_EQ(status, 0);
    bool found = false;
    for (const log::Line& line : capture.lines()) {
      if (line.text.rfind("Exception occured in Torvend socket creation ", 0) == 0) {
        found = true;
        EXPECT_NE(line.text.find(c.cause), std::string::npos) << line.text;
      }
    }
    EXPECT_TRUE(found);
  }
}

}  // namespace
}  // namespace tev
