// SendMail against a real SMTP server: tests/support/smtp_sink.py (aiosmtpd on Debian's python3), started on
// a loopback ephemeral port for each test, with log-in required. The server writes every message it accepts,
// parsed by Python's own mail parser, to a directory that the test reads.
#include "util/send_mail.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/fd.h"
#include "common/tcp.h"
#include "util/mail_error.h"
#include "util/mail_session.h"
#include "util/smtp_sink_test_support.h"

#ifndef TEV_SEND_MAIL_EXE
#error "TEV_SEND_MAIL_EXE must name the SendMail executable"
#endif

namespace tev {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kUser = "scanner";
constexpr const char* kPassword = "s3cret";
constexpr const char* kFrom = "dock@warehouse.test";
constexpr const char* kTo = "buyer@supplier.test";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

// A directory of its own, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "send_mail_test.XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

using Received = testing::SmtpSink::Received;
using testing::SmtpSink;

class SendMailTest : public ::testing::Test {
 protected:
  SendMailTest() : sink(tmp.path() / "server", kUser, kPassword) {}

  fs::path file(const std::string& name, const std::string& content) {
    fs::path p = tmp.path() / name;
    fs::create_directories(p.parent_path());
    writeFile(p, content);
    return p;
  }

  // The single message the server received.
  Received only() const {
    std::vector<Received> all = sink.messages();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? Received{json::object({{"headers", json::array()}, {"parts", json::array()}}), ""}
                       : all.front();
  }

  TempDir tmp;
  SmtpSink sink;
};

TEST_F(SendMailTest, PlainMailReachesToAndTheSenderAsBlindCopy) {
  ::testing::internal::CaptureStderr();
  SendMail::sendMessage(sink.host(), kUser, kPassword, kFrom, kTo, "Pick list 42", "Order 42\nis picked.");
  std::string console = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(console, " Into SendMessage Function in SendMail \n");

  Received m = only();
  EXPECT_EQ(m.summary["mail_from"], kFrom);
  EXPECT_EQ(m.summary["rcpt_tos"], json::array({kTo, kFrom}));
  EXPECT_EQ(m.summary["auth_user"], kUser);
  EXPECT_EQ(m.header("From"), kFrom);
  EXPECT_EQ(m.header("To"), kTo);
  EXPECT_EQ(m.header("Subject"), "Pick list 42");
  EXPECT_NE(m.header("Date"), "<none>");
  EXPECT_NE(m.header("Message-ID"), "<none>");
  // The blind copy is an envelope recipient only.
  EXPECT_EQ(m.raw.find("Bcc"), std::string::npos);
  EXPECT_FALSE(m.summary["multipart"]);
  EXPECT_EQ(m.summary["content_type"], "text/plain");
  ASSERT_EQ(m.parts().size(), 1u);
  EXPECT_EQ(m.parts()[0]["charset"], nullptr);
  // The line end before the final "." of the SMTP data belongs to the message.
  EXPECT_EQ(m.payload(0), "Order 42\r\nis picked.\r\n");
}

TEST_F(SendMailTest, TextAndSubjectArriveUnchanged) {
  // Non-ASCII, a line holding only ".", a long line, a display name: in the plain and the multipart form.
  std::string subject =
      "Z\xC3\xA4hlung \xC3\xBC"
      "ber 100 St\xC3\xBC"
      "ck";
  std::string body =
      "Gr\xC3\xBC\xC3\x9F"
      "e\n.\n" +
      std::string(1500, 'x') + "\nend";
  std::string expected =
      "Gr\xC3\xBC\xC3\x9F"
      "e\r\n.\r\n" +
      std::string(1500, 'x') + "\r\nend";
  std::string from = "\"Dock, North\" <" + std::string(kFrom) + ">";
  SendMail::sendMessage(sink.host(), kUser, kPassword, from, kTo, subject, body);
  SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, from, kTo, subject, body,
                                      std::vector<std::string>{});
  std::vector<Received> all = sink.messages();
  ASSERT_EQ(all.size(), 2u);
  for (const Received& m : all) {
    EXPECT_EQ(m.header("Subject"), subject);
    EXPECT_EQ(m.header("From"), from);
    EXPECT_EQ(m.summary["mail_from"], kFrom);
    EXPECT_EQ(m.parts()[0]["content_type"], "text/plain");
    EXPECT_EQ(m.parts()[0]["charset"], "utf-8");
    EXPECT_EQ(m.payload(0), m.summary["multipart"] ? expected : expected + "\r\n");
  }
}

