// A document that could not be saved: the disk-space rule refused it, or writing the file failed. The message
// is the text that was logged.
#pragma once

#include "common/error.h"

namespace tev {

class XmlSaveError : public Error {
 public:
  using Error::Error;
};

}  // namespace tev
