// The Perl program link against a fake program (a thread with TCP clients on the link's ports) and a scripted
// terminal: the control and data markers, the line-feed rule, the operator's input both ways, the hand-back
// of the terminal, and the failures (a program that ends or never connects, a port that is taken, the
// terminal lost). The link's ports are chosen by the system here (Options), so these tests can run beside
// anything else that uses the fixed ports.
#include "session/perl_form_processor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/exit_hook.h"
#include "common/fd.h"
#include "common/log.h"
#include "common/tcp.h"
#include "engine/param_manager.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/gateway_errors.h"
#include "gateway/request_handler.h"
#include "session/vav_interface.h"
#include "sim/fixed_terminal_host.h"
#include "sim/scripted_terminal.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kWait = 5s;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = kWait) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return condition();
}

// The program's side of one connection.
class ProgramSocket {
 public:
  void connect(int port) { fd_ = tcpConnect("127.0.0.1", port, kWait); }
  bool open() const { return fd_.valid(); }
  void close() { fd_.reset(); }
  void send(const std::string& text) { writeAll(fd_.get(), text); }
  // Everything up to and including the first `end` to arrive; throws when it does not come in time.
  std::string readThrough(const std::string& end) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    for (;;) {
      if (std::size_t at = buffer_.find(end); at != std::string::npos) {
        std::string text = buffer_.substr(0, at + end.size());
        buffer_.erase(0, at + end.size());
        return text;
      }
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      char bytes[512];
      ReadResult result = readSome(fd_.get(), bytes, sizeof bytes, std::max(left, 0ms));
      if (!result.data()) throw Error("the link sent no \"" + end + "\"; so far: " + buffer_);
      buffer_.append(bytes, result.bytes);
    }
  }
  std::string readLine() { return readThrough("\n"); }

 private:
  Fd fd_;
  std::string buffer_;
};

struct FakeProgram {
  ProgramSocket control;
  ProgramSocket data;
};

// The router and result files as the link reaches them through the registry's request handler.
class FakeRequestHandler : public RequestHandler {
 public:
  std::string processPerlProcessRequest(const std::string& request, const std::string& title) override {
    requests.push_back(request + "|" + title);
    if (routerDown) throw DriverDownException("Skerrymantle is Down");
    return "SKM 0,0, ok";
  }
  std::string downloadFile(const std::string& fileName, const std::string& tag) override {
    requests.push_back("download " + fileName + "|" + tag);
    return "/local/" + fileName;
  }
  std::vector<std::string> requests;
  bool routerDown = false;
};

// The parameter store: records which files the link asks for and answers a fixed table.
class FakeParamManager : public ParamManager {
 public:
  using ParamManager::loadParameters;
  using ParamManager::loadWhseParams;
  void loadWhseParams(const std::string& warehouse, const std::string& transactionId) override {
    loaded.push_back(warehouse + "/" + transactionId);
  }
  void loadParameters(const ParamIds& ids, const ParamTarget& target) override {
    ASSERT_TRUE(ids.empty());
    ParamTable* table = std::get<ParamTable*>(target);
    (*table)["pm_b"] = "";
    (*table)["pm_a"] = "1";
  }
  std::vector<std::string> loaded;
};

struct FakeDatabase {
  std::vector<std::string> statements;
  int connects = 0;
  bool refuseConnect = false;
  std::string failing = "BAD";
};

class FakeUpdater : public PerlFormProcessor::SqlUpdater {
 public:
  explicit FakeUpdater(FakeDatabase& database) : database_(database) {}
  void executeUpdate(const std::string& sql) override {
    if (sql.find(database_.failing) != std::string::npos) throw Error("You have an error in your SQL syntax");
    database_.statements.push_back(sql);
  }

 private:
  FakeDatabase& database_;
};

