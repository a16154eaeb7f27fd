// The array-like test and placeholders for the array kernels, which the
// array classes fill in.
#include "array/array_kernels.h"

#include "expr/expr_util.h"
#include "module/classes.h"
#include "module/state.h"

namespace dz {

namespace {

// getattr(module global, name), looked up at each use: the module's globals
// may be rebound.
PyObject *global_attr(const char *module, const char *name) {
  PyObject *mod = module_global(module);  // borrowed
  if (!mod) return nullptr;
  return PyObject_GetAttrString(mod, name);
}

int call_truth(const char *module, const char *name, PyObject *obj) {
  Ref fn(global_attr(module, name));
  if (!fn) return -1;
  Ref r(PyObject_CallFunctionObjArgs(fn.get(), obj, nullptr));
  if (!r) return -1;
  return PyObject_IsTrue(r.get());
}

}  // namespace

int is_arraylike(PyObject *obj, bool sparse) {
  if (PyObject_TypeCheck(obj, Operand_class.type)) return 0;
  // Built-in containers and None are neither sparse matrices nor carry a
  // priority, and numpy never takes them for scalars.
  if (obj == Py_None || PyList_CheckExact(obj) || PyTuple_CheckExact(obj) || PyDict_CheckExact(obj))
    return 1;
  {
    Ref spmatrix(global_attr("_sp", "spmatrix"));
    if (!spmatrix) return -1;
    int sp = PyObject_IsInstance(obj, spmatrix.get());
    if (sp < 0) return -1;
    if (sp) return sparse ? 1 : 0;
  }
  {
    Ref priority(PyObject_GetAttrString(obj, "__array_priority__"));
    if (priority) return 1;
    PyErr_Clear();
  }
  int scalar = call_truth("_np", "isscalar", obj);
  return scalar < 0 ? -1 : !scalar;
}

int array_has_cells(PyObject *obj) {
  if (PyList_Check(obj) || PyTuple_Check(obj)) return 1;
  int nd = is_ndarray(obj);
  if (nd != 0) return nd;
  int sparse = call_truth("_sp", "issparse", obj);
  if (sparse != 0) return sparse;
  Ref ndim_fn(global_attr("_np", "ndim"));
  if (!ndim_fn) return -1;
  Ref ndim(PyObject_CallFunctionObjArgs(ndim_fn.get(), obj, nullptr));
  if (!ndim) return -1;
  Py_ssize_t n = PyNumber_AsSsize_t(ndim.get(), PyExc_OverflowError);
  if (n == -1 && PyErr_Occurred()) return -1;
  return n > 0;
}

// ---- Placeholders until the array classes are built ------------------------------

#define ARRAY_PLACEHOLDER2(name) \
  PyObject *name(PyObject *, PyObject *) { return not_built("array operation " #name); }

ARRAY_PLACEHOLDER2(v_add_a)
ARRAY_PLACEHOLDER2(l_add_a)
ARRAY_PLACEHOLDER2(q_add_a)
ARRAY_PLACEHOLDER2(v_mul_a)
ARRAY_PLACEHOLDER2(l_mul_a)
ARRAY_PLACEHOLDER2(q_mul_a)
ARRAY_PLACEHOLDER2(mv_add_v)
ARRAY_PLACEHOLDER2(mv_add_l)
ARRAY_PLACEHOLDER2(mv_add_q)
ARRAY_PLACEHOLDER2(ml_add_v)
ARRAY_PLACEHOLDER2(ml_add_l)
ARRAY_PLACEHOLDER2(ml_add_q)
ARRAY_PLACEHOLDER2(mq_add_v)
ARRAY_PLACEHOLDER2(mq_add_l)
ARRAY_PLACEHOLDER2(mq_add_q)
ARRAY_PLACEHOLDER2(mv_mul_a)
ARRAY_PLACEHOLDER2(mv_mul_v)
ARRAY_PLACEHOLDER2(mv_mul_l)
ARRAY_PLACEHOLDER2(ml_mul_v)
ARRAY_PLACEHOLDER2(ml_mul_l)
ARRAY_PLACEHOLDER2(mv_mul_mv)
ARRAY_PLACEHOLDER2(ml_mul_mv)
ARRAY_PLACEHOLDER2(ml_mul_ml)
ARRAY_PLACEHOLDER2(mv_add_o)
ARRAY_PLACEHOLDER2(ml_add_o)
ARRAY_PLACEHOLDER2(mq_add_o)
ARRAY_PLACEHOLDER2(ml_mul_o)
ARRAY_PLACEHOLDER2(mq_mul_o)
ARRAY_PLACEHOLDER2(a_matmul_o)
ARRAY_PLACEHOLDER2(mv_matmul_o)
ARRAY_PLACEHOLDER2(ml_matmul_o)
ARRAY_PLACEHOLDER2(mq_matmul_o)

PyObject *mv_mul_n(PyObject *, double) { return not_built("array operation mv_mul_n"); }
PyObject *mv_neg(PyObject *) { return not_built("array operation mv_neg"); }
PyObject *ml_neg(PyObject *) { return not_built("array operation ml_neg"); }
PyObject *mq_neg(PyObject *) { return not_built("array operation mq_neg"); }

#undef ARRAY_PLACEHOLDER2

}  // namespace dz
