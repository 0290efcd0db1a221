// Creation by name, handlers by name and members by name: the stand-in for the reflection the transaction
// engine relies on.
//
// Every transaction class describes itself next to its code, once:
//
//   ClassDescriptor Receipts::describe() {
//     return ClassDef<Receipts>("tev.transaction.Receipts", "tev.transaction.TransactionUtils")
//         .TEV_HANDLER(Receipts, receipt_form_enter)
//         .TEV_HANDLER(Receipts, receipt_item_field_exit)
//         .TEV_MEMBER(Receipts, pm_use_lots)
//         .done();
//   }
//
// and one registration file per folder adds the descriptors of its classes to the registry at start-up (no
// static self-registration: the linker would drop it). The macros take the member itself, so a handler or
// member name that does not exist in the class is a compile error, and the registered name always equals
// the member's name.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "common/error.h"
#include "common/log.h"
#include "engine/processing_object.h"

namespace tev {

// The value of a member read or written by name: absent, text, yes/no, integer, decimal or a list of texts.
using MemberValue = std::variant<std::monostate, std::string, bool, int, double, std::vector<std::string>>;

enum class MemberKind { Text, Boolean, Integer, Decimal, TextList };

struct MemberAccess {
  MemberKind kind;
  std::function<MemberValue(const ProcessingObject&)> get;
  // Throws tev::Error when the value is not of the member's kind.
  std::function<void(ProcessingObject&, const MemberValue&)> set;
};

using Handler = std::function<void(ProcessingObject&)>;

struct ClassDescriptor {
  std::string name;
  std::string parent;                                          // "" at the top
  std::function<std::unique_ptr<ProcessingObject>()> factory;  // empty for a class that cannot be created
  std::map<std::string, Handler> handlers;                     // declared by the class itself
  std::map<std::string, MemberAccess> members;                 // declared by the class itself
};

namespace detail {
template <class M>
constexpr MemberKind memberKind() {
  if constexpr (std::is_same_v<M, std::string>)
    return MemberKind::Text;
  else if constexpr (std::is_same_v<M, bool>)
    return MemberKind::Boolean;
  else if constexpr (std::is_same_v<M, int>)
    return MemberKind::Integer;
  else if constexpr (std::is_same_v<M, double>)
    return MemberKind::Decimal;
  else if constexpr (std::is_same_v<M, std::vector<std::string>>)
    return MemberKind::TextList;
  else
    static_assert(!sizeof(M),
                  "members by name are std::string, bool, int, double or std::vector<std::string>");
}
}  // namespace detail

// Builds the descriptor of class T (T derives from ProcessingObject).
template <class T>
class ClassDef {
  static_assert(std::is_base_of_v<ProcessingObject, T>, "a described class derives from ProcessingObject");

 public:
  ClassDef(std::string name, std::string parent) {
    d_.name = std::move(name);
    d_.parent = std::move(parent);
    if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
      d_.factory = [] { return std::unique_ptr<ProcessingObject>(new T()); };
  }

  ClassDef& handler(const std::string& name, void (T::*fn)()) {
    d_.handlers[name] = [fn](ProcessingObject& object) { (cast(object).*fn)(); };
    return *this;
  }

  template <class M>
  ClassDef& member(const std::string& name, M T::*field) {
    constexpr MemberKind kind = detail::memberKind<M>();
    std::string className = d_.name;
    d_.members[name] = MemberAccess{
        kind, [field](const ProcessingObject& object) { return MemberValue(cast(object).*field); },
        [field, name, className](ProcessingObject& object, const MemberValue& value) {
          if (const M* typed = std::get_if<M>(&value)) {
            cast(object).*field = *typed;
            return;
          }
          throw Error("The member " + name + " of " + className + " cannot take a value of another type");
        }};
    return *this;
  }

  ClassDescriptor done() { return std::move(d_); }

 private:
  static T& cast(ProcessingObject& object) { return dynamic_cast<T&>(object); }
  static const T& cast(const ProcessingObject& object) { return dynamic_cast<const T&>(object); }

  ClassDescriptor d_;
};

#define TEV_HANDLER(Class, fn) handler(#fn, &Class::fn)
#define TEV_MEMBER(Class, m) member(#m, &Class::m)

// A found handler and the class that declares it.
struct FoundHandler {
  const Handler* handler = nullptr;
  std::string declaringClass;
  explicit operator bool() const { return handler != nullptr; }
};

class ClassRegistry {
 public:
  // The two bases whose own operations the handler look-up never searches.
  static inline const std::string kTransactionUtils = "tev.transaction.TransactionUtils";
  static inline const std::string kTransactionLogic = "tev.framework.application.TransactionLogic";
  // Transaction classes are named after their transaction id.
  static inline const std::string kTransactionPackage = "tev.transaction.";

  // The registry of the process, filled once at start-up by the folders' registration functions.
  static ClassRegistry& process();

  // Adds a class; a second class of the same name is an error.
  void add(ClassDescriptor descriptor);
  const ClassDescriptor* find(const std::string& name) const;
  // A new instance of the named class; an unknown class or one that cannot be created is an error.
  std::unique_ptr<ProcessingObject> create(const std::string& name) const;

  // The processor's handler look-up: the class's own handlers first; when it lacks the name, logs
  // "Method : <name> not present in the class :<class>" and climbs through the parents as long as the parent
  // is neither TransactionUtils nor TransactionLogic (logging "Class Name : <class>  SuperClass name
  // :<parent>" for each), where every level that declares the name replaces the earlier find, so the
  // declaring level nearest those bases wins. The two bases are never searched.
  FoundHandler findHandler(const std::string& className, const std::string& name,
                           const log::Logger& logger) const;
  // Only the class's own handlers (the escape "clean" look-up).
  FoundHandler findOwnHandler(const std::string& className, const std::string& name) const;

  // A member by name: declared by the class itself, or (withInherited) by the class or any of its bases.
  const MemberAccess* findMember(const std::string& className, const std::string& name,
                                 bool withInherited) const;

 private:
  std::map<std::string, ClassDescriptor> classes_;
};

}  // namespace tev
