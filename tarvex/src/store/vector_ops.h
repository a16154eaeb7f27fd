// Growing, trimming and compacting the vectors of the store.
#ifndef TARVEX_STORE_VECTOR_OPS_H
#define TARVEX_STORE_VECTOR_OPS_H

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace tvx {

// Room for extra more elements. Growing geometrically keeps a long run of
// one-element appends linear; reserve(size() + 1) would copy every time.
template <class T>
void grow(std::vector<T> &v, std::size_t extra) {
  const std::size_t need = v.size() + extra;
  if (need > v.capacity()) v.reserve(std::max(need, 2 * v.capacity()));
}

// Drops v's spare capacity; keeps it when there is no memory to move v.
template <class T>
void shrink(std::vector<T> &v) noexcept {
  if (v.capacity() == v.size()) return;
  try {
    v.shrink_to_fit();
  } catch (...) {
  }
}

// Keeps v[i] at new_index[i], which ascends over the kept elements.
template <class T>
void compact(std::vector<T> &v, const std::vector<int> &new_index) noexcept {
  std::size_t out = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (new_index[i] < 0) continue;
    // A self-move-assignment may empty a vector or a string.
    if (out != i) v[out] = std::move(v[i]);
    ++out;
  }
  v.erase(v.begin() + static_cast<std::ptrdiff_t>(out), v.end());
}

}  // namespace tvx

#endif
