// Proposed solutions in callbacks: the buffer cbSetSolution fills and
// cbUseSolution submits (the bridge calls it after the user's function).
#include "callbacks/context.h"
#include "callbacks/methods.h"
#include "model/handles.h"
#include "model/model.h"
#include "module/tarvex_error.h"
#include "runtime/arraylike.h"
#include "runtime/numpy_api.h"

namespace dz {
namespace {

constexpr char kByVar = 1;     // a value stored through a Var handle
constexpr char kByColumn = 2;  // a value stored at a presolved column

// Stores value for var: an int is a presolved column (numpy's indexing, a
// negative one counting from the end), anything else a variable of this
// model by its index. The flag is set before the store. 0 or -1.
int store(PyObject *self, PyObject *var, PyObject *value) {
  ModelObject *m = as_model(self);
  Ref key;
  if (PyLong_Check(var)) {
    m->cbsolflags_ |= kByColumn;
    key = Ref::borrow(var);
  } else {
    m->cbsolflags_ |= kByVar;
    int index = 0;
    if (element_index(var, m->mdl_, &index) < 0) return -1;
    // A removed variable reads a negative index, which numpy would take
    // for another variable counted from the end.
    if (index < 0) {
      raise_code(TVX_ERROR_CB_INVALID_SUBMISSION);
      return -1;
    }
    key = Ref(PyLong_FromLong(index));
    if (!key) return -1;
  }
  // The buffer is held: the conversion of value may run Python code.
  Ref buffer = Ref::borrow(m->cbsol_);
  return PyObject_SetItem(buffer.get(), key.get(), value);
}

PyObject *model_cbSetSolution_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *vars = args[1], *sol = args[2];
  RunningCallback ctx;
  if (!in_callback(self, &ctx)) return nullptr;
  const int single = is_zero_dim(vars);
  if (single < 0) return nullptr;
  if (single) {
    if (store(self, vars, sol) < 0) return nullptr;
    Py_RETURN_NONE;
  }
  const Py_ssize_t n = PyObject_Length(vars);
  if (n < 0) return nullptr;
  for (Py_ssize_t i = 0; i < n; ++i) {
    Ref position(PyLong_FromSsize_t(i));
    if (!position) return nullptr;
    Ref var(PyObject_GetItem(vars, position.get()));
    if (!var) return nullptr;
    // Each element decides for itself; its flag is set before sol is read.
    as_model(self)->cbsolflags_ |= PyLong_Check(var.get()) ? kByColumn : kByVar;
    Ref value(PyObject_GetItem(sol, position.get()));
    if (!value || store(self, var.get(), value.get()) < 0) return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *model_cbUseSolution_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  RunningCallback ctx;
  if (!in_callback(self, &ctx)) return nullptr;
  ModelObject *m = as_model(self);
  const char flags = m->cbsolflags_;
  m->cbsolflags_ = 0;
  // Nothing stored since the last submission, or values in both spaces.
  if (flags != kByVar && flags != kByColumn) return Py_BuildValue("(iO)", 1000, Py_None);
  // The bridge made the buffer: a float64 array as long as the larger of
  // the two spaces, so the library reads no further than its end.
  if (!is_ndarray(m->cbsol_)) return raise_code(TVX_ERROR_CB_INVALID_SUBMISSION);
  const double *sol =
      static_cast<const double *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(m->cbsol_)));
  double objective = 0;
  const int outcome = flags == kByVar ? TVXcbsolution(ctx.cbdata, sol, &objective)
                                      : TVXcbsolutionp(ctx.cbdata, sol, &objective);
  if (outcome < 0) return raise_code(outcome);
  return Py_BuildValue("(id)", outcome, objective);
}

const char *const set_args[] = {"self", "vars", "sol"};
const char *const self_arg[] = {"self"};

const char cbSetSolution_doc[] = R"doc(
        SIGNATURE:
            cbSetSolution(vars, sol)

        PURPOSE:
            Provide a new feasible solution for a MIP model. Objective value corresponding to
            new solution will be returned if it is feasible.

        ARGUMENTS:
            vars
            ----
            A Var or list of Var object to indicate variable(s) to be provide solution
            value(s).

            sol
            ---
            A double value or list of double value to indicate new feasible solution value(s)
            to be provided.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPNODE:
                    model.cbSetSolution(model.getVars(), [1.0, 0.0])

        NOTE:
            Method can only be called within callback function.

        )doc";

const char cbUseSolution_doc[] = R"doc(
        SIGNATURE:
            cbUseSolution()

        PURPOSE:
            If you have already provided solution by `cbSetSolution`, you can optionally call
            this method to immediately submit solution to MIP solver.
            Method returns a tuple of 2 elements: status and objective value.
            Status can be:
            * 0: Successful submission
            * 1: Submission is valid but incorrect (infeasible, etc)
            * 2: Submission is correct but not being accepted.

        ARGUMENTS:
            None.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPNODE:
                    model.cbSetSolution(model.getVars(), [1.0, 0.0])
                    status, objective = model.cbUseSolution()

        NOTE:
            Method can only be called within callback function.

        )doc";

}  // namespace

const FuncSpec Model_cbSetSolution_spec =
    DZ_METHOD(Model, cbSetSolution, set_args, model_cbSetSolution_impl, cbSetSolution_doc);
const FuncSpec Model_cbUseSolution_spec =
    DZ_METHOD(Model, cbUseSolution, self_arg, model_cbUseSolution_impl, cbUseSolution_doc);

}  // namespace dz
