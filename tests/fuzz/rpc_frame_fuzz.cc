// The remote-call frame decoder fed arbitrary bytes: the stream reader cut into pieces at arbitrary places,
// the body decoder on the whole input, and what a serving side reads out of a decoded call (its arguments,
// endpoints and device records). A decoded message must survive encoding and decoding unchanged.
//
// Input: one byte whose low bits choose the piece size the stream is fed in (1 .. 16 bytes, or all at once),
// then the stream.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "fuzz_support.h"
#include "rpc/args.h"
#include "rpc/device_record.h"
#include "rpc/endpoint.h"
#include "rpc/frame.h"
#include "rpc/rpc_error.h"

namespace {

using tev::rpc::Json;

// What a serving side does with a call: every argument read as each type it could be asked for.
void readCall(const Json& message) {
  if (message.contains("ok") || message.contains("error")) return;
  auto op = message.find("op");
  auto args = message.find("args");
  if (op == message.end() || !op->is_string() || args == message.end() || !args->is_array()) return;
  const std::string name = op->get<std::string>();
  tev::rpc::Args call(name, *args);
  for (std::size_t i = 0; i <= call.size(); ++i) {
    auto attempt = [&](auto read) {
      try {
        read();
      } catch (const tev::Error&) {
      }
    };
    attempt([&] { (void)call.at(i); });
    attempt([&] { (void)call.text(i); });
    attempt([&] { (void)call.textList(i); });
    attempt([&] { (void)call.integer(i); });
    attempt([&] { (void)call.boolean(i); });
    attempt([&] { (void)call.endpoint(i); });
    attempt([&] { (void)call.expectCount(i); });
    if (i < call.size()) attempt([&] { (void)tev::rpc::DeviceRecord::fromJson(call.at(i)); });
  }
}

// Encoding a decoded message and decoding it again gives the same message.
void roundTrip(const Json& message) {
  std::string frame;
  try {
    frame = tev::rpc::encodeFrame(message);
  } catch (const tev::rpc::ProtocolError&) {
    return;
  }
  Json again = tev::rpc::decodeFrameBody(std::string_view(frame).substr(tev::rpc::kFrameHeaderSize));
  if (again != message) std::abort();
}

void handle(const Json& message) {
  roundTrip(message);
  readCall(message);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tev::fuzz::silenceLogs();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tev::fuzz::Input in(data, size);
  const std::uint8_t options = in.byte();
  const std::string_view stream = in.rest();

  // The stream, fed in pieces; a small limit so that the length check is reached too.
  const std::size_t piece = (options & 0x10) ? stream.size() + 1 : (options & 0x0f) + 1;
  tev::rpc::FrameReader reader((options & 0x20) ? 64 : tev::rpc::kMaxFrameSize);
  try {
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      reader.feed(stream.substr(at, piece));
      while (std::optional<Json> message = reader.next()) handle(*message);
    }
  } catch (const tev::rpc::ProtocolError&) {
    // A broken stream stays broken.
    try {
      (void)reader.next();
      std::abort();
    } catch (const tev::rpc::ProtocolError&) {
    }
  }

  // The whole stream as one body.
  try {
    handle(tev::rpc::decodeFrameBody(stream));
  } catch (const tev::rpc::ProtocolError&) {
  }
  return 0;
}
