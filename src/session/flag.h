// Flag: a yes/no argument that only a bool can fill. A string literal converts silently to bool in C++, so
// an operation with a text overload and a flag overload ("setBooleanValue (field id, text)" next to
// "setBooleanValue (field id, flag)") would pick the flag for setBooleanValue("qc", "N"). Taking a Flag
// instead turns such a call into a compile error or into the text overload, never into a silent true.
#pragma once

#include <concepts>

namespace tev {

class Flag {
 public:
  template <class B>
  requires std::same_as<B, bool>
  constexpr Flag(B value) : value_(value) {}  // NOLINT: implicit on purpose, for bool only

  constexpr operator bool() const { return value_; }

 private:
  bool value_;
};

}  // namespace tev
