// What LinExpr, QuadExpr and PsdExpr share in reading and editing terms.
#ifndef DIDAZODA_EXPR_TERMS_H
#define DIDAZODA_EXPR_TERMS_H

#include <cstdint>
#include <cstring>
#include <vector>

#include "expr/list.h"

namespace dz {

// Positions gathered for removal; std::vector failures become MemoryError.
class Positions {
 public:
  bool push(int i);
  const int *data() const { return v_.data(); }
  int size() const { return n_; }

 private:
  std::vector<int> v_;
  int n_ = 0;  // v_.size()
};

// The first position j in 0 .. n-1 with item == j (Python equality, the
// way a term list matches a position) into *position: 1, 0 when there is
// none, or -1 with an exception.
int match_position(PyObject *item, int n, int *position);

// stored.sameAs(var) for an item of a term list and a Var or PsdVar: fields
// compared for an exact Var or PsdVar (var of its class), the method called
// otherwise. 1, 0, or -1.
int same_var(PyObject *stored, PyObject *var);

// 1 when o takes the sequence form of addTerms (a list, tuple, List or
// numpy array, subclasses too), 0, or -1 with an exception.
int is_term_sequence(PyObject *o);

// seq[i] of any indexable object, with its own IndexError when too short.
// New reference.
PyObject *sequence_item(PyObject *seq, Py_ssize_t i);

// add(self, element[0], element[1]) for each element of pairs, in order;
// further entries of an element are ignored. An element must be a tuple or
// a list (or, with arrays, a numpy array) of at least two entries, else
// TarvexError "Each element should be a tuple or list with length 2".
// 0 or -1.
int add_term_pairs(PyObject *self, PyObject *pairs, bool arrays,
                   int (*add)(PyObject *self, PyObject *coeff, PyObject *var));

// 1 when coeff == 0 (Python equality, exact floats compared in C), 0, -1.
int is_zero(PyObject *coeff);

// A block of the items of snap multiplied by factor (Python products;
// products of exact floats are formed in C).
// product(item) order: item * factor when item_first, else factor * item.
ListBlock *scaled_block(const ListSnap &snap, PyObject *factor, bool item_first);

// Item index of a term list (a List view the caller holds), with the index
// rules of List: an integer from 0 to the view's length - 1.
PyObject *term_item(PyObject *view, PyObject *index);

// The value of the attribute X of a term's variable: var.getAttr("X").
PyObject *var_value(PyObject *var);

// State of a view taken to find out later whether the field still holds the
// same view with the same items.
class FieldState {
 public:
  explicit FieldState(PyObject *view) : view_(Ref::borrow(view)), snap_(view) {}
  const ListSnap &snap() const { return snap_; }
  bool unchanged(PyObject *field) const {
    return field == view_.get() && as_list(field)->list_ == snap_.block() &&
           as_list(field)->size_ == snap_.size();
  }

 private:
  Ref view_;  // held, so that its address cannot be reused meanwhile
  ListSnap snap_;
};

// Whether a constant read before Python code ran still holds: the same bits,
// so that a NaN stays unchanged and 0.0 turned -0.0 counts as a change.
inline bool same_bits(double before, double now) {
  std::uint64_t a, b;
  std::memcpy(&a, &before, sizeof a);
  std::memcpy(&b, &now, sizeof b);
  return a == b;
}

// RuntimeError for an expression changed by Python code during an in-place
// operator. Returns nullptr.
PyObject *raise_changed(const char *op);

}  // namespace dz

#endif
