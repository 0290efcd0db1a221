#include "util/mail_session.h"

#include <map>
#include <mutex>

namespace tev {
namespace {

std::mutex& propertiesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::string>& properties() {
  static std::map<std::string, std::string> table;
  return table;
}

}  // namespace

void MailSession::setProperty(const std::string& name, const std::string& value) {
  std::lock_guard lock(propertiesMutex());
  properties()[name] = value;
}

std::optional<std::string> MailSession::getProperty(const std::string& name) {
  std::lock_guard lock(propertiesMutex());
  auto it = properties().find(name);
  if (it == properties().end()) return std::nullopt;
  return it->second;
}

const MailSession& MailSession::getDefaultInstance(std::shared_ptr<const Authenticator> authenticator) {
  // Made once, by the first caller, under the guard of the static's initialisation.
  static const MailSession session(std::move(authenticator));
  return session;
}

std::optional<PasswordAuthentication> MailSession::requestPasswordAuthentication() const {
  if (!authenticator_) return std::nullopt;
  return authenticator_->getPasswordAuthentication();
}

}  // namespace tev
