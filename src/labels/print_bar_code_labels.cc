#include "labels/print_bar_code_labels.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "common/clock.h"
#include "common/error.h"
#include "common/replace_file.h"
#include "labels/bar_code_label_parser.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";
constexpr const char* kEnd = "%END%";
constexpr const char* kSentinelEnd = "END";
constexpr const char* kJobEnding = ".dd";
constexpr const char* kLoftwareEnding = ".pas";
// A job name that is still taken after this many following milliseconds means something else is wrong.
constexpr int kMaxNameAttempts = 1000;

// "{a=1, b=2}", the text form of a table in diagnostics.
template <typename Table, typename Text>
std::string tableText(const Table& table, Text text) {
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : table) {
    if (!first) out += ", ";
    first = false;
    out += key + "=" + text(value);
  }
  return out + "}";
}

std::string valuesText(const PrintBarCodeLabels::LabelValues& values) {
  return tableText(values, [](const std::string& value) { return value; });
}

std::string headerValue(const PrintBarCodeLabels::LabelValues& values, const std::string& id) {
  auto found = values.find(id);
  return found == values.end() ? std::string("null") : found->second;
}

std::string absolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

bool pathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

PrintBarCodeLabels::PrintBarCodeLabels() : logger(log::get(kLoggerName)) {}

PrintBarCodeLabels::PrintBarCodeLabels(std::string outputDir, std::string dc)
    : outputDir(std::move(outputDir)), dc(std::move(dc)), logger(log::get(kLoggerName)) {}

std::string PrintBarCodeLabels::jobNamePrefix(const std::string& deviceId) const {
  return deviceId + transactionName.value_or("");
}

BarCodeLabel PrintBarCodeLabels::readLabel(const std::string& definitionPath, const std::string& labelId,
                                           bool logTable) {
  BarCodeLabelParser parser(definitionPath);
  BarCodeLabelParser::LabelTable labels = parser.getLabels();
  if (logTable)
    logger->debug("{}", tableText(labels, [](const BarCodeLabel& label) { return label.toString(); }));
  auto found = labels.find(labelId);
  if (found == labels.end()) throw Error("Label " + labelId + " is not defined in " + definitionPath);
  return found->second;
}

// ---- printing ----

bool PrintBarCodeLabels::printLabel(const LabelValues& fieldValues, const LabelValues& headerValues,
                                    const std::string& definitionPath, const std::string& labelId,
                                    const std::string& deviceId, const std::string& /*printer*/,
                                    const std::optional<std::string>& suffix, bool header) {
  const std::string prefix = jobNamePrefix(deviceId);
  BarCodeLabel label = readLabel(definitionPath, labelId, false);
  const std::optional<std::string>& type = label.getTypeOfLabel();
  if (type == SENTINEL) {
    printSentinelLabel(label, fieldValues, headerValues, prefix);
  } else if (type == LOFTWARE) {
    printLoftwareLabel(label, fieldValues, headerValues, prefix);
  } else {
    printDefaultLabel(label, fieldValues, headerValues, prefix, suffix, header);
  }
  return true;
}

std::string PrintBarCodeLabels::printSentinelLabel(const BarCodeLabel& label, const LabelValues& fieldValues,
                                                   const LabelValues& headerValues,
                                                   const std::string& prefix) {
  std::string content;
  buildSentinelHeaderString(content, headerValues, label.getHeaderStatements());
  content +=
      buildSentinelFieldsString(fieldValues, label.getFieldsVector(), label.getSeperator().value_or(""));
  content += LINE_END;
  content += kSentinelEnd + LINE_END;
  std::string path = writeJob(outputDir, prefix, kJobEnding, content);
  logger->info("{}", " file created = " + path);
  return path;
}

std::string PrintBarCodeLabels::printLoftwareLabel(const BarCodeLabel& label, const LabelValues& fieldValues,
                                                   const LabelValues& headerValues,
                                                   const std::string& prefix) {
  std::string content;
  buildSentinelHeaderString(content, headerValues, label.getHeaderStatements());
  content +=
      buildLoftwareFieldsString(fieldValues, label.getFieldsVector(), label.getSeperator().value_or(""));
  content += LINE_END;
  std::string path = writeJob(outputDir, prefix, kLoftwareEnding, content);
  logger->info("{}", " file created = " + path);
  return path;
}

