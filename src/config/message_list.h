// MessageList: the screen messages of one language, by id. Every message the operator sees is looked up here
// (the error line, message windows, yes/no questions); a missing id gives nothing and the caller decides what
// to show. The English fallback is built into the table when it is made, never applied at look-up time.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tev {

class MessageList {
 public:
  using Table = std::map<std::string, std::string>;

  MessageList() = default;
  explicit MessageList(Table messages) : messageList(std::move(messages)) {}

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
