// The module's classes, in the order start-up readies them.
#ifndef DIDAZODA_MODULE_CLASSES_H
#define DIDAZODA_MODULE_CLASSES_H

#include "runtime/pickling.h"
#include "runtime/ref.h"

namespace dz {

struct ClassDef {
  PyTypeObject *type;
  const char *name;
  int (*prepare)();             // slots, base and table of internal operations
  int (*bind)(PyObject *dict);  // members, bound once the constants exist
  const char *init_doc;         // constructor docstring attached to __init__, or nullptr
  bool metaclass;               // has __getmetaclass__
  const PickleSpec *pickle;     // fields stored when pickled, or nullptr
  const char *pickle_refusal;   // TypeError text of a class that refuses, or nullptr
  // Members (then pickling) bound before the constants are built, which
  // raise its errors or use its operators; the others bind theirs after.
  bool bind_before_constants = false;
};

// The 23 classes in readiness order (a base before the classes derived
// from it).
constexpr int kNumClasses = 23;
extern const ClassDef *const class_table[kNumClasses];

extern const ClassDef TarvexError_class, Operand_class, tuplelist_class, tupledict_class, Var_class,
    MVar_class, PsdVar_class, Constr_class, MConstr_class, SOS_class, GenConstr_class,
    PsdConstr_class, List_class, LinExpr_class, QuadExpr_class, MLinExpr_class, MQuadExpr_class,
    PsdExpr_class, TempConstr_class, Column_class, Env_class, ParamClass_class, Model_class;

// An entry of a class's table of internal operations that is not typed yet.
using OpSlot = PyObject *(*)(PyObject *self, PyObject *const *args, Py_ssize_t nargs);

// Raises NotImplementedError: the entry of a table of internal operations
// that has no body (Model's `_get_element`), kept so the table keeps its order.
PyObject *op_without_body(PyObject *self, PyObject *const *args, Py_ssize_t nargs);

}  // namespace dz

#endif
