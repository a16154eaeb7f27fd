// The callback tables wheres and whats, and the constant set TVX.Callback.
#include "callbacks/getters.h"
#include "module/constants.h"
#include "module/state.h"

namespace dz {

namespace {

struct WhereRow {
  int code;
  const char *name;
  const char *desc;
};

const WhereRow where_rows[] = {
    {CB_CODE(MIPSTART), "MIP Optimizer is in initial optimization phase."},
    {CB_CODE(MIPSOL), "MIP Optimizer just found a new incumbent solution."},
    {CB_CODE(MIPNODE), "MIP Optimizer is currently exploring a node."},
};

int add_code_property(PyObject *cls, PyObject *name, PyObject *code, PyObject *desc) {
  Ref doc(PyUnicode_FromFormat("Code = %S\nDesc: %S", code, desc));
  if (!doc) return -1;
  return add_value_property(cls, name, code, doc.get());
}

}  // namespace

int build_callback_tables(PyObject *module, const ConstClasses &c) {
  PyObject *cls = c.callback.get();

  Ref wheres(PyDict_New());
  if (!wheres) return -1;
  for (const WhereRow &r : where_rows) {
    Ref row(Py_BuildValue("[is]", r.code, r.desc));
    if (!row || PyDict_SetItemString(wheres.get(), r.name, row.get()) < 0) return -1;
  }
  set_private(&state().wheres, wheres.get());

  Ref whats(make_whats_table());
  if (!whats) return -1;
  set_private(&state().whats, whats.get());

  Py_ssize_t pos = 0;
  PyObject *key, *row;  // borrowed from the private tables
  while (PyDict_Next(wheres.get(), &pos, &key, &row)) {
    if (add_code_property(cls, key, PyList_GET_ITEM(row, 0), PyList_GET_ITEM(row, 1)) < 0)
      return -1;
  }
  pos = 0;
  while (PyDict_Next(whats.get(), &pos, &key, &row)) {
    int is_public = PyObject_IsTrue(PyList_GET_ITEM(row, 3));
    if (is_public < 0) return -1;
    if (is_public &&
        add_code_property(cls, PyList_GET_ITEM(row, 0), key, PyList_GET_ITEM(row, 4)) < 0)
      return -1;
  }
  return bind_instance(module, cls, "callback");
}

}  // namespace dz
