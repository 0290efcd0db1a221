// SlapdRunner: a throw-away directory server for tests. It writes a slapd.conf into a temporary directory
// (core schema, a small schema that defines accountExpires, one mdb database under the suffix), loads the
// given LDIF entries with slapadd, and runs slapd in the foreground on a free loopback port until the
// runner is destroyed.
//
//   if (!SlapdRunner::installed()) GTEST_SKIP() << "slapd is not installed";
//   SlapdRunner slapd(SlapdRunner::personEntry("jdoe", "Secret1", "12"));
//   std::string url = slapd.url();                       // "ldap://127.0.0.1:<port>"
//   std::string dn = SlapdRunner::dnOf("jdoe");          // "cn=jdoe,dc=example,dc=com"
#pragma once

#include <optional>
#include <string>

#include "common/child_process.h"
#include "common/test_support.h"

namespace tev::testing {

class SlapdRunner {
 public:
  static inline const std::string kSuffix = "dc=example,dc=com";
  static inline const std::string kSlapd = "/usr/sbin/slapd";
  static inline const std::string kSlapadd = "/usr/sbin/slapadd";

  // Starts the server with the entries (LDIF, without the suffix entry, which is added first). Throws
  // std::runtime_error, with slapd's own output, when it cannot be started.
  explicit SlapdRunner(const std::string& ldif);
  ~SlapdRunner();
  SlapdRunner(const SlapdRunner&) = delete;
  SlapdRunner& operator=(const SlapdRunner&) = delete;

  static bool installed();
  // The LDIF of a person below the suffix, with accountExpires when given.
  static std::string personEntry(const std::string& cn, const std::string& password,
                                 const std::optional<std::string>& accountExpires);
  static std::string dnOf(const std::string& cn) { return "cn=" + cn + "," + kSuffix; }

  std::string url() const { return "ldap://127.0.0.1:" + std::to_string(port_); }
  int port() const { return port_; }

 private:
  bool startOn(int port);

  TempDir dir_;
  ChildProcess process_;
  int port_ = 0;
};

}  // namespace tev::testing