class PerlFormProcessorTest : public ::testing::Test {
 protected:
  PerlFormProcessorTest() : emulator(peer.terminalFd(), peer.terminalFd()) {
    EXPECT_TRUE(emulator.intialize(peer.settings(), &host));
    auto user = std::make_shared<UserData>();
    user->setUserName("demo");
    user->setWhse("W1");
    user->setParameterValue("company", "100");
    user->setParameterValue("def_printer", "P1");
    user->setParameterValue("def_ib_run", "IB");
    VAVInterface::userData = user;
    data.qryFunctionServerDataDir = "/q";
    data.mountedSqlDataDir = "/m";
    data.barCodeOutputDir = "/out";
    VAVInterface::interfaceData = &data;
    VAVInterface::paramManager = params;
    VAVInterface::requestHandler = &router;
  }
  ~PerlFormProcessorTest() override {
    if (program.control.open()) program.control.close();
    link.reset();
    VAVInterface::reset();
  }

  PerlFormProcessor::Options options() {
    PerlFormProcessor::Options o;
    o.controlPort = 0;
    o.dataPort = 0;
    o.attempts = 2;
    o.retryPause = 1ms;
    o.connectWait = kWait;
    o.pollTime = 5ms;
    o.connectSql = [this]() -> std::unique_ptr<PerlFormProcessor::SqlUpdater> {
      ++database.connects;
      if (database.refuseConnect) throw Error("Can't connect to server on '127.0.0.1'");
      return std::make_unique<FakeUpdater>(database);
    };
    return o;
  }

  // The link with the fake program connected on its control port.
  void connect() {
    link = std::make_unique<PerlFormProcessor>(options());
    host.readerThreadLink = link.get();
    program.control.connect(link->controlPort());
    link->initialize(ChildProcess(), emulator);
  }

  // Runs Perl transaction "T1" on this thread while the script plays the program on another, which then ends
  // the transaction with "<<MENU>>" alone. A script that fails closes the control connection, which ends the
  // transaction as well.
  void runTransaction(const std::function<void(FakeProgram&)>& script) {
    std::exception_ptr failure;
    std::thread player([&] {
      try {
        EXPECT_EQ(program.control.readLine(), "T1\n");
        script(program);
        std::this_thread::sleep_for(50ms);  // "<<MENU>>" must arrive alone
        program.control.send(PerlFormProcessor::MENU);
      } catch (...) {
        failure = std::current_exception();
        program.control.close();
      }
    });
    link->processForm("T1", "Perl Title");
    player.join();
    if (failure) std::rethrow_exception(failure);
  }

  // The operator's next chunk after the transaction reaches the terminal's own read.
  void expectHandBack(const std::string& chunk = "after") {
    EXPECT_TRUE(link->isReaderThreadRunning());
    peer.sendNow(chunk + "\n");
    EXPECT_EQ(emulator.read(), chunk);
    EXPECT_FALSE(link->isReaderThreadRunning());
  }

  bool screenShows(const std::string& text) {
    return eventually([&] { return peer.output().find(text) != std::string::npos; });
  }

  log::Capture logs;
  sim::ScriptedTerminal peer;
  sim::FixedTerminalHost host;
  TerminalEmulator emulator;
  VAVInterfaceData data;
  std::shared_ptr<FakeParamManager> params = std::make_shared<FakeParamManager>();
  FakeRequestHandler router;
  FakeDatabase database;
  std::unique_ptr<PerlFormProcessor> link;
  FakeProgram program;
};

