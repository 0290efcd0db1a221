#include "daemon/admin_tool.h"

#include <algorithm>

#include "daemon/syntax_line.h"
#include "rpc/rpc_error.h"

namespace tev {

int AdminTool::syntax(std::string_view rest) {
  out_ << syntaxLine(rest) << std::endl;
  return kUsageStatus;
}

std::unique_ptr<rpc::TorvendAdminStub> AdminTool::lookup() const {
  return rpc::TorvendAdminStub::lookup(registryPort_);
}

int AdminTool::run(const std::function<void()>& body) {
  try {
    body();
    return 0;
  } catch (const std::exception& e) {
    out_.flush();
    err_ << errorLine(e) << std::endl;
    return kFailureStatus;
  }
}

std::string AdminTool::errorLine(const std::exception& e) const {
  std::string what;
  const std::string port = std::to_string(registryPort_);
  if (dynamic_cast<const rpc::RegistryUnreachable*>(&e) != nullptr) {
    what = "the daemon cannot be reached: no registry on port " + port;
  } else if (dynamic_cast<const rpc::NotBound*>(&e) != nullptr) {
    what = "the daemon cannot be reached: no administration service in the registry on port " + port;
  } else if (dynamic_cast<const rpc::CallRefused*>(&e) != nullptr) {
    what = "the daemon cannot be reached: its administration service does not answer";
  } else if (dynamic_cast<const rpc::RemoteError*>(&e) != nullptr) {
    what = std::string("the daemon refused the request: ") + e.what();
  } else {
    what = e.what();
  }
  std::replace_if(
      what.begin(), what.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return program_ + ": " + what;
}

}  // namespace tev
