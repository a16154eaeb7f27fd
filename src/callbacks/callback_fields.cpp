#include "callbacks/callback_fields.h"

#include <climits>

#include "callbacks/bridge.h"
#include "model/model.h"
#include "module/state.h"
#include "module/tarvex_error.h"

namespace dz {

int model_callback_context(PyObject *model, CallbackContext *ctx) {
  ModelObject *m = as_model(model);
  ctx->model = m->mdl_;
  ctx->cbdata = m->cbdata_;
  ctx->where = m->where_;
  return 0;
}

bool in_callback(PyObject *model, CallbackContext *ctx) {
  model_callback_context(model, ctx);
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

bool tvx_code(const char *group, const char *name, int *out) {
  PyObject *tvx = module_global("TVX");  // borrowed
  if (!tvx) return false;
  Ref set(PyObject_GetAttrString(tvx, group));
  if (!set) return false;
  Ref value(PyObject_GetAttrString(set.get(), name));
  if (!value) return false;
  const long v = PyLong_AsLong(value.get());
  if (v == -1 && PyErr_Occurred()) return false;
  if (v < INT_MIN || v > INT_MAX) {
    PyErr_SetString(PyExc_OverflowError, "value too large to convert to int");
    return false;
  }
  *out = static_cast<int>(v);
  return true;
}

PyObject *raise_invalid_what() {
  int code;
  if (!tvx_code("Error", "CB_INVALID_WHAT", &code)) return nullptr;
  return raise_code(code);
}

}  // namespace dz
