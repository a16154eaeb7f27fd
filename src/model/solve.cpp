// Solving a Model: optimize and computeIIS with an optional callback, reset,
// and the internal MIP clean-up.
#include "callbacks/bridge.h"
#include "model/model.h"
#include "runtime/args.h"
#include "module/tarvex_error.h"

namespace dz {

namespace {

// TarvexError(code) whose message says why the library kept no result: the
// model was changed while the run was under way (from another thread, or
// from a callback of another model: inside its own callback it is refused).
PyObject *raise_discarded(int code) {
  Ref exc(PyObject_CallFunction(reinterpret_cast<PyObject *>(&TarvexError_Type), "is", code,
                                "the model was changed while this call ran, so its result was "
                                "discarded"));
  if (exc) PyErr_SetObject(reinterpret_cast<PyObject *>(&TarvexError_Type), exc.get());
  return nullptr;
}

// The two solves differ only in the library function that runs them and in
// the code it answers when it discarded the run's result.
PyObject *run_solve(PyObject *self, PyObject *callback, int (*solve)(TVXmodel *), int discarded) {
  // On the thread of a running callback the solve would wait for the
  // search that called it (and for callbackLock, which that thread holds).
  if (callback_running_here()) {
    PyErr_SetString(PyExc_RuntimeError, "a solve cannot be started inside a callback function");
    return nullptr;
  }
  TVXmodel *mdl = model_live_handle(self);
  if (!mdl) return nullptr;
  ModelObject *m = as_model(self);
  Py_INCREF(callback);
  Py_SETREF(m->callback_, callback);
  // Every solve registers anew, so one without a callback drops an earlier
  // one. The Model is passed borrowed: our caller holds it for the solve.
  const bool with_callback = callback != Py_None;
  int rc = TVXsetcallbackfunc(mdl, with_callback ? bridge_callback : nullptr, self);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  PyThreadState *saved = PyEval_SaveThread();
  rc = solve(mdl);
  PyEval_RestoreThread(saved);
  // The callback's own exception, left pending by the bridge on this
  // thread, wins over whatever the library returned after it stopped.
  if (PyErr_Occurred()) return nullptr;
  if (rc == discarded) return raise_discarded(rc);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

PyObject *model_optimize_impl(PyObject *, PyObject *const *args) {
  return run_solve(args[0], args[1], TVXoptimize, TVX_ERROR_NO_SOLN);
}

PyObject *model_computeIIS_impl(PyObject *, PyObject *const *args) {
  return run_solve(args[0], args[1], TVXcomputeIIS, TVX_ERROR_IIS_NO_SOLN);
}

PyObject *model_reset_impl(PyObject *, PyObject *const *args) {
  int clearall = 0;
  if (!as_int32(args[1], &clearall)) return nullptr;
  TVXmodel *mdl = model_edit_handle(args[0]);
  if (!mdl) return nullptr;
  const int rc = TVXreset(mdl, clearall);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

PyObject *model_cleanupMilp_impl(PyObject *, PyObject *const *args) {
  TVXmodel *mdl = model_edit_handle(args[0]);
  if (!mdl) return nullptr;
  int changed = 0;
  const int rc = TVXcleanupmilp(mdl, &changed);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return PyLong_FromLong(changed);
}

const char *const self_arg[] = {"self"};
const char *const callback_args[] = {"self", "callback"};
const char *const reset_args[] = {"self", "clearall"};

const char optimize_doc[] = R"doc(
        SIGNATURE:
            optimize(callback=None)

        PURPOSE:
            Start model optimization. It may take some time, depends on the complexity of the
            problem.

        ARGUMENTS:
            callback=None
            -------------
            A function the solver calls while it runs, with the two arguments `model`
            and `where`: the model being solved and the code of the point the solver
            has reached.

        EXAMPLE:
            def mycallback(model, where):
                model._calls += 1

            m._calls = 0
            m.optimize(mycallback)
            print(m._calls)

        NOTE:
            Only members whose names begin with "_" can be added to the model; use
            them to pass context to the callback.

        )doc";

const char computeIIS_doc[] = R"doc(
        SIGNATURE:
            computeIIS(callback=None)

        PURPOSE:
            Compute an IIS(Irreducible Inconsistent Subsystem). IIS is a subset of variable
            bounds and constraint bounds, this subset satisfies:
            1. The subproblem corresponding to the subset is still infeasible.
            2. After deleting any bound in this subset, the subproblem becomes feasible.

        ARGUMENTS:
            callback=None
            -------------
            A function the solver calls while it runs, with the two arguments `model`
            and `where`: the model being solved and the code of the point the solver
            has reached.

        EXAMPLE:
            m.computeIIS()
            print(m.getAttr("IISConstr", m.getConstrs()))
            print(m.getAttr("IISVar", m.getVars()))

        NOTE:
            Only members whose names begin with "_" can be added to the model; use
            them to pass context to the callback.

        )doc";

const char reset_doc[] = R"doc(
        SIGNATURE:
            reset(clearall=0)

        PURPOSE:
            Set the model to the unsolved state and clear all data related to the solution.

        ARGUMENTS:
            clearall=0
            ----------
            When the value is 0, only the solution is cleared; When the value is 1, all relevant
            data is cleared.

        EXAMPLE:
            m.reset()
            m.reset(1)

        )doc";

}  // namespace

const FuncSpec Model_optimize_spec =
    DZ_METHOD(Model, optimize, callback_args, model_optimize_impl, optimize_doc)
        .with_defaults("(None,)");
const FuncSpec Model_computeIIS_spec =
    DZ_METHOD(Model, computeIIS, callback_args, model_computeIIS_impl, computeIIS_doc)
        .with_defaults("(None,)");
const FuncSpec Model_reset_spec =
    DZ_METHOD(Model, reset, reset_args, model_reset_impl, reset_doc).with_defaults("(0,)");
// Internal: binding marks it, which also empties the docstring.
const FuncSpec Model_cleanupMilp_spec =
    DZ_METHOD(Model, cleanupMilp, self_arg, model_cleanupMilp_impl, nullptr);

}  // namespace dz
