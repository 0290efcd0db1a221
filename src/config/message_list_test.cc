#include "config/message_list.h"

#include <gtest/gtest.h>

#include "config/label_list.h"

namespace tev {
namespace {

TEST(MessageList, LooksUpExactIdsOnly) {
  MessageList messages;
  messages.setMessage("yesno", "Y/N ?");
  messages.setMessage("empty", "");
  EXPECT_EQ(messages.getMessage("yesno"), "Y/N ?");
  EXPECT_EQ(messages.getMessage("empty"), "");
  EXPECT_EQ(messages.getMessage("YESNO"), std::nullopt);
  EXPECT_EQ(messages.getMessage("yesno "), std::nullopt);
  messages.setMessage("yesno", "J/N ?");
  EXPECT_EQ(messages.getMessage("yesno"), "J/N ?");
}

TEST(MessageList, ToStringListsEveryEntryWithTrailingSeparator) {
  EXPECT_EQ(MessageList().toString(), "");
  EXPECT_EQ(MessageList({{"a", "1"}, {"b", ""}}).toString(), "a=1, b=, ");
}

TEST(MessageList, FormatFillsNumberedPlaces) {
  struct Case {
    const char* pattern;
    std::vector<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {"Item {0} not in {1}", {"A1", "W1"}, "Item A1 not in W1"},
      {"{1}{0}{1}", {"x", "y"}, "yxy"},
      {"{2} stays", {"x"}, "{2} stays"},
      {"{a} {} { 0} {0", {"x"}, "{a} {} { 0} {0"},
      {"it's {0}", {"ok"}, "it's ok"},
      {"{99999999999999999999}", {"x"}, "{99999999999999999999}"},
      {"", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageList::format(c.pattern, c.args), c.expected) << c.pattern;
}

TEST(LabelList, LooksUpWithoutFallback) {
  LabelList labels;
  labels.setlabel("Standard", "Standard");
  EXPECT_EQ(labels.getLabel("Standard"), "Standard");
  EXPECT_EQ(labels.getLabel("item"), std::nullopt);
  EXPECT_EQ(labels.toString(), "Standard=Standard, ");
}

}  // namespace
}  // namespace tev
