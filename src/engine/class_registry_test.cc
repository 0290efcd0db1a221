#include "engine/class_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tev {
namespace {

// A little hierarchy: C extends B extends A extends TransactionUtils (itself registered with handlers, which
// the look-up must never find), and D extends TransactionUtils directly.
std::vector<std::string> calls;

struct Utils : ProcessingObject {
  void shared_form_enter() { calls.push_back("Utils"); }
};
struct A : Utils {
  void both_form_enter() { calls.push_back("A"); }
  void a_only_form_enter() { calls.push_back("A"); }
  std::string pm_text = "t";
};
struct B : A {
  void both_form_enter() { calls.push_back("B"); }
  void pick_clean() { calls.push_back("B clean"); }
  bool pm_flag = false;
};
struct C : B {
  void own_form_enter() { calls.push_back("C"); }
  std::vector<std::string> pm_order_types_keys;
  int counter = 0;
  double ratio = 0.5;
};
struct D : Utils {};

ClassRegistry makeRegistry() {
  ClassRegistry registry;
  registry.add(ClassDef<Utils>(ClassRegistry::kTransactionUtils, ClassRegistry::kTransactionLogic)
                   .TEV_HANDLER(Utils, shared_form_enter)
                   .done());
  registry.add(ClassDef<A>("tev.transaction.A", ClassRegistry::kTransactionUtils)
                   .TEV_HANDLER(A, both_form_enter)
                   .TEV_HANDLER(A, a_only_form_enter)
                   .TEV_MEMBER(A, pm_text)
                   .done());
  registry.add(ClassDef<B>("tev.transaction.B", "tev.transaction.A")
                   .TEV_HANDLER(B, both_form_enter)
                   .TEV_HANDLER(B, pick_clean)
                   .TEV_MEMBER(B, pm_flag)
                   .done());
  registry.add(ClassDef<C>("tev.transaction.C", "tev.transaction.B")
                   .TEV_HANDLER(C, own_form_enter)
                   .TEV_MEMBER(C, pm_order_types_keys)
                   .TEV_MEMBER(C, counter)
                   .TEV_MEMBER(C, ratio)
                   .done());
  registry.add(ClassDef<D>("tev.transaction.D", ClassRegistry::kTransactionUtils).done());
  return registry;
}

TEST(ClassRegistry, HandlerLookUpClimbsToTheLevelNearestTheBases) {
  ClassRegistry registry = makeRegistry();
  struct Case {
    const char* cls;
    const char* handler;
    const char* declaring;  // nullptr: not found
  } cases[] = {
      {"tev.transaction.C", "own_form_enter", "tev.transaction.C"},
      {"tev.transaction.C", "both_form_enter", "tev.transaction.A"},  // B and A declare it: A wins
      {"tev.transaction.C", "a_only_form_enter", "tev.transaction.A"},
      {"tev.transaction.B", "both_form_enter", "tev.transaction.B"},  // own class first
      {"tev.transaction.C", "shared_form_enter", nullptr},            // TransactionUtils is never searched
      {"tev.transaction.D", "shared_form_enter", nullptr},
      {"tev.transaction.C", "missing_form_enter", nullptr},
      {"tev.transaction.Unknown", "own_form_enter", nullptr},
  };
  for (const Case& c : cases) {
    log::Capture capture;
    FoundHandler found = registry.findHandler(c.cls, c.handler, log::get("test"));
    if (c.declaring == nullptr) {
      EXPECT_FALSE(found) << c.cls << " " << c.handler;
    } else {
      ASSERT_TRUE(found) << c.cls << " " << c.handler;
      EXPECT_EQ(found.declaringClass, c.declaring) << c.cls << " " << c.handler;
    }
  }
}

TEST(ClassRegistry, LookUpLogsTheMissAndEveryClimb) {
  ClassRegistry registry = makeRegistry();
  log::Capture capture;
  registry.findHandler("tev.transaction.C", "both_form_enter", log::get("test"));
  std::vector<std::string> texts;
  for (const auto& line : capture.lines()) texts.push_back(line.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Method : both_form_enter not present in the class :tev.transaction.C",
                       "Class Name : tev.transaction.C  SuperClass name :tev.transaction.B",
                       "Class Name : tev.transaction.C  SuperClass name :tev.transaction.A",
                   }));
}

TEST(ClassRegistry, FoundHandlersRunOnAnObjectOfTheSubclass) {
  ClassRegistry registry = makeRegistry();
  auto object = registry.create("tev.transaction.C");
  calls.clear();
  registry.findHandler("tev.transaction.C", "both_form_enter", log::get("test")).handler->operator()(*object);
  registry.findOwnHandler("tev.transaction.B", "pick_clean").handler->operator()(*object);
  EXPECT_EQ(calls, (std::vector<std::string>{"A", "B clean"}));
  EXPECT_FALSE(registry.findOwnHandler("tev.transaction.C", "pick_clean"));  // inherited, not own
}

TEST(ClassRegistry, MembersByNameOwnOrInherited) {
  ClassRegistry registry = makeRegistry();
  auto object = registry.create("tev.transaction.C");
  const MemberAccess* flag = registry.findMember("tev.transaction.C", "pm_flag", true);
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(flag->kind, MemberKind::Boolean);
  flag->set(*object, true);
  EXPECT_TRUE(dynamic_cast<C&>(*object).pm_flag);
  EXPECT_EQ(registry.findMember("tev.transaction.C", "pm_flag", false), nullptr);  // declared by B
  EXPECT_EQ(registry.findMember("tev.transaction.C", "nothing", true), nullptr);

  const MemberAccess* keys = registry.findMember("tev.transaction.C", "pm_order_types_keys", false);
  keys->set(*object, std::vector<std::string>{"1", "2"});
  EXPECT_EQ(std::get<std::vector<std::string>>(keys->get(*object)), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(std::get<std::string>(registry.findMember("tev.transaction.C", "pm_text", true)->get(*object)),
            "t");
  EXPECT_EQ(std::get<double>(registry.findMember("tev.transaction.C", "ratio", false)->get(*object)), 0.5);
  EXPECT_THROW(registry.findMember("tev.transaction.C", "counter", false)->set(*object, std::string("x")),
               Error);
}

TEST(ClassRegistry, CreationErrors) {
  ClassRegistry registry = makeRegistry();
  EXPECT_THROW(registry.create("tev.transaction.Nope"), Error);
  EXPECT_THROW(registry.add(ClassDef<D>("tev.transaction.D", "").done()), Error);
  EXPECT_NE(registry.create("tev.transaction.D"), nullptr);
}

}  // namespace
}  // namespace tev
