// Failures of sending mail. MailError carries the mail library's own message (why the connection, the
// log-in or a recipient was refused, why a file could not be read); nothing that raises it retries.
#pragma once

#include <string>

#include "common/error.h"

namespace tev {

class MailError : public Error {
 public:
  using Error::Error;
};

// A sender or recipient text that is not exactly one mail address. The message is always "Illegal address".
class AddressError : public MailError {
 public:
  AddressError() : MailError("Illegal address") {}
};

}  // namespace tev
