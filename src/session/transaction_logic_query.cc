// TransactionLogic: query results kept in the running transaction: values, row counts and indices, the
// search by value, sorting, and copying a result into form fields through the shared variables.
#include <algorithm>
#include <exception>

#include "common/java_number.h"
#include "common/java_text.h"
#include "engine/shared_variable.h"
#include "engine/transaction.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

const QryResult* resultOf(const Transaction* transaction, const std::string& queryId) {
  if (transaction == nullptr) return nullptr;
  auto it = transaction->qryResults.find(queryId);
  return it == transaction->qryResults.end() ? nullptr : &it->second;
}

std::optional<std::string> columnOf(const QryRow& record, const std::string& column) {
  auto it = record.find(column);
  if (it == record.end()) return std::nullopt;
  return it->second;
}

// The record of a list result at a row; a single record or a row outside the list throws.
const QryRow& listRecord(const QryResult& result, const std::string& queryId, int row) {
  const auto* list = std::get_if<std::vector<QryRow>>(&result);
  if (list == nullptr) throw TransactionLogicException("The result of " + queryId + " is a single record");
  if (row < 0 || row >= static_cast<int>(list->size()))
    throw IndexOutOfRange("Row " + std::to_string(row) + " outside the result of " + queryId);
  return (*list)[row];
}

std::string requiredColumn(const QryRow& record, const std::string& queryId, const std::string& column) {
  std::optional<std::string> value = columnOf(record, column);
  if (!value) throw TransactionLogicException("No column " + column + " in the result of " + queryId);
  return *value;
}

