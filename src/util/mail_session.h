// The process-wide mail state: a property table ("mail.smtp.host", "mail.smtp.auth") and one default
// session.
//
// The default session is made by the first getDefaultInstance() of the process, with the authenticator of
// that call; every later call returns the same session and ignores its own authenticator, so the
// credentials of the first send stay in force for the life of the process. The session keeps no copy of
// the properties: each send reads the table as it is at that moment, so a later send with another host
// reaches that host. Both are safe to use from several threads.
#pragma once

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

  // The default session (see above). The authenticator may be null: a session without credentials.
  static const MailSession& getDefaultInstance(std::shared_ptr<const Authenticator> authenticator);

  // The credentials to answer the server with, asked of the session's authenticator; nullopt without one.
  std::optional<PasswordAuthentication> requestPasswordAuthentication() const;

 private:
  explicit MailSession(std::shared_ptr<const Authenticator> authenticator)
      : authenticator_(std::move(authenticator)) {}

  std::shared_ptr<const Authenticator> authenticator_;
};

}  // namespace tev
