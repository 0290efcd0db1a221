#include "rpc/frame.h"

#include <gtest/gtest.h>

#include <random>

#include "rpc/rpc_error.h"

namespace tev::rpc {
namespace {

std::string header(std::uint32_t size) {
  return std::string{static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                     static_cast<char>(size >> 8), static_cast<char>(size)};
}

std::string rawFrame(const std::string& body) {
  return header(static_cast<std::uint32_t>(body.size())) + body;
}

TEST(FrameTest, RoundTripsMessagesFedInAnySlices) {
  const Json first{{"op", "setDeviceUser"}, {"args", {"ann", "dev7"}}};
  const Json second{{"ok", {{"n", 1.5}, {"text", "\xc3\xa9t\xc3\xa9 \"quoted\" \\ [x]"}}}};
  const std::string stream = encodeFrame(first) + encodeFrame(second);
  EXPECT_EQ(stream.substr(0, 4), header(static_cast<std::uint32_t>(first.dump().size())));

  for (std::size_t slice : {std::size_t{1}, std::size_t{3}, std::size_t{7}, stream.size()}) {
    SCOPED_TRACE(slice);
    FrameReader reader;
    std::vector<Json> got;
    for (std::size_t at = 0; at < stream.size(); at += slice) {
      reader.feed(std::string_view(stream).substr(at, slice));
      while (auto message = reader.next()) got.push_back(*message);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], first);
    EXPECT_EQ(got[1], second);
    EXPECT_FALSE(reader.hasPartial());
  }
}

TEST(FrameTest, TruncatedFrameWaitsForTheRest) {
  const std::string frame = encodeFrame(Json{{"op", "list"}});
  FrameReader reader;
  reader.feed(std::string_view(frame).substr(0, 2));
  EXPECT_FALSE(reader.next());
  reader.feed(std::string_view(frame).substr(2, frame.size() - 3));
  EXPECT_FALSE(reader.next());
  EXPECT_TRUE(reader.hasPartial());
  reader.feed(std::string_view(frame).substr(frame.size() - 1));
  EXPECT_EQ(reader.next(), (Json{{"op", "list"}}));
}

TEST(FrameTest, BadFramesAreRejectedAndBreakTheStream) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"empty body", header(0), "bad frame: empty body"},
      {"not JSON", rawFrame("{\"op\": "), "bad frame: body is not valid JSON"},
      {"trailing bytes", rawFrame("{} {}"), "bad frame: body is not valid JSON"},
      {"bad UTF-8", rawFrame("{\"op\":\"\xff\"}"), "bad frame: body is not valid JSON"},
      {"array", rawFrame("[1,2]"), "bad frame: body is not a JSON object"},
      {"text", rawFrame("\"op\""), "bad frame: body is not a JSON object"},
      {"too deep", rawFrame("{\"a\":" + std::string(100, '[') + std::string(100, ']') + "}"),
       "bad frame: JSON nested deeper than 64 levels"},
      {"oversized", header(kMaxFrameSize + 1),
       "bad frame: length 16777217 exceeds the limit of 16777216 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrameReader reader;
    reader.feed(c.bytes);
    reader.feed(encodeFrame(Json{{"op", "after"}}));
    try {
      reader.next();
      ADD_FAILURE() << "accepted";
    } catch (const ProtocolError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    // A good frame after a bad one is not trusted.
    EXPECT_THROW(reader.next(), ProtocolError);
  }
}

TEST(FrameTest, BracketsInsideStringsDoNotCountAsNesting) {
  const Json message{{"text", std::string(200, '[') + "\\\"" + std::string(200, '{')}};
  FrameReader reader;
  reader.feed(encodeFrame(message));
  EXPECT_EQ(reader.next(), message);
}

TEST(FrameTest, EncodeRefusesWhatCannotTravel) {
  EXPECT_THROW(encodeFrame(Json::array({1})), ProtocolError);
  EXPECT_THROW(encodeFrame(Json{{"text", std::string(100, 'x')}}, 50), ProtocolError);
  // Bytes that are not UTF-8 travel as U+FFFD rather than failing the call.
  FrameReader reader;
  reader.feed(encodeFrame(Json{{"text", "a\xff"}}));
  EXPECT_EQ(reader.next(), (Json{{"text", "a\xef\xbf\xbd"}}));
}

TEST(FrameTest, RandomGarbageNeverCrashes) {
  std::mt19937 random(1234);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    // Small lengths, so that bodies are actually parsed.
    if (bytes.size() >= 4 && round % 2 == 0) {
      bytes[0] = bytes[1] = 0;
      bytes[2] = 0;
      bytes[3] = static_cast<char>(bytes.size() - 4);
    }
    FrameReader reader(1024);
    reader.feed(bytes);
    try {
      while (reader.next()) {
      }
    } catch (const ProtocolError&) {
    }
  }
}

}  // namespace
}  // namespace tev::rpc
