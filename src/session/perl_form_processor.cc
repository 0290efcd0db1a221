// PerlFormProcessor: the connections, the transaction loop and the reader thread (see perl_form_processor.h).
// The answers to the program's requests (parameters, MySQL) are in perl_form_processor_requests.cc.
#include "session/perl_form_processor.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "common/clock.h"
#include "common/error.h"
#include "common/exit_hook.h"
#include "common/java_text.h"
#include "config/vav_settings.h"
#include "gateway/request_handler.h"
#include "session/vav_interface.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

// The longest single wait for a connection, so a program that ends is noticed soon.
constexpr std::chrono::milliseconds kAcceptSlice = 100ms;

// The program ended while the link waited for it: no further attempt can succeed.
class ProgramEnded : public Error {
 public:
  using Error::Error;
};

// The carriage-return rule of every text sent to the program.
std::string programText(const std::string& text) {
  if (charLength(text) <= 2) return text;
  std::string out = text;
  std::replace(out.begin(), out.end(), '\r', '\n');
  return out;
}

std::string withoutLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

// The text after the marker up to the next line feed (or the end).
std::string lineAfter(const std::string& text, std::size_t markerAt, std::size_t markerLength) {
  const std::size_t start = markerAt + markerLength;
  const std::size_t end = text.find('\n', start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

PerlFormProcessor::PerlFormProcessor() : PerlFormProcessor(Options{}) {}

PerlFormProcessor::PerlFormProcessor(Options opts) : options(std::move(opts)), logger(log::get(LOGGER_NAME)) {
  ignoreSigpipe();  // a program that goes away is a failed write, never the end of this process
  if (!options.connectSql) options.connectSql = mysqlConnector();
  for (int attempt = 1;; ++attempt) {
    try {
      ipcServerSocket = TcpListener::listen(options.controlPort, true);
      boundControlPort = ipcServerSocket.port();
      return;
    } catch (const Error& failure) {
      logger->error("Failed to bind to port {}", options.controlPort);
      logger->debug("{}", failure.what());
    }
    if (attempt >= options.attempts) terminateProcesses();
    Sleeper::current().sleepFor(options.retryPause);
  }
}

PerlFormProcessor::~PerlFormProcessor() {
  bExitForm = true;
  if (!processReaderThread.joinable()) return;
  if (readerFinished.load()) {
    processReaderThread.join();
  } else {
    // Blocked on the terminal, which only the end of the process ends.
    processReaderThread.detach();
  }
}

// --- connections -------------------------------------------------------------------------------------------

Fd PerlFormProcessor::acceptProgram(TcpListener& listener) {
  const auto deadline = std::chrono::steady_clock::now() + options.connectWait;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left <= 0ms) break;
    if (std::optional<Fd> accepted = listener.accept(std::min(left, kAcceptSlice)))
      return std::move(*accepted);
    if (perlProcess.pid() != 0) {
      if (std::optional<ExitStatus> status = perlProcess.tryWait())
        throw ProgramEnded("The Perl program ended before it connected on port " +
                           std::to_string(listener.port()) + ": " + status->describe());
    }
  }
  throw Error("The Perl program did not connect on port " + std::to_string(listener.port()) + " within " +
              std::to_string(options.connectWait.count()) + " ms");
}

void PerlFormProcessor::initialize(ChildProcess process, TerminalEmulator& terminal) {
  perlProcess = std::move(process);
  emulator = &terminal;
  if (options.pollTime) {
    nEmulatorPollTime = *options.pollTime;
  } else {
    try {
      if (VAVInterface::vavSettings != nullptr)
        nEmulatorPollTime = std::chrono::milliseconds(VAVInterface::vavSettings->loadIntSetting(
            {"torvend", "emulator_poll_time"}, VAVInterface::environment));
    } catch (const std::exception& failure) {
      logger->warn("torvend / emulator_poll_time not read, polling every {} ms: {}",
                   nEmulatorPollTime.count(), failure.what());
    }
  }
  nEmulatorPollTime = std::max(nEmulatorPollTime, std::chrono::milliseconds(1));
  try {
    ipcSocket = acceptProgram(ipcServerSocket);
  } catch (...) {
    ipcServerSocket.close();
    throw;
  }
  ipcServerSocket.close();
  logger->info("The Perl program connected on port {}", boundControlPort.load());
}

void PerlFormProcessor::openDataConnection() {
  for (int attempt = 1;; ++attempt) {
    try {
      dataServerSocket = TcpListener::listen(options.dataPort, true, 50);
      boundDataPort = dataServerSocket.port();
      writelnToPerlProcess(" ");
      logger->info("Waiting for Socket connection");
      Fd accepted = acceptProgram(dataServerSocket);
      logger->info("Socket connected");
      dataServerSocket.close();
      std::lock_guard lock(writeMutex);
      dataSocket = std::move(accepted);
      return;
    } catch (const ProgramEnded&) {
      dataServerSocket.close();
      throw;
    } catch (const Error& failure) {
      logger->error("{}", failure.what());
      dataServerSocket.close();
    }
    if (attempt >= options.attempts) terminateProcesses();
    Sleeper::current().sleepFor(options.retryPause);
  }
}

