#include "util/mail_address.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "util/mail_error.h"

namespace tev {
namespace {

TEST(MailAddress, ParsesOneAddressInEachForm) {
  struct Case {
    std::string text;
    std::string address;
    std::optional<std::string> personal;
    std::string header;
  } cases[] = {
      {"clerk@example.com", "clerk@example.com", std::nullopt, "clerk@example.com"},
      {"  clerk@example.com\t", "clerk@example.com", std::nullopt, "clerk@example.com"},
      {"<clerk@example.com>", "clerk@example.com", std::nullopt, "clerk@example.com"},
      {"first.last+tag@mail.example.com", "first.last+tag@mail.example.com", std::nullopt,
       "first.last+tag@mail.example.com"},
      {"Dock Clerk <clerk@example.com>", "clerk@example.com", "Dock Clerk", "Dock Clerk <clerk@example.com>"},
      {"Dock Clerk<clerk@example.com>", "clerk@example.com", "Dock Clerk", "Dock Clerk <clerk@example.com>"},
      // Display names that need quotes get them back; escapes inside quotes are resolved.
      {"\"Clerk, Dock\" <clerk@example.com>", "clerk@example.com", "Clerk, Dock",
       "\"Clerk, Dock\" <clerk@example.com>"},
      {"\"Say \\\"hi\\\"\" <a@b.example>", "a@b.example", "Say \"hi\"", "\"Say \\\"hi\\\"\" <a@b.example>"},
      {"J. Smith <js@example.com>", "js@example.com", "J. Smith", "\"J. Smith\" <js@example.com>"},
      // A display name outside ASCII is written as an encoded word.
      {"J\xC3\xBCrgen <j@example.com>", "j@example.com", "J\xC3\xBCrgen",
       "=?UTF-8?B?SsO8cmdlbg==?= <j@example.com>"},
      {"\"quoted local\"@example.com", "\"quoted local\"@example.com", std::nullopt,
       "\"quoted local\"@example.com"},
      {"ops@[192.0.2.7]", "ops@[192.0.2.7]", std::nullopt, "ops@[192.0.2.7]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MailAddress a = MailAddress::parse(c.text);
    EXPECT_EQ(a.address(), c.address);
    EXPECT_EQ(a.personal(), c.personal);
    EXPECT_EQ(a.toHeader(), c.header);
  }
}

TEST(MailAddress, RefusesAnythingButExactlyOneAddress) {
  const char* cases[] = {
      "",
      "   ",
      "a@example.com, b@example.com",
      "a@example.com b@example.com",
      "Name <a@example.com>, b@example.com",
      "clerk",
      "clerk@",
      "@example.com",
      "a..b@example.com",
      ".a@example.com",
      "a.@example.com",
      "a@example..com",
      "a@example.com.",
      "<a@example.com",
      "a@example.com>",
      "Name <a@example.com> trailing",
      "Name a@example.com",
      "a b@example.com",
      "\"unterminated@example.com",
      "a@example.com (comment)",
      "j\xC3\xBC@example.com",
      "a@exam\nple.com",
      "a\r\n@example.com",
      "Group: a@example.com;",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    try {
      MailAddress::parse(text);
      ADD_FAILURE() << "accepted";
    } catch (const AddressError& e) {
      EXPECT_STREQ(e.what(), "Illegal address");
    }
  }
}

}  // namespace
}  // namespace tev
