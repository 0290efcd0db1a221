#include "session/scanner_arguments.h"

#include <gtest/gtest.h>

namespace tev {
namespace {

TEST(ScannerCommandLine, ArgumentTable) {
  struct Case {
    std::vector<std::string> args;
    bool goesOn;
    std::string deviceType;
    std::string stopMessage;
  };
  const Case cases[] = {
      {{}, false, "", "less number of parameters ..excepted 5 and received = 0"},
      {{"/dc", "/dc/vav_settings.xml", "D1"},
       false,
       "",
       "less number of parameters ..excepted 5 and received = 3"},
      {{"/dc", "/dc/vav_settings.xml", "D1", "prod"}, true, "Generic", ""},
      {{"/dc", "/dc/vav_settings.xml", "D1", "prod", "Hand"}, true, "Hand", ""},
      {{"/dc", "/dc/vav_settings.xml", "D1", "prod", "Hand", "extra", "more"}, true, "Hand", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.size());
    ScannerCommandLine line = ScannerCommandLine::check(c.args);
    EXPECT_EQ(line.startMessage,
              "In main method .. starting execution .. no of parameters = " + std::to_string(c.args.size()));
    EXPECT_EQ(line.stopMessage, c.stopMessage);
    EXPECT_EQ(line.stopStatus, 0);
    ASSERT_EQ(line.arguments.has_value(), c.goesOn);
    if (!c.goesOn) continue;
    EXPECT_EQ(line.arguments->DC, "/dc");
    EXPECT_EQ(line.arguments->vavSettingsFilePath, "/dc/vav_settings.xml");
    EXPECT_EQ(line.arguments->deviceId, "D1");
    EXPECT_EQ(line.arguments->environment, "prod");
    EXPECT_EQ(line.arguments->deviceType, c.deviceType);
  }
}

TEST(ScannerCommandLine, MainArgumentsSkipTheProgramAndEchoAsOneLine) {
  const char* argv[] = {"VAVInterface", "/opt/tev", "/opt/tev/vav_settings.xml", "RF07", "common"};
  ScannerCommandLine line = ScannerCommandLine::check(5, argv);
  ASSERT_TRUE(line.arguments);
  EXPECT_EQ(line.startMessage, "In main method .. starting execution .. no of parameters = 4");
  EXPECT_EQ(
      line.arguments->describe(),
      "DC = /opt/tev  adcsettingsFilePath = /opt/tev/vav_settings.xml  deviceId =RF07  environment = common");

  const char* tooFew[] = {"VAVInterface", "/opt/tev", "/opt/tev/vav_settings.xml", "RF07"};
  EXPECT_EQ(ScannerCommandLine::check(4, tooFew).stopMessage,
            "less number of parameters ..excepted 5 and received = 3");
}

}  // namespace
}  // namespace tev
