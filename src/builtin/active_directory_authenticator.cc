#include "builtin/active_directory_authenticator.h"

#include <ldap.h>

#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "common/java_number.h"
#include "common/java_text.h"

namespace tev::builtin {
namespace {

const std::string kLoggerName = "tev.framework.application.FrameworkTransactionLogger";

// The connection, unbound and freed however the check ends.
struct LdapCloser {
  void operator()(LDAP* ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};
using LdapHandle = std::unique_ptr<LDAP, LdapCloser>;

struct MessageFree {
  void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
using LdapResult = std::unique_ptr<LDAPMessage, MessageFree>;

// A failure of the directory call that is not a refused password.
struct OtherFailure {
  std::string text;
};

std::string errorText(int code) {
  return std::string(ldap_err2string(code)) + " (" + std::to_string(code) + ")";
}

// The attributes of the entry: name and first value, in entry order; nothing when there is no entry.
std::optional<std::vector<std::pair<std::string, std::string>>> readAttributes(LDAP* ld,
                                                                               LDAPMessage* result) {
  LDAPMessage* entry = ldap_first_entry(ld, result);
  if (entry == nullptr) return std::nullopt;
  std::vector<std::pair<std::string, std::string>> attributes;
  BerElement* ber = nullptr;
  for (char* name = ldap_first_attribute(ld, entry, &ber); name != nullptr;
       name = ldap_next_attribute(ld, entry, ber)) {
    std::string value;
    if (berval** values = ldap_get_values_len(ld, entry, name)) {
      if (values[0] != nullptr) value.assign(values[0]->bv_val, values[0]->bv_len);
      ldap_value_free_len(values);
    }
    attributes.emplace_back(name, value);
    ldap_memfree(name);
  }
  if (ber != nullptr) ber_free(ber, 0);
  return attributes;
}

}  // namespace

ActiveDirectoryAuthenticator::ActiveDirectoryAuthenticator(std::string providerUrl)
    : PROVIDER_URL(std::move(providerUrl)), logger(log::get(kLoggerName)) {}

bool ActiveDirectoryAuthenticator::splitProviderUrl(const std::string& providerUrl, std::string& serverUrl,
                                                    std::string& principal) {
  std::size_t slash = providerUrl.rfind('/');
  if (slash == std::string::npos) return false;
  serverUrl = providerUrl.substr(0, slash);
  principal = providerUrl.substr(slash + 1);
  return true;
}

bool ActiveDirectoryAuthenticator::authenticate(const std::string& userName, const std::string& password) {
  logger->info("Info: Authenticating with Active Directory For User = {}", userName);
  noOfRemainingDays = -1;
  std::string serverUrl;
  std::string principal;
  if (!splitProviderUrl(PROVIDER_URL, serverUrl, principal)) {
    logger->error("Exception : Other Exception ");
    logger->error("The provider URL has no principal: {}", PROVIDER_URL);
    return false;
  }
  if (password.empty()) {
    logger->error("Exception : Authentication Exception ");
    logger->error("An empty password is refused before binding as {}", principal);
    return false;
  }
  try {
    return bindAndRead(serverUrl, principal, password);
  } catch (const OtherFailure& failure) {
    logger->error("Exception : Other Exception ");
    logger->error("{}", failure.text);
  } catch (const std::exception& failure) {
    logger->error("Exception : Other Exception ");
    logger->error("{}", failure.what());
  }
  return false;
}

bool ActiveDirectoryAuthenticator::bindAndRead(const std::string& serverUrl, const std::string& principal,
                                               const std::string& password) {
  LDAP* raw = nullptr;
  int rc = ldap_initialize(&raw, serverUrl.c_str());
  if (rc != LDAP_SUCCESS || raw == nullptr)
    throw OtherFailure{"Cannot use the server URL " + serverUrl + ": " + errorText(rc)};
  LdapHandle ld(raw);

  int version = LDAP_VERSION3;
  ldap_set_option(ld.get(), LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld.get(), LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  timeval timeout{kTimeoutSeconds, 0};
  ldap_set_option(ld.get(), LDAP_OPT_NETWORK_TIMEOUT, &timeout);
  ldap_set_option(ld.get(), LDAP_OPT_TIMEOUT, &timeout);

  berval credentials;
  credentials.bv_val = const_cast<char*>(password.data());
  credentials.bv_len = password.size();
  rc = ldap_sasl_bind_s(ld.get(), principal.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr,
                        nullptr);
  if (rc == LDAP_INVALID_CREDENTIALS || rc == LDAP_INAPPROPRIATE_AUTH || rc == LDAP_UNWILLING_TO_PERFORM) {
    logger->error("Exception : Authentication Exception ");
    logger->error("Bind as {} refused: {}", principal, errorText(rc));
    return false;
  }
  if (rc != LDAP_SUCCESS)
    throw OtherFailure{"Bind as " + principal + " at " + serverUrl + " failed: " + errorText(rc)};

  LDAPMessage* rawResult = nullptr;
  rc = ldap_search_ext_s(ld.get(), principal.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", nullptr, 0, nullptr,
                         nullptr, &timeout, 0, &rawResult);
  LdapResult result(rawResult);
  if (rc == LDAP_NO_SUCH_OBJECT) {
    logger->error("Error: Received No Attributes, Invalid username,password");
    return false;
  }
  if (rc != LDAP_SUCCESS) throw OtherFailure{"Reading the entry " + principal + " failed: " + errorText(rc)};

  auto attributes = readAttributes(ld.get(), result.get());
  if (!attributes) {
    logger->error("Error: Received No Attributes, Invalid username,password");
    return false;
  }
  if (attributes->empty()) {
    logger->error("Error: Enumeration is empty, Invalid username,password");
    return false;
  }
  for (const auto& [name, value] : *attributes) {
    if (!equalsIgnoreCase(name, ACCOUNT_EXPIRES)) continue;
    logger->info("{} : {}", name, value);
    noOfRemainingDays = parseLong(value);
    return true;
  }
  logger->error("Error: The entry {} has no {}", principal, ACCOUNT_EXPIRES);
  return false;
}

}  // namespace tev::builtin