void PerlFormProcessor::closeLink(const std::string& why) {
  logger->error("{}", why);
  std::lock_guard lock(writeMutex);
  ipcSocket.reset();
  dataSocket.reset();
  closed = true;
}

std::optional<std::string> PerlFormProcessor::readChunk(int fd, TextDecoder& decoder) {
  char buffer[CHUNK_SIZE];
  ReadResult result;
  try {
    result = readSome(fd, buffer, sizeof buffer, 0ms);
  } catch (const Error& failure) {
    logger->error("{}", failure.what());
    return std::nullopt;
  }
  if (result.end()) return std::nullopt;
  if (!result.data()) return std::string();
  return decoder.decode(std::string_view(buffer, result.bytes));
}

// --- writing -----------------------------------------------------------------------------------------------

void PerlFormProcessor::writeOn(const Fd& socket, const std::string& bytes) {
  std::lock_guard lock(writeMutex);
  if (!socket.valid()) throw Error("The connection to the Perl program is not open");
  writeAll(socket.get(), bytes);
}

void PerlFormProcessor::writeToPerlProcess(const std::string& text) {
  logger->info("{}", "Writing to perl process: " + text);
  writeOn(ipcSocket, programText(text));
}

void PerlFormProcessor::writelnToPerlProcess(const std::string& text) {
  logger->info("{}", "Writing line to perl process: " + text);
  writeOn(ipcSocket, programText(text) + "\n");
}

void PerlFormProcessor::writelnToIpcSocket(const std::string& text) {
  logger->info("{}", "Writing line to ipc socket: " + text);
  writeOn(dataSocket, programText(text) + "\n");
}

// --- a Perl transaction ------------------------------------------------------------------------------------

void PerlFormProcessor::joinReader() {
  if (processReaderThread.joinable()) processReaderThread.join();
}

void PerlFormProcessor::processForm(const std::string& transactionId, const std::string& title) {
  if (closed)
    throw Error("The Perl program has ended: the Perl transaction " + transactionId + " cannot run");
  if (emulator == nullptr || !ipcSocket.valid()) throw Error("The Perl program link is not initialized");
  if (readerRunning) throw Error("The terminal is still with the previous Perl transaction");
  joinReader();

  currentForm = transactionId;
  currentTransaction = title;
  writelnToPerlProcess(transactionId);

  bExitForm = false;
  terminalLost = false;
  emulator->setReady(false);
  readerRunning = true;
  readerFinished = false;
  processReaderThread = std::thread([this] { run(); });

  while (!bExitForm) {
    try {
      if (!pollOnce()) break;
    } catch (const std::exception& failure) {
      logger->error("{}", failure.what());
    }
    if (terminalLost) {
      logger->error("Error in reading the input. exiting");
      terminateProcesses();
    }
  }
}

bool PerlFormProcessor::pollOnce() {
  pollfd fds[2] = {{ipcSocket.get(), POLLIN, 0}, {dataSocket.valid() ? dataSocket.get() : -1, POLLIN, 0}};
  const int ready = ::poll(fds, 2, static_cast<int>(nEmulatorPollTime.count()));
  if (ready < 0) {
    if (errno == EINTR) return true;
    throw Error(std::string("Polling the Perl program failed: ") + std::strerror(errno));
  }
  if (ready == 0) return true;

  if (fds[0].revents != 0) {
    std::optional<std::string> text = readChunk(ipcSocket.get(), in);
    if (!text) {
      closeLink("The Perl program closed the control connection: the Perl transaction " + currentForm +
                " ends");
      bExitForm = true;
      return false;
    }
    if (!text->empty()) {
      logger->info("{}", "Read from perl process: " + *text);
      if (*text == MENU) {
        bExitForm = true;
        return false;
      }
      processPerlProgramOutput(*text);
    }
  }
  if (fds[1].fd >= 0 && fds[1].revents != 0 && dataSocket.valid()) {
    std::optional<std::string> text = readChunk(dataSocket.get(), ipcIn);
    if (!text) {
      logger->warn("The Perl program closed the data connection");
      std::lock_guard lock(writeMutex);
      dataSocket.reset();
    } else if (!text->empty()) {
      logger->info("{}", "Read from ipc socket: " + *text);
      processPerlRequest(*text);
    }
  }
  return true;
}

void PerlFormProcessor::toScreen(const std::string& text) {
  if (!text.empty() && emulator != nullptr) emulator->write(text);
}

