#include "engine/field.h"

#include <algorithm>
#include <mutex>

#include "common/error.h"
#include "common/java_format.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "engine/field_checks.h"
#include "engine/field_services.h"
#include "terminal/terminal_emulator.h"

namespace tev {

namespace {

const std::string kNoCheckDataType = "gen_string_no_check";
const std::string kInvalidInputMessage = "f003";
const std::string kErrorTitle = "Error Message";
const std::string kErrorFooter = "Press Enter To Continue";

// The parameter store the terminal reads ("" without a host).
std::string param(TerminalEmulator& terminal, const std::vector<std::string>& path) {
  TerminalHost* host = terminal.getHost();
  return host ? host->getParamValue(path) : "";
}

// The length limit of input: max_data_length_allowed as an integer; a missing or non-numeric value means no
// limit (said once in the log).
std::optional<int> maxDataLength(TerminalEmulator& terminal, const log::Logger& logger) {
  std::string text = param(terminal, {"max_data_length_allowed"});
  try {
    return parseInt(trim(text));
  } catch (const NumberFormatError&) {
    static std::once_flag logged;
    std::call_once(logged, [&] {
      logger->info("max_data_length_allowed is not a number (\"" + text + "\"): input length is not limited");
    });
    return std::nullopt;
  }
}

// Characters of a text whose code point lies above U+0100 (malformed bytes never count).
int wideCharacters(const std::string& text) {
  int count = 0;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 1;
    if (i + length > text.size()) length = 1;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool wellFormed = length > 1 || lead < 0x80;
    for (int k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        wellFormed = false;
        length = 1;
        break;
      }
      code = (code << 6) | (next & 0x3F);
    }
    if (wellFormed && code > 0x100) ++count;
    i += length;
  }
  return count;
}

bool isWideLanguage(const std::optional<std::string>& language) {
  return language && (equalsIgnoreCase(*language, "chinese") || equalsIgnoreCase(*language, "japanese"));
}

std::optional<std::string> popupTitle(const std::vector<std::string>& words, const std::string& prefix) {
  for (const std::string& word : words)
    if (word.starts_with(prefix) && charLength(word) > 7) return charSubstr(word, 7);
  return std::nullopt;
}

// The number written with the pattern, the decimal point replaced by the separator.
std::string withSeparator(std::string text, const std::string& separator) {
  if (separator.empty() || separator == ".") return text;
  std::size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, separator);
  return text;
}

}  // namespace

Field::Field() : logger(log::get(LOGGER_NAME)) {}

Field::~Field() = default;

// --- property words
// -----------------------------------------------------------------------------------------

bool Field::hasProperty(const std::string& word) const {
  return std::find(fieldAttrVector.begin(), fieldAttrVector.end(), word) != fieldAttrVector.end();
}

void Field::setProperty(const std::string& word, bool present) {
  if (present) {
    if (!hasProperty(word)) fieldAttrVector.push_back(word);
  } else {
    std::erase(fieldAttrVector, word);
  }
}

bool Field::canAssignPopupValue() const {
  return !hasProperty(DONT_ASSIGN_POPUP_VALUE);
}
bool Field::isBlink() const {
  return hasProperty(BLINK);
}
bool Field::isBold() const {
  return hasProperty(BOLD);
}
bool Field::isCenter() const {
  return hasProperty(CENTER);
}
bool Field::isFirstField() const {
  return row == "1";
}
bool Field::isFixed() const {
  return hasProperty(FIXED);
}
bool Field::isMandatory() const {
  return hasProperty(MANDATORY);
}
bool Field::isMasked() const {
  return hasProperty(MASKED);
}
bool Field::isReadOnly() const {
  return hasProperty(READ_ONLY);
}
bool Field::isRetain() const {
  return hasProperty(RETAIN);
}
bool Field::isReverse() const {
  return hasProperty(REVERSE);
}
bool Field::isUnderline() const {
  return hasProperty(UNDERLINE);
}
bool Field::isVisible() const {
  return !hasProperty(INVISIBLE);
}
bool Field::receivedEnterKeyOnly() const {
  return bReceivedEnterKeyOnly;
}
void Field::setMandatory(bool mandatory) {
  setProperty(MANDATORY, mandatory);
}
void Field::setMasked(bool masked) {
  setProperty(MASKED, masked);
}
void Field::setReadOnly(bool readOnly) {
  setProperty(READ_ONLY, readOnly);
}
void Field::setRetain(bool retain) {
  setProperty(RETAIN, retain);
}

std::optional<std::string> Field::getPopupTitle1() const {
  return popupTitle(fieldAttrVector, "title1");
}
std::optional<std::string> Field::getPopupTitle2() const {
  return popupTitle(fieldAttrVector, "title2");
}

// --- data
// ---------------------------------------------------------------------------------------------------

void Field::copyValues(const Field& other) {
  id = other.id;
  dataType = other.dataType;
  label = other.label;
  message = other.message;
  row = other.row;
  col = other.col;
  type = other.type;
  value = other.value;
  values = other.values;
  typeInfo = other.typeInfo;
  linesPerDisplay = other.linesPerDisplay;
  noOfDataColumns = other.noOfDataColumns;
  dataLength = other.dataLength;
  fserver_input_index = other.fserver_input_index;
  fieldAttrVector = other.fieldAttrVector;
  fieldEnter = other.fieldEnter;
  fieldExit = other.fieldExit;
}

int Field::getDataLength() const {
  try {
    return parseInt(dataLength);
  } catch (const NumberFormatError&) {
    return 0;
  }
}

const SqlLink* Field::getSQL(const std::string& queryId) const {
  auto it = sqlStatements.find(queryId);
  return it == sqlStatements.end() ? nullptr : &it->second;
}

