// MessageList: the screen messages of one language, by id. Every message the operator sees is looked up here
// (the error line, message windows, yes/no questions); a missing id gives nothing and the caller decides what
// to show. The English fallback is built into the table when it is made, never applied at look-up time.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/log.h"
#include "config/text_table_codec.h"

namespace tev {

class MessageList {
 public:
  using Table = std::map<std::string, std::string>;

  MessageList() = default;
  explicit MessageList(Table messages) : messageList(std::move(messages)) {}

  // Loading from a prebuilt table file (the forms are those of text_table_codec.h). Each throws
  // TableFormatError when the file cannot be read, or holds another form or kind of table.
  // The stored form.
  static MessageList load(const std::string& path);
  // The XML form when xml is set, otherwise the stored form.
  static MessageList load(const std::string& path, bool xml);
  // The XML form when xml is set (it wins), otherwise the text form when text is set, otherwise the stored
  // form. In the text form only lines "id|text" that split into exactly two parts at "|" count; a later line
  // with the same id wins, every other line is skipped.
  static MessageList load(const std::string& path, bool xml, bool text);
  static MessageList load(const std::string& path, TextTableForm form);
  // As load, for the session's start-up and log-in: a failure is logged as an error,
  // "Error in loading the persisted messages object: " followed by its message, and gives nothing.
  static std::optional<MessageList> loadPersisted(const std::string& path, TextTableForm form,
                                                  const log::Logger& logger);

  // The text stored under exactly this id (case-sensitive, untrimmed); nothing when the id is absent.
  std::optional<std::string> getMessage(const std::string& id) const;
  // Adds or replaces one text.
  void setMessage(const std::string& id, const std::string& text);

  // Every entry as id "=" text ", " in table order; "" for an empty table.
  std::string toString() const;

  const Table& getTable() const { return messageList; }

  // Puts the arguments into the numbered places of a message: "{0}" takes the first argument, "{1}" the
  // second and so on. A brace pair that holds no number, or a number without an argument, stays as it is.
  static std::string format(std::string_view message, const std::vector<std::string>& args);

 private:
  Table messageList;
};

}  // namespace tev
