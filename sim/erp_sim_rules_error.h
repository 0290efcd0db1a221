// ErpSimRulesError: the simulator's rules file or data file is not usable; the message names the file, the
// line where it can, and the cause.
#pragma once

#include "common/error.h"

namespace tev::sim {

class ErpSimRulesError : public Error {
 public:
  using Error::Error;
};

}  // namespace tev::sim
