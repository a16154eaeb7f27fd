// Model.remove: deletes variables, rows, SOS and general constraints and
// renumbers the model's handles. Every element has exactly one handle, so
// renumbering it in place reaches every expression, container and array
// that holds it.
#include <algorithm>
#include <climits>
#include <vector>

#include "expr/expr_util.h"
#include "model/handles.h"
#include "model/model.h"
#include "module/tarvex_error.h"
#include "runtime/arraylike.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

// Appends a handle of this model to its kind's list; its index is read only
// when its kind is deleted, since the rest of the walk may run Python code.
int add_handle(ModelObject *self, PyObject *h, PyObject *handles) {
  if (!handle_of_model(h, self->mdl_)) return -1;
  return PyList_Append(handles, h);
}

int walk(ModelObject *self, PyObject *item, PyObject *vars, PyObject *constrs, PyObject *soses,
         PyObject *gens) {
  if (handle_check(item, &Var_Type)) return add_handle(self, item, vars);
  if (handle_check(item, &Constr_Type)) return add_handle(self, item, constrs);
  if (handle_check(item, &PsdVar_Type)) {
    PyErr_SetString(PyExc_TypeError, "remove psd variable temporary not support");
    return -1;
  }
  if (handle_check(item, &PsdConstr_Type)) {
    PyErr_SetString(PyExc_TypeError, "remove psd constraint temporary not support");
    return -1;
  }
  if (handle_check(item, &SOS_Type)) return add_handle(self, item, soses);
  if (handle_check(item, &GenConstr_Type)) return add_handle(self, item, gens);
  // Arrays of any shape: tolist() gives nested lists, or the one handle of a
  // zero-dimensional array, and the walk takes either.
  Ref content;
  if (PyObject_TypeCheck(item, MVar_class.type) || PyObject_TypeCheck(item, MConstr_class.type)) {
    content = Ref(PyObject_CallMethod(item, "tolist", nullptr));
    if (!content) return -1;
    if (handle_check(content.get(), &Var_Type) || handle_check(content.get(), &Constr_Type))
      return walk(self, content.get(), vars, constrs, soses, gens);
  } else if (PyDict_Check(item)) {
    content = Ref(PyMapping_Values(item));
    if (!content) return -1;
  } else {
    const int scalar = is_scalar(item);
    if (scalar < 0) return -1;
    if (scalar) {
      Ref tname(PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(item)), "__name__"));
      if (tname) PyErr_Format(PyExc_TypeError, "unsupported type: `%S`", tname.get());
      return -1;
    }
    content = Ref::borrow(item);
  }
  Ref it(PyObject_GetIter(content.get()));
  if (!it) return -1;
  // A container that holds itself would recurse without end.
  if (Py_EnterRecursiveCall(" while walking the items to remove")) return -1;
  int walked = 0;
  while (PyObject *raw = PyIter_Next(it.get())) {
    Ref elem(raw);
    if ((walked = walk(self, elem.get(), vars, constrs, soses, gens)) < 0) break;
  }
  Py_LeaveRecursiveCall();
  if (walked < 0 || PyErr_Occurred()) return -1;
  return 0;
}

