#include "engine/form.h"

#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "config/device_info.h"
#include "engine/field.h"
#include "engine/single_field.h"
#include "engine/transaction.h"
#include "terminal/terminal_emulator.h"

namespace tev {

namespace {

std::unique_ptr<Field> generatedLine(const std::optional<std::string>& text, const std::string& row,
                                     const std::string& col, std::initializer_list<const char*> words) {
  auto line = std::make_unique<SingleField>();
  line->id = Form::TITLE_ID;
  line->type = "single";
  line->label = text;
  line->row = row;
  line->col = col;
  for (const char* word : words) line->fieldAttrVector.emplace_back(word);
  if (line->isCenter()) line->center = Field::CENTER;
  return line;
}

// Width of a field in reflow layouts: its label plus its data length.
int fieldWidth(const Field& field) {
  return (field.label ? charLength(*field.label) : 0) + field.getDataLength();
}

bool standsAlone(const Field& field) {
  return field.isCenter() || field.isFixed();
}

void place(Field& field, int row, int column) {
  field.row = std::to_string(row);
  field.col = std::to_string(column);
}

}  // namespace

Form::Form() : logger(log::get(Field::LOGGER_NAME)) {}

Form::~Form() = default;

// --- building
// -----------------------------------------------------------------------------------------------

Field& Form::addField(std::unique_ptr<Field> field) {
  fieldsVector.push_back(std::move(field));
  return *fieldsVector.back();
}

void Form::appendGeneratedLines(const std::optional<std::string>& transactionTitle,
                                const std::optional<std::string>& companyName) {
  if (type == "standard") {
    addField(generatedLine(transactionTitle, "1", "0", {"center", "read_only", "underline"}));
    addField(generatedLine(DASHES, "14", "1", {"read_only"}));
    addField(generatedLine(ESC_EXIT, "15", "1", {"read_only"}));
  } else if (type == "introduction") {
    std::string company = companyName && !trim(*companyName).empty() ? *companyName : COMP_NAME;
    addField(generatedLine(company, "1", "0", {"center", "read_only"}));
    addField(generatedLine(transactionTitle, "2", "0", {"center", "read_only", "underline"}));
    addField(generatedLine(DASHES, "3", "1", {"read_only"}));
    addField(generatedLine(DASHES, "14", "1", {"read_only"}));
    addField(generatedLine(ESC_EXIT, "15", "1", {"read_only"}));
  }
}

// --- drawing
// ------------------------------------------------------------------------------------------------

void Form::display(TerminalEmulator& terminal) {
  terminal.clear();
  for (auto& field : fieldsVector) field->display(terminal);
}

void Form::display(TerminalEmulator& terminal, bool reflow, const DeviceInfo* deviceInfo, Field* current) {
  terminal.clear();
  int rows = deviceInfo ? deviceInfo->getDisplayRows() : 16;
  int columns = deviceInfo ? deviceInfo->getDisplayColumns() : 20;
  if (!reflow) {
    for (auto& field : fieldsVector) field->display(terminal);
    return;
  }
  if (!current) {
    drawDisplay(rows, columns, terminal);
    return;
  }
  int index = getIndexOf(*current);
  if (index >= static_cast<int>(fieldsVector.size())) {
    // Not a field of this form: nothing to show it around.
    drawDisplay(rows, columns, terminal);
    return;
  }
  int row;
  try {
    row = parseInt(trim(fieldsVector[static_cast<std::size_t>(index)]->row));
  } catch (const NumberFormatError&) {
    row = -1;
  }
  if (row != -1 && row < rows - 3)
    drawDisplay(rows, columns, terminal);
  else
    drawDisplayByField(rows, columns, terminal, current);
}

void Form::drawDisplay(int rows, int columns, TerminalEmulator& terminal) {
  const int count = static_cast<int>(fieldsVector.size());
  int row = 0;
  int column = 1;
  for (int index = 0; index < count; ++index) {
    Field* field = fieldsVector[static_cast<std::size_t>(index)].get();
    if (index == count - 1 && row < rows - 2) {
      row = rows - 2;
      column = 1;
    } else if (row >= rows - 3 && count - index > 1) {
      index = count - 1;
      field = fieldsVector.back().get();
      logger->debug(" Field Name in More Fields " + field->id);
      row = rows - 2;
      column = 1;
    } else if (standsAlone(*field)) {
      ++row;
      column = 1;
    } else if (column == 1) {
      if (index == 0) ++row;
    } else if (column + fieldWidth(*field) > columns) {
      ++row;
      column = 1;
    }
    place(*field, row, column);
    column = standsAlone(*field) ? columns : column + fieldWidth(*field);
    field->display(terminal);
  }
}

void Form::drawDisplayByField(int rows, int columns, TerminalEmulator& terminal, Field* current) {
  if (!current) return;
  place(*current, rows - 3, 1);
  current->display(terminal);
  if (!fieldsVector.empty() && fieldsVector.front()->id == TITLE_ID) {
    place(*fieldsVector.front(), 1, 1);
    fieldsVector.front()->display(terminal);
  }
  if (!fieldsVector.empty() && fieldsVector.back()->id == "seperator2") {
    place(*fieldsVector.back(), rows - 2, 1);
    fieldsVector.back()->display(terminal);
  }

  // The fields before the current one, upwards from row rows - 4: a centred or fixed field on a row of its
  // own, the others packed into rows from column 1; a row is written when the next field no longer fits.
  std::vector<Field*> pending;  // the row being filled, right to left
  int pendingWidth = 0;
  int row = rows - 4;
  auto writeRow = [&] {
    int column = 1;
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
      place(**it, row, column);
      (*it)->display(terminal);
      column += fieldWidth(**it);
    }
    pending.clear();
    pendingWidth = 0;
    --row;
  };
  for (int index = getIndexOf(*current) - 1; index > 0 && row > 1; --index) {
    Field& field = *fieldsVector[static_cast<std::size_t>(index)];
    if (standsAlone(field)) {
      if (!pending.empty()) {
        writeRow();
        if (row <= 1) break;
      }
      place(field, row, 1);
      field.display(terminal);
      --row;
      continue;
    }
    int width = fieldWidth(field);
    if (!pending.empty() && 1 + pendingWidth + width > columns) {
      writeRow();
      if (row <= 1) break;
    }
    pending.push_back(&field);
    pendingWidth += width;
  }
  if (!pending.empty() && row > 1) writeRow();
}