TEST_F(SendMailTest, SinglePathIsNamedByTheWholePathText) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  fs::path report = file("out/report.bin", bytes);
  SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, kFrom, kTo, "Report", "See attached.",
                                      report.string());
  Received m = only();
  EXPECT_EQ(m.summary["rcpt_tos"], json::array({kTo, kFrom}));
  EXPECT_TRUE(m.summary["multipart"]);
  EXPECT_EQ(m.summary["content_type"], "multipart/mixed");
  ASSERT_EQ(m.parts().size(), 2u);
  EXPECT_EQ(m.parts()[0]["content_type"], "text/plain");
  EXPECT_EQ(m.parts()[0]["filename"], nullptr);
  EXPECT_EQ(m.payload(0), "See attached.");
  EXPECT_EQ(m.parts()[1]["filename"], report.string());
  EXPECT_EQ(m.parts()[1]["disposition"], "attachment");
  EXPECT_EQ(m.payload(1), bytes);
}

TEST_F(SendMailTest, ListOfFilesIsNamedByBaseNamesInOrder) {
  fs::path b = file("out/b.txt", "second\n");
  fs::path a = file("in/a.csv", "first;1\n");
  SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, kFrom, kTo, "Files", "Two files.",
                                      std::vector<fs::path>{b, a});
  Received m = only();
  ASSERT_EQ(m.parts().size(), 3u);
  EXPECT_EQ(m.payload(0), "Two files.");
  EXPECT_EQ(m.parts()[1]["filename"], "b.txt");
  EXPECT_EQ(m.payload(1), "second\n");
  EXPECT_EQ(m.parts()[2]["filename"], "a.csv");
  EXPECT_EQ(m.payload(2), "first;1\n");
}

TEST_F(SendMailTest, ArrayOfPathsIsNamedByThePathTextsAsPassed) {
  file("out/b.txt", "second");
  file("in/a.csv", "first");
  // Not normalised: the name is the text given.
  std::string b = (tmp.path() / "out" / ".." / "out" / "b.txt").string();
  std::string a = (tmp.path() / "in" / "a.csv").string();
  SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, kFrom, kTo, "Files", "Two paths.",
                                      std::vector<std::string>{b, a});
  Received m = only();
  ASSERT_EQ(m.parts().size(), 3u);
  EXPECT_EQ(m.parts()[1]["filename"], b);
  EXPECT_EQ(m.payload(1), "second");
  EXPECT_EQ(m.parts()[2]["filename"], a);
  EXPECT_EQ(m.payload(2), "first");
}

TEST_F(SendMailTest, EmptyListOrArrayGivesTheTextPartOnly) {
  SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, kFrom, kTo, "None", "No files.",
                                      std::vector<std::string>{});
  SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, kFrom, kTo, "None", "No files.",
                                      std::vector<fs::path>{});
  std::vector<Received> all = sink.messages();
  ASSERT_EQ(all.size(), 2u);
  for (const Received& m : all) {
    EXPECT_EQ(m.summary["content_type"], "multipart/mixed");
    ASSERT_EQ(m.parts().size(), 1u);
    EXPECT_EQ(m.payload(0), "No files.");
    EXPECT_EQ(m.summary["rcpt_tos"], json::array({kTo, kFrom}));
  }
}

