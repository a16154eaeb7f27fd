// The names of one element kind of the store, by index.
#ifndef TARVEX_STORE_NAME_TABLE_H
#define TARVEX_STORE_NAME_TABLE_H

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/numeric.h"

namespace tvx {

// The names of one element kind, by index. find() gives the lowest index
// holding a name. Its index is built on the first lookup and then kept up to
// date: append and set cost O(1) expected. Only renaming the lowest of
// several equal names leaves that one name to be found again by a scan at
// its next lookup; deletions drop the index (they are O(n) anyway).
//
// A kind whose elements are all unnamed holds no strings at all, only their
// count: the strings are made when the first name arrives.
class NameTable {
 public:
  int size() const { return count_; }
  const std::string &operator[](int i) const { return named_ ? names_[to_size(i)] : empty_name(); }

  // Room for extra more names, grown geometrically; named: whether any of
  // them is a name (not empty).
  void reserve_extra(std::size_t extra, bool named);
  // No allocation once reserve_extra made room; never throws.
  void append(std::string &&name) noexcept;
  // The first name given to a kind whose elements are all unnamed makes
  // their strings, which may throw std::bad_alloc: then nothing changed.
  void set(int i, std::string &&name);
  // -1 when no element has that name; the empty name (no name) never matches.
  int find(const std::string &name) const;
  // Keeps name i at new_index[i] (ascending over the kept ones), drops those
  // mapped to -1.
  void compact(const std::vector<int> &new_index) noexcept;

 private:
  struct Entry {
    int lowest;  // kStale: the lowest holder was renamed, scan at lookup
    int count;   // elements holding the name
  };
  static constexpr int kStale = -1;
  static const std::string &empty_name();
  void index_add(const std::string &name, int i) const;
  void drop_index() const noexcept;

  int count_ = 0;
  bool named_ = false;              // names_ holds count_ strings
  std::vector<std::string> names_;  // empty while !named_
  mutable std::unordered_map<std::string, Entry> index_;
  mutable bool indexed_ = false;
};

}  // namespace tvx

#endif
