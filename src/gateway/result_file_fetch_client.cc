#include "gateway/result_file_fetch_client.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "common/error.h"
#include "common/fd.h"

namespace tev {

namespace {

constexpr std::chrono::milliseconds kExitGrace{500};

int millisUntil(ResultFileFetchClient::Deadline deadline) {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<long long>(left.count(), 0, 60 * 60 * 1000));
}

}  // namespace

std::vector<std::string> ResultFileFetchClient::splitCommand(const std::string& command) {
  std::vector<std::string> words;
  std::string word;
  for (char c : command) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

ResultFileFetchClient::ResultFileFetchClient(const std::vector<std::string>& argv, log::Logger logger)
    : logger_(std::move(logger)) {
  if (argv.empty()) throw Error("No transfer client program given");
  ChildProcess::Options options;
  options.argv = argv;
  options.stdinSpec = StreamSpec::pipe();
  options.stdoutSpec = StreamSpec::pipe();
  options.stderrSpec = StreamSpec::pipe();
  child_ = ChildProcess::start(options);
  streams_[0].fd = &child_.stdoutPipe();
  streams_[1].fd = &child_.stderrPipe();
  for (Stream& s : streams_) {
    s.reader = std::make_unique<LineReader>(s.fd->get());
    s.open = true;
  }
}

void ResultFileFetchClient::writeLine(const std::string& line) {
  if (!child_.stdinPipe().valid()) throw Error("The transfer client's input is closed");
  writeAll(child_.stdinPipe().get(), line + "\n");
}

void ResultFileFetchClient::closeInput() {
  child_.stdinPipe().reset();
}

bool ResultFileFetchClient::readUntil(Deadline deadline,
                                      const std::function<bool(const std::string&)>& stop) {
  for (;;) {
    // Every complete line that is buffered or can be read at once.
    for (Stream& s : streams_) {
      while (s.open) {
        LineResult r = s.reader->readLine(std::chrono::milliseconds(0));
        if (r.timedOut()) break;
        if (r.end()) {
          s.open = false;
          break;
        }
        logger_->info("Ftp Output: " + r.line);
        if (stop && stop(r.line)) return true;
      }
    }
    if (outputEnded()) return false;
    int left = millisUntil(deadline);
    if (left == 0) return false;
    // Then wait for more.
    pollfd fds[2];
    int count = 0;
    for (Stream& s : streams_) {
      if (s.open) fds[count++] = pollfd{s.fd->get(), POLLIN, 0};
    }
    int ready = ::poll(fds, count, left);
    if (ready < 0 && errno != EINTR) detail::throwSystemError("poll on the transfer client's output", errno);
    if (ready == 0) return false;
  }
}

bool ResultFileFetchClient::outputEnded() const {
  return !streams_[0].open && !streams_[1].open;
}

void ResultFileFetchClient::closeOutput() {
  for (Stream& s : streams_) {
    s.open = false;
    s.reader.reset();
    if (s.fd) s.fd->reset();
  }
}

bool ResultFileFetchClient::ended() {
  return child_.tryWait().has_value();
}

bool ResultFileFetchClient::finish(Deadline deadline) {
  auto wait = std::max(std::chrono::milliseconds(millisUntil(deadline)), kExitGrace);
  if (child_.waitFor(wait)) return true;
  child_.kill(SIGKILL);
  child_.wait();
  return false;
}

}  // namespace tev