TEST_F(PerlFormProcessorTest, ControlMessages) {
  struct Case {
    const char* name;
    std::string sent;
    std::string answer;  // the line the program gets back; "" when the text is screen output
    std::string screen;
  };
  const std::vector<Case> cases = {
      {"screen output", "\x1b[2J\x1b[1;1HPerl screen", "", "Perl screen"},
      {"menu with a line feed is screen output", "<<MENU>>\n", "", "<<MENU>>"},
      {"user parameters", "x<<USER_PARAMS>>", "<<RES>>demo,100,P1,null,W1,IB,null,/q,/m,/out\n", ""},
      {"transaction parameters for three characters", "<<TRANSACTION_PARAMS>> AB\r\nCD", "pm_a=1;pm_b=;\n",
       ""},
      {"transaction parameters for a short name", "<<TRANSACTION_PARAMS>>W", "pm_a=1;pm_b=;\n", ""},
  };
  connect();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    peer.clearOutput();
    runTransaction([&](FakeProgram& p) {
      p.control.send(c.sent);
      if (!c.answer.empty()) {
        EXPECT_EQ(p.control.readLine(), c.answer);
      }
      if (!c.screen.empty()) {
        EXPECT_TRUE(screenShows(c.screen));
      }
    });
    expectHandBack();
  }
  EXPECT_THAT(params->loaded, ::testing::ElementsAre("ABC/T1", "W/T1"));
  EXPECT_TRUE(logs.contains("Read from perl process: <<MENU>>"));
  EXPECT_TRUE(logs.contains("Writing line to perl process: T1"));
  EXPECT_TRUE(logs.contains("Returning from perl processor"));
  EXPECT_EQ(link->getCurrentTransaction(), "Perl Title");
}

TEST_F(PerlFormProcessorTest, DataRequests) {
  connect();
  runTransaction([&](FakeProgram& p) {
    p.control.send(PerlFormProcessor::SKM_CONNECT);
    EXPECT_EQ(p.control.readLine(), " \n");
    p.data.connect(link->dataPort());

    struct Case {
      const char* name;
      std::string sent;
      std::string answer;
      std::string screen;
    };
    const std::vector<Case> cases = {
        {"router request up to the line feed", "<<SKM>> DDC1,1,tdilc0001,f.x\rmore\nnot sent",
         "<<RES>>SKM 0,0, ok\n", ""},
        {"statement after screen text", "On screen<<MYSQL>>INSERT INTO scans VALUES (1)\nrest",
         "<<RES>>MySQL record added\n", "On screen"},
        {"failing statement", "<<MYSQL>>BAD", "<<RES>>Failed to add MySQL record\n", ""},
        {"next statement on a new connection", "<<MYSQL>>INSERT INTO scans VALUES (2)",
         "<<RES>>MySQL record added\n", ""},
        {"result file", "<<DOWNLOAD>>qry\r\n42.txt\r\n", "<<RES>>/local/qry42.txt\n", ""},
        {"no marker", "Data screen", "", "Data screen"},
        {"bytes that are no text", "bad \xff\xfe bytes", "", "bad \xEF\xBF\xBD\xEF\xBF\xBD bytes"},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      p.data.send(c.sent);
      if (!c.answer.empty()) {
        EXPECT_EQ(p.data.readLine(), c.answer);
      }
      if (!c.screen.empty()) {
        EXPECT_TRUE(screenShows(c.screen));
      }
    }
  });
  expectHandBack();
  EXPECT_THAT(router.requests,
              ::testing::ElementsAre(" DDC1,1,tdilc0001,f.x\rmore|Perl Title", "download qry42.txt|p"));
  EXPECT_THAT(database.statements,
              ::testing::ElementsAre("INSERT INTO scans VALUES (1)", "INSERT INTO scans VALUES (2)"));
  EXPECT_EQ(database.connects, 2);  // the failure closed the first connection
  EXPECT_TRUE(link->isDataConnected());
  EXPECT_TRUE(logs.contains("Waiting for Socket connection"));
  EXPECT_TRUE(logs.contains("Socket connected"));
  EXPECT_TRUE(logs.contains("Sending rquest:  DDC1,1,tdilc0001,f.x"));
  EXPECT_TRUE(logs.contains("MySQL Request: INSERT INTO scans VALUES (1)"));
  EXPECT_TRUE(logs.contains("Sending reply: MySQL record added"));
  EXPECT_TRUE(logs.contains("Failed to insert MySQL record"));
}

