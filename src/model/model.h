// The Model object: a solver model handle plus the Python-side state the
// library does not keep (element handle lists, parameter object, user
// members, the running callback's context).
#ifndef DIDAZODA_MODEL_H
#define DIDAZODA_MODEL_H

#include "module/classes.h"
#include "module/function.h"
#include "module/tarvex.h"

namespace dz {

struct ModelObject {
  PyObject_HEAD
  TVXmodel *mdl_;
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
};

extern PyTypeObject Model_Type;

inline ModelObject *as_model(PyObject *o) { return reinterpret_cast<ModelObject *>(o); }
inline bool model_check(PyObject *o) { return PyObject_TypeCheck(o, &Model_Type); }

// Internal operations. Entries stay untyped (OpSlot) until their operation is
// built.
struct ModelOps {
  PyObject *(*new_)(TVXmodel *mdl);  // adopts a handle the library just made
  TVXenv *(*env)(ModelObject *self);
  OpSlot get_element;
  OpSlot addVars;
  OpSlot linExprs2array;
  OpSlot dec_bound;
  OpSlot psdExpr2array;
  OpSlot addConstr;
  OpSlot addPsdConstr;
  OpSlot addConstrs;
  OpSlot getids;
  OpSlot remove;
  // The attribute kind of a handle; nullptr with TypeError for anything else.
  const char *(*getAttrType)(PyObject *elem);
  // Rebuilds the six element lists from the library's counts; 0 or -1.
  int (*populate)(ModelObject *self);
};
extern ModelOps Model_ops;

// The entries of Model_ops built with the attribute engine (copy.cpp,
// attr_model.cpp).
PyObject *model_new(TVXmodel *mdl);
const char *model_attr_type(PyObject *elem);
int model_populate(ModelObject *self);

// Model's attribute hooks: m.Name reads and writes solver attributes, m._name
// the user's own members.
PyObject *model_getattro(PyObject *self, PyObject *name);
int model_setattro(PyObject *self, PyObject *name, PyObject *value);

// Defaults (None,) for the last parameter of getAttr and setAttr.
int model_none_default(PyObject **defaults, PyObject **kwdefaults);

// A member bound into Model's dictionary, in the fixed binding order.
struct ModelMember {
  const FuncSpec *spec;
  enum Form { PLAIN, INTERNAL, SIGNATURE } form;
  const char *signature;  // SIGNATURE: the displayed arguments
  // Evaluates defaults at binding time (TVX values); may leave either NULL.
  int (*defaults)(PyObject **defaults, PyObject **kwdefaults);
};

// The members in binding order, terminated by a null spec.
extern const ModelMember model_members[];

// Members defined in this folder's files.
extern const FuncSpec Model_dispose_spec, Model_getVars_spec, Model_getConstrs_spec,
    Model_getGenConstrs_spec, Model_getSOSs_spec, Model_getPsdVars_spec,
    Model_getPsdConstrs_spec;
extern const FuncSpec Model_setParam_spec, Model_resetParams_spec, Model_getParamInfo_spec;
extern const FuncSpec Model_copy_spec, Model_getAttr_spec, Model_setAttr_spec;

}  // namespace dz

#endif
