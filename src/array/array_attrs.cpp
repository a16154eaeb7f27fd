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
  const npy_intp n = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(cells));
  const npy_intp given = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(flat.get()));
  if (given == n) return flat.release();
  attr::Resolved r;
  if (!attr::resolve(mdl, name, kind, r)) return nullptr;
  return PyErr_Format(PyExc_ValueError, "expected %zd values for `%S` (one per cell), got %zd",
                      static_cast<Py_ssize_t>(n), name, static_cast<Py_ssize_t>(given));
}

// The library refuses an unknown variable type as invalid model data without
// saying which: its refusal of a type write gets the first letter that is
// none of the five types (either case), and the letter's cell in row-major
// order. Any other failure stands as raised.
void name_bad_type_letter(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *values) {
  if (!PyErr_ExceptionMatches(reinterpret_cast<PyObject *>(&TarvexError_Type))) return;
  PyObject *type, *value, *tb;
  PyErr_Fetch(&type, &value, &tb);
  PyErr_NormalizeException(&type, &value, &tb);
  Ref held_type(type), held_value(value), held_tb(tb);
  const auto restore = [&] {
    PyErr_Clear();
    PyErr_Restore(held_type.release(), held_value.release(), held_tb.release());
  };
  const TarvexErrorObject *refusal = reinterpret_cast<TarvexErrorObject *>(value);
  attr::Resolved r;
  if (!value || refusal->errno_ != TVX_ERROR_MODEL_INPUT_ERROR || !refusal->message_ ||
      !attr::resolve(mdl, name, kind, r) || r.datatype != TVX_ATTRTYPE_CHAR)
    return restore();
  Ref letters(reinterpret_cast<PyObject *>(np_row_major(values, attr::char_descr())));
  if (!letters) return restore();
  const char *bytes =
      static_cast<const char *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(letters.get())));
  const npy_intp n = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(letters.get()));
  npy_intp at = 0;
  while (at < n && bytes[at] && std::strchr("CBISNcbisn", bytes[at])) at++;
  if (at == n) return restore();
  Ref letter(PyUnicode_DecodeLatin1(bytes + at, 1, nullptr));
  if (!letter) return restore();
  Ref text(PyUnicode_FromFormat("%U: variable type %R (cell %zd) is none of C, B, I, S, N",
                                refusal->message_, letter.get(), static_cast<Py_ssize_t>(at)));
  if (!text) return restore();
  Ref exc(PyObject_CallFunction(reinterpret_cast<PyObject *>(&TarvexError_Type), "iO",
                                refusal->errno_, text.get()));
  if (!exc) return restore();
  PyErr_SetObject(reinterpret_cast<PyObject *>(&TarvexError_Type), exc.get());
}

}  // namespace

PyObject *array_getAttr_impl(PyObject *func, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1];
  Ref cells;
  TVXmodel *mdl = nullptr;
  const ArrayKind *kind = nullptr;
  const int rc = attribute_target(func, self, name, cells, &mdl, &kind);
  if (rc < 0) return nullptr;
  if (rc == 0) {
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
  const int rc = attribute_target(func, self, name, cells, &mdl, &kind);
  if (rc <= 0) return rc < 0 ? nullptr : (Py_INCREF(Py_None), Py_None);
  Ref values(values_for(mdl, name, kind->attr_kind, args[2], cells.get()));
  if (!values) return nullptr;
  Ref done(model_setattr(mdl, name, kind->attr_kind, cells.get(), values.get()));
  if (!done) return name_bad_type_letter(mdl, name, kind->attr_kind, values.get()), nullptr;
  Py_RETURN_NONE;
}

}  // namespace dz
