#include "common/child_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "common/error.h"

namespace tev {
namespace {

using namespace std::chrono_literals;
using ::testing::AllOf;
using ::testing::HasSubstr;

// Everything up to end of stream; a stream that stays open for 5 s fails the test instead of hanging it.
std::string readAll(Fd& fd) {
  std::string text;
  char buf[4096];
  for (;;) {
    ReadResult r = readSome(fd.get(), buf, sizeof buf, 5s);
    if (r.timedOut()) {
      ADD_FAILURE() << "no end of stream within 5 s";
      break;
    }
    if (r.end()) break;
    text.append(buf, r.bytes);
  }
  return text;
}

ChildProcess::Options shell(const std::string& script) {
  ChildProcess::Options options;
  options.argv = {"/bin/sh", "-c", script};
  return options;
}

// Runs a shell script and returns what it printed on standard output.
std::string outputOf(ChildProcess::Options options) {
  options.stdoutSpec = StreamSpec::pipe();
  ChildProcess child = ChildProcess::start(options);
  std::string out = readAll(child.stdoutPipe());
  auto status = child.waitFor(5s);
  EXPECT_TRUE(status && status->success()) << (status ? status->describe() : "still running");
  return out;
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/tev_child_test_XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct StartFailureCase {
  const char* name;
  std::vector<std::string> argv;
  const char* cause;
};

TEST(ChildProcess, ExecFailureIsReportedByStartWithProgramAndCause) {
  const StartFailureCase cases[] = {
      {"missing path", {"/no/such/program"}, "No such file or directory"},
      {"missing in PATH", {"tev-no-such-program"}, "No such file or directory"},
      {"not executable", {"/etc/passwd"}, "Permission denied"},
      {"directory", {"/tmp", "x"}, "Permission denied"},
  };
  for (const StartFailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess::Options options;
    options.argv = c.argv;
    try {
      ChildProcess child = ChildProcess::start(options);
      ADD_FAILURE() << "started, pid " << child.pid();
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), AllOf(HasSubstr("\"" + c.argv[0] + "\""), HasSubstr(c.cause)));
    }
  }
}

TEST(ChildProcess, OtherStartFailures) {
  EXPECT_THROW(ChildProcess::start(ChildProcess::Options{}), Error);

  ChildProcess::Options noDir = shell("exit 0");
  noDir.workingDirectory = "/no/such/dir";
  EXPECT_THAT([&] { ChildProcess::start(noDir); },
              ::testing::ThrowsMessage<Error>(AllOf(HasSubstr("/no/such/dir"), HasSubstr("No such file"))));

  ChildProcess::Options badLog = shell("exit 0");
  badLog.stderrSpec = StreamSpec::file("/no/such/dir/device.log");
  EXPECT_THAT([&] { ChildProcess::start(badLog); },
              ::testing::ThrowsMessage<Error>(
                  AllOf(HasSubstr("/no/such/dir/device.log"), HasSubstr("standard error"))));

  ChildProcess::Options badEnv = shell("exit 0");
  badEnv.extraEnvironment = {"NO_EQUALS_SIGN"};
  EXPECT_THROW(ChildProcess::start(badEnv), Error);
}

struct ExitCase {
  const char* name;
  const char* script;
  ExitStatus expected;
  int shellStatus;
};

TEST(ChildProcess, ExitStatusTellsExitCodeFromSignal) {
  const ExitCase cases[] = {
      {"success", "exit 0", {0, 0}, 0},
      {"exit code", "exit 3", {3, 0}, 3},
      {"exit code 255", "exit 255", {255, 0}, 255},
      {"killed by a signal", "kill -TERM $$", {0, SIGTERM}, 128 + SIGTERM},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess child = ChildProcess::start(shell(c.script));
    auto status = child.waitFor(5s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, c.expected) << status->describe();
    EXPECT_EQ(status->shellStatus(), c.shellStatus);
    EXPECT_EQ(child.wait(), c.expected);  // reaped once, remembered afterwards
  }
}

TEST(ChildProcess, DescribeNamesCodeOrSignal) {
  EXPECT_EQ((ExitStatus{3, 0}).describe(), "exit code 3");
  EXPECT_THAT((ExitStatus{0, SIGKILL}).describe(), HasSubstr("killed by signal 9"));
}

TEST(ChildProcess, KillTryWaitAndWaitFor) {
  ChildProcess::Options options;
  options.argv = {"sleep", "30"};
  ChildProcess child = ChildProcess::start(options);
  EXPECT_GT(child.pid(), 0);
  EXPECT_FALSE(child.tryWait());
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(child.waitFor(100ms));
  EXPECT_GE(std::chrono::steady_clock::now() - started, 90ms);

  EXPECT_TRUE(child.kill(SIGKILL));
  auto status = child.waitFor(5s);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->signal, SIGKILL);
  EXPECT_EQ(status->shellStatus(), 137);
  EXPECT_FALSE(child.kill(SIGKILL));  // already reaped: nothing is sent
  EXPECT_EQ(child.tryWait(), status);
}

