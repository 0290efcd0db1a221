// Runs the built erp-sim program: it reports its port on the first line of standard output, answers from
// the demo's rules over loopback, survives bad bytes, and stops cleanly on SIGTERM.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/line_reader.h"
#include "sim/erp_sim_client.h"
#include "sim/erp_sim_request.h"
#include "xml/xml_test_support.h"

#ifndef TEV_ERP_SIM_EXE
#error "TEV_ERP_SIM_EXE must name the erp-sim executable"
#endif
#ifndef TEV_DEMO_DIR
#error "TEV_DEMO_DIR must name the demo installation"
#endif

namespace tev::sim {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using tev::testing::readFile;
using tev::testing::TempDir;

const std::string kDemoRules = std::string(TEV_DEMO_DIR) + "/erp_sim/rules.xml";

std::string query(std::string_view no, const std::vector<std::string>& args, std::string_view path = "") {
  return requestLine({}, queryBody("100", "tdilc0001DEMO", "execute_query", args, path, no));
}

// One run of erp-sim with its standard output on a pipe and its standard error in a file.
class ErpSimProgram {
 public:
  ErpSimProgram(const TempDir& dir, const std::vector<std::string>& args) : errPath_(dir.file("err.log")) {
    ChildProcess::Options options;
    options.argv = {TEV_ERP_SIM_EXE};
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.workingDirectory = dir.path();
    options.stdinSpec = StreamSpec::null();
    options.stdoutSpec = StreamSpec::pipe();
    options.stderrSpec = StreamSpec::file(errPath_);
    child_ = ChildProcess::start(options);
    out_ = std::make_unique<LineReader>(child_.stdoutPipe().get());
  }

  // The port from the first line of standard output; 0 when none came.
  int port() {
    LineResult line = out_->readLine(20s);
    return line.isLine() ? std::stoi(line.line) : 0;
  }
  std::optional<ExitStatus> stop() {
    child_.kill(SIGTERM);
    return child_.waitFor(20s);
  }
  std::optional<ExitStatus> wait() { return child_.waitFor(20s); }
  std::string restOfOutput() {
    std::string rest;
    for (LineResult line = out_->readLine(5s); line.isLine(); line = out_->readLine(5s)) rest += line.line;
    return rest;
  }
  std::string errors() const { return readFile(errPath_); }

 private:
  std::string errPath_;
  ChildProcess child_;
  std::unique_ptr<LineReader> out_;
};

TEST(ErpSimProgram, ReportsItsPortAnswersFromTheRulesAndStopsOnSigterm) {
  TempDir dir;
  ErpSimProgram program(dir, {"--port", "0", "--rules", kDemoRules, "--result-dir", dir.file("results")});
  int port = program.port();
  ASSERT_GT(port, 0) << program.errors();

  ErpSimClient client("127.0.0.1", port);
  EXPECT_EQ(client.exchange(query("1", {"W1", "qvilc9216", "USER1"})),
            "SKM 1,98,1~Main warehouse~1~W1~1000~1~1");

  // Bad bytes and a broken connection do not stop it.
  {
    ErpSimClient rude("127.0.0.1", port);
    rude.sendRaw(std::string("\xff\x00\x1c\x1c\x1c\x1c\x01\r\n\x80half", 14));
  }
  EXPECT_EQ(client.exchange(std::string("\xfe\x1c\x1c", 3)), "SKM ~~NOTFOUND");

  std::string reply = client.exchange(query("14", {}));
  ASSERT_THAT(reply, MatchesRegex("SKM 1,99,q14_[0-9]+_[0-9]+\\.txt"));
  EXPECT_EQ(readFile(dir.file("results/" + reply.substr(9))),
            "DAM~Damaged\nCNT~Count correction\nEXP~Expired\n");

  std::optional<ExitStatus> status = program.stop();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->code, 0) << program.errors();
  EXPECT_FALSE(status->signaled());
  EXPECT_EQ(program.restOfOutput(), "");  // the port is all it writes there
  EXPECT_THAT(program.errors(), HasSubstr("[tev.sim.ErpSim]"));
}

