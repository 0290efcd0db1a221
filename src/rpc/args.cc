#include "rpc/args.h"

#include "rpc/rpc_error.h"

namespace tev::rpc {

Args::Args(std::string_view op, const Json& args) : op_(op), args_(args) {
  if (!args_.is_array()) throw BadArguments(std::string(op_) + ": the arguments are not a list");
}

void Args::expectCount(std::size_t count) const {
  if (args_.size() != count) {
    throw BadArguments(std::string(op_) + ": expects " + std::to_string(count) + " argument" +
                       (count == 1 ? "" : "s") + ", got " + std::to_string(args_.size()));
  }
}

void Args::fail(std::size_t index, std::string_view what) const {
  throw BadArguments(std::string(op_) + ": argument " + std::to_string(index + 1) + " " + std::string(what));
}

const Json& Args::at(std::size_t index) const {
  if (index >= args_.size()) fail(index, "is missing");
  return args_[index];
}

std::string Args::text(std::size_t index) const {
  const Json& value = at(index);
  if (!value.is_string()) fail(index, "must be a text");
  return value.get<std::string>();
}

std::vector<std::string> Args::textList(std::size_t index) const {
  const Json& value = at(index);
  if (!value.is_array()) fail(index, "must be a list of texts");
  std::vector<std::string> texts;
  texts.reserve(value.size());
  for (const Json& item : value) {
    if (!item.is_string()) fail(index, "must be a list of texts");
    texts.push_back(item.get<std::string>());
  }
  return texts;
}

long long Args::integer(std::size_t index) const {
  const Json& value = at(index);
  if (!value.is_number_integer()) fail(index, "must be a whole number");
  return value.get<long long>();
}

bool Args::boolean(std::size_t index) const {
  const Json& value = at(index);
  if (!value.is_boolean()) fail(index, "must be true or false");
  return value.get<bool>();
}

Endpoint Args::endpoint(std::size_t index) const {
  try {
    return Endpoint::fromJson(at(index));
  } catch (const ProtocolError& e) {
    fail(index, std::string("is not a remote reference (") + e.what() + ")");
  }
}

}  // namespace tev::rpc
