// The process-wide mail property table ("mail.smtp.host", "mail.smtp.auth") and the session a send runs in.
//
// Every send takes a session of its own with getInstance(): a copy of the property table as it stands at
// that moment and the send's own authenticator. So each send reaches the host it set and logs in with the
// credentials it was given, whatever sends came before it or run at the same time in another thread.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "util/mail_authenticator.h"

namespace tev {

class MailSession {
 public:
  static constexpr const char* kHostProperty = "mail.smtp.host";
  static constexpr const char* kAuthProperty = "mail.smtp.auth";

  // The process-wide property table.
  static void setProperty(const std::string& name, const std::string& value);
  static std::optional<std::string> getProperty(const std::string& name);

  // A session over the current property table and this authenticator (null: a session without
  // credentials).
  static MailSession getInstance(std::shared_ptr<const Authenticator> authenticator);

  // A property as it stood when the session was made.
  std::optional<std::string> property(const std::string& name) const;

  // The credentials to answer the server with, asked of the session's authenticator; nullopt without one.
  std::optional<PasswordAuthentication> requestPasswordAuthentication() const;

 private:
  MailSession(std::map<std::string, std::string> properties,
              std::shared_ptr<const Authenticator> authenticator)
      : properties_(std::move(properties)), authenticator_(std::move(authenticator)) {}

  std::map<std::string, std::string> properties_;
  std::shared_ptr<const Authenticator> authenticator_;
};

}  // namespace tev