bool isOneOf(const std::string& name, const std::vector<std::string>& names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<std::string> TransactionLogic::getQryValue(const std::string& queryId,
                                                         const std::string& column) {
  const QryResult* result = resultOf(curTrans, queryId);
  if (result == nullptr) return "";
  if (const auto* record = std::get_if<QryRow>(result)) return columnOf(*record, column).value_or("");
  return getQryValue(queryId, column, getQryRowIndex(queryId, Transaction::SEL_ROW));
}

std::optional<std::string> TransactionLogic::getQryValue(const std::string& queryId,
                                                         const std::string& column, int row) {
  const QryResult* result = resultOf(curTrans, queryId);
  if (result == nullptr) return "";
  if (const auto* record = std::get_if<QryRow>(result)) {
    if (row != 0) throw IndexOutOfRange("Row " + std::to_string(row) + " of the single record of " + queryId);
    return columnOf(*record, column);
  }
  return columnOf(listRecord(*result, queryId, row), column);
}

std::string TransactionLogic::getQryValueTrimmed(const std::string& queryId, const std::string& column) {
  std::optional<std::string> value = getQryValue(queryId, column);
  if (!value) throw TransactionLogicException("No column " + column + " in the result of " + queryId);
  return trim(*value);
}

std::string TransactionLogic::getQryValueTrimmed(const std::string& queryId, const std::string& column,
                                                 int row) {
  std::optional<std::string> value = getQryValue(queryId, column, row);
  if (!value) throw TransactionLogicException("No column " + column + " in the result of " + queryId);
  return trim(*value);
}

double TransactionLogic::getQryDouble(const std::string& queryId, const std::string& column, int row) {
  const QryResult* result = resultOf(curTrans, queryId);
  if (result == nullptr) return -1.0;
  return parseDouble(requiredColumn(listRecord(*result, queryId, row), queryId, column));
}

int TransactionLogic::getQryInt(const std::string& queryId, const std::string& column, int row) {
  const QryResult* result = resultOf(curTrans, queryId);
  if (result == nullptr) return -1;
  return parseInt(requiredColumn(listRecord(*result, queryId, row), queryId, column));
}

int TransactionLogic::getQryRowCount(const std::string& queryId) {
  const QryResult* result = resultOf(curTrans, queryId);
  if (result == nullptr) return -1;
  if (const auto* list = std::get_if<std::vector<QryRow>>(result)) return static_cast<int>(list->size());
  return 1;
}

int TransactionLogic::getQryRowIndex(const std::string& queryId) {
  return getQryRowIndex(queryId, Transaction::SEL_ROW);
}

int TransactionLogic::getQryRowIndex(const std::string& queryId, const std::string& indexName) {
  if (curTrans == nullptr) return -1;
  auto indices = curTrans->qryResultsIndices.find(queryId);
  if (indices == curTrans->qryResultsIndices.end()) return -1;
  auto row = indices->second.find(indexName);
  if (row == indices->second.end())
    throw TransactionLogicException("No row recorded under " + indexName + " for " + queryId);
  return row->second;
}

void TransactionLogic::setQryRowIndex(const std::string& queryId, int row) {
  setQryRowIndex(queryId, Transaction::SEL_ROW, row);
}

void TransactionLogic::setQryRowIndex(const std::string& queryId, const std::string& indexName, int row) {
  transaction().qryResultsIndices[queryId][indexName] = row;
  updateSqlSharedVariableMaps(queryId, indexName);
}

int TransactionLogic::getRowIndexOfFieldInQuery(const std::optional<std::string>& queryId,
                                                const std::string& column, const std::string& value) {
  if (!queryId || trim(*queryId).empty()) return -1;
  try {
    int rows = getQryRowCount(*queryId);
    for (int row = 0; row < rows; ++row) {
      std::string cell = getQryValueTrimmed(*queryId, column, row);
      if (!cell.empty() && cell == value) return row;
    }
  } catch (const std::exception& failure) {
    VAVInterface::logStackTrace(failure);
  }
  return -1;
}

void TransactionLogic::sortQryResults(const std::string& queryId, const std::vector<std::string>& columns,
                                      const std::vector<std::string>& typeNames) {
  int rows = getQryRowCount(queryId);
  std::vector<QryResultRow> sorted;
  for (int row = 0; row < rows; ++row) {
    std::vector<QryResultRow::SortKey> keys;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (c >= typeNames.size()) throw IndexOutOfRange("No type name for the sort column " + columns[c]);
      std::optional<std::string> text = getQryValue(queryId, columns[c], row);
      bool number = isOneOf(typeNames[c], NUMBER_TYPE_NAMES);
      if (!number && !isOneOf(typeNames[c], TEXT_TYPE_NAMES))
        throw TransactionLogicException("Unknown sort type " + typeNames[c]);
      QryResultRow::SortKey& key = keys.emplace_back();  // none until the text is known
      if (text && number) {
        key.emplace<double>(parseDouble(*text));
      } else if (text) {
        key.emplace<std::string>(*text);
      }
    }
    sorted.emplace_back(row, std::move(keys), this);
  }
  logger()->debug("Sorting");
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const QryResultRow& a, const QryResultRow& b) { return a.compareTo(b) < 0; });

  auto result = transaction().qryResults.find(queryId);
  if (result == transaction().qryResults.end()) return;
  auto* list = std::get_if<std::vector<QryRow>>(&result->second);
  if (list == nullptr) return;  // a single record is sorted already
  std::vector<QryRow> reordered;
  reordered.reserve(sorted.size());
  for (const QryResultRow& row : sorted) reordered.push_back((*list)[row.index]);
  *list = std::move(reordered);
}

void TransactionLogic::updateSqlSharedVariableMaps(const std::string& queryId) {
  updateSqlSharedVariableMaps(queryId, std::nullopt);
}

void TransactionLogic::updateSqlSharedVariableMaps(const std::optional<std::string>& queryId,
                                                   const std::optional<std::string>& indexName) {
  if (curTrans == nullptr) return;
  // The variables are visited in the order of their ids.
  for (const auto& [id, variable] : curTrans->sharedVariableHash) {
    logger()->debug("sharedVar: {}", variable.toString());
    if (variable.sourceType != SharedVariable::SQL_SOURCE || !queryId || variable.sourceId != *queryId)
      continue;
    logger()->debug("map size: {}", variable.destMapList.size());
    for (const SharedVariableMap& map : variable.destMapList) {
      logger()->debug("map: {}", map.toString());
      if (map.destType != SharedVariable::FORM_SOURCE) continue;
      std::optional<std::string> value;
      if (indexName) {
        int row = getQryRowIndex(*queryId, *indexName);
        value = getQryValue(*queryId, variable.sourceVariableId, row);
        if (!variable.sourceVariableIndex.empty() && variable.sourceVariableIndex != *indexName) continue;
      } else {
        value = getQryValue(*queryId, variable.sourceVariableId);
      }
      setValue(map.destVariableId, map.destId, value.value_or(""));
    }
  }
}

}  // namespace tev
