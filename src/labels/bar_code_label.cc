#include "labels/bar_code_label.h"

#include "common/java_text.h"

namespace tev {

std::string BarCodeLabel::toString() const {
  std::string text = "id: " + nullText(id) + " headers: [";
  for (size_t i = 0; i < headerStatements.size(); ++i) {
    if (i > 0) text += ", ";
    text += headerStatements[i].toString();
  }
  text += "] fields: [";
  for (size_t i = 0; i < fieldsVector.size(); ++i) {
    if (i > 0) text += ", ";
    text += entryText(fieldsVector[i]);
  }
  return text + "] seperator: " + nullText(seperator) + " type: " + nullText(typeOfLabel);
}

}  // namespace tev