void PerlFormProcessor::processPerlProgramOutput(const std::string& text) {
  if (text.find(SKM_CONNECT) != std::string::npos) {
    openDataConnection();
  } else if (text.find(USER_PARAMS) != std::string::npos) {
    writelnToPerlProcess(RES + getUserParameters());
  } else if (std::size_t at = text.find(TRANSACTION_PARAMS); at != std::string::npos) {
    const std::string request = withoutLineEnds(text);
    at = request.find(TRANSACTION_PARAMS);
    const std::string named = trim(request.substr(at + TRANSACTION_PARAMS.size()));
    writelnToPerlProcess(getTransactionParameters(charSubstr(named, 0, std::min(3, charLength(named)))));
  } else {
    toScreen(text);
  }
}

void PerlFormProcessor::processPerlRequest(const std::string& text) {
  if (std::size_t at = text.find(DOWNLOAD); at != std::string::npos) {
    toScreen(text.substr(0, at));
    const std::string fileName = withoutLineEnds(text.substr(at + DOWNLOAD.size()));
    std::string result;
    try {
      if (VAVInterface::requestHandler == nullptr) throw Error("No connection to the ERP router");
      result = VAVInterface::requestHandler->downloadFile(fileName, "p");
    } catch (const std::exception& failure) {
      result = failure.what();
      logger->error("{}", "The result file " + fileName + " of the Perl program was not fetched: " + result);
    }
    writelnToIpcSocket(RES + result);
  } else if (std::size_t at = text.find(SKM); at != std::string::npos) {
    toScreen(text.substr(0, at));
    answerRouterRequest(lineAfter(text, at, SKM.size()));
  } else if (std::size_t at = text.find(MYSQL); at != std::string::npos) {
    toScreen(text.substr(0, at));
    const std::string statement = lineAfter(text, at, MYSQL.size());
    logger->info("{}", "MySQL Request: " + statement);
    const std::string answer = insertMysqlRecord(statement);
    logger->info("{}", "Sending reply: " + answer);
    writelnToIpcSocket(RES + answer);
  } else {
    toScreen(text);
  }
}

void PerlFormProcessor::answerRouterRequest(const std::string& request) {
  logger->info("{}", "Sending rquest: " + request);
  std::string reply;
  try {
    if (VAVInterface::requestHandler == nullptr) throw Error("No connection to the ERP router");
    reply = VAVInterface::requestHandler->processPerlProcessRequest(request, currentTransaction);
  } catch (const std::exception& failure) {
    reply = failure.what();
    logger->error("{}", "The router request of the Perl program failed: " + reply);
  }
  logger->info("{}", "Sending reply: " + reply);
  writelnToIpcSocket(RES + reply);
}

// --- the reader thread -------------------------------------------------------------------------------------

void PerlFormProcessor::storeChunk(const std::string& chunk) {
  std::lock_guard lock(chunkMutex);
  dataChars = chunk;
  noOfCharsRead = chunk.size();
}

std::string PerlFormProcessor::takeReaderChunk() {
  std::lock_guard lock(chunkMutex);
  readerRunning = false;
  return dataChars.substr(0, noOfCharsRead);
}

void PerlFormProcessor::run() {
  for (;;) {
    std::optional<std::string> chunk;
    try {
      chunk = emulator->readFromLink(CHUNK_SIZE);
      if (!chunk) logger->error("End of input from the terminal link");
    } catch (const std::exception& failure) {
      logger->error("{}", failure.what());
    }
    if (!chunk) {
      // The main thread ends the process: at once in a transaction, else at its next read of the terminal.
      terminalLost = true;
      storeChunk("");
      readerFinished = true;
      emulator->setReady(true);
      return;
    }
    storeChunk(*chunk);
    logger->info("{}", "Read from emulator: " + *chunk);
    if (bExitForm) {
      // The chunk belongs to the scanner process again.
      logger->info("Returning from perl processor");
      readerFinished = true;
      emulator->setReady(true);
      return;
    }
    if (chunk->empty()) continue;
    for (unsigned char c : *chunk) logger->debug("Char: {}", static_cast<int>(c));
    processEmulatorInput(*chunk);
  }
}

void PerlFormProcessor::processEmulatorInput(const std::string& chunk) {
  try {
    writeToPerlProcess(chunk);
  } catch (const std::exception& failure) {
    logger->error("{}",
                  std::string("The operator's input did not reach the Perl program: ") + failure.what());
  }
}

// --- the end -----------------------------------------------------------------------------------------------

void PerlFormProcessor::terminateProcesses() {
  logger->error("The Perl program link cannot go on: the scanner process ends");
  if (perlProcess.pid() != 0) {
    try {
      if (perlProcess.kill(SIGKILL)) perlProcess.wait();
    } catch (const std::exception& failure) {
      logger->error("{}", failure.what());
    }
  }
  disconnectMysql();
  exitProcess(0);
}

}  // namespace tev
