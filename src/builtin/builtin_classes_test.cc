// The registration table, and the demo definitions the built-in classes run on: every form and field a
// class names exists there with the kind the class expects.
#include "builtin/builtin_classes.h"

#include <gtest/gtest.h>

#include "builtin/builtin_test_support.h"
#include "engine/class_registry.h"
#include "engine/field.h"
#include "engine/form.h"

namespace tev::builtin {
namespace {

TEST(BuiltinClasses, OneTableRegistersTheFourClasses) {
  ::tev::testing::CleanRegistry clean;
  ClassRegistry registry;
  registry.add(TransactionLogic::describe());
  registerBuiltinClasses(registry);
  for (const char* id : {"Standard", "Menu", "ChangePassword", "HelpDisplay"}) {
    SCOPED_TRACE(id);
    const ClassDescriptor* descriptor = registry.find(ClassRegistry::kTransactionPackage + id);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(descriptor->parent, ClassRegistry::kTransactionLogic);
    EXPECT_NE(registry.create(descriptor->name), nullptr);
  }
  EXPECT_NE(registry.findMember(Standard::CLASS_NAME, "pm_auto_login", false), nullptr);
  EXPECT_NE(registry.findMember(Menu::CLASS_NAME, "pm_prompt_menu_exit_question", false), nullptr);
}

TEST(BuiltinClasses, DemoDefinitionsHaveTheFormsAndFieldsTheClassesUse) {
  struct Use {
    const char* transaction;
    const char* form;
    std::vector<std::pair<const char*, const char*>> fields;  // id, type
  };
  const std::vector<Use> uses = {
      {"Standard",
       "welcome",
       {{"standard_device", "single"}, {"standard_environment", "single"}, {"continue", "single"}}},
      {"Standard",
       "login",
       {{"username", "single"},
        {"password", "single"},
        {"whse", "single"},
        {"language", "popup"},
        {"label_printer", "popup"}}},
      {"Menu", "menu", {{"menu_list", "multiple"}}},
      {"ChangePassword",
       "set_password",
       {{"username", "single"},
        {"old_password", "single"},
        {"password", "single"},
        {"confirm_password", "single"}}},
      {"HelpDisplay", "help_display", {{"help_list", "multiple"}}},
  };
  testing::BuiltinSession s;
  for (const Use& use : uses) {
    SCOPED_TRACE(std::string(use.transaction) + "/" + use.form);
    auto reader = std::make_shared<TransactionXmlParser>(VAVInterface::labelList, VAVInterface::messageList,
                                                         fieldDictionaryOf(s.dictionary.getBaanFieldDefs()));
    std::shared_ptr<Transaction> definition = reader->loadTransaction(*s.locator, use.transaction);
    ASSERT_NE(definition, nullptr);
    Form* form = definition->getForm(use.form);
    ASSERT_NE(form, nullptr);
    for (const auto& [id, type] : use.fields) {
      Field* field = form->getField(id);
      ASSERT_NE(field, nullptr) << id;
      EXPECT_EQ(field->type, type) << id;
      // Passwords are typed masked.
      EXPECT_EQ(field->isMasked(), std::string(id).find("password") != std::string::npos) << id;
    }
  }
}

}  // namespace
}  // namespace tev::builtin
