// SqlLink: a query bound to an event of a field ("form_enter", a field event, ...), as the definition reader
// finds it in a field's "sql_list" element: the query id, the event name and whether the link is enabled.
#pragma once

#include <string>

namespace tev {

class SqlLink {
 public:
  SqlLink() = default;
  SqlLink(std::string id, bool enable, std::string event);

  const std::string& getId() const { return id; }
  void setId(std::string queryId) { id = std::move(queryId); }
  const std::string& getEvent() const { return event; }
  void setEvent(std::string eventName) { event = std::move(eventName); }
  bool isEnabled() const { return enable; }
  // Enabled when the text is "yes" in any letter case.
  void setEnable(const std::string& text);
  void setEnable(bool enabled) { enable = enabled; }
  // The event is "form_enter".
  bool isFormEnterEvent() const;

  friend bool operator==(const SqlLink&, const SqlLink&) = default;

 private:
  std::string id;
  std::string event;
  bool enable = false;
};

}  // namespace tev
