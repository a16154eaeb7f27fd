// Pattern selection over a tuplelist through its inverted index: per field
// position, a dict from each value to the ascending positions holding it. A
// selection reads the position lists of the constrained fields, intersects
// them shortest first while merging is cheaper than testing, and tests the
// remaining candidates element by element. It never scans the whole list.
//
// Comparisons and hashing run Python code that may change the list, its index
// or the pattern's lists: every position is range-checked when read, the
// index is read through a held reference, and a change of the contents made
// meanwhile through the class fails the selection.
#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

#include "containers/containers.h"
#include "runtime/args.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

inline tuplelistObject *T(PyObject *o) { return as_tuplelist(o); }

// Length of a sequence element (a subclass may define __len__), -1 on error.
Py_ssize_t element_length(PyObject *e) {
  if (PyTuple_CheckExact(e)) return PyTuple_GET_SIZE(e);
  if (PyList_CheckExact(e)) return PyList_GET_SIZE(e);
  return PyObject_Size(e);
}

// Number of fields: the first element's length, 1 for scalars; -1 on error.
Py_ssize_t field_count(PyObject *self) {
  Ref first = Ref::borrow(PyList_GET_ITEM(self, 0));
  return is_sequence_element(first.get()) ? element_length(first.get()) : 1;
}

// Field j of an element (new reference): its item j, or a scalar itself.
PyObject *field_value(PyObject *e, Py_ssize_t j) {
  if (!is_sequence_element(e)) return Ref::borrow(e).release();
  return PySequence_GetItem(e, j);
}

PyObject *wildcard_of(PyObject *self) {
  PyObject *w = T(self)->wildcard_;
  return Ref::borrow(w ? w : Py_None).release();
}

PyObject *changed_error() {
  PyErr_SetString(PyExc_RuntimeError, "tuplelist changed during selection");
  return nullptr;
}

PyObject *bad_index(const char *what) {
  PyErr_Format(PyExc_ValueError, "tuple_index_ does not index this tuplelist: %s", what);
  return nullptr;
}

// Reads a position list of the index. Runs no Python code, so the list cannot
// change while it is read.
bool read_positions(PyObject *list, Positions &out) {
  if (!PyList_Check(list)) {
    bad_index("a position list is no list");
    return false;
  }
  Py_ssize_t n = PyList_GET_SIZE(list);
  out.clear();
  out.reserve(to_size(n));
  for (Py_ssize_t k = 0; k < n; k++) {
    PyObject *p = PyList_GET_ITEM(list, k);
    long v = PyLong_Check(p) ? PyLong_AsLong(p) : -1;
    if (v == -1 && PyErr_Occurred()) PyErr_Clear();
    if (v < 0 || v > INT32_MAX || (!out.empty() && v <= out.back())) {
      bad_index("positions must be ascending list positions");
      return false;
    }
    int position = 0;
    if (!int_size(v, &position)) return false;
    out.push_back(position);
  }
  return true;
}

// A tuple of the members of a multi-value field, safe to read while its
// members' comparisons run.
PyObject *members_of(PyObject *field) {
  if (PyTuple_Check(field)) return Ref::borrow(field).release();
  return PySequence_Tuple(field);
}

// 1 when the pattern field accepts the value: the wildcard, an equal value,
// or a multi-value field holding an equal member.
int field_accepts(PyObject *field, PyObject *wildcard, PyObject *value) {
  int r = PyObject_RichCompareBool(field, wildcard, Py_EQ);
  if (r) return r;
  r = PyObject_RichCompareBool(field, value, Py_EQ);
  if (r || !is_sequence_element(field)) return r;
  Ref members(members_of(field));
  if (!members) return -1;
  for (Py_ssize_t m = 0; m < PyTuple_GET_SIZE(members.get()); m++) {
    r = PyObject_RichCompareBool(PyTuple_GET_ITEM(members.get(), m), value, Py_EQ);
    if (r) return r;
  }
  return 0;
}

// A new tuplelist of the elements at the given positions, in that order,
// each appended under the shape rule.
PyObject *result_of(PyObject *self, const Positions &positions, size_t limit) {
  Ref result(tuplelist_new());
  if (!result) return nullptr;
  for (size_t k = 0; k < positions.size() && k < limit; k++) {
    if (positions[k] >= PyList_GET_SIZE(self)) return changed_error();
    Ref e = Ref::borrow(PyList_GET_ITEM(self, positions[k]));
    if (tuplelist_ops.append(result.get(), e.get()) < 0) return nullptr;
  }
  return result.release();
}

// Every element, or only the first one for a membership test.
PyObject *all_of(PyObject *self, bool first_only) {
  if (first_only) return result_of(self, Positions{0}, 1);
  // tuplelist(self): the constructor's copy, under the shape rule.
  Ref result(tuplelist_new());
  if (!result) return nullptr;
  Ref star = Ref::borrow(T(result.get())->wildcard_);
  if (tuplelist_ops.constructor(result.get(), self, star.get()) < 0) return nullptr;
  return result.release();
}

}  // namespace

