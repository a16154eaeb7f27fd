// Solver attributes of every cell of an MVar or MConstr at once: one
// engine call, and so one typed library call, per array, the values shaped
// like the array.
#include <cstring>

#include "array/array_object.h"
#include "model/attrs.h"
#include "module/tarvex_error.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"

namespace dz {

namespace {

// What both methods need: the cells in row-major order and their model.
// Returns 1 when there are cells, 0 for an empty array (nothing is looked
// at then), -1 with an exception.
int attribute_target(PyObject *func, PyObject *self, PyObject *name, Ref &cells, TVXmodel **mdl,
                     const ArrayKind **kind) {
  if (!check_arg_type(name, &PyUnicode_Type, "attrname", true)) return -1;
  *kind = array_kind_of(function_spec(func)->self_type);
  PyObject *arr = array_field(self);
  const Py_ssize_t n = array_size_of(arr);
  if (n < 0) return -1;
  if (n == 0) return 0;
  if ((*kind)->mdl(self, mdl) < 0) return -1;
  Ref a(reinterpret_cast<PyObject *>(np_asarray(arr)));
  if (!a) return -1;
  cells = Ref(PyArray_Ravel(reinterpret_cast<PyArrayObject *>(a.get()), NPY_CORDER));
  return cells ? 1 : -1;
}

// The values as the engine reads them, one per cell: a single value (what
// numpy.isscalar accepts) as it is, anything else flattened in row-major
// order, which must hold exactly one value per cell: nothing is written
// otherwise. An unknown name is refused first, as the engine would.
PyObject *values_for(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *values,
                     PyObject *cells) {
  const int scalar = is_scalar(values);
  if (scalar) return scalar < 0 ? nullptr : (Py_INCREF(values), values);
  Ref dense;
  const int sparse = is_sparse(values);
  if (sparse < 0) return nullptr;
  if (sparse && !(dense = Ref(sparse_to_dense(values)))) return nullptr;
  Ref arr(reinterpret_cast<PyObject *>(np_asarray(sparse ? dense.get() : values)));
  if (!arr) return nullptr;
  Ref flat(PyArray_Ravel(reinterpret_cast<PyArrayObject *>(arr.get()), NPY_CORDER));
  if (!flat) return nullptr;
  // Py_ssize_t for %zd.
  const Py_ssize_t n = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(cells));
  const Py_ssize_t given = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(flat.get()));
  if (given == n) return flat.release();
  attr::Resolved r;
  if (!attr::resolve(mdl, name, kind, r)) return nullptr;
  return attr::wrong_count(name, n, given, "cell");
}

}  // namespace

PyObject *array_getAttr_impl(PyObject *func, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1];
  Ref cells;
  TVXmodel *mdl = nullptr;
  const ArrayKind *kind = nullptr;
  const int found = attribute_target(func, self, name, cells, &mdl, &kind);
  if (found < 0) return nullptr;
  if (found == 0) {
    npy_intp zero = 0;
    return PyArray_Empty(1, &zero, PyArray_DescrFromType(NPY_OBJECT), 0);
  }
  Ref values(model_getattr(mdl, name, kind->attr_kind, cells.get()));
  if (!values) return nullptr;
  Ref shape(PyObject_GetAttrString(self, "shape"));
  if (!shape) return nullptr;
  Ref reshape(PyObject_GetAttrString(values.get(), "reshape"));
  if (!reshape) return nullptr;
  return PyObject_CallFunctionObjArgs(reshape.get(), shape.get(), nullptr);
}

PyObject *array_setAttr_impl(PyObject *func, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1];
  Ref cells;
  TVXmodel *mdl = nullptr;
  const ArrayKind *kind = nullptr;
  const int found = attribute_target(func, self, name, cells, &mdl, &kind);
  if (found <= 0) return found < 0 ? nullptr : (Py_INCREF(Py_None), Py_None);
  Ref values(values_for(mdl, name, kind->attr_kind, args[2], cells.get()));
  if (!values) return nullptr;
  Ref done(model_setattr(mdl, name, kind->attr_kind, cells.get(), values.get()));
  if (!done) return nullptr;
  Py_RETURN_NONE;
}

}  // namespace dz
