// Text and value of PsdExpr, and the symmetric matrix a coefficient stands
// for. Terms are read through snapshots: names and solution values come
// from the attribute engine, which runs Python code.
#include <new>

#include "expr/expr_util.h"
#include "expr/text.h"
#include "runtime/globals.h"
#include "psd/psd_arrays.h"
#include "psd/psdexpr.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

// The number of terms to show: self.size(), looked up on the object for a
// subclass; never more than the lists hold.
int terms_to_show(PyObject *self, int held, int *out) {
  if (Py_TYPE(self) == &PsdExpr_Type) {
    *out = held;
    return 0;
  }
  Ref size(PyObject_CallMethod(self, "size", nullptr));
  if (!size) return -1;
  const Py_ssize_t n = PyNumber_AsSsize_t(size.get(), PyExc_OverflowError);
  if (n == -1 && PyErr_Occurred()) return -1;
  if (n > held) {
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return -1;
  }
  return int_size(n < 0 ? 0 : n, out) ? 0 : -1;
}

}  // namespace

PyObject *psdexpr_str(PyObject *self) {
  PsdTerms t;
  if (psdexpr_terms(self, t) < 0) return nullptr;
  int n = 0;
  if (terms_to_show(self, t.n, &n) < 0) return nullptr;
  Ref parts(PyList_New(0));
  if (!parts) return nullptr;
  for (int i = 0; i < n; i++) {
    Ref name(PyObject_GetAttrString(t.vars.at(i), "PsdVarName"));
    if (!name) return nullptr;
    Ref text(term_to_str(t.coeffs.at(i), name.get()));
    if (!text || PyList_Append(parts.get(), text.get()) < 0) return nullptr;
  }
  Ref lin = Ref::borrow(as_psdexpr(self)->lin_);
  return expr_text_with_linear("PsdExpr", parts.get(), lin.get());
}

// The linear part's value plus, per term, sum(C .* X) with C the symmetric
// coefficient (sparse) and X the solution matrix, which PsdX gives dense or
// sparse: the product is taken on the sparse side.
PyObject *psdexpr_getvalue(PyObject *self) {
  PsdTerms t;
  if (psdexpr_terms(self, t) < 0) return nullptr;
  Ref lin = Ref::borrow(as_psdexpr(self)->lin_);
  Ref value(linexpr_getvalue(lin.get()));
  if (!value || t.n == 0) return value.release();
  Ref sum(np_attr("sum"));
  if (!sum) return nullptr;
  for (int i = 0; i < t.n; i++) {
    Ref c(PsdExpr_ops.restore_symmat(t.coeffs.at(i)));
    if (!c) return nullptr;
    Ref x(PyObject_CallMethod(t.vars.at(i), "getAttr", "s", "PsdX"));
    if (!x) return nullptr;
    Ref product(PyObject_CallMethod(c.get(), "multiply", "O", x.get()));
    if (!product) return nullptr;
    Ref term(PyObject_CallFunctionObjArgs(sum.get(), product.get(), nullptr));
    if (!term) return nullptr;
    value = Ref(PyNumber_InPlaceAdd(value.get(), term.get()));
    if (!value) return nullptr;
  }
  return value.release();
}

// The coefficient's non-zero entries (repeats summed), each setting (r, c)
// and (c, r) in order, as a coo_matrix of the coefficient's shape.
PyObject *psdexpr_restore_symmat(PyObject *matrix) {
  SparseEntries e;
  if (coefficient_entries(matrix, e) < 0) return nullptr;
  try {
    symmetrise(e);
  } catch (const std::bad_alloc &) {
    return PyErr_NoMemory();
  }
  return coo_of(e);
}

}  // namespace dz
