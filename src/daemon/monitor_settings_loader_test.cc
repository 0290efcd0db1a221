#include "daemon/monitor_settings_loader.h"

#include <gtest/gtest.h>

#include "common/test_support.h"

namespace tev {
namespace {

using testing::TempDir;

constexpr const char* kSettings = R"(<?xml version="1.0"?>
<monitor_settings>
  <debug_level>2</debug_level>
  <log_file>log/monitor.log</log_file>
  <skm_settings><host_ip_address>10.1.2.3</host_ip_address><port> 7001 </port></skm_settings>
  <notification_settings>
    <email>
      <from_address>monitor@example.com</from_address><to_address>ops@example.com</to_address>
      <smtp_host_ip_address>10.1.2.4</smtp_host_ip_address><username>mon</username><password>secret</password>
    </email>
  </notification_settings>
  <resource_monitor_list>
    <resource_monitor>
      <id>bridge</id><interval>60</interval><no_of_retries>3</no_of_retries>
      <no_of_simulteneous_transactions>2</no_of_simulteneous_transactions>
      <transaction_input>ping|1</transaction_input>
      <notification_info>
        <notification><method>email</method><on_first_failue_only>true</on_first_failue_only>
          <on_first_success_also>0</on_first_success_also></notification>
        <notification><method>log</method></notification>
      </notification_info>
    </resource_monitor>
    <resource_monitor id="router"><interval>30</interval><something_new>ignored</something_new></resource_monitor>
    <resource_monitor><id>empty</id><notification_info/></resource_monitor>
  </resource_monitor_list>
</monitor_settings>
)";

TEST(MonitorSettingsLoader, ReadsEveryElementInDocumentOrder) {
  TempDir dir;
  MonitorSettingsType settings =
      MonitorSettingsLoader::getMonitorSettings(dir.write("monitor.xml", kSettings));
  EXPECT_EQ(settings.getDebugLevel(), 2);
  EXPECT_EQ(settings.getLogFile(), "log/monitor.log");
  ASSERT_TRUE(settings.getSkmSettings());
  EXPECT_EQ(settings.getSkmSettings()->getHostIpAddress(), "10.1.2.3");
  EXPECT_EQ(settings.getSkmSettings()->getPort(), 7001);
  ASSERT_TRUE(settings.getNotificationSettings() && settings.getNotificationSettings()->getEmail());
  const EmailType& email = *settings.getNotificationSettings()->getEmail();
  EXPECT_EQ(email.getFromAddress(), "monitor@example.com");
  EXPECT_EQ(email.getToAddress(), "ops@example.com");
  EXPECT_EQ(email.getSmtpHostIpAddress(), "10.1.2.4");
  EXPECT_EQ(email.getUsername(), "mon");
  EXPECT_EQ(email.getPassword(), "secret");

  ASSERT_TRUE(settings.getResourceMonitorList());
  const auto& monitors = settings.getResourceMonitorList()->getResourceMonitor();
  ASSERT_EQ(monitors.size(), 3u);
  const ResourceMonitorType& bridge = monitors[0];
  EXPECT_EQ(bridge.getId(), "bridge");
  EXPECT_EQ(bridge.getInterval(), 60);
  EXPECT_EQ(bridge.getNoOfRetries(), 3);
  EXPECT_EQ(bridge.getNoOfSimulteneousTransactions(), 2);
  EXPECT_EQ(bridge.getTransactionInput(), "ping|1");
  ASSERT_TRUE(bridge.getNotificationInfo());
  const auto& rules = bridge.getNotificationInfo()->getNotification();
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].getMethod(), "email");
  EXPECT_TRUE(rules[0].isOnFirstFailueOnly());
  EXPECT_FALSE(rules[0].isOnFirstSuccessAlso());
  EXPECT_EQ(rules[1].getMethod(), "log");
  EXPECT_FALSE(rules[1].isOnFirstFailueOnly());

  // The id as an attribute; no notification_info at all; an empty one.
  EXPECT_EQ(monitors[1].getId(), "router");
  EXPECT_EQ(monitors[1].getInterval(), 30);
  EXPECT_FALSE(monitors[1].getNotificationInfo().has_value());
  EXPECT_FALSE(monitors[1].getNoOfRetries().has_value());
  ASSERT_TRUE(monitors[2].getNotificationInfo());
  EXPECT_TRUE(monitors[2].getNotificationInfo()->getNotification().empty());
}

TEST(MonitorSettingsLoader, MissingElementsAreNone) {
  TempDir dir;
  MonitorSettingsType settings =
      MonitorSettingsLoader::getMonitorSettings(dir.write("monitor.xml", "<monitor_settings/>"));
  EXPECT_FALSE(settings.getDebugLevel());
  EXPECT_FALSE(settings.getLogFile());
  EXPECT_FALSE(settings.getSkmSettings());
  EXPECT_FALSE(settings.getNotificationSettings());
  EXPECT_FALSE(settings.getResourceMonitorList());
}

TEST(MonitorSettingsLoader, UnusableFilesAreRefusedWithTheirReason) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<monitor_settings><debug_level>high</debug_level></monitor_settings>",
       "monitor_settings/debug_level is not a whole number: \"high\""},
      {"<monitor_settings><skm_settings><port>99999999999</port></skm_settings></monitor_settings>",
       "monitor_settings/skm_settings/port is not a whole number"},
      {"<monitor_settings><resource_monitor_list><resource_monitor><notification_info><notification>"
       "<on_first_failue_only>yes</on_first_failue_only></notification></notification_info></"
       "resource_monitor>"
       "</resource_monitor_list></monitor_settings>",
       "notification/on_first_failue_only is neither true nor false: \"yes\""},
      {"<settings/>", "the root element is not monitor_settings"},
      {"<monitor_settings>", "Cannot read the monitor settings"},
  };
  for (const auto& [text, reason] : cases) {
    std::string path = dir.write("monitor.xml", text);
    try {
      MonitorSettingsLoader::getMonitorSettings(path);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const MonitorSettingsError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(MonitorSettingsLoader::getMonitorSettings(dir.file("missing.xml")), MonitorSettingsError);
}

}  // namespace
}  // namespace tev
