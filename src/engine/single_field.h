// SingleField: a field that takes one value, typed or scanned. It behaves exactly as the plain Field.
#pragma once

#include "engine/field.h"

namespace tev {

class SingleField : public Field {
 public:
  SingleField() = default;
};

}  // namespace tev
