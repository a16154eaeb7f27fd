// The index containers: tuplelist (a list of equally shaped elements with a
// lazily built per-field index) and tupledict (a dict whose keys are kept in
// a tuplelist for pattern selection).
#ifndef DIDAZODA_CONTAINERS_CONTAINERS_H
#define DIDAZODA_CONTAINERS_CONTAINERS_H

#include <cstdint>
#include <vector>

#include "module/classes.h"
#include "runtime/sizes.h"

namespace dz {

struct tuplelistObject {
  PyListObject base;
  // None/NULL, or a list of one dict per field mapping a field value to the
  // ascending list of positions holding it. A cache: never updated in place.
  PyObject *tuple_index_;
  PyObject *wildcard_;  // exact str or None/NULL; never part of a cycle
  // Bumped by every content change made through the class, so a selection
  // whose comparisons changed the list can tell.
  uint64_t version_;
};

struct tupledictObject {
  PyDictObject base;
  PyObject *keys_;    // NULL, or a tuplelist of exactly the current keys in order
  uint64_t version_;  // as tuplelist's
};

extern PyTypeObject tuplelist_Type, tupledict_Type;

inline tuplelistObject *as_tuplelist(PyObject *o) { return reinterpret_cast<tuplelistObject *>(o); }
inline tupledictObject *as_tupledict(PyObject *o) { return reinterpret_cast<tupledictObject *>(o); }

// Ascending element positions.
using Positions = std::vector<int32_t>;

// The candidates of one constrained pattern field: a position list of the
// index, read only when a merge needs it, or the union of a multi-value field.
struct Candidates {
  Ref list;
  Positions merged;
  Py_ssize_t size() const { return list ? PyList_GET_SIZE(list.get()) : py_size(merged); }
};

// Table of internal operations of tuplelist. Every entry returns NULL or -1
// with an exception set on failure.
struct tuplelistOps {
  // The shape rule: item against the first element, or against ref when the
  // list is empty. ValueError MIXED_TYPE_MSG / BAD_LENGTH_MSG.
  int (*check)(PyObject *self, PyObject *item, PyObject *ref);
  // Replaces the contents with the elements of li (None: none).
  int (*constructor)(PyObject *self, PyObject *li, PyObject *wildcard);
  int (*append)(PyObject *self, PyObject *item);
  int (*insert)(PyObject *self, int index, PyObject *item);
  int (*extend)(PyObject *self, PyObject *iterable);
  // A new tuplelist of the concatenation left + right (right: any list).
  PyObject *(*add)(PyObject *left, PyObject *right);
  // A new, complete index of the current contents; the list keeps its own.
  PyObject *(*build)(PyObject *self);
  // 1 when the element at i matches pattern (a tuple), 0 when not.
  int (*match)(PyObject *self, Py_ssize_t i, PyObject *pattern);
  void (*disjoint)(const Positions &a, const Positions &b, Positions &out);
  // One merge of any number of position lists, each position once.
  void (*union_)(const std::vector<Positions> &lists, Positions &out);
  // The candidate position lists of the constrained pattern fields;
  // *all_free set when every field is a wildcard. Reads the current index.
  int (*inv_lists)(PyObject *self, PyObject *index, PyObject *pattern,
                   std::vector<Candidates> &lists, bool *all_free);
  // A new tuplelist of the matching elements (pattern: a tuple).
  PyObject *(*select)(PyObject *self, PyObject *pattern);
};
extern tuplelistOps tuplelist_ops;

struct tupledictOps {
  // A new tuplelist of the keys matching pattern (a tuple), in dict order.
  PyObject *(*select)(PyObject *self, PyObject *pattern);
};
extern tupledictOps tupledict_ops;

// A new empty tuplelist with the wildcard "*".
PyObject *tuplelist_new();
// A new empty tupledict.
PyObject *tupledict_new();

// Drops the index after a change of the contents.
void tuplelist_changed(PyObject *self);

// Selection, defined in select.cpp. first_only: stop at the first match (the
// membership test); the result then holds at most one element.
PyObject *tuplelist_select(PyObject *self, PyObject *pattern, bool first_only);
int tuplelist_match(PyObject *self, Py_ssize_t i, PyObject *pattern);
PyObject *tuplelist_build(PyObject *self);
void positions_disjoint(const Positions &a, const Positions &b, Positions &out);
void positions_union(const std::vector<Positions> &lists, Positions &out);
int tuplelist_inv_lists(PyObject *self, PyObject *index, PyObject *pattern,
                        std::vector<Candidates> &lists, bool *all_free);

// True for a tuple or list (subclasses included): a sequence element.
inline bool is_sequence_element(PyObject *o) { return PyTuple_Check(o) || PyList_Check(o); }

}  // namespace dz

#endif
