#include "store/sparse_list.h"

#include <algorithm>
#include <climits>

#include "store/vector_ops.h"

namespace tvx {

void SparseList::reserve_append(std::size_t vectors, std::size_t entries) {
  grow(start_, vectors);
  grow(len_, vectors);
  grow(cap_, vectors);
  grow(ind_, entries);
  grow(val_, entries);
}

void SparseList::append(int n, const int *ind, const double *val) noexcept {
  start_.push_back(ind_.size());
  len_.push_back(n);
  cap_.push_back(n);
  if (n > 0) {
    ind_.insert(ind_.end(), ind, ind + n);
    val_.insert(val_.end(), val, val + n);
  }
  nnz_ += to_size(n);
  owned_ += to_size(n);
}

void SparseList::reserve_push(int k, int extra) {
  const auto kk = to_size(k);
  const int len = len_[kk];
  if (cap_[kk] - len >= extra) return;
  const long long need = static_cast<long long>(len) + extra;
  const int cap =
      static_cast<int>(std::min<long long>(INT_MAX, std::max<long long>({need, 2LL * len, 4LL})));
  const std::size_t start = start_[kk];
  if (start + to_size(cap_[kk]) == ind_.size()) {
    // The last vector of the pool grows where it is.
    const std::size_t more = to_size(cap - cap_[kk]);
    grow(ind_, more);
    grow(val_, more);
    ind_.resize(ind_.size() + more);
    val_.resize(val_.size() + more);
  } else {
    grow(ind_, to_size(cap));
    grow(val_, to_size(cap));
    // No reallocation from here on, so the old slots stay readable.
    const std::size_t at = ind_.size();
    ind_.resize(at + to_size(cap));
    val_.resize(at + to_size(cap));
    std::copy_n(ind_.begin() + static_cast<std::ptrdiff_t>(start), len,
                ind_.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy_n(val_.begin() + static_cast<std::ptrdiff_t>(start), len,
                val_.begin() + static_cast<std::ptrdiff_t>(at));
    start_[kk] = at;
  }
  owned_ += to_size(cap - cap_[kk]);
  cap_[kk] = cap;
  compact_if_worthwhile();
}

void SparseList::push(int k, int index, double value) noexcept {
  const auto kk = to_size(k);
  const std::size_t at = start_[kk] + to_size(len_[kk]);
  ind_[at] = index;
  val_[at] = value;
  ++len_[kk];
  ++nnz_;
}

void SparseList::assign(int k, int n, const int *ind, const double *val) noexcept {
  const auto kk = to_size(k);
  std::copy_n(ind, n, ind_.begin() + static_cast<std::ptrdiff_t>(start_[kk]));
  std::copy_n(val, n, val_.begin() + static_cast<std::ptrdiff_t>(start_[kk]));
  nnz_ = nnz_ - to_size(len_[kk]) + to_size(n);
  len_[kk] = n;
}

int SparseList::position(int k, int index) const {
  const int *ind = this->index(k);
  const int *hit = std::find(ind, ind + length(k), index);
  return hit == ind + length(k) ? -1 : static_cast<int>(hit - ind);
}

void SparseList::remove_vectors(const std::vector<int> &new_index) noexcept {
  for (std::size_t k = 0; k < len_.size(); ++k) {
    if (new_index[k] >= 0) continue;
    nnz_ -= to_size(len_[k]);
    owned_ -= to_size(cap_[k]);
  }
  compact(start_, new_index);
  compact(len_, new_index);
  compact(cap_, new_index);
  compact_if_worthwhile();
}

void SparseList::remap_entries(const std::vector<int> &new_index) noexcept {
  for (std::size_t k = 0; k < len_.size(); ++k) {
    int *ind = ind_.data() + start_[k];
    double *val = val_.data() + start_[k];
    int out = 0;
    for (int e = 0; e < len_[k]; ++e) {
      const int target = new_index[to_size(ind[e])];
      if (target < 0) continue;
      ind[out] = target;
      val[out] = val[e];
      ++out;
    }
    nnz_ -= to_size(len_[k] - out);
    len_[k] = out;
  }
}

// Keeps every vector's capacity, so room given by reserve_push survives.
void SparseList::compact_if_worthwhile() noexcept {
  if (garbage() <= owned_ || garbage() < 4096) return;
  try {
    std::vector<int> ind(owned_);
    std::vector<double> val(owned_);
    std::size_t at = 0;
    for (std::size_t k = 0; k < len_.size(); ++k) {
      std::copy_n(ind_.begin() + static_cast<std::ptrdiff_t>(start_[k]), len_[k],
                  ind.begin() + static_cast<std::ptrdiff_t>(at));
      std::copy_n(val_.begin() + static_cast<std::ptrdiff_t>(start_[k]), len_[k],
                  val.begin() + static_cast<std::ptrdiff_t>(at));
      start_[k] = at;
      at += to_size(cap_[k]);
    }
    ind_.swap(ind);
    val_.swap(val);
  } catch (...) {
    // Without memory to compact, the garbage simply stays.
  }
}

void SparseList::trim() noexcept {
  shrink(ind_);
  shrink(val_);
  shrink(start_);
  shrink(len_);
  shrink(cap_);
}

}  // namespace tvx
