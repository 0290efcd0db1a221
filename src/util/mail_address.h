// One mail address as a sender or recipient text gives it:
//
//   local@domain
//   <local@domain>
//   Display Name <local@domain>
//   "Name, with specials" <local@domain>
//
// The parser is strict: the local part is a dot-atom or a quoted string, the domain a dot-atom or a domain
// literal ("[192.0.2.1]"), all ASCII; the display name is a sequence of words (atoms, which may contain
// dots, or quoted strings) and may hold UTF-8. Blanks are allowed around the parts. Comments, groups, a
// bare local part without a domain, and anything after the address (such as a second address after a
// comma) are refused with AddressError ("Illegal address").
#pragma once

#include <optional>
#include <string>

namespace tev {

class MailAddress {
 public:
  // Throws AddressError unless text is exactly one address.
  static MailAddress parse(const std::string& text);

  // The addr-spec, as used in the SMTP envelope: "local@domain".
  const std::string& address() const { return address_; }
  // The display name with quoted strings unquoted, or nullopt when the text had none.
  const std::optional<std::string>& personal() const { return personal_; }

  // The header form: the addr-spec alone, or the display name (quoted when it needs to be, encoded as
  // MIME encoded words when it is not plain ASCII) followed by "<addr-spec>".
  std::string toHeader() const;

 private:
  MailAddress(std::string address, std::optional<std::string> personal)
      : address_(std::move(address)), personal_(std::move(personal)) {}

  std::string address_;
  std::optional<std::string> personal_;
};

}  // namespace tev