// --- navigation
// ---------------------------------------------------------------------------------------------

int Form::indexOfIdentity(const Field* field) const {
  for (std::size_t i = 0; i < fieldsVector.size(); ++i)
    if (fieldsVector[i].get() == field) return static_cast<int>(i);
  return -1;
}

Field* Form::getCurrentField() const {
  return currentField;
}

void Form::setCurrentField(Field* field) {
  currentField = field;
}

Field* Form::getField(const std::string& fieldId) const {
  for (const auto& field : fieldsVector)
    if (field->id == fieldId) return field.get();
  return nullptr;
}

Field* Form::getFieldPosForError(const Transaction& transaction) const {
  if (transaction.transactionStatus != Transaction::AFTER_PROCESSING_ERROR ||
      !transaction.bAutoPositionCursor)
    return nullptr;
  int position;
  try {
    position = parseInt(trim(transaction.fserverErrorCode));
  } catch (const NumberFormatError&) {
    return getLastInputField();
  }
  return getFieldByPos(position);
}

Field* Form::getFieldByPos(int position) const {
  for (const auto& field : fieldsVector)
    if (field->fserver_input_index == position) return field.get();
  return getLastInputField();
}

int Form::getIndexOf(const Field& field) const {
  for (std::size_t i = 0; i < fieldsVector.size(); ++i)
    if (fieldsVector[i]->id == field.id) return static_cast<int>(i);
  return static_cast<int>(fieldsVector.size());
}

Field* Form::getLastInputField() const {
  for (auto it = fieldsVector.rbegin(); it != fieldsVector.rend(); ++it)
    if (!(*it)->isReadOnly()) return it->get();
  return nullptr;
}

Field* Form::getNextField(const Field* current) const {
  return getNextField(current, false);
}

