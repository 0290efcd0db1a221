// The credentials a mail session hands to the SMTP server when it asks for them.
#pragma once

#include <string>

namespace tev {

// A user name and password pair.
struct PasswordAuthentication {
  std::string userName;
  std::string password;
};

// What a mail session asks when the server wants credentials.
class Authenticator {
 public:
  virtual ~Authenticator() = default;
  virtual PasswordAuthentication getPasswordAuthentication() const = 0;
};

// Answers with exactly the user name and password it was made with; never fails.
class MailAuthenticator : public Authenticator {
 public:
  MailAuthenticator(std::string username, std::string password)
      : username(std::move(username)), password(std::move(password)) {}

  PasswordAuthentication getPasswordAuthentication() const override { return {username, password}; }

  const std::string username;
  const std::string password;
};

}  // namespace tev