PyObject *tuplelist_build(PyObject *self) {
  Py_ssize_t n = PyList_GET_SIZE(self);
  if (n > INT32_MAX) return raise_int32_overflow(), nullptr;
  const uint64_t version = T(self)->version_;
  Py_ssize_t nfields = n ? field_count(self) : 0;
  if (nfields < 0) return nullptr;
  // Built aside and handed out only when complete: a failure leaves no
  // partial index behind.
  Ref index(PyList_New(nfields));
  if (!index) return nullptr;
  for (Py_ssize_t j = 0; j < nfields; j++) {
    PyObject *d = PyDict_New();
    if (!d) return nullptr;
    PyList_SET_ITEM(index.get(), j, d);
  }
  for (Py_ssize_t i = 0; i < n; i++) {
    if (i >= PyList_GET_SIZE(self)) return changed_error();
    Ref e = Ref::borrow(PyList_GET_ITEM(self, i));
    Ref position(PyLong_FromSsize_t(i));  // one object shared by every field
    if (!position) return nullptr;
    for (Py_ssize_t j = 0; j < nfields; j++) {
      Ref value(field_value(e.get(), j));
      if (!value) return nullptr;
      PyObject *d = PyList_GET_ITEM(index.get(), j);
      PyObject *entry = PyDict_GetItemWithError(d, value.get());  // borrowed
      if (entry) {
        if (PyList_Append(entry, position.get()) < 0) return nullptr;
        continue;
      }
      if (PyErr_Occurred()) return nullptr;
      Ref fresh(PyList_New(1));
      if (!fresh) return nullptr;
      PyList_SET_ITEM(fresh.get(), 0, position.newref());
      if (PyDict_SetItem(d, value.get(), fresh.get()) < 0) return nullptr;
    }
  }
  if (T(self)->version_ != version || PyList_GET_SIZE(self) != n) return changed_error();
  return index.release();
}

void positions_disjoint(const Positions &a, const Positions &b, Positions &out) {
  out.clear();
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] == b[j]) {
      out.push_back(a[i]);
      i++;
      j++;
    } else if (a[i] < b[j]) {
      i++;
    } else {
      j++;
    }
  }
}

// A k-way merge through a heap of list heads: one pass over all positions.
void positions_union(const std::vector<Positions> &lists, Positions &out) {
  out.clear();
  using Head = std::pair<int32_t, size_t>;  // next position, list
  std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
  std::vector<size_t> next(lists.size(), 0);
  size_t total = 0;
  for (size_t l = 0; l < lists.size(); l++) {
    total += lists[l].size();
    if (!lists[l].empty()) heads.emplace(lists[l][0], l);
  }
  out.reserve(total);
  while (!heads.empty()) {
    auto [p, l] = heads.top();
    heads.pop();
    if (out.empty() || out.back() != p) out.push_back(p);
    if (++next[l] < lists[l].size()) heads.emplace(lists[l][next[l]], l);
  }
}

int tuplelist_inv_lists(PyObject *self, PyObject *index, PyObject *pattern,
                        std::vector<Candidates> &lists, bool *all_free) {
  lists.clear();
  *all_free = false;
  if (PyList_GET_SIZE(self) == 0) return 0;
  Py_ssize_t nfields = field_count(self);
  if (nfields < 0) return -1;
  Py_ssize_t npattern = PyTuple_GET_SIZE(pattern);
  if (npattern > nfields) return 0;
  Ref wildcard(wildcard_of(self));
  bool free_so_far = true;
  for (Py_ssize_t i = 0; i < npattern; i++) {
    PyObject *field = PyTuple_GET_ITEM(pattern, i);
    int r = PyObject_RichCompareBool(field, wildcard.get(), Py_EQ);
    if (r < 0) return -1;
    if (r) continue;
    free_so_far = false;
    if (!PyList_Check(index) || i >= PyList_GET_SIZE(index) ||
        !PyDict_Check(PyList_GET_ITEM(index, i))) {
      bad_index("expected one dict per field");
      return -1;
    }
    Ref d = Ref::borrow(PyList_GET_ITEM(index, i));
    Candidates c;
    if (is_sequence_element(field)) {
      Ref members(members_of(field));
      if (!members) return -1;
      std::vector<Positions> found;
      for (Py_ssize_t m = 0; m < PyTuple_GET_SIZE(members.get()); m++) {
        PyObject *entry = PyDict_GetItemWithError(d.get(), PyTuple_GET_ITEM(members.get(), m));
        if (!entry) {
          if (PyErr_Occurred()) return -1;
          continue;
        }
        found.emplace_back();
        if (!read_positions(entry, found.back())) return -1;
      }
      if (found.empty()) {
        lists.clear();
        return 0;
      }
      positions_union(found, c.merged);
    } else {
      PyObject *entry = PyDict_GetItemWithError(d.get(), field);
      if (!entry) {
        lists.clear();
        return PyErr_Occurred() ? -1 : 0;
      }
      if (!PyList_Check(entry)) {
        bad_index("a position list is no list");
        return -1;
      }
      c.list = Ref::borrow(entry);
    }
    lists.push_back(std::move(c));
  }
  *all_free = free_so_far;
  return 0;
}