void PrintBarCodeLabels::printDefaultLabel(const BarCodeLabel& label, const LabelValues& fieldValues,
                                           const LabelValues& headerValues, const std::string& prefix,
                                           const std::optional<std::string>& suffix, bool header) {
  std::string content;
  if (header) buildHeaderString(content, headerValues, label.getHeaderStatements());
  content += buildFieldsString(fieldValues, label.getFieldsVector(), label.getSeperator().value_or(""));
  content += LINE_END;

  // The job is written whole in the log directory, then moved into the output directory under the same
  // name, which must not be taken there.
  const std::string logDir = dc + "/log";
  long long stamp = firstStamp();
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt, ++stamp) {
    const std::string name = prefix + std::to_string(stamp) + suffix.value_or("") + kJobEnding;
    const std::string target = outputDir + "/" + name;
    if (pathExists(target)) continue;
    fileName = logDir + "/" + name;
    std::string why = replaceFile(fileName, content);
    if (!why.empty()) throw Error("Failed to write the label job " + fileName + ": " + why);
    logger->info("{}", " file created = " + fileName);
    logger->info("{}", "org file created = " + absolutePath(fileName) + "  " + name);

    NoReplaceResult moved = renameNoReplace(fileName, target);
    if (moved.status == NoReplaceResult::Status::otherFileSystem) {
      // The log directory is on another file system: copy the job over whole, then drop the log copy.
      moved = createNewFile(target, content);
      if (moved.status != NoReplaceResult::Status::failed) ::unlink(fileName.c_str());
    }
    if (moved.status == NoReplaceResult::Status::exists) {
      ::unlink(fileName.c_str());
      continue;
    }
    if (!moved)
      throw Error("Failed to move the label job " + fileName + " to " + outputDir + ": " + moved.reason);
    lastStamp = stamp;
    fileName = name;
    logger->info("{}", "rename file created = " + absolutePath(target) + "  " + name);
    return;
  }
  throw Error("Failed to write the label job " + prefix + " in " + outputDir + ": no free name");
}

bool PrintBarCodeLabels::printMultiLineLabels(const std::vector<LabelValues>& rows,
                                              const LabelValues& headerValues,
                                              const std::string& definitionPath, const std::string& labelId,
                                              const std::string& deviceId, const std::string& /*printer*/) {
  const std::string prefix = jobNamePrefix(deviceId);
  logger->debug("{}", " label Id = " + labelId);
  BarCodeLabel label = readLabel(definitionPath, labelId, true);
  std::string content;
  buildHeaderString(content, headerValues, label.getHeaderStatements());
  const std::string separator = label.getSeperator().value_or("");
  for (const LabelValues& row : rows) {
    content += buildFieldsString(row, label.getFieldsVector(), separator);
    content += "\n" + LINE_END;
  }
  std::string path = writeJob(outputDir, prefix, kJobEnding, content);
  logger->info("{}", " file created = " + path);
  return true;
}

std::string PrintBarCodeLabels::getPrintLabel(const LabelValues& fieldValues, const LabelValues& headerValues,
                                              const std::string& definitionPath, const std::string& labelId,
                                              const std::string& /*deviceId*/,
                                              const std::string& /*printer*/) {
  BarCodeLabel label = readLabel(definitionPath, labelId, false);
  return getHeaderString(headerValues, label.getHeaderStatements()) +
         buildFieldsString(fieldValues, label.getFieldsVector(), label.getSeperator().value_or(""));
}

// ---- texts ----

std::string PrintBarCodeLabels::headerText(const LabelValues& headerValues,
                                           const std::vector<BarCodeHeaderStatement>& headerStatements,
                                           bool sentinel) {
  logger->debug("{}", valuesText(headerValues));
  std::string text;
  for (const BarCodeHeaderStatement& statement : headerStatements) {
    for (const BarCodeEntry& entry : statement.getBarCodeFields()) {
      const BarCodeField* field = std::get_if<BarCodeField>(&entry);
      if (field == nullptr) {
        text += std::get<std::string>(entry);
      } else if (sentinel && field->getId() == NEWLINE_FIELD) {
        text += LINE_END;
      } else {
        const std::string value = headerValue(headerValues, field->getId());
        if (!sentinel) {
          logger->debug("{}", " Header field ---------- " + field->getId() + "   " + value);
          if (field->getId() == "printer") logger->debug("{}", " PRINTER ---------- " + value);
        }
        text += value;
      }
    }
  }
  return text;
}

