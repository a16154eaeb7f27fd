#include "callbacks/context.h"

#include "callbacks/bridge.h"
#include "model/model.h"
#include "module/tarvex_error.h"

namespace dz {

bool in_callback(PyObject *model, RunningCallback *ctx) {
  const ModelObject *m = as_model(model);
  *ctx = RunningCallback{m->mdl_, m->cbdata_, m->where_};
  if (ctx->cbdata != nullptr) return true;
  PyErr_SetString(PyExc_RuntimeError, "method can only be called in callback function");
  return false;
}

bool edit_allowed(const TVXmodel *mdl) {
  if (!callback_running_on(mdl)) return true;
  PyErr_SetString(PyExc_RuntimeError,
                  "a model cannot be changed while a callback of its solve runs; inside the "
                  "callback use cbCut, cbBranch, cbSetSolution or terminate instead");
  return false;
}

PyObject *raise_invalid_what() { return raise_code(TVX_ERROR_CB_INVALID_WHAT); }

}  // namespace dz
