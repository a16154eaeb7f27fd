// The library's numbers: its two infinities and the way between them, and
// its indices as sizes. Every folder takes them from here.
#ifndef TARVEX_CORE_NUMERIC_H
#define TARVEX_CORE_NUMERIC_H

#include <cmath>
#include <cstddef>
#include <limits>

#include "tarvex.h"

namespace tvx {

// IEEE infinity: a bound as solving and checking see it.
constexpr double kInf = std::numeric_limits<double>::infinity();
// The library's infinity (TVX_INFINITY): a bound, time limit or cutoff of
// this magnitude or more counts as infinite.
constexpr double kInfinity = TVX_INFINITY;

// value mapped to +-kInf when its magnitude is kInfinity or more: the store
// keeps values as received, solving and checking see them this way.
constexpr double finite_or_inf(double value) {
  if (value >= kInfinity) return kInf;
  if (value <= -kInfinity) return -kInf;
  return value;
}

// The inverse, for a value the library gives back to its caller: an IEEE
// infinity as kInfinity of its sign; any other value as it is.
constexpr double as_reported(double value) {
  if (value == kInf) return kInfinity;
  if (value == -kInf) return -kInfinity;
  return value;
}

// The integers an integral variable's bounds allow, rounded inward; a bound
// within tol of an integer counts as that integer (25.9999999 allows 26).
inline double integer_at_or_above(double lower, double tol) { return std::ceil(lower - tol); }
inline double integer_at_or_below(double upper, double tol) { return std::floor(upper + tol); }

// Indices and counts are int (the C interface's type) and never negative;
// containers take size_t. The library builds with -Wsign-conversion, so an
// int taken as a size is converted in writing, with to_size.
inline std::size_t to_size(int n) { return static_cast<std::size_t>(n); }
// Only an int: any other type would convert silently first.
template <class T>
std::size_t to_size(T) = delete;

// A container's size as an int, for one the store's limits keep within int
// (the compiler does not flag this direction).
template <class Container>
int int_size(const Container &c) {
  return static_cast<int>(c.size());
}

}  // namespace tvx

#endif