// Ascending distinct indices of the handles the walk collected, read from
// their fields now; a handle removed meanwhile (index below 0) is left out.
void sorted_ids(PyObject *handles, std::vector<int> &out) {
  const Py_ssize_t n = PyList_GET_SIZE(handles);
  out.reserve(to_size(n));
  for (Py_ssize_t i = 0; i < n; i++) {
    const int index = handle_index(PyList_GET_ITEM(handles, i));
    if (index >= 0) out.push_back(index);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

// The survivors of a marked list, each numbered by its new position.
PyObject *rebuilt(PyObject *handles) {
  Ref out(PyList_New(0));
  if (!out) return nullptr;
  const Py_ssize_t n = PyList_GET_SIZE(handles);
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *h = PyList_GET_ITEM(handles, i);
    if (!handle_attr_kind(h) || handle_index(h) < 0) continue;
    int index = 0;
    if (!int_size(PyList_GET_SIZE(out.get()), &index)) return nullptr;
    handle_set_index(h, index);
    if (PyList_Append(out.get(), h) < 0) return nullptr;
  }
  return out.release();
}

using DelFn = int (*)(TVXmodel *, int, const int *);

// Deletes one kind in the library, then marks and renumbers its lists (two
// for rows: constrlist_ and the parallel psdconstrlist_).
int delete_kind(ModelObject *self, DelFn del, const std::vector<int> &ids,
                std::initializer_list<PyObject * ModelObject::*> fields) {
  if (ids.empty()) return 0;
  int count = 0;
  if (!int_size(ids, &count)) return -1;
  TVXmodel *mdl = model_edit_handle(self);
  if (!mdl) return -1;
  const int rc = del(mdl, count, ids.data());
  if (rc != TVX_ERROR_OKAY) return raise_code(rc), -1;
  for (auto f : fields) {
    Model_ops.remove(self->*f, ids.data(), py_size(ids));
    PyObject *fresh = rebuilt(self->*f);
    if (!fresh) return -1;
    Py_SETREF(self->*f, fresh);
  }
  return 0;
}

const char *const remove_args[] = {"self", "items"};

PyObject *model_remove_impl(PyObject *, PyObject *const *args) {
  ModelObject *self = as_model(args[0]);
  if (!model_edit_handle(args[0])) return nullptr;
  Ref lists[4];
  for (auto &l : lists)
    if (!(l = Ref(PyList_New(0)))) return nullptr;
  if (Model_ops.collect(self, args[1], lists[0].get(), lists[1].get(), lists[2].get(),
                        lists[3].get()) < 0)
    return nullptr;
  // Each kind's indices are read just before it is deleted: renumbering the
  // kind before may release handles, which can run Python code.
  const auto remove_kind = [self](PyObject *handles, DelFn del,
                                  std::initializer_list<PyObject * ModelObject::*> fields) {
    std::vector<int> ids;
    sorted_ids(handles, ids);
    return delete_kind(self, del, ids, fields);
  };
  if (remove_kind(lists[0].get(), TVXdelvars, {&ModelObject::varlist_}) < 0 ||
      remove_kind(lists[1].get(), TVXdelconstrs,
                  {&ModelObject::constrlist_, &ModelObject::psdconstrlist_}) < 0 ||
      remove_kind(lists[2].get(), TVXdelsos, {&ModelObject::soslist_}) < 0 ||
      remove_kind(lists[3].get(), TVXdelgenconstrs, {&ModelObject::genconstrlist_}) < 0)
    return nullptr;
  Py_RETURN_NONE;
}

const char remove_doc[] = R"doc(
        SIGNATURE:
            remove(item)

        PURPOSE:
            Remove variables, constraints, SOS or general constraints from the model.

        ARGUMENTS:
            item
            ----
            A Var, Constr, SOS or GenConstr, an MVar or MConstr, or a list, tuple,
            dict or other iterable of them, nested to any depth.

        EXAMPLE:
            m.remove(x)
            m.remove([c0, c1])
            m.remove(vars_tupledict)

        NOTE:
            Removed handles read the index -1 - their old index; the others are
            renumbered. The binary variable of an indicator constraint cannot be
            removed while the indicator exists.

        )doc";

}  // namespace

int model_collect(ModelObject *self, PyObject *item, PyObject *vars, PyObject *constrs,
                  PyObject *soses, PyObject *gens) {
  return walk(self, item, vars, constrs, soses, gens);
}

void model_remove_marks(PyObject *handles, const int *ids, Py_ssize_t n) {
  Py_ssize_t j = 0;
  const Py_ssize_t len = PyList_GET_SIZE(handles);
  for (Py_ssize_t i = 0; i < len && j < n; i++) {
    PyObject *h = PyList_GET_ITEM(handles, i);
    if (!handle_attr_kind(h)) continue;
    const int index = handle_index(h);
    while (j < n && ids[j] < index) j++;
    if (j < n && ids[j] == index) handle_set_index(h, -1 - index);
  }
}

const FuncSpec Model_remove_spec =
    DZ_METHOD(Model, remove, remove_args, model_remove_impl, remove_doc);

}  // namespace dz
