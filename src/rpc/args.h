// The arguments of one call, read on the serving side. A missing argument or one of the wrong type throws
// BadArguments naming the operation and the argument's position (counted from 1), which the caller
// receives as a RemoteError.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rpc/endpoint.h"
#include "rpc/frame.h"

namespace tev::rpc {

class Args {
 public:
  // args: the call's argument list (a JSON array; RpcServer guarantees it). Both are referenced, not
  // copied: they must outlive this object.
  Args(std::string_view op, const Json& args);

  std::size_t size() const { return args_.size(); }
  // Fails unless exactly count arguments came.
  void expectCount(std::size_t count) const;

  // The argument at index (0-based) as the type asked for.
  const Json& at(std::size_t index) const;
  std::string text(std::size_t index) const;
  std::vector<std::string> textList(std::size_t index) const;
  long long integer(std::size_t index) const;
  bool boolean(std::size_t index) const;
  Endpoint endpoint(std::size_t index) const;

 private:
  [[noreturn]] void fail(std::size_t index, std::string_view what) const;

  std::string_view op_;
  const Json& args_;
};

}  // namespace tev::rpc
