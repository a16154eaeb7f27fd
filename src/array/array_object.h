// The four array classes, MVar, MConstr, MLinExpr and MQuadExpr: each wraps
// one numpy array of cells (handles or expressions). What they share lives
// here: the object layout, `new`, the garbage-collector and text slots,
// subscripts, and the members every class has (shape, ndim, size, item,
// copy, tolist).
#ifndef DIDAZODA_ARRAY_OBJECT_H
#define DIDAZODA_ARRAY_OBJECT_H

#include "module/classes.h"
#include "module/tarvex.h"
#include "runtime/function.h"

namespace dz {

// arr_ is None in an object made by calling the class, and restored pickled
// state may put any object there: every reader works on whatever it finds
// (numpy's own errors for a non-array), and C fast paths first check that it
// is an ndarray.
struct ArrayObject {
  PyObject_HEAD PyObject *arr_;
};

extern PyTypeObject MVar_Type, MConstr_Type, MLinExpr_Type, MQuadExpr_Type;

inline PyObject *array_field(PyObject *o) { return reinterpret_cast<ArrayObject *>(o)->arr_; }
inline bool mvar_check(PyObject *o) { return PyObject_TypeCheck(o, &MVar_Type); }
inline bool mconstr_check(PyObject *o) { return PyObject_TypeCheck(o, &MConstr_Type); }
inline bool mlinexpr_check(PyObject *o) { return PyObject_TypeCheck(o, &MLinExpr_Type); }
inline bool mquadexpr_check(PyObject *o) { return PyObject_TypeCheck(o, &MQuadExpr_Type); }

// new(arr) of a class: an object of exactly that class holding arr itself
// when it is an ndarray (subclasses too), else numpy.array(arr). New
// reference.
PyObject *array_wrap(PyTypeObject *type, PyObject *arr);

// Table of internal operations of MVar and MConstr.
struct ArrayOps {
  PyObject *(*new_)(PyObject *arr);
  // *out: the solver model handle of the handle in cell 0 (a Var for MVar,
  // a Constr for MConstr; subclasses too). TypeError "Cannot convert {} to
  // {}" for any other cell, None included; numpy's IndexError when empty.
  // 0 or -1.
  int (*mdl)(PyObject *self, TVXmodel **out);
};
extern ArrayOps MVar_ops, MConstr_ops;

// ---- Shared by the class files ---------------------------------------------

// The members and slots every class has of its own; each class file
// adds its own.
struct ArrayKind {
  PyTypeObject *type;
  const char *name;        // "MVar": the text head
  const char *item_error;  // ValueError of item() on a size other than 1
  // MVar and MConstr: the attribute engine's element kind and the model of
  // the cells; nullptr for the expression arrays.
  const char *attr_kind;
  int (*mdl)(PyObject *self, TVXmodel **out);
};

// The family member type belongs to (itself or a subclass of one).
const ArrayKind *array_kind_of(PyTypeObject *type);

// Fills the slots shared by the family: allocation (field None), garbage
// collection, subscript and sequence item (wrapped in kind.type), text.
void array_prepare_slots(const ArrayKind &kind);

// A member of an array class and the form it is bound in. Members are
// bound in table order, which is the order of the class dictionary.
struct ArrayMember {
  enum Form { method, property, static_method } form;
  FuncSpec spec;
};
// 0, or -1 at the first failure.
int bind_array_members(PyObject *dict, const ArrayMember *members, size_t n);
template <size_t N>
int bind_array_members(PyObject *dict, const ArrayMember (&members)[N]) {
  return bind_array_members(dict, members, N);
}

// The shared members, by spec self_type: shape, ndim, size, item, copy,
// tolist and __array_priority__ (the float 1000.0).
PyObject *array_shape_impl(PyObject *func, PyObject *const *args);
PyObject *array_ndim_impl(PyObject *func, PyObject *const *args);
PyObject *array_size_impl(PyObject *func, PyObject *const *args);
PyObject *array_item_impl(PyObject *func, PyObject *const *args);
PyObject *array_copy_impl(PyObject *func, PyObject *const *args);
PyObject *array_tolist_impl(PyObject *func, PyObject *const *args);
PyObject *array_priority_impl(PyObject *func, PyObject *const *args);
// getAttr(attrname) and setAttr(attrname, newvalues) of MVar and MConstr.
PyObject *array_getAttr_impl(PyObject *func, PyObject *const *args);
PyObject *array_setAttr_impl(PyObject *func, PyObject *const *args);

// arr.<method>(*args) on the element array, wrapped by new of type.
PyObject *array_call_wrapped(PyTypeObject *type, PyObject *self, const char *method,
                             PyObject *args = nullptr, PyObject *kwargs = nullptr);

// A shape or axis argument as numpy may read it: a list becomes a tuple of
// its items, since numpy reads a list's items in place while their
// __index__ runs, and one that empties the list would make it read freed
// memory. Anything else is returned as it is. New reference.
PyObject *frozen_shape(PyObject *shape);

// arr.sum(axis=axis) on the element array, wrapped by new of type; a bare
// total (axis None) becomes the one cell of a 0-d object array.
PyObject *array_sum_wrapped(PyTypeObject *type, PyObject *self, PyObject *axis);

// The object in cell 0 of an ndarray (flat order), or of any other field
// through its `flat`. New reference.
PyObject *array_first_cell(PyObject *arr);

// The number of cells of the element array (its `size`); -1 with an
// exception.
Py_ssize_t array_size_of(PyObject *arr);

// TypeError "Cannot convert {} to {}" with the type names of obj and the
// expected class; returns nullptr.
PyObject *raise_cannot_convert(PyObject *obj, PyTypeObject *expected);

}  // namespace dz

#endif
