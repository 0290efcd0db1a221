#include <gtest/gtest.h>

#include "common/tcp.h"
#include "rpc/rpc_client.h"
#include "rpc/rpc_server.h"

namespace tev::rpc {
namespace {

using namespace std::chrono_literals;

TEST(RpcServerIdle, WaitsForTheConnectionsItServes) {
  RpcServer server("Sample");
  server.handle("nothing", [](const Json&) { return Json(); });
  server.start();
  EXPECT_TRUE(server.waitUntilIdle(0ms));

  // A caller that keeps its connection open keeps the server busy.
  Fd held = tcpConnect(kLoopbackHost, server.port(), 1000ms);
  RpcClient(server.endpoint(), "Sample").call("nothing");
  EXPECT_FALSE(server.waitUntilIdle(100ms));
  held.reset();
  EXPECT_TRUE(server.waitUntilIdle(5000ms));
}

}  // namespace
}  // namespace tev::rpc
