// Sizes as each side counts them: Python in Py_ssize_t (npy_intp for numpy),
// containers in std::size_t, the library in int. The module builds with
// -Wconversion and -Wsign-conversion, so a change from one to another is
// written, and only with these (tools/check_module_rules.sh refuses a cast to
// a size type anywhere else).
#ifndef DIDAZODA_RUNTIME_SIZES_H
#define DIDAZODA_RUNTIME_SIZES_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <climits>
#include <cstddef>
#include <limits>
#include <type_traits>

namespace dz {

// A count or index known to be >= 0 (the library's int, a Py_ssize_t) as a
// container's size. Unsigned values need no conversion and are refused.
template <class T>
constexpr std::size_t to_size(T n) {
  static_assert(std::is_integral<T>::value && std::is_signed<T>::value, "a signed count");
  return static_cast<std::size_t>(n);
}

// A size in memory as a Python count: no object exceeds PY_SSIZE_T_MAX
// bytes, so any container's size fits.
constexpr Py_ssize_t py_size(std::size_t n) { return static_cast<Py_ssize_t>(n); }
template <class Container>
Py_ssize_t py_size(const Container &c) {
  return py_size(c.size());
}

// OverflowError "value too large to convert to int", for a count that does
// not fit the library's int. Returns false.
bool raise_int32_overflow();

// A count or position (n >= 0), or a container's size, as the int the
// library takes; false with that OverflowError when it does not fit. The one
// narrowing of a size in the module.
template <class T, std::enable_if_t<std::is_integral<T>::value, int> = 0>
bool int_size(T n, int *out) {
  static_assert(sizeof(T) >= sizeof(int), "a count at least as wide as int");
  if constexpr (static_cast<unsigned long long>(std::numeric_limits<T>::max()) > INT_MAX) {
    if (n > static_cast<T>(INT_MAX)) return raise_int32_overflow();
  }
  *out = static_cast<int>(n);
  return true;
}
template <class Container, std::enable_if_t<!std::is_integral<Container>::value, int> = 0>
bool int_size(const Container &c, int *out) {
  return int_size(c.size(), out);
}

}  // namespace dz

#endif
