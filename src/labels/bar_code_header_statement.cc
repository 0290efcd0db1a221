#include "labels/bar_code_header_statement.h"

#include "common/java_text.h"

namespace tev {

std::string BarCodeHeaderStatement::toString() const {
  std::string text = "ID: " + nullText(id) + ", entries: [";
  for (size_t i = 0; i < barCodeFields.size(); ++i) {
    if (i > 0) text += ", ";
    text += entryText(barCodeFields[i]);
  }
  return text + "]";
}

}  // namespace tev