TEST_F(PerlFormProcessorTest, FailedRouterRequestAndDatabaseStillAnswerTheProgram) {
  router.routerDown = true;
  database.refuseConnect = true;
  connect();
  runTransaction([&](FakeProgram& p) {
    p.control.send(PerlFormProcessor::SKM_CONNECT);
    EXPECT_EQ(p.control.readLine(), " \n");
    p.data.connect(link->dataPort());
    p.data.send("<<SKM>> DDC1,1,tdilc0001,f.x\n");
    EXPECT_EQ(p.data.readLine(), "<<RES>>Skerrymantle is Down\n");
    p.data.send("<<MYSQL>>INSERT INTO scans VALUES (1)");
    EXPECT_EQ(p.data.readLine(), "<<RES>>Failed to add MySQL record\n");
  });
  expectHandBack();
  EXPECT_TRUE(logs.contains("The router request of the Perl program failed: Skerrymantle is Down"));
  EXPECT_TRUE(logs.contains("Failed to connect to mysql"));
}

TEST_F(PerlFormProcessorTest, OperatorInputReachesTheProgram) {
  connect();
  runTransaction([&](FakeProgram& p) {
    // Longer than two characters: carriage returns become line feeds; two characters go as they are.
    peer.sendNow("12\r\n");
    EXPECT_EQ(p.control.readThrough("\n\n"), "12\n\n");
    peer.sendNow("\r\n");
    EXPECT_EQ(p.control.readThrough("\r\n"), "\r\n");
  });
  expectHandBack("\x1b");
  EXPECT_TRUE(logs.contains("Read from emulator: 12\r\n"));
  EXPECT_TRUE(logs.contains("Writing to perl process: 12\r\n"));
}

TEST_F(PerlFormProcessorTest, ProgramThatEndsEndsTheTransactionAndTheLink) {
  connect();
  std::thread player([&] {
    EXPECT_EQ(program.control.readLine(), "T1\n");
    program.control.close();
  });
  link->processForm("T1", "Perl Title");
  player.join();
  EXPECT_TRUE(link->isClosed());
  EXPECT_TRUE(logs.contains("The Perl program closed the control connection: the Perl transaction T1 ends"));
  expectHandBack();
  EXPECT_THROW(link->processForm("T2", "Next"), Error);
  EXPECT_FALSE(link->isReaderThreadRunning());
}

TEST_F(PerlFormProcessorTest, TerminalLostDuringATransactionEndsTheProcess) {
  connect();
  std::thread player([&] {
    EXPECT_EQ(program.control.readLine(), "T1\n");
    peer.closeInput();
  });
  int status = -1;
  try {
    link->processForm("T1", "Perl Title");
  } catch (const ExitRequest& exit) {
    status = exit.status;
  }
  player.join();
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(logs.contains("Error in reading the input. exiting"));
}

TEST_F(PerlFormProcessorTest, ProgramThatNeverConnects) {
  PerlFormProcessor::Options o = options();
  o.connectWait = 200ms;
  link = std::make_unique<PerlFormProcessor>(o);
  try {
    link->initialize(ChildProcess(), emulator);
    FAIL() << "initialize succeeded";
  } catch (const Error& failure) {
    EXPECT_THAT(failure.what(), ::testing::HasSubstr("did not connect on port"));
  }
  // A program that ends is not waited for.
  link = std::make_unique<PerlFormProcessor>(options());
  ChildProcess::Options child;
  child.argv = {"/bin/sh", "-c", "exit 3"};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(link->initialize(ChildProcess::start(child), emulator), Error);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kWait);
  EXPECT_THROW(link->processForm("T1", "Perl Title"), Error);
}

TEST_F(PerlFormProcessorTest, TakenControlPortEndsTheProcess) {
  TcpListener taken = TcpListener::listen(0, true);
  PerlFormProcessor::Options o = options();
  o.controlPort = taken.port();
  EXPECT_THROW(PerlFormProcessor{o}, ExitRequest);
  const std::string message = "Failed to bind to port " + std::to_string(taken.port());
  int failures = 0;
  for (const log::Line& line : logs.lines())
    if (line.text.find(message) != std::string::npos) ++failures;
  EXPECT_EQ(failures, 2);
}

}  // namespace
}  // namespace tev
