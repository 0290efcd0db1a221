// The failures of parameter reads. Each carries its message text and nothing else.
#pragma once

#include "common/error.h"

namespace tev {

// A yes/no parameter that is missing or holds a text other than "yes" or "no" (any letter case). Message:
// the path's text form + " has value: " + the value as read.
class InvalidParameter : public Error {
 public:
  using Error::Error;
};

// Kept for callers that name it; no operation of the parameter manager raises it.
class ParameterNotDefined : public Error {
 public:
  using Error::Error;
};

}  // namespace tev
