// Element handles: Var, PsdVar, Constr, SOS, GenConstr, PsdConstr. A handle
// is a solver model handle and an index; every fact about the element lives
// in the solver model.
#ifndef DIDAZODA_MODEL_HANDLES_H
#define DIDAZODA_MODEL_HANDLES_H

#include "module/classes.h"
#include "module/tarvex.h"
#include "runtime/function.h"

namespace dz {

// Holds no Python reference: not tracked by the garbage collector.
struct HandleObject {
  PyObject_HEAD TVXmodel *mdl_;  // not owned; NULL for a handle made from Python
  int index_;                    // -1 - old index once the element was removed
};

extern PyTypeObject Var_Type, PsdVar_Type, Constr_Type, SOS_Type, GenConstr_Type, PsdConstr_Type;

// A new handle of exactly `type` (one of the six) on the element `index` of
// mdl. Neither value is checked; no library call.
PyObject *handle_new(PyTypeObject *type, TVXmodel *mdl, int index);

// Table of internal operations: `new` of the class it belongs to.
struct HandleOps {
  PyObject *(*new_)(TVXmodel *mdl, int index);
};
extern HandleOps Var_ops, PsdVar_ops, Constr_ops, SOS_ops, GenConstr_ops, PsdConstr_ops;

// An instance of that handle class or of a subclass of it.
inline bool handle_check(PyObject *o, PyTypeObject *kind) { return PyObject_TypeCheck(o, kind); }

// The attribute engine's element kind of a handle ("v", "psdv", "lin", "sos",
// "gen", "psdc"), or nullptr when o is no handle. No exception either way.
const char *handle_attr_kind(PyObject *o);

// Attribute syntax of the handles and the handle arrays (MVar, MConstr):
// a name that ordinary lookup does not find is read with self.getAttr(name);
// every assignment is self.setAttr(name, value), nothing being stored.
PyObject *attr_syntax_getattro(PyObject *self, PyObject *name);
int attr_syntax_setattro(PyObject *self, PyObject *name, PyObject *value);

// o is of exactly one of the six handle classes, whose `index` is the field.
bool handle_is_exact(PyObject *o);

// Accessors; o must be a handle (handle_check or handle_attr_kind said so).
inline HandleObject *as_handle(PyObject *o) { return reinterpret_cast<HandleObject *>(o); }
inline TVXmodel *handle_mdl(PyObject *o) { return as_handle(o)->mdl_; }
inline int handle_index(PyObject *o) { return as_handle(o)->index_; }
// Only removal renumbers: survivors get their new position, removed elements
// -1 - their old index.
inline void handle_set_index(PyObject *o, int index) { as_handle(o)->index_ = index; }

// Whether handle o belongs to mdl; TarvexError "an element of another model
// was given" when not, as its index would name an unrelated element of mdl.
// o must be a handle.
bool handle_of_model(PyObject *o, TVXmodel *mdl);

// didazoda._set_handle_index(handle, index): numbers a handle of no model,
// for tests; a private module function.
extern const FuncSpec set_handle_index_spec;

// hash(h.index), as every handle hashes; -1 with an exception on failure.
// Operand's hash calls it for a Var.
Py_hash_t handle_hash(PyObject *self);

}  // namespace dz

#endif
