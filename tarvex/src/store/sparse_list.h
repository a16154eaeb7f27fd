// The sparse vectors of the store, kept in one pool per kind.
#ifndef TARVEX_STORE_SPARSE_LIST_H
#define TARVEX_STORE_SPARSE_LIST_H

#include <cstddef>
#include <vector>

#include "core/numeric.h"

namespace tvx {

// A sequence of sparse vectors (rows of a matrix, SOS member lists, PSD
// objective matrices) in one pool. Vector k owns the slots
// [start_[k], start_[k] + cap_[k]) of the pool, its first len_[k] in use, in
// the order given. A vector that outgrows its slots moves to the end of the
// pool with room to double, so growing any vector entry by entry is amortised
// O(1); the pool is compacted when garbage outweighs the live slots.
class SparseList {
 public:
  int size() const { return int_size(len_); }
  int length(int k) const { return len_[to_size(k)]; }
  const int *index(int k) const { return ind_.data() + start_[to_size(k)]; }
  const double *value(int k) const { return val_.data() + start_[to_size(k)]; }
  double *value(int k) { return val_.data() + start_[to_size(k)]; }
  // Entries of all vectors together.
  std::size_t nnz() const { return nnz_; }

  // Room to append `vectors` vectors holding `entries` entries together.
  void reserve_append(std::size_t vectors, std::size_t entries);
  // Appends a vector; n entries of ind and val (null when n is 0). Never
  // throws once reserve_append made room.
  void append(int n, const int *ind, const double *val) noexcept;
  // Room for `extra` more entries in vector k; may move it (the move is
  // atomic: a failed allocation changes nothing).
  void reserve_push(int k, int extra);
  // Appends one entry to vector k, which must have room.
  void push(int k, int index, double value) noexcept;
  // Replaces vector k by n entries; it must have room for n (reserve_push).
  void assign(int k, int n, const int *ind, const double *val) noexcept;
  // Position of index in vector k, or -1.
  int position(int k, int index) const;

  // Keeps vector k at new_index[k] (ascending over the kept ones), drops
  // those mapped to -1.
  void remove_vectors(const std::vector<int> &new_index) noexcept;
  // Gives back the room reserved for growth (see Store::trim).
  void trim() noexcept;
  // Rewrites every entry index i as new_index[i], dropping the entries mapped
  // to -1; the others keep their order.
  void remap_entries(const std::vector<int> &new_index) noexcept;

 private:
  std::size_t garbage() const { return ind_.size() - owned_; }
  void compact_if_worthwhile() noexcept;

  std::vector<int> ind_;
  std::vector<double> val_;
  std::vector<std::size_t> start_;
  std::vector<int> len_;
  std::vector<int> cap_;
  std::size_t nnz_ = 0;    // sum of len_
  std::size_t owned_ = 0;  // sum of cap_; the rest of the pool is garbage
};

}  // namespace tvx

#endif
