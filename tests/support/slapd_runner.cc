#include "tests/support/slapd_runner.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "common/tcp.h"
#include "common/test_support.h"

namespace tev::testing {
namespace {

const char* kSchema =
    "attributetype ( 1.2.840.113556.1.4.159 NAME 'accountExpires'\n"
    "  EQUALITY integerMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE )\n"
    "objectclass ( 1.3.6.1.4.1.32473.1.2.1 NAME 'scannerAccount' SUP top AUXILIARY\n"
    "  MAY accountExpires )\n";

bool accepts(int port) {
  try {
    tcpConnect("127.0.0.1", port, std::chrono::milliseconds(200));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool SlapdRunner::installed() {
  return ::access(kSlapd.c_str(), X_OK) == 0 && ::access(kSlapadd.c_str(), X_OK) == 0;
}

std::string SlapdRunner::personEntry(const std::string& cn, const std::string& password,
                                     const std::optional<std::string>& accountExpires) {
  std::string ldif = "dn: " + dnOf(cn) + "\nobjectClass: person\n";
  if (accountExpires) ldif += "objectClass: scannerAccount\naccountExpires: " + *accountExpires + "\n";
  return ldif + "cn: " + cn + "\nsn: " + cn + "\nuserPassword: " + password + "\n\n";
}

SlapdRunner::SlapdRunner(const std::string& ldif) {
  std::filesystem::create_directories(dir_.file("db"));
  dir_.write("scanner.schema", kSchema);
  dir_.write("slapd.conf",
             "include /etc/ldap/schema/core.schema\n"
             "include " +
                 dir_.file("scanner.schema") +
                 "\n"
                 "pidfile " +
                 dir_.file("slapd.pid") +
                 "\n"
                 "modulepath /usr/lib/ldap\n"
                 "moduleload back_mdb\n"
                 "database mdb\n"
                 "maxsize 10485760\n"
                 "suffix \"" +
                 kSuffix +
                 "\"\n"
                 "rootdn \"cn=admin," +
                 kSuffix +
                 "\"\n"
                 "rootpw admin-secret\n"
                 "directory " +
                 dir_.file("db") + "\n");
  dir_.write("entries.ldif", "dn: " + kSuffix +
                                 "\nobjectClass: dcObject\nobjectClass: organization\n"
                                 "dc: example\no: Example\n\n" +
                                 ldif);

  ChildProcess::Options load;
  load.argv = {kSlapadd, "-f", dir_.file("slapd.conf"), "-l", dir_.file("entries.ldif")};
  load.stdinSpec = StreamSpec::null();
  load.stdoutSpec = StreamSpec::file(dir_.file("slapadd.out"));
  load.stderrSpec = StreamSpec::file(dir_.file("slapadd.out"));
  if (!ChildProcess::start(load).wait().success())
    throw std::runtime_error("slapadd failed: " + readFile(dir_.file("slapadd.out")));

  for (int attempt = 0; attempt < 5; ++attempt)
    if (startOn(freePort())) return;
  throw std::runtime_error("slapd did not start: " + readFile(dir_.file("slapd.out")));
}

bool SlapdRunner::startOn(int port) {
  ChildProcess::Options run;
  run.argv = {kSlapd,
              "-d",
              "0",
              "-f",
              dir_.file("slapd.conf"),
              "-h",
              "ldap://127.0.0.1:" + std::to_string(port) + "/"};
  run.stdinSpec = StreamSpec::null();
  run.stdoutSpec = StreamSpec::file(dir_.file("slapd.out"));
  run.stderrSpec = StreamSpec::file(dir_.file("slapd.out"));
  process_ = ChildProcess::start(run);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (process_.tryWait()) return false;  // ended: the port was taken, or the configuration is bad
    if (accepts(port)) {
      port_ = port;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  process_.kill(SIGKILL);
  process_.wait();
  return false;
}

SlapdRunner::~SlapdRunner() {
  if (process_.pid() > 0) {
    process_.kill(SIGTERM);
    if (!process_.waitFor(std::chrono::seconds(5))) {
      process_.kill(SIGKILL);
      process_.wait();
    }
  }
}

}  // namespace tev::testing
