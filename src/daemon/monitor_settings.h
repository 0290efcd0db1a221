// The resource monitor's settings (a file whose root element is monitor_settings) as typed objects, one type
// per element that has children. Element names are kept as the file spells them (no_of_simulteneous_
// transactions, on_first_failue_only). An element that is missing leaves its property empty (none), a list
// without entries is an empty list.
//
//   monitor_settings           MonitorSettingsType: debug_level, log_file, skm_settings,
//                              notification_settings, resource_monitor_list
//   skm_settings               SKMSettingsType: host_ip_address, port
//   notification_settings      NotificationSettingsType: email
//   email                      EmailType: from_address, to_address, smtp_host_ip_address, username, password
//   resource_monitor_list      ResourceMonitorListType: resource_monitor (any number)
//   resource_monitor           ResourceMonitorType: id, interval, no_of_retries,
//                              no_of_simulteneous_transactions, transaction_input, notification_info
//   notification_info          NotificationInfoType: notification (any number)
//   notification               NotificationType: method, on_first_failue_only, on_first_success_also
//
// Numbers (debug_level, port, interval, no_of_retries, no_of_simulteneous_transactions) are whole numbers;
// the two flags are true for "true" or "1" and false for "false" or "0" (the XML schema booleans).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev {

class SKMSettingsType {
 public:
  const std::optional<std::string>& getHostIpAddress() const { return hostIpAddress_; }
  void setHostIpAddress(std::optional<std::string> value) { hostIpAddress_ = std::move(value); }
  std::optional<int> getPort() const { return port_; }
  void setPort(std::optional<int> value) { port_ = value; }

 private:
  std::optional<std::string> hostIpAddress_;
  std::optional<int> port_;
};

class EmailType {
 public:
  const std::optional<std::string>& getFromAddress() const { return fromAddress_; }
  void setFromAddress(std::optional<std::string> value) { fromAddress_ = std::move(value); }
  const std::optional<std::string>& getToAddress() const { return toAddress_; }
  void setToAddress(std::optional<std::string> value) { toAddress_ = std::move(value); }
  const std::optional<std::string>& getSmtpHostIpAddress() const { return smtpHostIpAddress_; }
  void setSmtpHostIpAddress(std::optional<std::string> value) { smtpHostIpAddress_ = std::move(value); }
  const std::optional<std::string>& getUsername() const { return username_; }
  void setUsername(std::optional<std::string> value) { username_ = std::move(value); }
  const std::optional<std::string>& getPassword() const { return password_; }
  void setPassword(std::optional<std::string> value) { password_ = std::move(value); }

 private:
  std::optional<std::string> fromAddress_;
  std::optional<std::string> toAddress_;
  std::optional<std::string> smtpHostIpAddress_;
  std::optional<std::string> username_;
  std::optional<std::string> password_;
};

class NotificationSettingsType {
 public:
  const std::optional<EmailType>& getEmail() const { return email_; }
  void setEmail(std::optional<EmailType> value) { email_ = std::move(value); }

 private:
  std::optional<EmailType> email_;
};

class NotificationType {
 public:
  const std::optional<std::string>& getMethod() const { return method_; }
  void setMethod(std::optional<std::string> value) { method_ = std::move(value); }
  bool isOnFirstFailueOnly() const { return onFirstFailueOnly_; }
  void setOnFirstFailueOnly(bool value) { onFirstFailueOnly_ = value; }
  bool isOnFirstSuccessAlso() const { return onFirstSuccessAlso_; }
  void setOnFirstSuccessAlso(bool value) { onFirstSuccessAlso_ = value; }

 private:
  std::optional<std::string> method_;
  bool onFirstFailueOnly_ = false;
  bool onFirstSuccessAlso_ = false;
};

class NotificationInfoType {
 public:
  // The notification rules in document order (empty when there are none).
  std::vector<NotificationType>& getNotification() { return notification_; }
  const std::vector<NotificationType>& getNotification() const { return notification_; }

 private:
  std::vector<NotificationType> notification_;
};

