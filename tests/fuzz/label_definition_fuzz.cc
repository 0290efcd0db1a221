// The label definition reader fed arbitrary files, and the job texts the writer lays out from every label
// it reads (in memory; no job file is written).
//
// Input: the definition file's content.
#include <cstdint>
#include <string>
#include <variant>

#include "common/error.h"
#include "fuzz_support.h"
#include "labels/bar_code_label_parser.h"
#include "labels/print_bar_code_labels.h"

namespace {

using Values = tev::PrintBarCodeLabels::LabelValues;

// A value for every second field id the entries name, and for "newline".
void addValues(const std::vector<tev::BarCodeEntry>& entries, Values& values) {
  bool give = true;
  for (const tev::BarCodeEntry& entry : entries) {
    if (const auto* field = std::get_if<tev::BarCodeField>(&entry)) {
      if (give) values[field->getId()] = "V\"" + field->getId();
      give = !give;
    }
    (void)tev::entryText(entry);
  }
  values["newline"] = "NL";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tev::fuzz::silenceLogs();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path =
      tev::fuzz::scratch().write("labels.xml", std::string_view(reinterpret_cast<const char*>(data), size));
  tev::BarCodeLabelParser parser;
  tev::BarCodeLabelParser::LabelTable labels;
  try {
    parser.loadXML(path);
    labels = parser.getLabels();
  } catch (const tev::Error&) {
    return 0;
  }
  tev::PrintBarCodeLabels writer;
  int count = 0;
  for (const auto& [id, label] : labels) {
    if (++count > 8) break;
    (void)label.toString();
    Values headerValues, fieldValues;
    for (const tev::BarCodeHeaderStatement& header : label.getHeaderStatements()) {
      (void)header.toString();
      addValues(header.getBarCodeFields(), headerValues);
    }
    addValues(label.getFieldsVector(), fieldValues);
    const std::string separator = label.getSeperator().value_or(",");
    std::string out;
    (void)writer.getHeaderString(headerValues, label.getHeaderStatements());
    (void)writer.buildSentinelHeaderString(out, headerValues, label.getHeaderStatements());
    (void)writer.buildHeaderString(out, headerValues, label.getHeaderStatements());
    (void)writer.buildSentinelFieldsString(fieldValues, label.getFieldsVector(), separator);
    (void)writer.buildLoftwareFieldsString(fieldValues, label.getFieldsVector(), separator);
    (void)writer.buildFieldsString(fieldValues, label.getFieldsVector(), separator);
  }
  return 0;
}
