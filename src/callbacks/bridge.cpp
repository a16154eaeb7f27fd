// The bridge between the library's callback and the user's function.
#include "callbacks/bridge.h"

#include "callbacks/context.h"
#include "callbacks/methods.h"
#include "model/model.h"
#include "module/state.h"
#include "runtime/globals.h"
#include "module/tarvex_error.h"
#include "runtime/numpy_api.h"

namespace dz {
namespace {

// The thread running a callback's Python function, 0 when none, and the
// solver model whose context is published, null when none. Callbacks run one
// at a time (callbackLock), so one of each is enough; guarded by the
// interpreter lock.
unsigned long g_callback_thread = 0;
const TVXmodel *g_callback_model = nullptr;

// The solution buffer: as many entries as the larger of the presolved
// column count and NumVars, every one TVX.UNDEFINED. New reference or null.
PyObject *solution_buffer(PyObject *model, void *cbdata, int where) {
  int presolved = 0;
  const int rc = TVXcbget(cbdata, where, TVX_CB_PRE_NUMVARS, &presolved);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Ref numvars(PyObject_GetAttrString(model, "numvars"));
  if (!numvars) return nullptr;
  Py_ssize_t length = PyNumber_AsSsize_t(numvars.get(), PyExc_OverflowError);
  if (length == -1 && PyErr_Occurred()) return nullptr;
  if (presolved > length) length = presolved;
  if (length < 0) length = 0;
  Ref undefined(tvx_constant("UNDEFINED"));
  if (!undefined) return nullptr;
  const double fill = PyFloat_AsDouble(undefined.get());
  if (fill == -1.0 && PyErr_Occurred()) return nullptr;
  npy_intp dims[1] = {length};
  Ref buffer(PyArray_SimpleNew(1, dims, NPY_DOUBLE));
  if (!buffer) return nullptr;
  double *data =
      static_cast<double *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(buffer.get())));
  for (Py_ssize_t k = 0; k < length; ++k) data[k] = fill;
  return buffer.release();
}

// One call under the callback lock: publishes the callback context on the
// model (cbdata, where, the terminate and solution flags), makes the
// solution buffer, calls the user's function, and submits a solution it
// stored (cbUseSolution). bridge_locked withdraws the context afterwards.
// 0, or -1 with an exception.
int call_with_model(PyObject *model, void *cbdata, int where) {
  ModelObject *m = as_model(model);
  m->cbdata_ = cbdata;
  g_callback_model = m->mdl_;
  m->where_ = where;
  m->terminate_ = 0;
  m->cbsolflags_ = 0;
  PyObject *buffer = solution_buffer(model, cbdata, where);
  if (!buffer) return -1;
  Py_XSETREF(m->cbsol_, buffer);
  Ref function = Ref::borrow(m->callback_);
  Ref where_object(PyLong_FromLong(where));
  if (!where_object) return -1;
  const unsigned long outer = g_callback_thread;
  g_callback_thread = PyThread_get_thread_ident();
  Ref result(PyObject_CallFunctionObjArgs(function.get(), model, where_object.get(), nullptr));
  g_callback_thread = outer;
  if (!result) return -1;
  Ref used(PyObject_CallMethod(model, "cbUseSolution", nullptr));
  return used ? 0 : -1;
}

void withdraw(PyObject *model) {
  ModelObject *m = as_model(model);
  Py_INCREF(Py_None);
  Py_XSETREF(m->cbsol_, Py_None);
  m->cbdata_ = nullptr;
  g_callback_model = nullptr;
}

// The callback proper, with the interpreter lock held.
int bridge_locked(PyObject *model, void *cbdata, int where) {
  Ref hold = Ref::borrow(model);
  PyObject *lock = state().callback_lock;
  if (lock == nullptr || lock == Py_None) {
    PyErr_SetString(PyExc_RuntimeError, "the module is not initialised");
    return -1;
  }
  // The lock as a context manager, looked up on its type.
  PyObject *type = reinterpret_cast<PyObject *>(Py_TYPE(lock));
  Ref exit(PyObject_GetAttrString(type, "__exit__"));
  if (!exit) return -1;
  Ref enter(PyObject_GetAttrString(type, "__enter__"));
  if (!enter) return -1;
  Ref entered(PyObject_CallFunctionObjArgs(enter.get(), lock, nullptr));
  if (!entered) return -1;

  int result = call_with_model(model, cbdata, where);
  withdraw(model);
  if (result == 0 && as_model(model)->terminate_) result = TVX_ERROR_ABORT_CTRL_C;
  if (PyErr_Occurred()) {
    PyObject *exc_type, *exc_value, *exc_tb;
    PyErr_Fetch(&exc_type, &exc_value, &exc_tb);
    PyErr_NormalizeException(&exc_type, &exc_value, &exc_tb);
    if (exc_tb != nullptr && exc_value != nullptr) PyException_SetTraceback(exc_value, exc_tb);
    Ref exited(PyObject_CallFunctionObjArgs(exit.get(), lock, exc_type, exc_value,
                                            exc_tb != nullptr ? exc_tb : Py_None, nullptr));
    // The lock's own failure, if any, gives way to the exception in flight.
    if (!exited) PyErr_Clear();
    PyErr_Restore(exc_type, exc_value, exc_tb);
    return -1;
  }
  Ref exited(PyObject_CallFunctionObjArgs(exit.get(), lock, Py_None, Py_None, Py_None, nullptr));
  return exited ? result : -1;
}

PyObject *model_terminate_impl(PyObject *, PyObject *const *args) {
  RunningCallback ctx;
  if (!in_callback(args[0], &ctx)) return nullptr;
  as_model(args[0])->terminate_ = 1;
  Py_RETURN_NONE;
}

const char *const self_arg[] = {"self"};

const char terminate_doc[] = R"doc(
        SIGNATURE:
            terminate()

        PURPOSE:
            Send a stop request to solver in a MIP callback function. After solver terminated,
            an error code `ABORT_CTRL_C` will be returned from `Model.optimize`.

        ARGUMENTS:
            None.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPSOL:
                    model.terminate()

        NOTE:
            Method can only be called within callback function.

        )doc";

}  // namespace

int bridge_callback(TVXmodel *, void *cbdata, int where, void *usrdata) {
  const PyGILState_STATE gil = PyGILState_Ensure();
  int result = bridge_locked(static_cast<PyObject *>(usrdata), cbdata, where);
  if (result == -1 && PyErr_Occurred()) _PyTraceback_Add("PyCallback", __FILE__, __LINE__);
  PyGILState_Release(gil);
  return result;
}

bool callback_running_here() {
  return g_callback_thread != 0 && g_callback_thread == PyThread_get_thread_ident();
}

bool callback_running_on(const TVXmodel *mdl) { return mdl != nullptr && mdl == g_callback_model; }

const FuncSpec Model_terminate_spec =
    DZ_METHOD(Model, terminate, self_arg, model_terminate_impl, terminate_doc);

}  // namespace dz