TEST(ErpSimProgram, TakesPortAndResultDirectoryFromTheSettings) {
  TempDir dir;
  dir.write("vav_settings.xml", R"(<?xml version="1.0"?>
<environment_list>
  <environment id="common"><config_param_list/></environment>
  <environment id="site" relative_env="common">
    <config_param_list>
      <config_param id="skerrymantle"><config_param id="port">0</config_param></config_param>
      <config_param id="sql"><config_param id="baan_server">
        <config_param id="mounted_sql_data_dir">mounted</config_param>
      </config_param></config_param>
    </config_param_list>
  </environment>
</environment_list>
)");
  ErpSimProgram program(dir,
                        {"--settings", "vav_settings.xml", "--environment", "site", "--rules", kDemoRules});
  int port = program.port();
  ASSERT_GT(port, 0) << program.errors();
  std::string reply = ErpSimClient("127.0.0.1", port).exchange(query("73", {"W1", "A-01-01"}, "/remote"));
  ASSERT_THAT(reply, MatchesRegex("SKM 1,99,/remote/q73_[0-9]+_[0-9]+\\.txt"));
  EXPECT_TRUE(
      std::filesystem::exists(dir.file("mounted/" + reply.substr(std::string("SKM 1,99,/remote/").size()))));
  ASSERT_TRUE(program.stop());
}

// The 16 values of a demo transfer of the quantity from A-01-01 to B-02-01 in W1.
std::string transfer(const std::string& quantity, const std::string& device) {
  RequestHeader header;
  header.deviceId = device;
  return requestLine(header, functionServerBody("100", "tdilc9101DEMO", "transfer_inventory",
                                                {"", "ITEM-100", "", "W1", "W1", "A-01-01", "", "pcs",
                                                 "B-02-01", quantity, "clerk", "0", "", "0", "pcs", ""}));
}

TEST(ErpSimProgram, JournalsEachAcceptedBookingBeforeItsReply) {
  TempDir dir;
  dir.write("journal.txt", "kept\n");
  ErpSimProgram program(dir, {"--port", "0", "--rules", kDemoRules, "--journal", dir.file("journal.txt")});
  int port = program.port();
  ASSERT_GT(port, 0) << program.errors();

  ErpSimClient client("127.0.0.1", port);
  ErpSimClient other("127.0.0.1", port);
  EXPECT_EQ(client.exchange(transfer("5", "RF01")), "SKM 0,0,Transfer of 5 pcs ITEM-100 booked");
  // In the file as soon as the reply has come.
  EXPECT_EQ(readFile(dir.file("journal.txt")), "kept\n" + transfer("5", "RF01") + "\n");
  // Refused bookings, queries and unknown functions are not bookings; the same booking again is a second one.
  EXPECT_EQ(client.exchange(transfer("500", "RF01")), "SKM 1,31,Not enough stock of ITEM-100 at A-01-01");
  EXPECT_EQ(client.exchange(query("1", {"W1", "qvilc9216", "USER1"})),
            "SKM 1,98,1~Main warehouse~1~W1~1000~1~1");
  EXPECT_THAT(client.exchange(requestLine({}, functionServerBody("100", "x", "no_such", {"1"}))),
              HasSubstr("SKM 1,500,"));
  EXPECT_EQ(other.exchange(transfer("7", "RF02")), "SKM 0,0,Transfer of 7 pcs ITEM-100 booked");
  EXPECT_EQ(client.exchange(transfer("5", "RF01")), "SKM 0,0,Transfer of 5 pcs ITEM-100 booked");
  EXPECT_EQ(
      readFile(dir.file("journal.txt")),
      "kept\n" + transfer("5", "RF01") + "\n" + transfer("7", "RF02") + "\n" + transfer("5", "RF01") + "\n");

  std::optional<ExitStatus> status = program.stop();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->code, 0) << program.errors();
}

TEST(ErpSimProgram, RefusesBadCommandLinesAndUnusableRules) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  TempDir dir;
  dir.write("broken.xml", "<erp_sim_rules><nope/></erp_sim_rules>");
  const Case cases[] = {
      {{"--bogus"}, 2, "unknown argument \"--bogus\""},
      {{"--port"}, 2, "--port needs a value"},
      {{"--port", "70000"}, 2, "--port needs a number from 0 to 65535"},
      {{}, 2, "give --port or --settings"},
      {{"--port", "0", "--rules", "missing.xml"}, 1, "missing.xml"},
      {{"--port", "0", "--rules", "broken.xml"}, 1, "broken.xml line 1: <nope> is no rule"},
      {{"--settings", "none.xml"}, 1, "the settings file none.xml does not exist"},
      {{"--port", "0", "--journal"}, 2, "--journal needs a value"},
      {{"--port", "0", "--rules", kDemoRules, "--journal", "no/such/dir/journal.txt"},
       1,
       "cannot open the journal no/such/dir/journal.txt"},
  };
  for (const Case& c : cases) {
    ErpSimProgram program(dir, c.args);
    std::optional<ExitStatus> status = program.wait();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, c.status) << c.message;
    EXPECT_THAT(program.errors(), HasSubstr(c.message));
    if (c.status == 2) {
      EXPECT_THAT(program.errors(), HasSubstr("usage: erp-sim"));
    }
    EXPECT_EQ(program.restOfOutput(), "");
  }
}

}  // namespace
}  // namespace tev::sim
