// No C++ exception may reach the interpreter. Everything it calls passes
// through one of two doors: function_vectorcall (every method and function
// made from a FuncSpec) and the slot functions of the classes, each of which
// is installed as DZ_SLOT(f). Both turn an exception into a Python one.
#ifndef DIDAZODA_RUNTIME_GUARD_H
#define DIDAZODA_RUNTIME_GUARD_H

#include <new>
#include <stdexcept>
#include <type_traits>

#include "runtime/ref.h"

namespace dz {

// Sets the Python exception for the C++ exception being handled: MemoryError
// for an allocation that failed (a container's length_error included),
// SystemError for anything else. Call only inside a catch block.
void raise_from_cpp_exception() noexcept;

// The error result of a slot returning R: NULL, or -1.
template <typename R>
constexpr R slot_failure() {
  if constexpr (std::is_pointer<R>::value)
    return nullptr;
  else
    return static_cast<R>(-1);
}

template <auto F>
struct Slot;

template <typename R, typename... A, R (*F)(A...)>
struct Slot<F> {
  static R call(A... a) noexcept {
    try {
      return F(a...);
    } catch (...) {
      raise_from_cpp_exception();
      return slot_failure<R>();
    }
  }
};

}  // namespace dz

// The slot function f, guarded.
#define DZ_SLOT(...) (&::dz::Slot<&__VA_ARGS__>::call)

#endif