std::string PrintBarCodeLabels::buildSentinelHeaderString(
    std::string& out, const LabelValues& headerValues,
    const std::vector<BarCodeHeaderStatement>& headerStatements) {
  std::string statements = "[";
  for (size_t i = 0; i < headerStatements.size(); ++i) {
    if (i > 0) statements += ", ";
    statements += headerStatements[i].toString();
  }
  logger->info("{}", " barcodeHeaders " + statements + "] size " + std::to_string(headerStatements.size()));
  std::string text = headerText(headerValues, headerStatements, true);
  out += text + LINE_END;
  return text;
}

std::string PrintBarCodeLabels::buildHeaderString(
    std::string& out, const LabelValues& headerValues,
    const std::vector<BarCodeHeaderStatement>& headerStatements) {
  std::string text = headerText(headerValues, headerStatements, false);
  out += text + LINE_END + kEnd + LINE_END;
  return text;
}

std::string PrintBarCodeLabels::getHeaderString(const LabelValues& headerValues,
                                                const std::vector<BarCodeHeaderStatement>& headerStatements) {
  std::string text;
  buildHeaderString(text, headerValues, headerStatements);
  logger->debug("{}", "headerString = " + text);
  return text;
}

std::string PrintBarCodeLabels::fieldsText(const LabelValues& fieldValues,
                                           const std::vector<BarCodeEntry>& entries,
                                           const std::string& separator, FieldLayout layout) const {
  // The line end or separator follows every field but the last one.
  auto last = std::find_if(entries.rbegin(), entries.rend(), [](const BarCodeEntry& entry) {
    return std::holds_alternative<BarCodeField>(entry);
  });
  const BarCodeEntry* lastField = last == entries.rend() ? nullptr : &*last;
  const std::string& between = layout == FieldLayout::plain ? separator : LINE_END;

  std::string text;
  for (const BarCodeEntry& entry : entries) {
    const BarCodeField* field = std::get_if<BarCodeField>(&entry);
    if (field == nullptr) {
      if (layout != FieldLayout::sentinel) text += std::get<std::string>(entry);
      continue;
    }
    auto value = fieldValues.find(field->getId());
    if (value != fieldValues.end()) {
      if (layout == FieldLayout::sentinel) text += field->getId() + "=";
      text += field->getFieldValue(value->second);
    }
    if (&entry != lastField) text += between;
  }
  return text;
}

std::string PrintBarCodeLabels::buildSentinelFieldsString(const LabelValues& fieldValues,
                                                          const std::vector<BarCodeEntry>& entries,
                                                          const std::string& separator) {
  return fieldsText(fieldValues, entries, separator, FieldLayout::sentinel);
}

std::string PrintBarCodeLabels::buildLoftwareFieldsString(const LabelValues& fieldValues,
                                                          const std::vector<BarCodeEntry>& entries,
                                                          const std::string& separator) {
  return fieldsText(fieldValues, entries, separator, FieldLayout::loftware);
}

std::string PrintBarCodeLabels::buildFieldsString(const LabelValues& fieldValues,
                                                  const std::vector<BarCodeEntry>& entries,
                                                  const std::string& separator) {
  return fieldsText(fieldValues, entries, separator, FieldLayout::plain);
}

// ---- job files ----

long long PrintBarCodeLabels::firstStamp() const {
  long long now = Clock::current().currentTimeMillis();
  return lastStamp ? std::max(now, *lastStamp + 1) : now;
}

std::string PrintBarCodeLabels::writeJob(const std::string& directory, const std::string& prefix,
                                         const std::string& ending, const std::string& content) {
  long long stamp = firstStamp();
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt, ++stamp) {
    const std::string path = directory + "/" + prefix + std::to_string(stamp) + ending;
    NoReplaceResult created = createNewFile(path, content);
    if (created.status == NoReplaceResult::Status::exists) continue;
    if (!created) throw Error("Failed to write the label job " + path + ": " + created.reason);
    lastStamp = stamp;
    return path;
  }
  throw Error("Failed to write the label job " + prefix + " in " + directory + ": no free name");
}

}  // namespace tev
