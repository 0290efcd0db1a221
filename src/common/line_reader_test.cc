#include "common/line_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/fd.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

struct SocketPair {
  SocketPair() {
    int sv[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
    reader.reset(sv[0]);
    writer.reset(sv[1]);
  }
  Fd reader;
  Fd writer;
};

// Writes the pieces one at a time and, after each, takes every line the reader can give without waiting,
// so each piece arrives in a read of its own. Then closes the writer and takes the rest up to end of stream.
Lines feed(const std::vector<std::string>& pieces,
           std::size_t maxLineLength = LineReader::kDefaultMaxLineLength) {
  SocketPair pair;
  LineReader reader(pair.reader.get(), maxLineLength);
  Lines lines;
  for (const std::string& piece : pieces) {
    writeAll(pair.writer.get(), piece);
    for (LineResult r = reader.readLine(0ms); !r.timedOut(); r = reader.readLine(0ms)) {
      EXPECT_FALSE(r.end()) << "end of stream before the writer closed";
      if (r.end()) return lines;
      lines.push_back(r.line);
    }
  }
  pair.writer.reset();
  for (;;) {
    LineResult r = reader.readLine(2s);
    EXPECT_FALSE(r.timedOut()) << "time-out after the writer closed";
    if (!r.isLine()) break;
    lines.push_back(r.line);
  }
  EXPECT_TRUE(reader.readLine(0ms).end()) << "end of stream must be reported again";
  return lines;
}

std::vector<std::string> bytesOf(const std::vector<std::string>& pieces) {
  std::vector<std::string> bytes;
  for (const std::string& piece : pieces) {
    for (char c : piece) bytes.emplace_back(1, c);
  }
  return bytes;
}

std::string join(const std::vector<std::string>& pieces) {
  std::string all;
  for (const std::string& piece : pieces) all += piece;
  return all;
}

struct SplitCase {
  const char* name;
  std::vector<std::string> pieces;  // as they arrive; a piece boundary is a read boundary
  Lines expected;
};

const SplitCase kSplitCases[] = {
    {"Empty", {}, {}},
    {"Lf", {"a\nb\n"}, {"a", "b"}},
    {"Cr", {"a\rb\r"}, {"a", "b"}},
    {"CrLf", {"a\r\nb\r\n"}, {"a", "b"}},
    {"CrThenLfInNextRead", {"a\r", "\nb\n"}, {"a", "b"}},
    {"CrThenLfAlone", {"a\r", "\n"}, {"a"}},
    {"CrThenOtherText", {"a\r", "b\r\n"}, {"a", "b"}},
    {"CrThenCrLf", {"a\r", "\r\n"}, {"a", ""}},
    {"CrCrLf", {"a\r\r\n"}, {"a", ""}},
    {"LfCr", {"a\n\rb"}, {"a", "", "b"}},
    {"EmptyLines", {"\n\r\n\r"}, {"", "", ""}},
    {"LineAcrossReads", {"ab", "c", "d\r", "\ne"}, {"abcd", "e"}},
    {"FinalUnterminatedLine", {"x\ny"}, {"x", "y"}},
    {"OnlyUnterminated", {"abc"}, {"abc"}},
    {"CrAtEndOfStream", {"a\r"}, {"a"}},
};

TEST(LineReader, TerminatorsAsPiecesAllAtOnceByteByByteAndInText) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(feed(c.pieces), c.expected) << "pieces as given";
    EXPECT_EQ(feed({join(c.pieces)}), c.expected) << "all at once";
    EXPECT_EQ(feed(bytesOf(c.pieces)), c.expected) << "byte by byte";
    EXPECT_EQ(splitLines(join(c.pieces)), c.expected) << "splitLines";
  }
}

TEST(LineReader, TimeOutKeepsPartialLineAndIsNotEnd) {
  SocketPair pair;
  LineReader reader(pair.reader.get());
  writeAll(pair.writer.get(), "par");
  auto started = std::chrono::steady_clock::now();
  LineResult r = reader.readLine(100ms);
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(r.timedOut());
  EXPECT_GE(waited, 90ms);
  EXPECT_LT(waited, 3s);
  EXPECT_EQ(reader.buffered(), 3u);

  std::thread writer([&] {
    std::this_thread::sleep_for(50ms);
    writeAll(pair.writer.get(), "tial\r\nnext");
  });
  r = reader.readLine(5s);
  writer.join();
  ASSERT_TRUE(r.isLine());
  EXPECT_EQ(r.line, "partial");
  EXPECT_TRUE(reader.readLine(50ms).timedOut());
  pair.writer.reset();
  r = reader.readLine(2s);
  ASSERT_TRUE(r.isLine());
  EXPECT_EQ(r.line, "next");
  EXPECT_TRUE(reader.readLine(2s).end());
}

struct LimitCase {
  const char* name;
  std::vector<std::string> pieces;
  bool tooLong;
};

TEST(LineReader, LongestLineIsTheLimit) {
  const LimitCase cases[] = {
      {"at the limit", {"abcd\r\nefgh"}, false},
      {"over, terminated", {"ok\nabcde\n"}, true},
      {"over, at end of stream", {"abcde"}, true},
      {"over, across reads", {"ab", "cd", "e\n"}, true},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.tooLong) {
      EXPECT_THROW(feed(c.pieces, 4), LineTooLong);
    } else {
      EXPECT_EQ(feed(c.pieces, 4), (Lines{"abcd", "efgh"}));
    }
  }
}

TEST(LineReader, PeerThatNeverEndsALineIsStoppedNotBuffered) {
  SocketPair pair;
  LineReader reader(pair.reader.get(), 1000);
  std::thread writer([&] {
    try {
      writeAll(pair.writer.get(), std::string(100000, 'x'));
    } catch (const Error&) {
      // the reader gave up and the test closed its end
    }
  });
  EXPECT_THROW(reader.readLine(5s), LineTooLong);
  EXPECT_LE(reader.buffered(), 1000u);
  EXPECT_THROW(reader.readLine(0ms), LineTooLong) << "a failed reader stays failed";
  pair.reader.reset();
  writer.join();
}

TEST(LineReader, ManyLinesFromAConcurrentWriter) {
  Pipe pipe = makePipe();
  LineReader reader(pipe.readEnd.get());
  const int count = 20000;
  std::thread writer([&] {
    std::string text;
    for (int i = 0; i < count; ++i)
      text += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    writeAll(pipe.writeEnd.get(), text);
    pipe.writeEnd.reset();
  });
  int seen = 0;
  for (LineResult r = reader.readLine(5s); r.isLine(); r = reader.readLine(5s)) {
    ASSERT_EQ(r.line, "line " + std::to_string(seen));
    ++seen;
  }
  writer.join();
  EXPECT_EQ(seen, count);
}

}  // namespace
}  // namespace tev
