// LabelList: the field labels and titles of one language, by id; the twin of MessageList. A missing id gives
// nothing (no fallback to the id or to another language at look-up time).
#pragma once

#include <map>
#include <optional>
#include <string>

namespace tev {

class LabelList {
 public:
  using Table = std::map<std::string, std::string>;

  LabelList() = default;
  explicit LabelList(Table labels) : labelList(std::move(labels)) {}

  // The text stored under exactly this id (case-sensitive, untrimmed); nothing when the id is absent.
  std::optional<std::string> getLabel(const std::string& id) const;
  // Adds or replaces one text (the name is spelled as the original spells it).
  void setlabel(const std::string& id, const std::string& text);

  // Every entry as id "=" text ", " in table order; "" for an empty table.
  std::string toString() const;

  const Table& getTable() const { return labelList; }

 private:
  Table labelList;
};

}  // namespace tev
