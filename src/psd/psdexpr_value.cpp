// Text and value of PsdExpr, and the symmetric matrix a coefficient stands
// for. Terms are read through snapshots: names and solution values come
// from the attribute engine, which runs Python code.
#include "expr/expr_util.h"
#include "expr/text.h"
#include "module/state.h"
#include "psd/psdexpr.h"

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
  *out = n < 0 ? 0 : static_cast<int>(n);
  return 0;
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
  PyObject *np = module_global("_np");  // borrowed
  if (!np) return nullptr;
  for (int i = 0; i < t.n; i++) {
    Ref c(PsdExpr_ops.restore_symmat(t.coeffs.at(i)));
    if (!c) return nullptr;
    Ref x(PyObject_CallMethod(t.vars.at(i), "getAttr", "s", "PsdX"));
    if (!x) return nullptr;
    Ref product(PyObject_CallMethod(c.get(), "multiply", "O", x.get()));
    if (!product) return nullptr;
    Ref term(PyObject_CallMethod(np, "sum", "O", product.get()));
    if (!term) return nullptr;
    value = Ref(PyNumber_InPlaceAdd(value.get(), term.get()));
    if (!value) return nullptr;
  }
  return value.release();
}

// coo_matrix(M); its entries in order, each setting (r, c) and (c, r) in a
// dict keyed by position; the dict's entries in insertion order as a new
// coo_matrix of M's shape.
PyObject *psdexpr_restore_symmat(PyObject *matrix) {
  PyObject *sp = module_global("_sp");  // borrowed
  if (!sp) return nullptr;
  Ref m(PyObject_CallMethod(sp, "coo_matrix", "O", matrix));
  if (!m) return nullptr;
  Ref shape(PyObject_GetAttrString(m.get(), "shape"));
  if (!shape) return nullptr;
  Ref lists[3];
  const char *const fields[] = {"row", "col", "data"};
  for (int k = 0; k < 3; k++) {
    Ref array(PyObject_GetAttrString(m.get(), fields[k]));
    if (!array) return nullptr;
    lists[k] = Ref(PyObject_CallMethod(array.get(), "tolist", nullptr));
    if (!lists[k]) return nullptr;
    if (!PyList_Check(lists[k].get())) {
      PyErr_SetString(PyExc_TypeError, "coo_matrix entries are not lists");
      return nullptr;
    }
  }
  const Py_ssize_t n = PyList_GET_SIZE(lists[2].get());
  if (PyList_GET_SIZE(lists[0].get()) != n || PyList_GET_SIZE(lists[1].get()) != n) {
    PyErr_SetString(PyExc_ValueError, "coo_matrix row, col and data differ in length");
    return nullptr;
  }
  Ref entries(PyDict_New());
  if (!entries) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *r = PyList_GET_ITEM(lists[0].get(), i), *c = PyList_GET_ITEM(lists[1].get(), i),
             *x = PyList_GET_ITEM(lists[2].get(), i);
    Ref here(PyTuple_Pack(2, r, c));
    Ref mirror(PyTuple_Pack(2, c, r));
    if (!here || !mirror || PyDict_SetItem(entries.get(), here.get(), x) < 0 ||
        PyDict_SetItem(entries.get(), mirror.get(), x) < 0)
      return nullptr;
  }
  const Py_ssize_t count = PyDict_GET_SIZE(entries.get());
  Ref rows(PyList_New(count)), cols(PyList_New(count)), vals(PyList_New(count));
  if (!rows || !cols || !vals) return nullptr;
  Py_ssize_t pos = 0, k = 0;
  PyObject *key, *val;
  while (PyDict_Next(entries.get(), &pos, &key, &val)) {
    PyList_SET_ITEM(rows.get(), k, new_ref(PyTuple_GET_ITEM(key, 0)));
    PyList_SET_ITEM(cols.get(), k, new_ref(PyTuple_GET_ITEM(key, 1)));
    PyList_SET_ITEM(vals.get(), k, new_ref(val));
    k++;
  }
  Ref coords(PyTuple_Pack(2, rows.get(), cols.get()));
  if (!coords) return nullptr;
  Ref data(PyTuple_Pack(2, vals.get(), coords.get()));
  if (!data) return nullptr;
  Ref args(PyTuple_Pack(1, data.get()));
  Ref kwargs(Py_BuildValue("{s:O}", "shape", shape.get()));
  if (!args || !kwargs) return nullptr;
  Ref coo(PyObject_GetAttrString(sp, "coo_matrix"));
  if (!coo) return nullptr;
  return PyObject_Call(coo.get(), args.get(), kwargs.get());
}

}  // namespace dz