TEST(ChildProcess, DestructorKillsAndReapsARunningChild) {
  pid_t pid = 0;
  {
    ChildProcess::Options options;
    options.argv = {"sleep", "30"};
    ChildProcess child = ChildProcess::start(options);
    pid = child.pid();
    ChildProcess moved = std::move(child);  // the moved-from object must not reap or kill anything
    EXPECT_EQ(child.pid(), 0);
    EXPECT_EQ(moved.pid(), pid);
  }
  // Reaped: it is no longer a child of ours at all (a zombie would still be waitable).
  int raw = 0;
  EXPECT_EQ(::waitpid(pid, &raw, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(ChildProcess, CatRoundTripThroughPipes) {
  ChildProcess::Options options;
  options.argv = {"/bin/cat"};
  options.stdinSpec = StreamSpec::pipe();
  options.stdoutSpec = StreamSpec::pipe();
  ChildProcess child = ChildProcess::start(options);
  EXPECT_FALSE(child.stderrPipe().valid());

  // More than a pipe holds in both directions, so writer and reader must run at the same time.
  std::string data;
  for (int i = 0; data.size() < 1024 * 1024; ++i) data += "line " + std::to_string(i) + "\n";
  std::thread writer([&] {
    writeAll(child.stdinPipe().get(), data);
    child.stdinPipe().reset();  // end of input: cat finishes
  });
  std::string echoed = readAll(child.stdoutPipe());
  writer.join();
  EXPECT_TRUE(echoed == data) << echoed.size() << " of " << data.size() << " bytes";
  auto status = child.waitFor(5s);
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->success());
}

TEST(ChildProcess, StreamsToFilesAndNull) {
  TempDir dir;
  const std::string log = dir.path() + "/device.log";
  const std::string input = dir.path() + "/input.txt";
  std::ofstream(log) << "earlier\n";
  std::ofstream(input) << "from a file\n";

  ChildProcess::Options options = shell("cat; echo to-stderr >&2; echo to-stdout");
  options.stdinSpec = StreamSpec::file(input);
  options.stdoutSpec = StreamSpec::pipe();
  options.stderrSpec = StreamSpec::file(log);
  EXPECT_EQ(outputOf(options), "from a file\nto-stdout\n");
  EXPECT_EQ(fileText(log), "earlier\nto-stderr\n");  // appended, not truncated

  // A missing output file is created.
  ChildProcess::Options create = shell("echo new >&2");
  create.stderrSpec = StreamSpec::file(dir.path() + "/new.log");
  create.stdoutSpec = StreamSpec::null();
  EXPECT_TRUE(ChildProcess::start(create).wait().success());
  EXPECT_EQ(fileText(dir.path() + "/new.log"), "new\n");

  ChildProcess::Options nullIn;
  nullIn.argv = {"/bin/cat"};
  nullIn.stdinSpec = StreamSpec::null();
  EXPECT_EQ(outputOf(nullIn), "");
}

TEST(ChildProcess, WorkingDirectoryAndEnvironment) {
  TempDir dir;
  ChildProcess::Options pwd = shell("pwd");
  pwd.workingDirectory = dir.path();
  EXPECT_EQ(outputOf(pwd), dir.path() + "\n");

  ::setenv("TEV_CHILD_TEST_VAR", "inherited", 1);
  EXPECT_EQ(outputOf(shell("echo \"$TEV_CHILD_TEST_VAR\"")), "inherited\n");
  ChildProcess::Options env =
      shell("echo \"$TEV_CHILD_TEST_VAR $TEV_CHILD_TEST_NEW\"; env | grep -c '^TEV_CHILD_TEST_VAR='");
  env.extraEnvironment = {"TEV_CHILD_TEST_VAR=replaced", "TEV_CHILD_TEST_NEW=added"};
  EXPECT_EQ(outputOf(env), "replaced added\n1\n");
  ::unsetenv("TEV_CHILD_TEST_VAR");

  // A PATH given to the child is the one its program is looked up in.
  std::ofstream(dir.path() + "/tev-hello") << "#!/bin/sh\necho hello from path\n";
  std::filesystem::permissions(dir.path() + "/tev-hello", std::filesystem::perms::owner_all);
  ChildProcess::Options byName;
  byName.argv = {"tev-hello"};
  byName.extraEnvironment = {"PATH=/no/such/dir:" + dir.path() + ":/usr/bin:/bin"};
  EXPECT_EQ(outputOf(byName), "hello from path\n");
}

TEST(ChildProcess, StreamsWorkWhenTheParentHasNoStandardInput) {
  // With the parent's descriptor 0 closed, the /dev/null opened for the child's stdin is itself number 0:
  // installing it must still leave the child a working stdin.
  Fd savedStdin(::fcntl(0, F_DUPFD_CLOEXEC, 3));
  ASSERT_TRUE(savedStdin.valid());
  ::close(0);
  ChildProcess::Options options = shell("cat && echo read-ok");
  options.stdinSpec = StreamSpec::null();
  options.stdoutSpec = StreamSpec::pipe();
  options.stderrSpec = StreamSpec::null();
  std::optional<ChildProcess> child;
  try {
    child.emplace(ChildProcess::start(options));
  } catch (...) {
    ::dup2(savedStdin.get(), 0);
    throw;
  }
  ::dup2(savedStdin.get(), 0);
  EXPECT_EQ(readAll(child->stdoutPipe()), "read-ok\n");
  auto status = child->waitFor(5s);
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->success()) << status->describe();
}

std::set<std::string> openDescriptors(pid_t pid) {
  std::set<std::string> names;
  std::string path = "/proc/" + std::to_string(pid) + "/fd";
  for (const auto& entry : std::filesystem::directory_iterator(path)) names.insert(entry.path().filename());
  return names;
}

TEST(ChildProcess, ChildGetsOnlyItsStandardStreams) {
  // Descriptors of all kinds open in the parent: ours (close-on-exec) and a foreign one that is not.
  Pipe pipe = makePipe();
  Fd foreign(::open("/dev/null", O_RDONLY));
  ASSERT_TRUE(foreign.valid());

  ChildProcess::Options options;
  options.argv = {"sleep", "30"};
  options.stdinSpec = StreamSpec::pipe();
  options.stdoutSpec = StreamSpec::pipe();
  options.stderrSpec = StreamSpec::null();
  ChildProcess child = ChildProcess::start(options);
  // start() returns after the exec, but the program's dynamic loader may still hold a library open for a
  // moment; a leaked descriptor would stay, so wait (boundedly) for the loader to finish.
  const std::set<std::string> standard{"0", "1", "2"};
  std::set<std::string> open = openDescriptors(child.pid());
  for (auto deadline = std::chrono::steady_clock::now() + 2s;
       open != standard && std::chrono::steady_clock::now() < deadline; open = openDescriptors(child.pid())) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(open, standard);
}

// The child's signal state comes from /proc: "SigBlk:" and "SigIgn:" are hex masks, bit n-1 for signal n.
unsigned long long signalMask(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1), nullptr, 16);
  }
  ADD_FAILURE() << field << " not found";
  return ~0ULL;
}

TEST(ChildProcess, ChildStartsWithDefaultSigpipeAndNoBlockedSignals) {
  ignoreSigpipe();
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &block, &previous), 0);
  ChildProcess::Options options;
  options.argv = {"sleep", "30"};
  ChildProcess child = ChildProcess::start(options);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  EXPECT_EQ(signalMask(child.pid(), "SigIgn") & (1ULL << (SIGPIPE - 1)), 0u);
  EXPECT_EQ(signalMask(child.pid(), "SigBlk"), 0u);
}

}  // namespace
}  // namespace tev