TEST_F(SendMailTest, IllegalAddressSendsNothing) {
  struct Case {
    std::string from;
    std::string to;
  } cases[] = {
      {kFrom, "buyer@supplier.test, boss@supplier.test"}, {kFrom, ""}, {kFrom, "buyer"},
      {"dock@warehouse.test; boss@warehouse.test", kTo},  {"", kTo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from + " -> " + c.to);
    EXPECT_THROW(
        {
          try {
            SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, c.from, c.to, "s", "b",
                                                std::vector<std::string>{});
          } catch (const AddressError& e) {
            EXPECT_STREQ(e.what(), "Illegal address");
            throw;
          }
        },
        AddressError);
  }
  // sendMessage reports the failure on the console and passes the same error on.
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(SendMail::sendMessage(sink.host(), kUser, kPassword, kFrom, "a@x.test, b@x.test", "s", "b"),
               AddressError);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            " Into SendMessage Function in SendMail \n **** SendMail Failed ***\nIllegal address\n");
  EXPECT_THAT(sink.messages(), IsEmpty());
  EXPECT_THAT(sink.logins(), IsEmpty());
}

TEST_F(SendMailTest, RefusedSendsFailWithTheLibrarysMessage) {
  fs::path good = file("good.txt", "ok");
  fs::create_directories(tmp.path() / "dir");
  struct Case {
    std::string name;
    std::string to;
    std::vector<std::string> paths;
    std::string message;
  } cases[] = {
      {"recipient refused", "nobody@refused.test", {}, "550"},
      {"missing file", kTo, {good.string(), (tmp.path() / "missing.txt").string()}, "missing.txt"},
      {"directory", kTo, {(tmp.path() / "dir").string()}, "dir"},
      {"empty path", kTo, {""}, "Failed to open/read local data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      SendMail::sendMessageWithAttachment(sink.host(), kUser, kPassword, kFrom, c.to, "s", "b", c.paths);
      ADD_FAILURE() << "sent";
    } catch (const AddressError& e) {
      ADD_FAILURE() << e.what();
    } catch (const MailError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.message));
    }
  }
  EXPECT_THAT(sink.messages(), IsEmpty());
}

TEST_F(SendMailTest, RefusedLogInFails) {
  // A server that knows other credentials than every send of this process uses.
  SmtpSink strict(tmp.path() / "strict", "someone-else", "other");
  try {
    SendMail::sendMessage(strict.host(), kUser, kPassword, kFrom, kTo, "s", "b");
    ADD_FAILURE() << "sent";
  } catch (const AddressError& e) {
    ADD_FAILURE() << e.what();
  } catch (const MailError& e) {
    EXPECT_THAT(e.what(), HasSubstr("535"));
  }
  EXPECT_THAT(strict.messages(), IsEmpty());
  std::vector<json> logins = strict.logins();
  ASSERT_FALSE(logins.empty());
  EXPECT_EQ(logins[0]["user"], kUser);
  EXPECT_EQ(logins[0]["success"], false);
}

TEST_F(SendMailTest, UnreachableOrUnknownHostFails) {
  // A port that was just free and has no listener.
  int port;
  {
    TcpListener listener = TcpListener::listen(0, true);
    port = listener.port();
  }
  std::string host = "127.0.0.1:" + std::to_string(port);
  EXPECT_THROW(SendMail::sendMessage(host, kUser, kPassword, kFrom, kTo, "s", "b"), MailError);
  // The property table keeps what the failed send put there.
  EXPECT_EQ(MailSession::getProperty(MailSession::kHostProperty), host);
  EXPECT_EQ(MailSession::getProperty(MailSession::kAuthProperty), "true");

  try {
    SendMail::sendMessageWithAttachment("mail.example.com:99999", kUser, kPassword, kFrom, kTo, "s", "b",
                                        std::vector<std::string>{});
    ADD_FAILURE() << "sent";
  } catch (const MailError& e) {
    EXPECT_STREQ(e.what(), "Unknown SMTP host: mail.example.com:99999");
  }
}

