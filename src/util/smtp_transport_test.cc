#include "util/smtp_transport.h"

#include <gtest/gtest.h>

#include <string>

#include "util/mail_error.h"

namespace tev {
namespace {

TEST(SmtpTransport, ServerUrlFromTheHostText) {
  struct Case {
    std::string host;
    std::string url;
  } cases[] = {
      {"mail.example.com", "smtp://mail.example.com:25"},
      {"mail.example.com:2525", "smtp://mail.example.com:2525"},
      {"127.0.0.1", "smtp://127.0.0.1:25"},
      {"127.0.0.1:65535", "smtp://127.0.0.1:65535"},
      {"::1", "smtp://[::1]:25"},
      {"[::1]", "smtp://[::1]:25"},
      {"[::1]:587", "smtp://[::1]:587"},
      {"", "smtp://localhost:25"},
  };
  for (const Case& c : cases) EXPECT_EQ(SmtpTransport::serverUrl(c.host), c.url) << c.host;
}

TEST(SmtpTransport, RefusesHostTextsThatAreNotAHost) {
  const char* cases[] = {"mail.example.com:",
                         "mail.example.com:0",
                         "mail.example.com:65536",
                         "mail.example.com:25x",
                         ":25",
                         "user@mail.example.com",
                         "mail.example.com/path",
                         "mail example.com",
                         "[::1",
                         "[::1]x",
                         "[::1]:",
                         "[mail.example.com]",
                         "smtp://mail.example.com",
                         "mail.example.com:-1",
                         "mail.example.com:+25"};
  for (const char* host : cases) {
    SCOPED_TRACE(host);
    try {
      SmtpTransport::serverUrl(host);
      ADD_FAILURE() << "accepted";
    } catch (const MailError& e) {
      EXPECT_EQ(e.what(), "Unknown SMTP host: " + std::string(host));
    }
  }
}

}  // namespace
}  // namespace tev
