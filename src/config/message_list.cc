#include "config/message_list.h"

namespace tev {

MessageList MessageList::load(const std::string& path) {
  return load(path, TextTableForm::Stored);
}

MessageList MessageList::load(const std::string& path, bool xml) {
  return load(path, xml ? TextTableForm::Xml : TextTableForm::Stored);
}

MessageList MessageList::load(const std::string& path, bool xml, bool text) {
  return load(path, textTableForm(xml, text));
}

MessageList MessageList::load(const std::string& path, TextTableForm form) {
  return MessageList(readTextTable(path, TextTableKind::Messages, form));
}

std::optional<MessageList> MessageList::loadPersisted(const std::string& path, TextTableForm form,
                                                      const log::Logger& logger) {
  std::optional<TextTable> table = loadTextTable(path, TextTableKind::Messages, form, logger,
                                                 "Error in loading the persisted messages object: ");
  if (!table) return std::nullopt;
  return MessageList(std::move(*table));
}

std::optional<std::string> MessageList::getMessage(const std::string& id) const {
  auto it = messageList.find(id);
  if (it == messageList.end()) return std::nullopt;
  return it->second;
}

void MessageList::setMessage(const std::string& id, const std::string& text) {
  messageList[id] = text;
}

std::string MessageList::toString() const {
  std::string out;
  for (const auto& [id, text] : messageList) out += id + "=" + text + ", ";
  return out;
}

std::string MessageList::format(std::string_view message, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(message.size());
  std::size_t i = 0;
  while (i < message.size()) {
    if (message[i] == '{') {
      std::size_t close = message.find('}', i + 1);
      if (close != std::string_view::npos && close > i + 1 && close - i - 1 <= 9) {
        std::string_view digits = message.substr(i + 1, close - i - 1);
        bool numeric = true;
        std::size_t index = 0;
        for (char c : digits) {
          if (c < '0' || c > '9') {
            numeric = false;
            break;
          }
          index = index * 10 + static_cast<std::size_t>(c - '0');
        }
        if (numeric && index < args.size()) {
          out += args[index];
          i = close + 1;
          continue;
        }
      }
    }
    out += message[i];
    ++i;
  }
  return out;
}

}  // namespace tev
