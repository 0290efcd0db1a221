// ActiveDirectoryAuthenticator: checks a password by a simple bind to a directory server (libldap), then
// reads the bound principal's entry for its "accountExpires" attribute: the number of days the password has
// left.
//
// The provider URL is directory URL + "/" + principal: the text before its last "/" is the server URL
// ("ldap://host:389"), the text after it the distinguished name bound with the typed password. An empty
// password is refused before any bind, since a simple bind without a password is an unauthenticated bind
// that servers accept. The password never reaches the log.
//
// One instance per check; the connection is opened and closed inside authenticate. Network waits are
// bounded (kTimeoutSeconds).
#pragma once

#include <cstdint>
#include <string>

#include "common/log.h"

namespace tev::builtin {

class ActiveDirectoryAuthenticator {
 public:
  static inline const std::string ACCOUNT_EXPIRES = "accountExpires";
  static constexpr int kTimeoutSeconds = 10;

  explicit ActiveDirectoryAuthenticator(std::string providerUrl);

  // True when the bind succeeded and the entry has an accountExpires that is a decimal integer (which
  // getLoginExpirationDays then gives). Every failure is logged and gives false; nothing is thrown.
  bool authenticate(const std::string& userName, const std::string& password);
  // -1 until an authenticate succeeded.
  std::int64_t getLoginExpirationDays() const { return noOfRemainingDays; }

  // The two parts of a provider URL; false when it has no "/".
  static bool splitProviderUrl(const std::string& providerUrl, std::string& serverUrl,
                               std::string& principal);

 private:
  bool bindAndRead(const std::string& serverUrl, const std::string& principal, const std::string& password);

  std::string PROVIDER_URL;
  std::int64_t noOfRemainingDays = -1;
  log::Logger logger;
};

}  // namespace tev::builtin
