#include "common/fd.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/error.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

bool isOpen(int fd) {
  return ::fcntl(fd, F_GETFD) >= 0;
}
bool isCloseOnExec(int fd) {
  return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}

// An fd owned by nobody: /dev/null opened without close-on-exec.
int openRaw() {
  int fd = ::open("/dev/null", O_RDONLY);
  EXPECT_GE(fd, 0);
  return fd;
}

TEST(Fd, OwnershipClosesExactlyOnce) {
  int raw = openRaw();
  {
    Fd a(raw);
    EXPECT_TRUE(a.valid());
    Fd b(std::move(a));
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(b.get(), raw);
    Fd c;
    c = std::move(b);
    EXPECT_EQ(c.get(), raw);
    EXPECT_TRUE(isOpen(raw));
  }
  EXPECT_FALSE(isOpen(raw));

  int other = openRaw();
  Fd d(openRaw());
  int first = d.get();
  d.reset(other);
  EXPECT_FALSE(isOpen(first));
  EXPECT_EQ(d.get(), other);
  int released = d.release();
  EXPECT_FALSE(d.valid());
  EXPECT_EQ(released, other);
  EXPECT_TRUE(isOpen(other));  // release gave it up, so nothing closed it
  ::close(other);

  Fd self(openRaw());
  int same = self.get();
  self.reset(same);  // resetting to the owned number must not close it
  EXPECT_TRUE(isOpen(same));
}

TEST(Fd, PipeEndsAreCloseOnExecAndSetCloseOnExecWorks) {
  Pipe p = makePipe();
  EXPECT_TRUE(isCloseOnExec(p.readEnd.get()));
  EXPECT_TRUE(isCloseOnExec(p.writeEnd.get()));

  Fd raw(openRaw());
  EXPECT_FALSE(isCloseOnExec(raw.get()));
  setCloseOnExec(raw.get());
  EXPECT_TRUE(isCloseOnExec(raw.get()));
  EXPECT_THROW(setCloseOnExec(-1), Error);
}

TEST(Fd, IgnoreSigpipeIsProcessWideAndIdempotent) {
  ignoreSigpipe();
  ignoreSigpipe();
  struct sigaction current {};
  ASSERT_EQ(::sigaction(SIGPIPE, nullptr, &current), 0);
  EXPECT_EQ(current.sa_handler, SIG_IGN);
}

TEST(Fd, WriteAllToAClosedReaderThrowsInsteadOfKillingTheProcess) {
  Pipe p = makePipe();
  p.readEnd.reset();
  try {
    writeAll(p.writeEnd.get(), "hello");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("Broken pipe"));
  }
}

// Larger than any pipe buffer, so writeAll must loop over partial writes while a reader drains the pipe.
TEST(Fd, WriteAllDeliversEveryByteInOrder) {
  std::string data;
  for (int i = 0; data.size() < 3 * 1024 * 1024; ++i) data += std::to_string(i) + ",";
  for (bool nonBlocking : {false, true}) {
    SCOPED_TRACE(nonBlocking ? "non-blocking writer" : "blocking writer");
    Pipe p = makePipe();
    if (nonBlocking) setNonBlocking(p.writeEnd.get(), true);
    std::string received;
    std::thread reader([&] {
      char buf[7000];
      for (;;) {
        ReadResult r = readSome(p.readEnd.get(), buf, sizeof buf, 5s);
        if (!r.data()) break;
        received.append(buf, r.bytes);
      }
    });
    writeAll(p.writeEnd.get(), data);
    p.writeEnd.reset();
    reader.join();
    EXPECT_TRUE(received == data) << "received " << received.size() << " of " << data.size() << " bytes";
  }
}

TEST(Fd, ReadSomeTellsDataEndAndTimeOutApart) {
  int sv[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
  Fd reader(sv[0]);
  Fd writer(sv[1]);
  char buf[16];

  auto started = std::chrono::steady_clock::now();
  ReadResult r = readSome(reader.get(), buf, sizeof buf, 100ms);
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(r.timedOut());
  EXPECT_EQ(r.bytes, 0u);
  EXPECT_GE(waited, 90ms);
  EXPECT_LT(waited, 3s);

  EXPECT_TRUE(readSome(reader.get(), buf, sizeof buf, 0ms).timedOut());

  writeAll(writer.get(), "abc");
  r = readSome(reader.get(), buf, 2, 0ms);  // data already there: no waiting needed, and n is respected
  ASSERT_TRUE(r.data());
  EXPECT_EQ(std::string(buf, r.bytes), "ab");
  r = readSome(reader.get(), buf, sizeof buf, kNoTimeout);
  ASSERT_TRUE(r.data());
  EXPECT_EQ(std::string(buf, r.bytes), "c");

  writer.reset();
  EXPECT_TRUE(readSome(reader.get(), buf, sizeof buf, 1s).end());
  EXPECT_TRUE(readSome(reader.get(), buf, sizeof buf, 1s).end());
}

TEST(Fd, ReadSomeWakesWhenDataArrivesLater) {
  Pipe p = makePipe();
  std::thread writer([&] {
    std::this_thread::sleep_for(50ms);
    writeAll(p.writeEnd.get(), "x");
  });
  char buf[4];
  ReadResult r = readSome(p.readEnd.get(), buf, sizeof buf, 5s);
  writer.join();
  ASSERT_TRUE(r.data());
  EXPECT_EQ(buf[0], 'x');
}

TEST(Fd, ReadSomeErrorsThrow) {
  char buf[4];
  Fd closed(openRaw());
  int number = closed.get();
  closed.reset();
  EXPECT_THROW(readSome(number, buf, sizeof buf, 100ms), Error);

  // No room to read into would look like end of stream; it is refused instead.
  Pipe p = makePipe();
  writeAll(p.writeEnd.get(), "x");
  EXPECT_THROW(readSome(p.readEnd.get(), buf, 0, 100ms), Error);
}

}  // namespace
}  // namespace tev
