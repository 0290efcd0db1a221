#include "common/child_process.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>
#include <thread>

#include "common/error.h"

extern char** environ;

namespace tev {

namespace {

// What the child reports through the status pipe when it cannot reach its program.
enum class Stage : int { kStreams = 1, kDirectory = 2, kExec = 3 };
struct ChildFailure {
  int stage;
  int err;
};

std::string quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

[[noreturn]] void failStart(const std::string& program, const std::string& cause) {
  throw Error("cannot start " + quoted(program) + ": " + cause);
}

std::string_view envName(std::string_view entry) {
  return entry.substr(0, entry.find('='));
}

// The child's environment: the parent's, with the extra entries replacing or adding names.
std::vector<std::string> buildEnvironment(const std::string& program, const std::vector<std::string>& extra) {
  for (const std::string& entry : extra) {
    if (entry.find('=') == std::string::npos || entry.front() == '=') {
      failStart(program, "bad environment entry " + quoted(entry) + " (NAME=value expected)");
    }
  }
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    std::string_view name = envName(*e);
    bool replaced = false;
    for (const std::string& entry : extra) replaced = replaced || envName(entry) == name;
    if (!replaced) env.emplace_back(*e);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

// The paths execve should try, in order, as execvp would search them.
std::vector<std::string> programCandidates(const std::string& program, const std::vector<std::string>& env) {
  if (program.find('/') != std::string::npos) return {program};
  std::string path = "/usr/local/bin:/usr/bin:/bin";
  for (const std::string& entry : env) {
    if (envName(entry) == "PATH") path = entry.substr(5);
  }
  std::vector<std::string> candidates;
  std::size_t begin = 0;
  for (;;) {
    std::size_t end = path.find(':', begin);
    std::string dir = path.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    candidates.push_back((dir.empty() ? std::string(".") : dir) + "/" + program);
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  return candidates;
}

// The descriptor the child's stream i is taken from (invalid: inherit), plus the parent's end of a pipe.
void openStream(const std::string& program, const StreamSpec& spec, int stream, Fd& childEnd, Fd& parentEnd) {
  static const char* const kNames[] = {"standard input", "standard output", "standard error"};
  switch (spec.kind) {
    case StreamSpec::Kind::kInherit:
      return;
    case StreamSpec::Kind::kPipe: {
      Pipe p = makePipe();
      if (stream == 0) {
        childEnd = std::move(p.readEnd);
        parentEnd = std::move(p.writeEnd);
      } else {
        childEnd = std::move(p.writeEnd);
        parentEnd = std::move(p.readEnd);
      }
      return;
    }
    case StreamSpec::Kind::kNull:
    case StreamSpec::Kind::kFile: {
      const bool null = spec.kind == StreamSpec::Kind::kNull;
      const std::string path = null ? "/dev/null" : spec.path;
      int flags = O_CLOEXEC | (stream == 0 ? O_RDONLY : (O_WRONLY | O_CREAT | O_APPEND));
      if (null) flags = O_CLOEXEC | O_RDWR;
      int fd = path.empty() ? -1 : ::open(path.c_str(), flags, 0644);
      if (fd < 0) {
        int err = path.empty() ? ENOENT : errno;
        failStart(program,
                  "cannot open " + quoted(path) + " for " + kNames[stream] + ": " + std::strerror(err));
      }
      childEnd.reset(fd);
      return;
    }
  }
}

// Runs in the child between fork and exec: async-signal-safe calls only, no allocation.
[[noreturn]] void reportAndExit(int statusFd, Stage stage, int err) {
  ChildFailure failure{static_cast<int>(stage), err};
  ssize_t ignored = ::write(statusFd, &failure, sizeof failure);
  (void)ignored;
  ::_exit(127);
}

[[noreturn]] void runChild(int statusFd, const int (&sources)[3], const char* directory,
                           char* const* candidates, char* const* argv, char* const* envp) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(SIGPIPE, &dfl, nullptr);

  // First move every source above 2, so installing one stream can never overwrite another's source.
  int moved[3] = {-1, -1, -1};
  for (int i = 0; i < 3; ++i) {
    if (sources[i] < 0) continue;
    moved[i] = ::fcntl(sources[i], F_DUPFD_CLOEXEC, 3);
    if (moved[i] < 0) reportAndExit(statusFd, Stage::kStreams, errno);
  }
  for (int i = 0; i < 3; ++i) {
    if (moved[i] >= 0 && ::dup2(moved[i], i) < 0) reportAndExit(statusFd, Stage::kStreams, errno);
  }
  if (directory != nullptr && ::chdir(directory) != 0) reportAndExit(statusFd, Stage::kDirectory, errno);

  // Descriptors opened elsewhere without close-on-exec do not reach the program either (kernels without
  // close_range simply keep them).
  ::syscall(SYS_close_range, 3U, UINT_MAX, 4U /* CLOSE_RANGE_CLOEXEC */);

  // Search as execvp does: a missing entry or directory moves on, a permission problem is remembered.
  int err = ENOENT;
  bool sawEacces = false;
  for (char* const* c = candidates; *c != nullptr; ++c) {
    ::execve(*c, argv, envp);
    if (errno == EACCES) {
      sawEacces = true;
    } else if (errno != ENOENT && errno != ENOTDIR) {
      err = errno;
      break;
    }
  }
  if (sawEacces && err == ENOENT) err = EACCES;
  reportAndExit(statusFd, Stage::kExec, err);
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  result.reserve(strings.size() + 1);
  for (std::string& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

ExitStatus decode(int raw) {
  if (WIFSIGNALED(raw)) return ExitStatus{0, WTERMSIG(raw)};
  return ExitStatus{WEXITSTATUS(raw), 0};
}

}  // namespace

std::string ExitStatus::describe() const {
  if (signal != 0) return "killed by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
  return "exit code " + std::to_string(code);
}

ChildProcess ChildProcess::start(const Options& options) {
  if (options.argv.empty() || options.argv[0].empty())
    throw Error("cannot start a program: no program given");
  const std::string& program = options.argv[0];

  // Everything the child needs is prepared here, before fork.
  std::vector<std::string> env = buildEnvironment(program, options.extraEnvironment);
  std::vector<std::string> candidates = programCandidates(program, env);
  std::vector<std::string> args = options.argv;
  std::vector<char*> envp = pointers(env);
  std::vector<char*> candidatePtrs = pointers(candidates);
  std::vector<char*> argv = pointers(args);
  const char* directory = options.workingDirectory ? options.workingDirectory->c_str() : nullptr;

  Fd childEnds[3];
  Fd parentEnds[3];
  const StreamSpec* specs[3] = {&options.stdinSpec, &options.stdoutSpec, &options.stderrSpec};
  for (int i = 0; i < 3; ++i) openStream(program, *specs[i], i, childEnds[i], parentEnds[i]);
  const int sources[3] = {childEnds[0].get(), childEnds[1].get(), childEnds[2].get()};

  ignoreSigpipe();  // the parent writes into pipes whose reader may die
  Pipe status = makePipe();
  pid_t pid = ::fork();
  if (pid < 0) failStart(program, std::string("fork failed: ") + std::strerror(errno));
  if (pid == 0) {
    runChild(status.writeEnd.get(), sources, directory, candidatePtrs.data(), argv.data(), envp.data());
  }

  // The parent: the child's ends and the status writer are the child's business now.
  status.writeEnd.reset();
  for (Fd& fd : childEnds) fd.reset();
  ChildProcess child(pid, std::move(parentEnds[0]), std::move(parentEnds[1]), std::move(parentEnds[2]));

  ChildFailure failure{};
  std::size_t got = 0;
  while (got < sizeof failure) {
    ssize_t n = ::read(status.readEnd.get(), reinterpret_cast<char*>(&failure) + got, sizeof failure - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got == 0) return child;  // end of stream without a report: exec closed the pipe, the program runs

  child.wait();  // the child has exited with 127; reap it before reporting
  if (got < sizeof failure) failStart(program, "the child failed before running the program");
  std::string cause = std::strerror(failure.err);
  switch (static_cast<Stage>(failure.stage)) {
    case Stage::kStreams:
      failStart(program, "cannot set up the standard streams: " + cause);
    case Stage::kDirectory:
      failStart(program, "cannot change to directory " + quoted(directory ? directory : "") + ": " + cause);
    case Stage::kExec:
      break;
  }
  failStart(program, cause);
}

ChildProcess::~ChildProcess() {
  dispose();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_),
      status_(other.status_),
      stdin_(std::move(other.stdin_)),
      stdout_(std::move(other.stdout_)),
      stderr_(std::move(other.stderr_)) {
  other.pid_ = 0;
  other.status_.reset();
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    dispose();
    pid_ = other.pid_;
    status_ = other.status_;
    stdin_ = std::move(other.stdin_);
    stdout_ = std::move(other.stdout_);
    stderr_ = std::move(other.stderr_);
    other.pid_ = 0;
    other.status_.reset();
  }
  return *this;
}

void ChildProcess::dispose() noexcept {
  if (pid_ > 0 && !status_) {
    ::kill(pid_, SIGKILL);
    int raw = 0;
    while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = 0;
  status_.reset();
  stdin_.reset();
  stdout_.reset();
  stderr_.reset();
}

void ChildProcess::requireChild(const char* operation) const {
  if (pid_ <= 0) throw Error(std::string("cannot ") + operation + ": no child process");
}

ExitStatus ChildProcess::wait() {
  requireChild("wait");
  if (status_) return *status_;
  int raw = 0;
  for (;;) {
    if (::waitpid(pid_, &raw, 0) == pid_) break;
    if (errno != EINTR) detail::throwSystemError("cannot wait for process " + std::to_string(pid_), errno);
  }
  status_ = decode(raw);
  return *status_;
}

std::optional<ExitStatus> ChildProcess::tryWait() {
  requireChild("wait");
  if (status_) return status_;
  int raw = 0;
  for (;;) {
    pid_t r = ::waitpid(pid_, &raw, WNOHANG);
    if (r == 0) return std::nullopt;
    if (r == pid_) break;
    if (errno != EINTR) detail::throwSystemError("cannot wait for process " + std::to_string(pid_), errno);
  }
  status_ = decode(raw);
  return status_;
}

std::optional<ExitStatus> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
  if (timeout.count() < 0) return wait();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (auto status = tryWait()) return status;
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

bool ChildProcess::kill(int signal) {
  requireChild("send a signal");
  if (status_) return false;
  if (::kill(pid_, signal) != 0) {
    detail::throwSystemError(
        "cannot send signal " + std::to_string(signal) + " to process " + std::to_string(pid_), errno);
  }
  return true;
}

}  // namespace tev
