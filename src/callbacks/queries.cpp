// The in-callback queries: cbGet through the table whats, and the
// solution and node relaxation reads built on it.
#include "callbacks/context.h"
#include "callbacks/methods.h"
#include "model/handles.h"
#include "model/model.h"
#include "module/state.h"
#include "runtime/arraylike.h"

namespace dz {
namespace {

// One getter call: the row callables check their arguments and the
// position against the code's array before anything is read.
PyObject *call_getter(PyObject *getter, PyObject *self, PyObject *what, PyObject *index) {
  return PyObject_CallFunctionObjArgs(getter, self, what, index, nullptr);
}

PyObject *model_cbGet_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *what = args[1], *index = args[2];
  RunningCallback ctx;
  if (!in_callback(self, &ctx)) return nullptr;
  PyObject *whats = state().whats;
  if (whats == nullptr || !PyDict_Check(whats)) return raise_invalid_what();
  // Held: the getters run Python code, which could change the table.
  Ref row = Ref::borrow(PyDict_GetItemWithError(whats, what));
  if (!row) return PyErr_Occurred() ? nullptr : raise_invalid_what();
  if (!PyList_Check(row.get()) || PyList_GET_SIZE(row.get()) < 3) return raise_invalid_what();
  Ref getter = Ref::borrow(PyList_GET_ITEM(row.get(), 1));
  PyObject *kind = PyList_GET_ITEM(row.get(), 2);
  if (index == Py_None) {
    const bool model_wide = PyUnicode_Check(kind) && PyUnicode_GET_LENGTH(kind) > 0 &&
                            PyUnicode_READ_CHAR(kind, 0) == 'm';
    if (!model_wide) return raise_invalid_what();
    return call_getter(getter.get(), self, what, nullptr);
  }
  const int single = is_zero_dim(index);
  if (single < 0) return nullptr;
  if (single) {
    if (!PyLong_Check(index)) return raise_invalid_what();
    return call_getter(getter.get(), self, what, index);
  }
  Ref items(PyObject_GetIter(index));
  if (!items) return nullptr;
  Ref out(PyList_New(0));
  if (!out) return nullptr;
  while (Ref item{PyIter_Next(items.get())}) {
    if (!PyLong_Check(item.get())) return raise_invalid_what();
    Ref value(call_getter(getter.get(), self, what, item.get()));
    if (!value || PyList_Append(out.get(), value.get()) < 0) return nullptr;
  }
  return PyErr_Occurred() ? nullptr : out.release();
}

// The index of a Var of this model as a Python int (TarvexError for a
// handle of another model).
PyObject *var_position(PyObject *self, PyObject *var) {
  int index = 0;
  if (element_index(var, as_model(self)->mdl_, &index) < 0) return nullptr;
  return PyLong_FromLong(index);
}

// cbGetSolution and cbGetNodeRel: by Var through var_code, by presolved
// column through pre_code.
PyObject *values_of(PyObject *self, PyObject *vars, int var_code, int pre_code) {
  Ref positions(PyList_New(0));
  if (!positions) return nullptr;
  const int single = is_zero_dim(vars);
  if (single < 0) return nullptr;
  bool by_var;
  if (single) {
    by_var = handle_check(vars, &Var_Type);
    Ref position(by_var ? var_position(self, vars) : new_ref(vars));
    if (!position || PyList_Append(positions.get(), position.get()) < 0) return nullptr;
  } else {
    const Py_ssize_t n = PyObject_Length(vars);
    if (n < 0) return nullptr;
    if (n == 0) return PyList_New(0);
    Ref first(PySequence_GetItem(vars, 0));
    if (!first) return nullptr;
    by_var = handle_check(first.get(), &Var_Type);
    Ref items(PyObject_GetIter(vars));
    if (!items) return nullptr;
    while (Ref item{PyIter_Next(items.get())}) {
      Ref position(by_var ? var_position(self, item.get()) : new_ref(item.get()));
      if (!position || PyList_Append(positions.get(), position.get()) < 0) return nullptr;
    }
    if (PyErr_Occurred()) return nullptr;
  }
  Ref values(
      PyObject_CallMethod(self, "cbGet", "iO", by_var ? var_code : pre_code, positions.get()));
  if (!values || !single) return values.release();
  return PySequence_GetItem(values.get(), 0);
}

PyObject *model_cbGetSolution_impl(PyObject *, PyObject *const *args) {
  return values_of(args[0], args[1], TVX_CB_MIP_SOL, TVX_CB_MIP_SOLPRE);
}

PyObject *model_cbGetNodeRel_impl(PyObject *, PyObject *const *args) {
  return values_of(args[0], args[1], TVX_CB_MIP_REL, TVX_CB_MIP_RELPRE);
}

const char *const cbGet_args[] = {"self", "what", "index"};
const char *const vars_args[] = {"self", "vars"};

const char cbGet_doc[] = R"doc(
        SIGNATURE:
            cbGet(what, index=None)

        PURPOSE:
            Retrieve additional data about the optimization progress.

        ARGUMENTS:
            what
            ----
            The data ID requested by the user callback.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPSOL:
                    print(model.cbGet(TVX.Callback.MIP_OBJBST))

        NOTE:
            Method can only be called within callback function.

        )doc";

const char cbGetSolution_doc[] = R"doc(
        SIGNATURE:
            cbGetSolution(vars)

        PURPOSE:
            Retrieve values of the best solution so far.

        ARGUMENTS:
            vars
            ----
            Var object or a list of Var object to indicate variables to retrieve solution
            value.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPSOL:
                    print(model.cbGetSolution(model.getVars()))

        NOTE:
            Method can only be called within callback function.

        )doc";

const char cbGetNodeRel_doc[] = R"doc(
        SIGNATURE:
            cbGetNodeRel(vars)

        PURPOSE:
            Retrieve solution values of the current relaxed problem.

        ARGUMENTS:
            vars
            ----
            Var object or a list of Var object to indicate variables to retrieve solution
            value.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPNODE:
                    print(model.cbGetNodeRel(model.getVars()))

        NOTE:
            Method can only be called within callback function.

        )doc";

}  // namespace

const FuncSpec Model_cbGet_spec =
    DZ_METHOD(Model, cbGet, cbGet_args, model_cbGet_impl, cbGet_doc).with_defaults("(None,)");
const FuncSpec Model_cbGetSolution_spec =
    DZ_METHOD(Model, cbGetSolution, vars_args, model_cbGetSolution_impl, cbGetSolution_doc);
const FuncSpec Model_cbGetNodeRel_spec =
    DZ_METHOD(Model, cbGetNodeRel, vars_args, model_cbGetNodeRel_impl, cbGetNodeRel_doc);

}  // namespace dz
