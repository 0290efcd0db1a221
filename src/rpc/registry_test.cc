#include "rpc/registry.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "rpc/registry_client.h"
#include "rpc/rpc_error.h"
#include "rpc/rpc_server.h"
#include "rpc/rpc_test_support.h"

namespace tev::rpc {
namespace {

using namespace std::chrono_literals;

TEST(Registry, BindLookupRebindUnbindListOverTheWire) {
  Registry registry(0);
  RegistryClient client(registry.port());
  const Endpoint first{"127.0.0.1", 4001};
  const Endpoint second{"127.0.0.1", 4002};

  EXPECT_TRUE(client.list().empty());
  client.bind("TorvendAdminServer", first);
  EXPECT_EQ(client.lookup("TorvendAdminServer"), first);
  EXPECT_THROW(client.bind("TorvendAdminServer", second), AlreadyBound);
  EXPECT_EQ(client.lookup("TorvendAdminServer"), first);

  client.rebind("TorvendAdminServer", second);
  client.rebind("handler-1", first);
  EXPECT_EQ(client.lookup("TorvendAdminServer"), second);
  EXPECT_EQ(client.list(), (std::vector<std::string>{"TorvendAdminServer", "handler-1"}));

  client.unbind("handler-1");
  EXPECT_THROW(client.unbind("handler-1"), NotBound);
  try {
    client.lookup("handler-1");
    ADD_FAILURE() << "found";
  } catch (const NotBound& e) {
    EXPECT_EQ(std::string(e.what()), "name not bound: handler-1");
  }
  // The owner sees the same table.
  EXPECT_EQ(registry.lookup("TorvendAdminServer"), second);
  EXPECT_EQ(registry.list(), (std::vector<std::string>{"TorvendAdminServer"}));
}

TEST(Registry, OwnerUsesTheTableDirectly) {
  Registry registry(0);
  registry.bind("a", {"127.0.0.1", 1});
  EXPECT_THROW(registry.bind("a", {"127.0.0.1", 2}), AlreadyBound);
  registry.rebind("a", {"127.0.0.1", 3});
  EXPECT_EQ(RegistryClient(registry.port()).lookup("a").port, 3);
  registry.unbind("a");
  EXPECT_THROW(registry.unbind("a"), NotBound);
  EXPECT_THROW(registry.lookup("a"), NotBound);
}

TEST(Registry, BadArgumentsAreRefused) {
  Registry registry(0);
  RpcClient raw({"127.0.0.1", registry.port()}, "naming registry");
  struct Case {
    const char* op;
    Json args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"bind", Json::array({"x", Json{{"host", "127.0.0.1"}, {"port", 70000}}}),
       "bind: argument 2 is not a remote reference (bad remote reference: port 70000 outside 1..65535)"},
      {"rebind", Json::array({"x", "127.0.0.1:80"}),
       "rebind: argument 2 is not a remote reference (bad remote reference: not a JSON object)"},
      {"lookup", Json::array({7}), "lookup: argument 1 must be a text"},
      {"unbind", Json::array(), "unbind: expects 1 argument, got 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    try {
      raw.call(c.op, c.args);
      ADD_FAILURE() << "accepted";
    } catch (const RemoteError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  EXPECT_TRUE(registry.list().empty());
}

TEST(Registry, UnreachableRegistry) {
  const int port = testing::unusedPort();
  try {
    lookup(port, "TorvendAdminServer");
    ADD_FAILURE() << "reached";
  } catch (const RegistryUnreachable& e) {
    EXPECT_EQ(std::string(e.what()), "naming registry unreachable: cannot connect to 127.0.0.1 port " +
                                         std::to_string(port) + ": Connection refused");
  }
}

TEST(Registry, SecondRegistryOnTheSamePortFails) {
  Registry registry(0);
  EXPECT_THROW(Registry(registry.port()), Error);
  EXPECT_NO_THROW(RegistryClient(registry.port()).list());
}

TEST(Registry, LookupGivesAClientOfTheBoundObject) {
  Registry registry(0);
  RpcServer server("Greeter");
  server.handle("greet", [](const Json& args) { return Json("hello " + args.at(0).get<std::string>()); });
  server.start();
  registry.rebind("Greeter", server.endpoint());

  RpcClient greeter = lookup(registry.port(), "Greeter");
  EXPECT_EQ(greeter.name(), "Greeter");
  EXPECT_EQ(greeter.call("greet", Json::array({"ann"})), "hello ann");
  EXPECT_THROW(lookup(registry.port(), "Stranger"), NotBound);

  // A binding outlives its object: calls through it are then refused.
  server.stop();
  EXPECT_THROW(greeter.call("greet", Json::array({"bob"})), CallRefused);
}

TEST(Registry, RegistryPortFromTheSetting) {
  EXPECT_EQ(registryPort(-1), 1099);
  EXPECT_EQ(registryPort(0), 1099);
  EXPECT_EQ(registryPort(2099), 2099);
  struct Case {
    std::optional<std::string> text;
    int port;
  };
  for (const Case& c : std::vector<Case>{{std::nullopt, 1099},
                                         {"", 1099},
                                         {"abc", 1099},
                                         {"-1", 1099},
                                         {"0", 1099},
                                         {"2099", 2099},
                                         {"99999999999", 1099}}) {
    SCOPED_TRACE(c.text.value_or("(none)"));
    EXPECT_EQ(registryPort(c.text), c.port);
  }
}

// A handler process both serves and calls: it registers its own endpoint with the daemon's service, which
// calls back into it while the registration is still under way.
TEST(Registry, BothRolesInOneProcess) {
  Registry registry(0);
  RpcServer daemon("TorvendAdminServer");
  std::mutex mutex;
  std::map<std::string, Endpoint> handlers;
  daemon.handle("registerScannerProcessHandler", [&](const Json& args) {
    const std::string id = args.at(0).get<std::string>();
    const Endpoint handler = Endpoint::fromJson(args.at(1));
    // Calls back before answering.
    Json reported = RpcClient(handler, id).call("getHandlerID");
    if (reported != id) throw Error("handler answered " + reported.dump());
    std::lock_guard lock(mutex);
    handlers[id] = handler;
    return Json();
  });
  daemon.start();
  registry.rebind("TorvendAdminServer", daemon.endpoint());

  RpcServer handler("handler-1");
  handler.handle("getHandlerID", [](const Json&) { return Json("handler-1"); });
  handler.handle("getMaxNoOfProcesses", [](const Json&) { return Json(2); });
  handler.start();
  lookup(registry.port(), "TorvendAdminServer")
      .call("registerScannerProcessHandler", Json::array({"handler-1", handler.endpoint().toJson()}));

  std::lock_guard lock(mutex);
  ASSERT_EQ(handlers.count("handler-1"), 1u);
  EXPECT_EQ(RpcClient(handlers["handler-1"], "handler-1").call("getMaxNoOfProcesses"), 2);
}

}  // namespace
}  // namespace tev::rpc
