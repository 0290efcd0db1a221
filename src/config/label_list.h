// LabelList: the field labels and titles of one language, by id; the twin of MessageList. A missing id gives
// nothing (no fallback to the id or to another language at look-up time).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "common/log.h"
#include "config/text_table_codec.h"

namespace tev {

class LabelList {
 public:
  using Table = std::map<std::string, std::string>;

  LabelList() = default;
  explicit LabelList(Table labels) : labelList(std::move(labels)) {}

  // Loading from a prebuilt table file (the forms are those of text_table_codec.h). Each throws
  // TableFormatError when the file cannot be read, or holds another form or kind of table.
  // The stored form.
  static LabelList load(const std::string& path);
  // The XML form when xml is set, otherwise the stored form.
  static LabelList load(const std::string& path, bool xml);
  // The XML form when xml is set (it wins), otherwise the text form when text is set, otherwise the stored
  // form. In the text form only lines "id|text" that split into exactly two parts at "|" count; a later line
  // with the same id wins, every other line is skipped.
  static LabelList load(const std::string& path, bool xml, bool text);
  static LabelList load(const std::string& path, TextTableForm form);
  // As load, for the session's start-up and log-in: a failure is logged as an error,
  // "Error in loading the persisted Labels object: " followed by its message, and gives nothing.
  static std::optional<LabelList> loadPersisted(const std::string& path, TextTableForm form,
                                                const log::Logger& logger);

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