int tuplelist_match(PyObject *self, Py_ssize_t i, PyObject *pattern) {
  if (i < 0 || i >= PyList_GET_SIZE(self)) {
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return -1;
  }
  Ref e = Ref::borrow(PyList_GET_ITEM(self, i));
  Ref wildcard(wildcard_of(self));
  Py_ssize_t npattern = PyTuple_GET_SIZE(pattern);
  if (!is_sequence_element(e.get()))
    return npattern == 0 ? 1 : field_accepts(PyTuple_GET_ITEM(pattern, 0), wildcard.get(), e.get());
  Py_ssize_t length = element_length(e.get());
  if (length < 0) return -1;
  if (npattern > length) return 0;
  for (Py_ssize_t k = 0; k < npattern; k++) {
    Ref item(PySequence_GetItem(e.get(), k));
    if (!item) return -1;
    int r = field_accepts(PyTuple_GET_ITEM(pattern, k), wildcard.get(), item.get());
    if (r <= 0) return r;
  }
  return 1;
}

namespace {

// The index held by the list, built on first use (new reference).
PyObject *index_of(PyObject *self) {
  Ref index = Ref::borrow(T(self)->tuple_index_ == Py_None ? nullptr : T(self)->tuple_index_);
  if (!index) {
    index = Ref(tuplelist_build(self));
    if (!index) return nullptr;
    Py_XSETREF(T(self)->tuple_index_, index.newref());
  }
  return index.release();
}

// Reads the candidates of one field into out; a merged union is moved out.
bool read_candidates(Candidates &c, Positions &out) {
  if (!c.list) {
    out.swap(c.merged);
    return true;
  }
  return read_positions(c.list.get(), out);
}

// Intersects the candidate lists, shortest first, into cand. Stops once
// testing the candidates field by field is cheaper than one more merge plus
// testing its expected survivors; *complete tells whether every list was
// merged, so that the candidates need no test. Runs no Python code.
bool intersect_candidates(std::vector<Candidates> &lists, Py_ssize_t n, Py_ssize_t nfields,
                          Positions &cand, bool *complete) {
  std::stable_sort(lists.begin(), lists.end(),
                   [](const Candidates &a, const Candidates &b) { return a.size() < b.size(); });
  Positions other, merged;
  if (!read_candidates(lists[0], cand)) return false;
  *complete = lists.size() == 1;
  for (size_t k = 1; k < lists.size(); k++) {
    const int64_t a = py_size(cand), b = lists[k].size();
    const int64_t expected = static_cast<int64_t>(static_cast<double>(a) * static_cast<double>(b) /
                                                  static_cast<double>(n));
    if (a * nfields < (a + b) + expected * nfields) break;
    if (!read_candidates(lists[k], other)) return false;
    positions_disjoint(cand, other, merged);
    cand.swap(merged);
    if (k + 1 == lists.size()) *complete = true;
  }
  return true;
}

// The candidates that match the pattern element by element, or only the
// first of them.
PyObject *matching_candidates(PyObject *self, const Positions &cand, PyObject *pattern,
                              bool first_only, uint64_t version) {
  Positions hits;
  for (int32_t p : cand) {
    int r = tuplelist_match(self, p, pattern);
    if (r < 0) return nullptr;
    if (!r) continue;
    hits.push_back(p);
    if (first_only) break;
  }
  if (T(self)->version_ != version) return changed_error();
  return result_of(self, hits, hits.size());
}

}  // namespace

PyObject *tuplelist_select(PyObject *self, PyObject *pattern, bool first_only) {
  Py_ssize_t n = PyList_GET_SIZE(self);
  if (n == 0) return tuplelist_new();
  Py_ssize_t npattern = PyObject_Size(pattern);
  if (npattern < 0) return nullptr;
  if (!PyTuple_Check(pattern)) {
    PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "tuple", Py_TYPE(pattern)->tp_name);
    return nullptr;
  }
  if (npattern == 0) return all_of(self, first_only);
  const uint64_t version = T(self)->version_;
  Py_ssize_t nfields = field_count(self);
  if (nfields < 0) return nullptr;
  Ref index(index_of(self));
  if (!index) return nullptr;

  std::vector<Candidates> lists;
  bool all_free;
  if (tuplelist_inv_lists(self, index.get(), pattern, lists, &all_free) < 0) return nullptr;
  if (all_free) return all_of(self, first_only);
  if (lists.empty()) return tuplelist_new();

  // From here to the element tests no Python code runs.
  Positions cand;
  bool complete;
  if (!intersect_candidates(lists, n, nfields, cand, &complete)) return nullptr;
  if (T(self)->version_ != version) return changed_error();
  for (int32_t p : cand)
    if (p >= PyList_GET_SIZE(self)) return bad_index("a position is beyond the list's end");

  Ref result(complete ? result_of(self, cand, first_only ? 1 : cand.size())
                      : matching_candidates(self, cand, pattern, first_only, version));
  if (!result) return nullptr;
  if (T(self)->version_ != version) return changed_error();
  return result.release();
}

}  // namespace dz