Field* Form::getNextField(const Field* current, bool includeReadOnly) const {
  if (current && !fieldsVector.empty() && fieldsVector.back().get() == current) return nullptr;
  // Without a current field (or with one that is not in the list) the search starts at the first field.
  std::size_t start = current ? static_cast<std::size_t>(indexOfIdentity(current) + 1) : 0;
  for (std::size_t i = start; i < fieldsVector.size(); ++i)
    if (includeReadOnly || !fieldsVector[i]->isReadOnly()) return fieldsVector[i].get();
  return nullptr;
}

Field* Form::getPreviousField(const Field* current) const {
  if (!current || fieldsVector.empty()) return nullptr;
  if (trim(current->id) == trim(fieldsVector.front()->id)) return nullptr;
  int index = indexOfIdentity(current);
  if (index < 0) return fieldsVector.front().get();
  for (int i = index - 1; i >= 0; --i)
    if (!fieldsVector[static_cast<std::size_t>(i)]->isReadOnly())
      return fieldsVector[static_cast<std::size_t>(i)].get();
  return nullptr;
}

bool Form::isLastField(const Field& field) const {
  Field* last = getLastInputField();
  return last && last->id == field.id;
}

// --- the form and its fields by id
// ----------------------------------------------------------------------------

SQLStatement* Form::getSQL(const std::string& queryId) const {
  auto it = sqlStatements.find(queryId);
  return it == sqlStatements.end() ? nullptr : it->second.get();
}

void Form::initialize(int transactionStatus) {
  if (transactionStatus != Transaction::AFTER_SUCCESSFUL_COMPLETION) return;
  for (auto& field : fieldsVector)
    if (!isRetain(field->id)) field->value = "";
}

bool Form::isReadOnly() const {
  for (const auto& field : fieldsVector)
    if (!field->isReadOnly()) return false;
  return true;
}

bool Form::isReadOnly(const std::string& fieldId) const {
  Field* field = getField(fieldId);
  return field && field->isReadOnly();
}

bool Form::isRetain(const std::string& fieldId) const {
  Field* field = getField(fieldId);
  return field && field->isRetain();
}

bool Form::isStandardTypeForm() const {
  return type == "standard";
}

bool Form::isVisible(const std::string& fieldId) const {
  Field* field = getField(fieldId);
  return field && field->isVisible();
}

int Form::getFieldSelIndexValue(const std::string& fieldId) const {
  Field* field = getField(fieldId);
  return field ? field->selIndex : -1;
}

std::string Form::getFieldValue(const std::string& fieldId) const {
  Field* field = getField(fieldId);
  return field ? field->value : "";
}

void Form::setFieldValue(const std::string& fieldId, const std::string& value) {
  if (Field* field = getField(fieldId)) field->value = value;
}

void Form::setFieldValue(const std::string& fieldId, const std::vector<std::string>& values) {
  if (Field* field = getField(fieldId)) field->values = values;
}

void Form::setFieldValue(const std::string& fieldId, const std::vector<std::string>& values,
                         const std::vector<std::string>& lineValues) {
  if (Field* field = getField(fieldId)) {
    field->values = values;
    field->lineValues = lineValues;
  }
}

void Form::setReadOnly(const std::string& fieldId, bool readOnly) {
  if (Field* field = getField(fieldId)) field->setReadOnly(readOnly);
}

void Form::setRetain(const std::string& fieldId, bool retain) {
  if (Field* field = getField(fieldId)) field->setRetain(retain);
}

void Form::setTitle(const std::string& title, bool /*flag*/) {
  if (fieldsVector.empty()) throw Error("Form " + id + " has no fields to hold a title");
  for (auto& field : fieldsVector) {
    if (field->row == "1") {
      field->label = title;
      return;
    }
  }
  auto line = std::make_unique<SingleField>();
  line->id = TITLE_ID;
  line->type = "single";
  line->row = "1";
  line->col = "1";
  line->label = title;
  line->fieldAttrVector = {Field::READ_ONLY, Field::CENTER, Field::UNDERLINE};
  addField(std::move(line));
}

void Form::setVisible(const std::string& fieldId, bool visible, TerminalEmulator& terminal) {
  Field* field = getField(fieldId);
  if (!field) {
    logger->debug("returned from setvisible in form class because field is null");
    return;
  }
  field->setVisible(visible, terminal);
}

}  // namespace tev
