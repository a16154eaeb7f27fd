#include "store/name_table.h"

#include <algorithm>
#include <utility>

#include "store/store.h"  // to_size
#include "store/vector_ops.h"

namespace tvx {

const std::string &NameTable::empty_name() {
  static const std::string empty;
  return empty;
}

void NameTable::reserve_extra(std::size_t extra, bool named) {
  if (named_) {
    grow(names_, extra);
  } else if (named) {
    std::vector<std::string> names;
    names.reserve(std::max(to_size(count_) + extra, 2 * to_size(count_)));
    names.resize(to_size(count_));
    names_ = std::move(names);
    named_ = true;
  }
}

void NameTable::append(std::string &&name) noexcept {
  ++count_;
  if (!named_) return;  // reserve_extra was told there is no name
  names_.push_back(std::move(name));
  if (!indexed_) return;
  try {
    index_add(names_.back(), size() - 1);
  } catch (...) {
    drop_index();  // a cache: losing it costs a rebuild, nothing else
  }
}

void NameTable::set(int i, std::string &&name) {
  if (!named_) {
    if (name.empty()) return;
    reserve_extra(0, true);
  }
  std::string &slot = names_[to_size(i)];
  if (indexed_ && slot != name) {
    try {
      if (!slot.empty()) {
        const auto it = index_.find(slot);
        if (it == index_.end()) {
          drop_index();  // cannot happen while the index is whole; rebuild to be safe
          slot = std::move(name);
          return;
        }
        if (--it->second.count == 0) {
          index_.erase(it);
        } else if (it->second.lowest == i) {
          it->second.lowest = kStale;
        }
      }
      index_add(name, i);
    } catch (...) {
      drop_index();
    }
  }
  slot = std::move(name);
}

void NameTable::index_add(const std::string &name, int i) const {
  if (name.empty()) return;
  const auto [it, inserted] = index_.try_emplace(name, Entry{i, 1});
  if (inserted) return;
  ++it->second.count;
  if (it->second.lowest != kStale && i < it->second.lowest) it->second.lowest = i;
}

void NameTable::drop_index() const noexcept {
  index_.clear();
  indexed_ = false;
}

int NameTable::find(const std::string &name) const {
  if (name.empty() || !named_) return -1;
  if (!indexed_) {
    try {
      index_.reserve(names_.size());
      for (int i = 0; i < size(); ++i) index_add(names_[to_size(i)], i);
      indexed_ = true;
    } catch (...) {
      drop_index();
    }
  }
  if (indexed_) {
    const auto it = index_.find(name);
    if (it == index_.end()) return -1;
    if (it->second.lowest != kStale) return it->second.lowest;
    const auto hit = std::find(names_.begin(), names_.end(), name);
    it->second.lowest = static_cast<int>(hit - names_.begin());
    return it->second.lowest;
  }
  // Without memory for an index, a scan still answers.
  const auto hit = std::find(names_.begin(), names_.end(), name);
  return hit == names_.end() ? -1 : static_cast<int>(hit - names_.begin());
}

void NameTable::compact(const std::vector<int> &new_index) noexcept {
  count_ = static_cast<int>(
      std::count_if(new_index.begin(), new_index.end(), [](int k) { return k >= 0; }));
  if (named_) tvx::compact(names_, new_index);
  drop_index();
}

}  // namespace tvx
