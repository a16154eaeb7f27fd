// The Model object: a solver model handle plus the Python-side state the
// library does not keep (element handle lists, parameter object, user
// members, the running callback's context).
#ifndef DIDAZODA_MODEL_MODEL_H
#define DIDAZODA_MODEL_MODEL_H

#include <vector>

#include "module/classes.h"
#include "module/tarvex.h"
#include "runtime/function.h"

namespace dz {

struct ModelObject {
  PyObject_HEAD TVXmodel *mdl_;
  PyObject *Params;
  PyObject *params;
  PyObject *userattrs_;
  PyObject *callback_;
  void *cbdata_;
  int where_;
  char terminate_;
  char cbsolflags_;  // 1: filled through Var handles, 2: through presolved columns
  PyObject *cbsol_;
  PyObject *varlist_;
  PyObject *constrlist_;
  PyObject *soslist_;
  PyObject *genconstrlist_;
  PyObject *psdvarlist_;
  PyObject *psdconstrlist_;  // parallel to constrlist_: one per row
  int owned_;                // 1 while dispose() is to free mdl_
  bool revived_;             // deallocation's dispose() kept the object alive once
};

extern PyTypeObject Model_Type;

inline ModelObject *as_model(PyObject *o) { return reinterpret_cast<ModelObject *>(o); }
inline bool model_check(PyObject *o) { return PyObject_TypeCheck(o, &Model_Type); }

// Rows in the library's compressed form, owned: nnz terms, row starts (when
// asked for), column indices and values.
struct RowArrays {
  int nnz = 0;
  Buffer<int> beg, ind;
  Buffer<double> val;
};

// The matrix terms of one semidefinite row as the library takes them: the
// distinct PsdVar indices ascending (vidx), the start of each one's entries
// (beg), and the entries as row-major positions and values.
struct PsdArrays {
  std::vector<int> vidx, beg, ind;
  std::vector<double> val;
};

// Internal operations. Entries stay untyped (OpSlot) until their operation is
// built.
struct ModelOps {
  PyObject *(*new_)(TVXmodel *mdl);  // adopts a handle the library just made
  TVXenv *(*env)(ModelObject *self);
  OpSlot get_element;
  // _addVars(shape, indices, lb, ub, obj, vtype, name), arguments borrowed;
  // a null lb, ub, obj, vtype or name stands for its default as bound at
  // import. Returns the object array of new Var handles, or nullptr.
  PyObject *(*addVars)(ModelObject *self, PyObject *shape, PyObject *indices, PyObject *lb,
                       PyObject *ub, PyObject *obj, PyObject *vtype, PyObject *name);
  // _linExprs2array(exprs, with_starts, out): LinExpr rows to compressed
  // rows, each row's variables merged and in ascending index; row starts
  // only when asked. 0, or -1 with an exception.
  int (*linExprs2array)(ModelObject *self, PyObject *exprs, bool with_starts, RowArrays &out);
  // _dec_bound(bound, constant): None, +-TVX.INFINITY for a huge bound, else
  // bound - constant. New reference, or nullptr.
  PyObject *(*dec_bound)(ModelObject *self, PyObject *bound, PyObject *constant);
  // _psdExpr2array(expr, out): the matrix terms of a PsdExpr, one summed
  // matrix per PsdVar (psd/psd_arrays.h). 0, or -1 with an exception.
  int (*psdExpr2array)(ModelObject *self, PyObject *expr, PsdArrays &out);
  // _addConstr(expr, lhs, rhs, name): one row from a LinExpr with the sides
  // stated against the whole expression. Returns the new Constr, or nullptr.
  PyObject *(*addConstr)(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                         PyObject *name);
  // _addPsdConstr(expr, lhs, rhs, name): one semidefinite row from a
  // PsdExpr with the sides (None: open) stated against the whole
  // expression. Returns the new PsdConstr, or nullptr.
  PyObject *(*addPsdConstr)(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                            PyObject *name);
  // _addConstrs(exprs, lhs, rhs, names): one library call for a sequence of
  // LinExpr rows sharing the two sides (None: open side), one str name per
  // row. Returns the new list of Constr handles, or nullptr.
  PyObject *(*addConstrs)(ModelObject *self, PyObject *exprs, PyObject *lhs, PyObject *rhs,
                          PyObject *names);
  // collect(item, vars, constrs, sos, gens): walks item (handles, arrays,
  // dicts' values, nested iterables) and appends each handle of this model to
  // the list of its kind. Refuses before anything is removed: 0 or -1.
  int (*collect)(ModelObject *self, PyObject *item, PyObject *vars, PyObject *constrs,
                 PyObject *sos, PyObject *gens);
  // _remove(handles, ids, n): marks the handles of a list whose indices are
  // among the n ascending ids just deleted (index -1 - old index).
  void (*remove)(PyObject *handles, const int *ids, Py_ssize_t n);
  // The attribute kind of a handle; nullptr with TypeError for anything else.
  const char *(*getAttrType)(PyObject *elem);
  // Rebuilds the six element lists from the library's counts; 0 or -1.
  int (*populate)(ModelObject *self);
};
extern ModelOps Model_ops;

// The entries of Model_ops built with the attribute engine (copy.cpp,
// attr_model.cpp) and with the building methods (building/).
PyObject *model_new(TVXmodel *mdl);
PyObject *model_addvars(ModelObject *self, PyObject *shape, PyObject *indices, PyObject *lb,
                        PyObject *ub, PyObject *obj, PyObject *vtype, PyObject *name);
const char *model_attr_type(PyObject *elem);
int model_populate(ModelObject *self);
int model_linexprs2array(ModelObject *self, PyObject *exprs, bool with_starts, RowArrays &out);
PyObject *model_dec_bound(ModelObject *self, PyObject *bound, PyObject *constant);
PyObject *model_addconstr(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                          PyObject *name);
PyObject *model_addconstrs(ModelObject *self, PyObject *exprs, PyObject *lhs, PyObject *rhs,
                           PyObject *names);
int model_collect(ModelObject *self, PyObject *item, PyObject *vars, PyObject *constrs,
                  PyObject *soses, PyObject *gens);
void model_remove_marks(PyObject *handles, const int *ids, Py_ssize_t n);
int model_psdexpr2array(ModelObject *self, PyObject *expr, PsdArrays &out);
PyObject *model_addpsdconstr(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                             PyObject *name);

// Shared by the reading and editing methods (building/readback.cpp).
// The index of an element handle of mdl (TarvexError for another model's
// handle), or of any other object's integer `index`. 0 or -1.
int element_index(PyObject *obj, TVXmodel *mdl, int *index);
// A copy of one of the model's handle lists, so Python code run meanwhile
// cannot change what the library's indices select. New reference or nullptr.
PyObject *list_snapshot(PyObject *list);
// Borrowed handle at position k of a list; TarvexError(code) when the
// library reported an index with no handle.
PyObject *handle_at(PyObject *handles, int k, int code);
// The preamble of the single-element readers m.getX(elem), args = (m, elem):
// elem checked against type (argname in the message; no check for a null
// type), the model's live handle, elem's index in it and a snapshot of the
// handle list the result names. false with an exception set on failure.
struct ElementRead {
  TVXmodel *mdl = nullptr;
  int index = 0;
  Ref handles;
  bool open(PyObject *const *args, PyTypeObject *type, const char *argname,
            PyObject *ModelObject::*list);
};

// Model's attribute hooks: m.Name reads and writes solver attributes, m._name
// the user's own members.
PyObject *model_getattro(PyObject *self, PyObject *name);
int model_setattro(PyObject *self, PyObject *name, PyObject *value);

// A member bound into Model's dictionary, in the fixed binding order.
struct ModelMember {
  const FuncSpec *spec;
  enum Form { PLAIN, INTERNAL, SIGNATURE } form;
  const char *signature;  // SIGNATURE: the displayed arguments
};

// The members in binding order, terminated by a null spec.
extern const ModelMember model_members[];

// Members defined in this folder's files.
extern const FuncSpec Model_dispose_spec, Model_getVars_spec, Model_getConstrs_spec,
    Model_getGenConstrs_spec, Model_getSOSs_spec, Model_getPsdVars_spec, Model_getPsdConstrs_spec;
extern const FuncSpec Model_setParam_spec, Model_resetParams_spec, Model_getParamInfo_spec;
extern const FuncSpec Model_copy_spec, Model_getAttr_spec, Model_setAttr_spec;

// Members defined in building/.
extern const FuncSpec Model_addVar_spec;
extern const FuncSpec Model_addVars_spec, Model_addConstrs_spec;
// The defaults of the block forms' lb, ub, obj, vtype and name (addVars,
// addMVar): TVX.INFINITY and TVX.CONTINUOUS as they are at binding time.
PyObject *block_var_defaults();
extern const FuncSpec Model_addConstr_spec, Model_addLConstr_spec, Model_addRange_spec,
    Model_setObjective_spec, Model_getObjective_spec;
extern const FuncSpec Model_message_spec, Model_read_spec, Model_write_spec, Model_reset_spec,
    Model_cleanupMilp_spec, Model_optimize_spec, Model_computeIIS_spec, Model_getVarByName_spec,
    Model_getConstrByName_spec;

extern const FuncSpec Model_getRow_spec, Model_getCol_spec, Model_getA_spec, Model_getCoeff_spec,
    Model_chgCoeff_spec, Model_addSOS_spec, Model_getSOS_spec, Model_addGenConstrIndicator_spec,
    Model_getGenConstrIndicator_spec, Model_remove_spec;

// Members defined in psd/.
extern const FuncSpec Model_addPsdVar_spec;
// Members defined in array/.
extern const FuncSpec Model_addMVar_spec, Model_addMConstr_spec;

// The solver model of a live Model: one it owns, with its six element lists
// in place to take new handles. nullptr with TarvexError(INVALID_ARGUMENT)
// for a disposed, empty or cleared one, which must never reach the library.
TVXmodel *model_live_handle(PyObject *self);
// The same test without raising: nullptr for a dead model. For the attribute
// engine, which reports an unknown name before a dead model.
TVXmodel *model_live_or_null(PyObject *self);
inline TVXmodel *model_live_handle(ModelObject *m) {
  return model_live_handle(reinterpret_cast<PyObject *>(m));
}
// The live handle for a call that changes the model: every editing method
// takes its handle here, before it changes anything. nullptr also with the
// RuntimeError of edit_allowed (callbacks/context.h) while a callback
// of the model's solve runs.
TVXmodel *model_edit_handle(PyObject *self);
inline TVXmodel *model_edit_handle(ModelObject *m) {
  return model_edit_handle(reinterpret_cast<PyObject *>(m));
}

}  // namespace dz

#endif
