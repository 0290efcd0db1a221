// Result-file fetch against real servers on loopback: an FTP server (pyftpdlib under Debian's python3)
// reached through the platform's ftp client and through the built-in client, and an sshd reached through
// OpenSSH's sftp. The SFTP client program the settings name is a small adapter script around sftp (the
// installation's program takes "user@host -pw password" and the command "delete"; OpenSSH's takes neither).
#include "gateway/result_file_fetch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "common/child_process.h"
#include "common/clock.h"
#include "common/line_reader.h"
#include "common/log.h"
#include "common/tcp.h"
#include "config/config_test_support.h"
#include "config/vav_settings.h"
#include "gateway/result_file_fetch_client.h"
#include "gateway/result_file_fetch_ftp_client.h"

namespace tev {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kUser = "scanner";
constexpr const char* kPassword = "s3cret-pw";
constexpr const char* kPython = "/usr/bin/python3";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

bool executable(const std::string& path) {
  return ::access(path.c_str(), X_OK) == 0;
}

// Runs a program to its end with no input; true when it exited with status 0.
bool runQuietly(const std::vector<std::string>& argv) {
  ChildProcess::Options options;
  options.argv = argv;
  options.stdinSpec = StreamSpec::null();
  options.stdoutSpec = StreamSpec::null();
  options.stderrSpec = StreamSpec::null();
  try {
    ChildProcess child = ChildProcess::start(options);
    auto status = child.waitFor(std::chrono::seconds(30));
    return status && status->success();
  } catch (const Error&) {
    return false;
  }
}

// --- servers ------------------------------------------------------------------------------------------

// pyftpdlib serving root (virtual "/") to one account on a loopback ephemeral port.
class FtpServer {
 public:
  static std::optional<std::string> unavailable() {
    if (!executable(kPython)) return std::string(kPython) + " is missing (install python3-pyftpdlib)";
    if (!runQuietly({kPython, "-c", "import pyftpdlib"})) return std::string("python3-pyftpdlib is missing");
    return std::nullopt;
  }

  FtpServer(const std::string& root, const std::string& logPath) {
    static const char* kScript = R"(
import sys, logging
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.DEBUG)
authorizer = DummyAuthorizer()
authorizer.add_user(sys.argv[2], sys.argv[3], sys.argv[1], perm="elradfmw")
handler = FTPHandler
handler.authorizer = authorizer
handler.auth_failed_timeout = 0.1
server = FTPServer(("127.0.0.1", 0), handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(timeout=0.2)
)";
    ChildProcess::Options options;
    options.argv = {kPython, "-c", kScript, root, kUser, kPassword};
    options.stdinSpec = StreamSpec::null();
    options.stdoutSpec = StreamSpec::pipe();
    options.stderrSpec = StreamSpec::file(logPath);
    child_ = ChildProcess::start(options);
    LineReader reader(child_.stdoutPipe().get());
    LineResult line = reader.readLine(std::chrono::seconds(20));
    if (!line.isLine()) throw Error("the FTP server did not start; see " + logPath);
    port_ = std::stoi(line.line);
  }
  ~FtpServer() {
    child_.kill(SIGTERM);
    if (!child_.waitFor(std::chrono::seconds(5))) child_.kill(SIGKILL);
  }

  int port() const { return port_; }

 private:
  ChildProcess child_;
  int port_ = 0;
};

// A server that answers every connection with a negative greeting.
class RefusingFtpServer {
 public:
  RefusingFtpServer() : listener_(TcpListener::listen(0, true)) {
    thread_ = std::thread([this] {
      std::optional<Fd> fd = listener_.accept(std::chrono::seconds(20));
      if (!fd) return;
      try {
        writeAll(fd->get(), "421 Service not available, closing control connection.\r\n");
      } catch (const Error&) {
      }
    });
  }
  ~RefusingFtpServer() { thread_.join(); }
  int port() const { return listener_.port(); }

 private:
  TcpListener listener_;
  std::thread thread_;
};

// sshd on a loopback port with a throw-away host key, for the current user with a throw-away client key.
class SshServer {
 public:
  static std::optional<std::string> unavailable() {
    for (const char* program : {"/usr/sbin/sshd", "/usr/bin/ssh-keygen", "/usr/bin/sftp"}) {
      if (!executable(program))
        return std::string(program) + " is missing (install openssh-server and openssh-client)";
    }
    return std::nullopt;
  }