class ResourceMonitorType {
 public:
  const std::optional<std::string>& getId() const { return id_; }
  void setId(std::optional<std::string> value) { id_ = std::move(value); }
  std::optional<int> getInterval() const { return interval_; }
  void setInterval(std::optional<int> value) { interval_ = value; }
  std::optional<int> getNoOfRetries() const { return noOfRetries_; }
  void setNoOfRetries(std::optional<int> value) { noOfRetries_ = value; }
  std::optional<int> getNoOfSimulteneousTransactions() const { return noOfSimulteneousTransactions_; }
  void setNoOfSimulteneousTransactions(std::optional<int> value) { noOfSimulteneousTransactions_ = value; }
  const std::optional<std::string>& getTransactionInput() const { return transactionInput_; }
  void setTransactionInput(std::optional<std::string> value) { transactionInput_ = std::move(value); }
  const std::optional<NotificationInfoType>& getNotificationInfo() const { return notificationInfo_; }
  void setNotificationInfo(std::optional<NotificationInfoType> value) {
    notificationInfo_ = std::move(value);
  }

 private:
  std::optional<std::string> id_;
  std::optional<int> interval_;
  std::optional<int> noOfRetries_;
  std::optional<int> noOfSimulteneousTransactions_;
  std::optional<std::string> transactionInput_;
  std::optional<NotificationInfoType> notificationInfo_;
};

class ResourceMonitorListType {
 public:
  // The monitored resources in document order (empty when there are none).
  std::vector<ResourceMonitorType>& getResourceMonitor() { return resourceMonitor_; }
  const std::vector<ResourceMonitorType>& getResourceMonitor() const { return resourceMonitor_; }

 private:
  std::vector<ResourceMonitorType> resourceMonitor_;
};

class MonitorSettingsType {
 public:
  std::optional<int> getDebugLevel() const { return debugLevel_; }
  void setDebugLevel(std::optional<int> value) { debugLevel_ = value; }
  const std::optional<std::string>& getLogFile() const { return logFile_; }
  void setLogFile(std::optional<std::string> value) { logFile_ = std::move(value); }
  const std::optional<SKMSettingsType>& getSkmSettings() const { return skmSettings_; }
  void setSkmSettings(std::optional<SKMSettingsType> value) { skmSettings_ = std::move(value); }
  const std::optional<NotificationSettingsType>& getNotificationSettings() const {
    return notificationSettings_;
  }
  void setNotificationSettings(std::optional<NotificationSettingsType> value) {
    notificationSettings_ = std::move(value);
  }
  const std::optional<ResourceMonitorListType>& getResourceMonitorList() const {
    return resourceMonitorList_;
  }
  void setResourceMonitorList(std::optional<ResourceMonitorListType> value) {
    resourceMonitorList_ = std::move(value);
  }

 private:
  std::optional<int> debugLevel_;
  std::optional<std::string> logFile_;
  std::optional<SKMSettingsType> skmSettings_;
  std::optional<NotificationSettingsType> notificationSettings_;
  std::optional<ResourceMonitorListType> resourceMonitorList_;
};

// The root element of a settings document: its name and the settings it holds.
struct MonitorSettingsElement {
  static constexpr const char* kName = "monitor_settings";
  MonitorSettingsType value;
};

// Creates each settings type, and the root element.
class ObjectFactory {
 public:
  MonitorSettingsType createMonitorSettingsType() const { return {}; }
  SKMSettingsType createSKMSettingsType() const { return {}; }
  NotificationSettingsType createNotificationSettingsType() const { return {}; }
  EmailType createEmailType() const { return {}; }
  ResourceMonitorListType createResourceMonitorListType() const { return {}; }
  ResourceMonitorType createResourceMonitorType() const { return {}; }
  NotificationInfoType createNotificationInfoType() const { return {}; }
  NotificationType createNotificationType() const { return {}; }
  MonitorSettingsElement createMonitorSettings(MonitorSettingsType value) const { return {std::move(value)}; }
};

}  // namespace tev
