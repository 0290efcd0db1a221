// TransactionLogicException: raised by the transaction base class when one of its operations fails after it
// has shown its own error window (or cannot do its work at all, such as a title without a current form). It
// carries a message and nothing else.
#pragma once

#include <string>

#include "common/error.h"

namespace tev {

class TransactionLogicException : public Error {
 public:
  TransactionLogicException() : Error("") {}
  explicit TransactionLogicException(const std::string& message) : Error(message) {}
};

}  // namespace tev