  explicit SshServer(const std::string& dir) : dir_(dir) {
    fs::create_directories(dir_);
    if (!runQuietly({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", dir_ + "/host_key"}) ||
        !runQuietly({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", dir_ + "/client_key"})) {
      throw Error("ssh-keygen failed");
    }
    fs::copy_file(dir_ + "/client_key.pub", dir_ + "/authorized_keys");
    // As root, sshd insists on its privilege separation directory.
    if (::geteuid() == 0 && !fs::exists("/run/sshd")) {
      fs::create_directories("/run/sshd");
      fs::permissions("/run/sshd", fs::perms(0755));
    }
    // sshd cannot report an ephemeral port: take a free one and try again if another process got it first.
    for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) start();
    if (port_ == 0) throw Error("sshd did not start; see " + dir_ + "/sshd.log");
  }
  ~SshServer() {
    if (port_ != 0) {
      child_.kill(SIGTERM);
      if (!child_.waitFor(std::chrono::seconds(5))) child_.kill(SIGKILL);
    }
  }

  int port() const { return port_; }
  std::string clientKey() const { return dir_ + "/client_key"; }

 private:
  void start() {
    int port = testing::freePort();
    writeFile(dir_ + "/sshd_config", "ListenAddress 127.0.0.1\nPort " + std::to_string(port) + "\nHostKey " +
                                         dir_ + "/host_key\nAuthorizedKeysFile " + dir_ +
                                         "/authorized_keys\nStrictModes no\nUsePAM no\n"
                                         "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                         "PermitRootLogin prohibit-password\nPidFile none\n"
                                         "Subsystem sftp internal-sftp\n");
    ChildProcess::Options options;
    options.argv = {"/usr/sbin/sshd", "-D", "-e", "-f", dir_ + "/sshd_config"};
    options.stdinSpec = StreamSpec::null();
    options.stdoutSpec = StreamSpec::null();
    options.stderrSpec = StreamSpec::pipe();
    ChildProcess child = ChildProcess::start(options);
    LineReader reader(child.stderrPipe().get());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      LineResult line = reader.readLine(left);
      if (!line.isLine()) return;  // ended (port taken) or silent
      std::ofstream(dir_ + "/sshd.log", std::ios::app) << line.line << "\n";
      if (line.line.find("Server listening on") != std::string::npos) break;
    }
    // Later log lines go to a file so that sshd never blocks on a full pipe.
    child.stderrPipe().reset();
    child_ = std::move(child);
    port_ = port;
  }

  std::string dir_;
  ChildProcess child_;
  int port_ = 0;
};

// The installation's SFTP client program: "<user>@<host> -pw <password>" and a script with get, delete
// and bye on its standard input, carried out by OpenSSH's sftp with the throw-away key. A wrong password
// is refused the way an interactive client does: it takes up to three lines as new attempts and gives up.
std::string writeSftpAdapter(const std::string& path, const SshServer& ssh) {
  writeFile(path, std::string("#!/bin/bash\n") +
                      "account=$1\n"
                      "if [ \"$2\" != \"-pw\" ] || [ \"$3\" != '" +
                      kPassword +
                      "' ]; then\n"
                      "  echo 'Access denied'\n"
                      "  read -r; read -r; read -r\n"
                      "  exit 1\n"
                      "fi\n"
                      "while IFS= read -r line; do\n"
                      "  case $line in\n"
                      "    'delete '*) printf 'rm %s\\n' \"${line#delete }\" ;;\n"
                      "    *) printf '%s\\n' \"$line\" ;;\n"
                      "  esac\n"
                      "done | exec /usr/bin/sftp -F /dev/null -o BatchMode=yes -o StrictHostKeyChecking=no "
                      "-o UserKnownHostsFile=/dev/null -o LogLevel=ERROR -i " +
                      ssh.clientKey() + " -P " + std::to_string(ssh.port()) + " \"$account\"\n");
  fs::permissions(path, fs::perms(0755));
  return path;
}

std::string currentUser() {
  struct passwd* pw = ::getpwuid(::geteuid());
  return pw ? pw->pw_name : "root";
}

// --- fixture ------------------------------------------------------------------------------------------

struct Window {
  std::string title, message, footer;
};
struct Mail {
  std::string subject, text;
};

class ResultFileFetchTest : public ::testing::Test {
 protected:
  ResultFileFetchTest() {
    tree_.settings().standardEnvironment("common");
    data_.DC = tree_.root() + "/dc";
    data_.useFtp = true;
    data_.qryFunctionServerDataDir = "/qry";
    data_.ftpUsername = kUser;
    data_.ftpPassword = kPassword;
    fs::create_directories(data_.DC + "/log");
  }

  // The settings of sql / baan_server in a real settings file (a key left out cannot be read).
  void setBaanServer(const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) tree_.settings().param({"sql", "baan_server", key}, value);
    settings_ = std::make_unique<VAVSettings>(tree_.writeSettings());
  }

  // Starts the settings file afresh (for tables of cases).
  void resetSettings() {
    tree_.settings() = testing::SettingsFileBuilder();
    tree_.settings().setDefaultDcText(tree_.root());
    tree_.settings().standardEnvironment("common");
  }

  ResultFileFetch makeFetch(ResultFileFetch::Options options = {}) {
    if (!settings_) setBaanServer({});
    ResultFileFetch::Hooks hooks;
    hooks.data = [this] { return data_; };
    hooks.loadSetting = [this](const std::vector<std::string>& path) {
      ++settingsRead_;
      return settings_->loadSetting(path, "common");
    };
    hooks.showMessageWindow = [this](const std::string& t, const std::string& m, const std::string& f) {
      windows_.push_back({t, m, f});
    };
    hooks.sendMail = [this](const std::string& s, const std::string& t) {
      mails_.push_back({s, t});
      return true;
    };
    return ResultFileFetch(std::move(hooks), options);
  }

  std::string ftpRoot() { return tree_.root() + "/ftp_root"; }
  std::string remoteFile(const std::string& virtualPath) { return ftpRoot() + virtualPath; }

  void startFtp() {
    if (auto why = FtpServer::unavailable()) GTEST_SKIP() << *why;
    fs::create_directories(ftpRoot() + "/qry");
    ftp_ = std::make_unique<FtpServer>(ftpRoot(), tree_.root() + "/ftp_server.log");
  }

  void expectNoPasswordLogged() {
    for (const auto& line : capture_.lines()) EXPECT_THAT(line.text, ::testing::Not(HasSubstr(kPassword)));
  }

  testing::ConfigTree tree_;
  std::unique_ptr<VAVSettings> settings_;
  ResultFileFetchData data_;
  int settingsRead_ = 0;
  std::vector<Window> windows_;
  std::vector<Mail> mails_;
  log::Capture capture_;
  std::unique_ptr<FtpServer> ftp_;
};

const std::string kRows = "A01~Blue~~\nA02~Red~1~\n";

// --- names and the mounted directory ------------------------------------------------------------------

TEST(ResultFileFetchNames, BaseAndRemotePaths) {
  EXPECT_EQ(ResultFileFetch::baseName("/data/qry/r123.txt"), "r123.txt");
  EXPECT_EQ(ResultFileFetch::baseName("r123.txt"), "r123.txt");
  EXPECT_EQ(ResultFileFetch::baseName("C:\\qry\\r123.txt"), "C:\\qry\\r123.txt");
  EXPECT_EQ(ResultFileFetch::baseName("C:\\qry\\r123.txt", true), "r123.txt");
  EXPECT_EQ(ResultFileFetch::baseName("a\\b/r123.txt", true), "r123.txt");  // "/" wins over "\"
  EXPECT_EQ(ResultFileFetch::remotePath("/data/qry/r123.txt", "/qry"), "/data/qry/r123.txt");
  EXPECT_EQ(ResultFileFetch::remotePath("r123.txt", "/baan/qry"), "/baan/qry/r123.txt");
  EXPECT_EQ(ResultFileFetch::remotePath("sub/r123.txt", "/baan/qry"), "sub/r123.txt");
}

TEST(ResultFileFetchNames, CommandLinesSplitAtWhiteSpaceOnly) {
  EXPECT_THAT(ResultFileFetchClient::splitCommand("ftp -i -n  10.1.1.1\t2121 "),
              ElementsAre("ftp", "-i", "-n", "10.1.1.1", "2121"));
  EXPECT_THAT(ResultFileFetchClient::splitCommand("a;rm$(x) 'b c'"), ElementsAre("a;rm$(x)", "'b", "c'"));
}

TEST(ResultFileFetchNames, FtpServerAddress) {
  std::string host;
  int port = 0;
  ASSERT_TRUE(parseFtpServer("10.1.1.1", host, port));
  EXPECT_EQ(host, "10.1.1.1");
  EXPECT_EQ(port, 21);
  ASSERT_TRUE(parseFtpServer(" ftp.local 2121 ", host, port));
  EXPECT_EQ(host, "ftp.local");
  EXPECT_EQ(port, 2121);
  for (const char* bad : {"", "  ", "h 0", "h 65536", "h 21x", "h 21 22", "h -1"}) {
    EXPECT_FALSE(parseFtpServer(bad, host, port)) << bad;
  }
}

TEST_F(ResultFileFetchTest, MountedDirectoryIsReadInPlace) {
  data_.useFtp = false;
  data_.mountedSqlDataDir = "/mnt/baan/qry";
  ResultFileFetch fetch = makeFetch();
  EXPECT_EQ(fetch.downloadFile("/data/qry/r123.txt", "1"), "/mnt/baan/qry/r123.txt");
  EXPECT_EQ(fetch.downloadFile("C:\\qry\\r123.txt", ""), "/mnt/baan/qry/r123.txt");
  EXPECT_EQ(settingsRead_, 0);  // nothing about transfers is read, nothing is copied
  EXPECT_FALSE(fs::exists(data_.DC + "/sqldata"));
  EXPECT_TRUE(capture_.contains("Downloading File: /data/qry/r123.txt"));
}

TEST_F(ResultFileFetchTest, UploadMovesIntoTheMountedDirectory) {
  data_.useFtp = false;
  data_.mountedSqlDataDir = tree_.root() + "/mounted";
  fs::create_directories(data_.mountedSqlDataDir);
  std::string local = tree_.root() + "/out/job42.txt";
  writeFile(local, kRows);
  ResultFileFetch fetch = makeFetch();

  EXPECT_EQ(fetch.uploadFile(local), data_.mountedSqlDataDir + "/job42.txt");
  EXPECT_FALSE(fs::exists(local));
  EXPECT_EQ(readFile(data_.mountedSqlDataDir + "/job42.txt"), kRows);
  EXPECT_TRUE(capture_.contains("uploading File: " + local));

  // A move that does not happen is a failure, not a path to nothing.
  EXPECT_THROW(fetch.uploadFile(local), FtpOperationFailed);
  data_.mountedSqlDataDir = tree_.root() + "/no/such/dir";
  writeFile(local, kRows);
  EXPECT_THROW(fetch.uploadFile(local), FtpOperationFailed);
  EXPECT_TRUE(fs::exists(local));

  data_.useFtp = true;
  try {
    fetch.uploadFile(local);
    FAIL() << "an upload by FTP must fail";
  } catch (const FtpOperationFailed&) {
    FAIL() << "wrong failure";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Not Yet Implemented");
  }
}

// --- the FTP script -----------------------------------------------------------------------------------

// The exact script and command line, recorded by a stand-in for the ftp program.
TEST_F(ResultFileFetchTest, FtpScriptLinesFollowIssueLcdAndIssueDelete) {
  std::string recorder = tree_.root() + "/record_ftp";
  writeFile(recorder, "#!/bin/bash\nprintf '%s\\n' \"$@\" > \"$0.args\"\ncat > \"$0.script\"\n");
  fs::permissions(recorder, fs::perms(0755));
  data_.ftpIP = "10.0.0.5 2121";
  std::string dir = fs::absolute(data_.DC + "/sqldata").string();

  struct Case {
    std::string lcd, del;
    std::string script;
  };
  const Case cases[] = {
      {"no", "no", "user scanner s3cret-pw\nget /qry/r7.txt " + dir + "/r7.txt\nbye\n"},
      {"yes", "no", "user scanner s3cret-pw\nlcd " + dir + "\nget /qry/r7.txt " + dir + "/r7.txt\nbye\n"},
      {"no", "yes", "user scanner s3cret-pw\nget /qry/r7.txt " + dir + "/r7.txt\ndelete /qry/r7.txt\nbye\n"},
      {"yes", "yes",
       "user scanner s3cret-pw\nlcd " + dir + "\nget /qry/r7.txt " + dir +
           "/r7.txt\ndelete /qry/r7.txt\nbye\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("issue_lcd " + c.lcd + ", issue_delete " + c.del);
    resetSettings();
    setBaanServer({{"issue_lcd", c.lcd}, {"issue_delete", c.del}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
    ResultFileFetch::Options options;
    options.ftpProgram = recorder;
    ResultFileFetch fetch = makeFetch(options);
    EXPECT_THROW(fetch.downloadFile("r7.txt", "1"), FtpOperationFailed);  // the stand-in fetches nothing
    EXPECT_EQ(readFile(recorder + ".script"), c.script);
    EXPECT_EQ(readFile(recorder + ".args"), "-i\n-n\n10.0.0.5\n2121\n");
  }
  EXPECT_TRUE(capture_.contains("Cmd Line sent for ftp execution: " + recorder + " -i -n 10.0.0.5 2121"));
  EXPECT_TRUE(capture_.contains("lcd :" + dir));
  EXPECT_TRUE(capture_.contains("get :/qry/r7.txt:" + dir + "/r7.txt:"));
  expectNoPasswordLogged();
}

TEST_F(ResultFileFetchTest, FtpScriptFetchesWithThePlatformClient) {
  if (!executable("/usr/bin/ftp")) GTEST_SKIP() << "/usr/bin/ftp is missing (install ftp)";
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({{"issue_lcd", "yes"}, {"issue_delete", "yes"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  writeFile(remoteFile("/qry/r1.txt"), kRows);
  writeFile(remoteFile("/other/r2.txt"), "X~Y\n");
  ResultFileFetch fetch = makeFetch();

  std::string local = fetch.downloadFile("r1.txt", "1");  // a bare name is taken from qry_fserver_data_dir
  EXPECT_EQ(local, fs::absolute(data_.DC + "/sqldata").string() + "/r1.txt");
  EXPECT_EQ(readFile(local), kRows);
  EXPECT_FALSE(fs::exists(remoteFile("/qry/r1.txt")));                // issue_delete
  EXPECT_TRUE(capture_.contains("Ftp Output: Local directory now"));  // issue_lcd reached the client

  EXPECT_EQ(readFile(fetch.downloadFile("/other/r2.txt", "")), "X~Y\n");
  EXPECT_FALSE(fetch.useNewFtpProtocol());
  expectNoPasswordLogged();
}

TEST_F(ResultFileFetchTest, FtpScriptKeepsTheRemoteFileWithoutIssueDelete) {
  if (!executable("/usr/bin/ftp")) GTEST_SKIP() << "/usr/bin/ftp is missing (install ftp)";
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({{"issue_lcd", "no"}, {"issue_delete", "no"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  writeFile(remoteFile("/qry/r1.txt"), kRows);
  ResultFileFetch fetch = makeFetch();
  EXPECT_EQ(readFile(fetch.downloadFile("r1.txt", "1")), kRows);
  EXPECT_TRUE(fs::exists(remoteFile("/qry/r1.txt")));
}

TEST_F(ResultFileFetchTest, FtpScriptFailuresLeaveNoStaleRows) {
  if (!executable("/usr/bin/ftp")) GTEST_SKIP() << "/usr/bin/ftp is missing (install ftp)";
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({{"issue_lcd", "no"}, {"issue_delete", "yes"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  std::string local = fs::absolute(data_.DC + "/sqldata").string() + "/r1.txt";
  ResultFileFetch fetch = makeFetch();

  // The remote file is missing: an earlier fetch's copy must not come back as this one's rows.
  writeFile(local, "stale~rows\n");
  EXPECT_THROW(fetch.downloadFile("r1.txt", "1"), FtpOperationFailed);
  EXPECT_FALSE(fs::exists(local));

  // A wrong password: the client logs in with nothing and fetches nothing.
  writeFile(remoteFile("/qry/r1.txt"), kRows);
  writeFile(local, "stale~rows\n");
  data_.ftpPassword = "wrong";
  EXPECT_THROW(fetch.downloadFile("r1.txt", "1"), FtpOperationFailed);
  EXPECT_FALSE(fs::exists(local));
  EXPECT_TRUE(fs::exists(remoteFile("/qry/r1.txt")));
  EXPECT_TRUE(windows_.empty());  // the script path shows nothing
}

TEST_F(ResultFileFetchTest, UnreadableSettingsCountAsNo) {
  if (!executable("/usr/bin/ftp")) GTEST_SKIP() << "/usr/bin/ftp is missing (install ftp)";
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({});  // none of the four can be read: the FTP script, no lcd, no delete
  writeFile(remoteFile("/qry/r1.txt"), kRows);
  ResultFileFetch fetch = makeFetch();
  EXPECT_EQ(readFile(fetch.downloadFile("r1.txt", "1")), kRows);
  EXPECT_TRUE(fs::exists(remoteFile("/qry/r1.txt")));
  EXPECT_FALSE(capture_.contains("lcd :"));
  EXPECT_TRUE(capture_.contains("setting not available"));
}

TEST_F(ResultFileFetchTest, LocalDirectoryThatCannotBeCreated) {
  writeFile(tree_.root() + "/plainfile", "");
  data_.DC = tree_.root() + "/plainfile";  // <DC>/sqldata would be inside a file
  data_.ftpIP = "127.0.0.1";
  setBaanServer({{"issue_lcd", "no"}, {"issue_delete", "no"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  ResultFileFetch fetch = makeFetch();
  EXPECT_THROW(fetch.downloadFile("r1.txt", "1"), FtpOperationFailed);
  ASSERT_EQ(windows_.size(), 1u);
  EXPECT_EQ(windows_[0].title, "Error Message");
  EXPECT_EQ(windows_[0].message, "Unabled to create directory " + data_.DC + "/sqldata Please contact IT");
  EXPECT_EQ(windows_[0].footer, "Press Enter To Continue");
}

TEST_F(ResultFileFetchTest, AClientThatCannotStartIsPassedOn) {
  data_.ftpIP = "127.0.0.1";
  setBaanServer({{"issue_lcd", "no"}, {"issue_delete", "no"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  ResultFileFetch::Options options;
  options.ftpProgram = tree_.root() + "/no_such_ftp";
  ResultFileFetch fetch = makeFetch(options);
  try {
    fetch.downloadFile("r1.txt", "1");
    FAIL() << "expected an error";
  } catch (const FtpOperationFailed&) {
    FAIL() << "the start failure itself must reach the caller";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("no_such_ftp"));
  }
  EXPECT_TRUE(windows_.empty());
}

TEST_F(ResultFileFetchTest, AClientThatHangsIsStoppedAndItsFileDiscarded) {
  // Writes part of the file, then never ends.
  std::string stuck = tree_.root() + "/stuck_ftp";
  writeFile(stuck,
            "#!/bin/bash\nwhile read -r cmd a b; do [ \"$cmd\" = get ] && echo 'A01~Bl' > \"$b\"; done\n"
            "exec sleep 30\n");
  fs::permissions(stuck, fs::perms(0755));
  data_.ftpIP = "127.0.0.1";
  setBaanServer({{"issue_lcd", "no"}, {"issue_delete", "no"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  ResultFileFetch::Options options;
  options.ftpProgram = stuck;
  options.clientTimeout = std::chrono::milliseconds(300);
  ResultFileFetch fetch = makeFetch(options);

  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(fetch.downloadFile("r1.txt", "1"), FtpOperationFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(fs::exists(fs::absolute(data_.DC + "/sqldata/r1.txt")));
  EXPECT_TRUE(capture_.contains("did not end in time"));
}

TEST_F(ResultFileFetchTest, FileNamesWithoutABaseNameAreRefused) {
  data_.ftpIP = "127.0.0.1";
  setBaanServer({{"issue_lcd", "no"}, {"issue_delete", "no"}, {"use_new_ftp", "no"}, {"use_sftp", "no"}});
  fs::create_directories(data_.DC + "/sqldata");
  ResultFileFetch fetch = makeFetch();
  std::string marker = tree_.root() + "/injected";
  for (const std::string& name :
       std::vector<std::string>{"/qry/", "", "/qry/..", ".", "r1.txt\n!touch " + marker, "r1.txt\rbye"}) {
    EXPECT_THROW(fetch.downloadFile(name, ""), FtpOperationFailed) << name;
  }
  EXPECT_TRUE(fs::is_directory(data_.DC + "/sqldata"));
  EXPECT_FALSE(fs::exists(marker));
}

// --- the built-in client ------------------------------------------------------------------------------

TEST_F(ResultFileFetchTest, BuiltInClientFetchesInActiveAndPassiveMode) {
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  std::string dir = fs::absolute(data_.DC + "/sqldata").string();
  for (const char* passive : {"no", "yes"}) {
    SCOPED_TRACE(std::string("work_in_passive_mode ") + passive);
    resetSettings();
    setBaanServer({{"issue_lcd", "no"},
                   {"issue_delete", "yes"},
                   {"use_new_ftp", "yes"},
                   {"use_sftp", "no"},
                   {"work_in_passive_mode", passive}});
    writeFile(remoteFile("/qry/r1.txt"), kRows);
    writeFile(dir + "/r1.txt", "stale~rows\n");
    ResultFileFetch fetch = makeFetch();
    EXPECT_EQ(fetch.downloadFile("r1.txt", "1"), dir + "/r1.txt");
    EXPECT_EQ(readFile(dir + "/r1.txt"), kRows);
    EXPECT_FALSE(fs::exists(remoteFile("/qry/r1.txt")));
    EXPECT_TRUE(fetch.useNewFtpProtocol());
  }
  EXPECT_THAT(readFile(tree_.root() + "/ftp_server.log"), HasSubstr("<- EPRT "));
  EXPECT_THAT(readFile(tree_.root() + "/ftp_server.log"), HasSubstr("<- EPSV"));
  EXPECT_TRUE(windows_.empty());
  EXPECT_TRUE(mails_.empty());
}

TEST_F(ResultFileFetchTest, BuiltInClientKeepsTheRemoteFileWithoutDelete) {
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({{"use_new_ftp", "yes"}, {"issue_delete", "no"}, {"work_in_passive_mode", "yes"}});
  writeFile(remoteFile("/data/q r/r 2.txt"), kRows);  // blanks in the path travel as they are
  ResultFileFetch fetch = makeFetch();
  std::string local = fetch.downloadFile("/data/q r/r 2.txt", "");
  EXPECT_EQ(readFile(local), kRows);
  EXPECT_TRUE(fs::exists(remoteFile("/data/q r/r 2.txt")));
}

TEST_F(ResultFileFetchTest, BuiltInClientReportsAMissingFile) {
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({{"use_new_ftp", "yes"}, {"issue_delete", "yes"}, {"work_in_passive_mode", "yes"}});
  std::string local = fs::absolute(data_.DC + "/sqldata").string() + "/gone.txt";
  writeFile(local, "stale~rows\n");
  ResultFileFetch fetch = makeFetch();

  EXPECT_THROW(fetch.downloadFile("gone.txt", "1"), FtpOperationFailed);
  EXPECT_FALSE(fs::exists(local));
  ASSERT_EQ(windows_.size(), 1u);
  EXPECT_EQ(windows_[0].title, "Error Message");
  EXPECT_EQ(windows_[0].message, "Unable To download File");
  EXPECT_EQ(windows_[0].footer, "Press Enter To Continue");
  EXPECT_TRUE(capture_.contains("Unable To download File."));
  ASSERT_EQ(mails_.size(), 1u);
  EXPECT_EQ(mails_[0].subject, "Unable To download File.");
  EXPECT_EQ(mails_[0].text,
            "Unable To download File., Remote File Name : /qry/gone.txt Local File Name = " + local);
}

TEST_F(ResultFileFetchTest, BuiltInClientReportsAWrongPassword) {
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  data_.ftpPassword = "wrong";
  setBaanServer({{"use_new_ftp", "yes"}, {"issue_delete", "yes"}});
  writeFile(remoteFile("/qry/r1.txt"), kRows);
  ResultFileFetch fetch = makeFetch();

  EXPECT_THROW(fetch.downloadFile("r1.txt", "1"), FtpOperationFailed);
  EXPECT_TRUE(fs::exists(remoteFile("/qry/r1.txt")));
  EXPECT_FALSE(fs::exists(data_.DC + "/sqldata/r1.txt"));
  ASSERT_EQ(windows_.size(), 1u);
  EXPECT_EQ(windows_[0].message, "User/Password Wrong");
  EXPECT_TRUE(capture_.contains("User/Password Wrong."));
  ASSERT_EQ(mails_.size(), 1u);
  EXPECT_EQ(mails_[0].subject, "User/Password Wrong.");
  EXPECT_EQ(mails_[0].text, "User/Password Wrong., Server IP address : " + data_.ftpIP);
}

TEST_F(ResultFileFetchTest, BuiltInClientReportsARefusedConnection) {
  RefusingFtpServer server;
  data_.ftpIP = "127.0.0.1 " + std::to_string(server.port());
  setBaanServer({{"use_new_ftp", "yes"}});
  ResultFileFetch fetch = makeFetch();

  EXPECT_THROW(fetch.downloadFile("r1.txt", "1"), FtpOperationFailed);
  ASSERT_EQ(windows_.size(), 1u);
  EXPECT_EQ(windows_[0].message, "FTP server refused connection");
  EXPECT_TRUE(capture_.contains("FTP server refused connection."));
  ASSERT_EQ(mails_.size(), 1u);
  EXPECT_EQ(mails_[0].subject, "FTP server refused connection");
  EXPECT_EQ(mails_[0].text, "FTP server refused connection, Server IP address : " + data_.ftpIP);
}

TEST_F(ResultFileFetchTest, BuiltInClientPassesOnAConnectionThatFails) {
  int port = testing::freePort();  // closed again: nothing listens there
  data_.ftpIP = "127.0.0.1 " + std::to_string(port);
  setBaanServer({{"use_new_ftp", "yes"}});
  ResultFileFetch fetch = makeFetch();
  try {
    fetch.downloadFile("r1.txt", "1");
    FAIL() << "expected an error";
  } catch (const FtpOperationFailed&) {
    FAIL() << "a broken connection is not a refusal";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("FTP transfer failed"));
  }
  EXPECT_TRUE(windows_.empty());
  EXPECT_TRUE(mails_.empty());
}

TEST_F(ResultFileFetchTest, MailFailuresDoNotChangeTheOutcome) {
  startFtp();
  if (IsSkipped()) return;
  data_.ftpIP = "127.0.0.1 " + std::to_string(ftp_->port());
  setBaanServer({{"use_new_ftp", "yes"}, {"work_in_passive_mode", "yes"}});
  ResultFileFetch::Hooks hooks;
  hooks.data = [this] { return data_; };
  hooks.loadSetting = [this](const std::vector<std::string>& path) {
    return settings_->loadSetting(path, "common");
  };
  hooks.sendMail = [](const std::string&, const std::string&) -> bool { throw Error("smtp down"); };
  ResultFileFetch fetch(std::move(hooks));  // and no message window
  EXPECT_THROW(fetch.downloadFile("gone.txt", "1"), FtpOperationFailed);
}

// --- SFTP ---------------------------------------------------------------------------------------------

class ResultFileFetchSftpTest : public ResultFileFetchTest {
 protected:
  void SetUp() override {
    if (auto why = SshServer::unavailable()) GTEST_SKIP() << *why;
    ssh_ = std::make_unique<SshServer>(tree_.root() + "/ssh");
    adapter_ = writeSftpAdapter(tree_.root() + "/bin/sftp-client", *ssh_);
    data_.ftpIP = "127.0.0.1";
    data_.ftpUsername = currentUser();
    data_.qryFunctionServerDataDir = tree_.root() + "/remote/qry";
    fs::create_directories(data_.qryFunctionServerDataDir);
    Sleeper::install(&sleeper_);
  }
  void TearDown() override { Sleeper::install(nullptr); }

  void useSftp(const std::string& issueDelete) {
    setBaanServer({{"issue_lcd", "no"},
                   {"issue_delete", issueDelete},
                   {"use_new_ftp", "no"},
                   {"use_sftp", "yes"},
                   {"sftp_path", adapter_}});
  }

  std::unique_ptr<SshServer> ssh_;
  std::string adapter_;
  RecordingSleeper sleeper_;
};

TEST_F(ResultFileFetchSftpTest, FetchesIntoTheLogDirectoryAndAlwaysDeletes) {
  useSftp("no");  // the SFTP script deletes whatever issue_delete says
  std::string remote = data_.qryFunctionServerDataDir + "/r9.txt";
  writeFile(remote, kRows);
  std::string local = data_.DC + "/log/r9.txt";
  writeFile(local, "stale~rows\n");
  ResultFileFetch fetch = makeFetch();

  EXPECT_EQ(fetch.downloadFile("r9.txt", "1"), local);
  EXPECT_EQ(readFile(local), kRows);
  EXPECT_FALSE(fs::exists(remote));
  EXPECT_LE(sleeper_.sleeps.size(), 10u);
  EXPECT_TRUE(capture_.contains("Cmd Line sent for ftp execution: " + adapter_ + " " + data_.ftpUsername +
                                "@127.0.0.1 -pw ****"));
  EXPECT_TRUE(capture_.contains("Executing get :" + remote + ":" + local + ":"));
  EXPECT_TRUE(capture_.contains("Executing delete " + remote));
  EXPECT_TRUE(capture_.contains("Ftp Output: sftp> get " + remote + " " + local));
  for (const char* text : {"Executing bye", "Closing ftpOut", "Closing ftpIn", "Stopping the ftp process"}) {
    EXPECT_TRUE(capture_.contains(text)) << text;
  }
  EXPECT_TRUE(capture_.contains("returning: " + local));
  expectNoPasswordLogged();
}

TEST_F(ResultFileFetchSftpTest, MissingRemoteFileLeavesNoStaleRows) {
  useSftp("yes");
  std::string local = data_.DC + "/log/r9.txt";
  writeFile(local, "stale~rows\n");
  ResultFileFetch fetch = makeFetch();
  EXPECT_THROW(fetch.downloadFile(data_.qryFunctionServerDataDir + "/r9.txt", ""), FtpOperationFailed);
  EXPECT_FALSE(fs::exists(local));
  EXPECT_LE(sleeper_.sleeps.size(), 10u);
  for (auto pause : sleeper_.sleeps) EXPECT_EQ(pause, std::chrono::milliseconds(1000));
  EXPECT_FALSE(capture_.contains("returning: "));
}

TEST_F(ResultFileFetchSftpTest, WrongPasswordFetchesNothing) {
  useSftp("yes");
  data_.ftpPassword = "wrong";
  std::string remote = data_.qryFunctionServerDataDir + "/r9.txt";
  writeFile(remote, kRows);
  ResultFileFetch fetch = makeFetch();
  EXPECT_THROW(fetch.downloadFile("r9.txt", "p"), FtpOperationFailed);
  EXPECT_TRUE(fs::exists(remote));
  EXPECT_FALSE(fs::exists(data_.DC + "/log/r9.txt"));
  EXPECT_TRUE(capture_.contains("Ftp Output: Access denied"));
  EXPECT_TRUE(windows_.empty());
}

TEST_F(ResultFileFetchSftpTest, NoSftpClientSettingIsPassedOn) {
  setBaanServer({{"use_sftp", "yes"}});
  ResultFileFetch fetch = makeFetch();
  EXPECT_THROW(fetch.downloadFile("r9.txt", ""), InvalidSettingException);
}

}  // namespace
}  // namespace tev