TEST_F(SendMailTest, EverySendLogsInWithItsOwnCredentials) {
  SendMail::sendMessage(sink.host(), kUser, kPassword, kFrom, kTo, "first", "b");
  // Credentials the server refuses: this send logs in with them and fails, whatever came before.
  EXPECT_THROW(SendMail::sendMessage(sink.host(), "intruder", "wrong", kFrom, kTo, "second", "b"), MailError);
  SmtpSink other(tmp.path() / "other", "someone-else", "other");
  SendMail::sendMessage(other.host(), "someone-else", "other", kFrom, kTo, "third", "b");

  std::vector<Received> first = sink.messages();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].summary["auth_user"], kUser);
  std::vector<json> logins = sink.logins();
  ASSERT_EQ(logins.size(), 2u);
  EXPECT_EQ(logins[1]["user"], "intruder");
  EXPECT_EQ(logins[1]["success"], false);
  std::vector<Received> third = other.messages();
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].summary["auth_user"], "someone-else");
}

TEST_F(SendMailTest, LaterSendReachesAnotherHost) {
  SmtpSink other(tmp.path() / "other", kUser, kPassword);
  SendMail::sendMessage(sink.host(), kUser, kPassword, kFrom, kTo, "to the first", "b");
  SendMail::sendMessage(other.host(), kUser, kPassword, kFrom, kTo, "to the second", "b");
  std::vector<Received> first = sink.messages();
  std::vector<Received> second = other.messages();
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first[0].header("Subject"), "to the first");
  EXPECT_EQ(second[0].header("Subject"), "to the second");
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built SendMail program.
Outcome runSendMail(const fs::path& dir, const std::vector<std::string>& args) {
  ChildProcess::Options options;
  options.argv = {TEV_SEND_MAIL_EXE};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.stdinSpec = StreamSpec::null();
  options.stdoutSpec = StreamSpec::file((dir / "run.out").string());
  options.stderrSpec = StreamSpec::file((dir / "run.err").string());
  fs::remove(dir / "run.out");
  fs::remove(dir / "run.err");
  ChildProcess child = ChildProcess::start(options);
  std::optional<ExitStatus> status = child.waitFor(std::chrono::seconds(30));
  Outcome result;
  if (status && !status->signaled()) result.status = status->code;
  result.out = readFile(dir / "run.out");
  result.err = readFile(dir / "run.err");
  return result;
}

TEST_F(SendMailTest, MainWithSevenArgumentsPrintsUsage) {
  Outcome o = runSendMail(tmp.path(), {sink.host(), kUser, kPassword, kFrom, kTo, "s", "b"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(
      o.err,
      "Usage: SendMail <SMTP host address> <user name> <password> <from address> <to address> <subject> "
      "<body> <file attachment>\n");
  EXPECT_THAT(sink.messages(), IsEmpty());
}

TEST_F(SendMailTest, MainSendsOneFile) {
  fs::path report = file("report.txt", "42 picked\n");
  Outcome o =
      runSendMail(tmp.path(), {sink.host(), kUser, kPassword, kFrom, kTo, "Report", "Body", report.string()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, sink.host() + " scanner ******** " + kFrom + " " + kTo + " Report Body " +
                       report.string() + "\n");
  Received m = only();
  ASSERT_EQ(m.parts().size(), 2u);
  EXPECT_EQ(m.parts()[1]["filename"], report.string());
  EXPECT_EQ(m.payload(1), "42 picked\n");

  // A failed send: the error on the console and a failure status.
  Outcome failed = runSendMail(
      tmp.path(), {sink.host(), kUser, kPassword, kFrom, "a@x.test, b@x.test", "s", "b", report.string()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_THAT(failed.err, HasSubstr("\nIllegal address\n"));
}

}  // namespace
}  // namespace tev