void Field::truncateField() {
  std::size_t blank = value.find(' ');
  if (blank != std::string::npos) value.erase(blank);
}

std::string Field::formatDoubleString(const std::string& text) const {
  const FieldServices& services = fieldServices();
  double number;
  try {
    number = parseDouble(text);
  } catch (const NumberFormatError&) {
    return text;
  }
  const std::string& pattern = services.decimalFormatString;
  if (pattern == "0.0000") {
    std::string plain = doubleToString(number);
    std::size_t point = plain.find('.');
    if (plain.find('E') == std::string::npos && point != std::string::npos && plain.size() - point - 1 == 4)
      return withSeparator(plain, services.decimalSeperator);
  }
  try {
    return withSeparator(DecimalFormat(pattern).format(number), services.decimalSeperator);
  } catch (const Error& error) {
    logger->debug("Decimal format \"" + pattern + "\" not usable: " + error.getMessage());
    return text;
  }
}

// --- drawing
// ------------------------------------------------------------------------------------------------

int Field::labelLength() const {
  return label ? charLength(*label) : 0;
}

int Field::labelColumn() const {
  int column = parseInt(col);
  if (isCenter()) column += std::max(0, 20 - labelLength()) / 2;
  return column;
}

bool Field::isFormattedQuantity() const {
  return fieldServices().implementDecimalFormatting && typeInfo && typeInfo->getDataType() == "quan";
}

void Field::display(TerminalEmulator& terminal) {
  if (!isVisible()) return;
  const char* attribute = isBold()        ? "bold"
                          : isUnderline() ? "underline"
                          : isReverse()   ? "reverse"
                          : isBlink()     ? "blink"
                                          : nullptr;
  int r = parseInt(row);
  int column = labelColumn();
  if (!label) return;
  if (attribute)
    terminal.display(r, column, *label, attribute);
  else
    terminal.display(r, column, *label);
  std::string shown = terminal.isMaskInput()  ? std::string(charLength(value), '*')
                      : isFormattedQuantity() ? formatDoubleString(value)
                                              : value;
  terminal.display(r, column + labelLength(), shown);
}

void Field::invisible(TerminalEmulator& terminal) {
  terminal.display(parseInt(row), parseInt(col), std::string(labelLength() + charLength(value), ' '));
  value = "";
}

void Field::setVisible(bool visible, TerminalEmulator& terminal) {
  if (visible) {
    setProperty(INVISIBLE, false);
  } else if (isVisible()) {
    setProperty(INVISIBLE, true);
    setReadOnly(true);
    invisible(terminal);
  }
}

// --- input
// --------------------------------------------------------------------------------------------------

std::string Field::readInput(TerminalEmulator& terminal, Form& /*form*/) {
  bReceivedEnterKeyOnly = false;
  terminal.displayStatusMessage(message);
  int width = labelLength();
  if (label && isWideLanguage(fieldServices().userLanguage)) width += wideCharacters(*label);
  terminal.setCursor(parseInt(row), parseInt(col) + width);
  if (isMasked()) terminal.setMaskInput(true);
  std::string key = terminal.readInput();
  std::string input = terminal.getInput();
  if (input.empty()) {
    bReceivedEnterKeyOnly = true;
  } else {
    value = input;
    if (isFormattedQuantity()) std::replace(value.begin(), value.end(), ',', '.');
  }
  logger->debug("Field " + id + " received input: " + value);
  return key;
}

std::string Field::showList(TerminalEmulator& /*terminal*/, Form& /*form*/) {
  return "";
}

bool Field::validate(TerminalEmulator& terminal) {
  value = trim(value);

  std::optional<int> limit = maxDataLength(terminal, logger);
  if (limit && charLength(value) > *limit && dataType != kNoCheckDataType) {
    terminal.displayErrorMessageForId(kInvalidInputMessage);
    return false;
  }

  bool prefixesMandatory = equalsIgnoreCase(param(terminal, {"prefixes", "mandatory"}), "yes");
  bool prefixConfigured = false;
  bool stripped = false;
  auto tryPrefix = [&](const std::string& key) {
    std::string prefix = param(terminal, {"prefixes", key});
    if (trim(prefix).empty()) return;
    prefixConfigured = true;
    if (!value.starts_with(prefix)) return;
    if (charLength(value) == 1) {
      value = "";
    } else {
      value.erase(0, prefix.size());
      stripped = true;
    }
  };
  tryPrefix(id);
  if (!dataType.empty()) {
    if (!stripped) tryPrefix(dataType);
    tryPrefix(dataType + "_prefix1");
    tryPrefix(dataType + "_prefix2");
  }

  if (isMandatory() && trim(value).empty()) {
    terminal.displayErrorMessageForId(kInvalidInputMessage);
    return false;
  }
  if (prefixesMandatory && prefixConfigured && !stripped && (isMandatory() || charLength(value) > 1)) {
    terminal.displayErrorMessageWindow(kErrorTitle, "Prefix is Mandatory", kErrorFooter);
    return false;
  }
  if (!typeInfo) {
    terminal.displayErrorMessageWindow(kErrorTitle, "Data Type Definition missing, Please contact IT",
                                       kErrorFooter);
    return false;
  }
  FieldChecks* checks = fieldServices().checks;
  if (checks && !checks->validate(*typeInfo, value)) {
    logger->debug("Data Type check failure ");
    terminal.displayErrorMessageForId(kInvalidInputMessage);
    return false;
  }
  return true;
}

void Field::transform() {
  if (!typeInfo) {
    logger->error("Baan Field's Object is not created .. in transform method ..");
    throw Error("Baan Field Object is not created");
  }
  if (FieldChecks* checks = fieldServices().checks) value = checks->transform(*typeInfo, value);
}

}  // namespace tev
