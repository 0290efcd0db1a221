// QryResultRow: one row of a query result while TransactionLogic::sortQryResults orders the rows. It keeps
// the row's position before sorting and one key per sort column: a number, a text or none.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace tev {

class TransactionLogic;

class QryResultRow {
 public:
  // A sort key: none (a column the row lacks), a number or a text.
  using SortKey = std::variant<std::monostate, double, std::string>;

  QryResultRow(int index, std::vector<SortKey> sortFields, const TransactionLogic* owner)
      : index(index), sortFields(std::move(sortFields)), owner(owner) {}

  // Compares the keys column by column and returns the first difference: a key that is none on either side
  // is skipped; two numbers compare by value (negative zero below zero, not-a-number above every number and
  // equal to itself), giving -1 or 1; two texts compare by character codes (UTF-16 order, the difference
  // itself is returned); keys of different kinds are skipped. All keys equal: 0.
  int compareTo(const QryResultRow& other) const;

  int index;
  std::vector<SortKey> sortFields;
  const TransactionLogic* owner;
};

}  // namespace tev
