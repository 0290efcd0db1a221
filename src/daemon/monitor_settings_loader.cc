#include "daemon/monitor_settings_loader.h"

#include <libxml/tree.h>

#include <functional>
#include <mutex>

#include "common/java_number.h"
#include "common/java_text.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {

namespace {

// The binding of one document: each read names the element path in its failures.
class Binder {
 public:
  explicit Binder(std::string path) : path_(std::move(path)) {}

  MonitorSettingsType settings(const XmlNode& root) {
    MonitorSettingsType settings;
    forEachChild(root, "monitor_settings", [&](const XmlNode& child, const std::string& where) {
      const std::string name = child.name();
      if (name == "debug_level") settings.setDebugLevel(number(child, where));
      if (name == "log_file") settings.setLogFile(child.textContent());
      if (name == "skm_settings") settings.setSkmSettings(skm(child, where));
      if (name == "notification_settings")
        settings.setNotificationSettings(notificationSettings(child, where));
      if (name == "resource_monitor_list") settings.setResourceMonitorList(resourceMonitorList(child, where));
    });
    return settings;
  }

 private:
  using Visit = std::function<void(const XmlNode& child, const std::string& where)>;

  // Calls visit for each element child of node, with the child's path.
  static void forEachChild(const XmlNode& node, const std::string& where, const Visit& visit) {
    for (const XmlNode& child : node.elementChildren()) visit(child, where + "/" + child.name());
  }

  std::optional<int> number(const XmlNode& node, const std::string& where) const {
    const std::string text = trim(node.textContent());
    try {
      return parseInt(text);
    } catch (const NumberFormatError&) {
      throw MonitorSettingsError(path_ + ": " + where + " is not a whole number: \"" + text + "\"");
    }
  }

  bool flag(const XmlNode& node, const std::string& where) const {
    const std::string text = trim(node.textContent());
    if (text == "true" || text == "1") return true;
    if (text == "false" || text == "0") return false;
    throw MonitorSettingsError(path_ + ": " + where + " is neither true nor false: \"" + text + "\"");
  }

  SKMSettingsType skm(const XmlNode& node, const std::string& where) const {
    SKMSettingsType skm;
    forEachChild(node, where, [&](const XmlNode& child, const std::string& at) {
      if (child.name() == "host_ip_address") skm.setHostIpAddress(child.textContent());
      if (child.name() == "port") skm.setPort(number(child, at));
    });
    return skm;
  }

  NotificationSettingsType notificationSettings(const XmlNode& node, const std::string& where) const {
    NotificationSettingsType settings;
    forEachChild(node, where, [&](const XmlNode& child, const std::string& at) {
      if (child.name() == "email") settings.setEmail(email(child, at));
    });
    return settings;
  }

  static EmailType email(const XmlNode& node, const std::string& where) {
    EmailType email;
    forEachChild(node, where, [&](const XmlNode& child, const std::string&) {
      const std::string name = child.name();
      if (name == "from_address") email.setFromAddress(child.textContent());
      if (name == "to_address") email.setToAddress(child.textContent());
      if (name == "smtp_host_ip_address") email.setSmtpHostIpAddress(child.textContent());
      if (name == "username") email.setUsername(child.textContent());
      if (name == "password") email.setPassword(child.textContent());
    });
    return email;
  }

  ResourceMonitorListType resourceMonitorList(const XmlNode& node, const std::string& where) const {
    ResourceMonitorListType list;
    forEachChild(node, where, [&](const XmlNode& child, const std::string& at) {
      if (child.name() == "resource_monitor") list.getResourceMonitor().push_back(resourceMonitor(child, at));
    });
    return list;
  }

  ResourceMonitorType resourceMonitor(const XmlNode& node, const std::string& where) const {
    ResourceMonitorType monitor;
    monitor.setId(node.attribute("id"));
    forEachChild(node, where, [&](const XmlNode& child, const std::string& at) {
      const std::string name = child.name();
      if (name == "id") monitor.setId(child.textContent());
      if (name == "interval") monitor.setInterval(number(child, at));
      if (name == "no_of_retries") monitor.setNoOfRetries(number(child, at));
      if (name == "no_of_simulteneous_transactions")
        monitor.setNoOfSimulteneousTransactions(number(child, at));
      if (name == "transaction_input") monitor.setTransactionInput(child.textContent());
      if (name == "notification_info") monitor.setNotificationInfo(notificationInfo(child, at));
    });
    return monitor;
  }

  NotificationInfoType notificationInfo(const XmlNode& node, const std::string& where) const {
    NotificationInfoType info;
    forEachChild(node, where, [&](const XmlNode& child, const std::string& at) {
      if (child.name() == "notification") info.getNotification().push_back(notification(child, at));
    });
    return info;
  }

  NotificationType notification(const XmlNode& node, const std::string& where) const {
    NotificationType notification;
    forEachChild(node, where, [&](const XmlNode& child, const std::string& at) {
      const std::string name = child.name();
      if (name == "method") notification.setMethod(child.textContent());
      if (name == "on_first_failue_only") notification.setOnFirstFailueOnly(flag(child, at));
      if (name == "on_first_success_also") notification.setOnFirstSuccessAlso(flag(child, at));
    });
    return notification;
  }

  std::string path_;
};

}  // namespace

MonitorSettingsType MonitorSettingsLoader::getMonitorSettings(const std::string& path) {
  static std::mutex loading;
  std::lock_guard lock(loading);
  std::string cause;
  XmlDocPtr document = parseXmlFile(path, cause);
  if (!document) throw MonitorSettingsError("Cannot read the monitor settings " + path + ": " + cause);
  auto root = XmlNode::from(xmlDocGetRootElement(document.get()));
  if (!root || root->name() != MonitorSettingsElement::kName) {
    throw MonitorSettingsError(path + ": the root element is not " +
                               std::string(MonitorSettingsElement::kName));
  }
  return Binder(path).settings(*root);
}

}  // namespace tev
