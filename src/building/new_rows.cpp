// The handles of rows about to be added.
#include "building/new_rows.h"

#include "model/handles.h"
#include "runtime/sizes.h"

namespace dz {

bool NewRows::make(Py_ssize_t n) {
  if (!(constrs = Ref(PyList_New(n))) || !(psdconstrs = Ref(PyList_New(n)))) return false;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *c = Constr_ops.new_(nullptr, 0);
    if (!c) return false;
    PyList_SET_ITEM(constrs.get(), i, c);
    PyObject *p = PsdConstr_ops.new_(nullptr, 0);
    if (!p) return false;
    PyList_SET_ITEM(psdconstrs.get(), i, p);
  }
  return true;
}

int NewRows::append(ModelObject *m, TVXmodel *mdl) {
  const Py_ssize_t first = PyList_GET_SIZE(m->constrlist_);
  const Py_ssize_t pfirst = PyList_GET_SIZE(m->psdconstrlist_);
  const Py_ssize_t n = PyList_GET_SIZE(constrs.get());
  // The library numbers the rows it accepted with ints, so these fit.
  int count = 0, end = 0, pend = 0;
  if (!int_size(n, &count) || !int_size(first + n, &end) || !int_size(pfirst + n, &pend)) return -1;
  for (int i = 0; i < count; i++) {
    PyObject *c = PyList_GET_ITEM(constrs.get(), i);
    as_handle(c)->mdl_ = mdl;
    handle_set_index(c, end - count + i);
    PyObject *p = PyList_GET_ITEM(psdconstrs.get(), i);
    as_handle(p)->mdl_ = mdl;
    handle_set_index(p, pend - count + i);
  }
  if (PyList_SetSlice(m->constrlist_, first, first, constrs.get()) < 0) return -1;
  return PyList_SetSlice(m->psdconstrlist_, pfirst, pfirst, psdconstrs.get());
}

}  // namespace dz
