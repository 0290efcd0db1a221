#include "util/mail_session.h"

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

MailSession MailSession::getInstance(std::shared_ptr<const Authenticator> authenticator) {
  std::lock_guard lock(propertiesMutex());
  return MailSession(properties(), std::move(authenticator));
}

std::optional<std::string> MailSession::property(const std::string& name) const {
  auto it = properties_.find(name);
  if (it == properties_.end()) return std::nullopt;
  return it->second;
}

std::optional<PasswordAuthentication> MailSession::requestPasswordAuthentication() const {
  if (!authenticator_) return std::nullopt;
  return authenticator_->getPasswordAuthentication();
}

}  // namespace tev
