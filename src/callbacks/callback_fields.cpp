#include "callbacks/callback_fields.h"

#include "model/model.h"

namespace dz {

int model_callback_context(PyObject *model, CallbackContext *ctx) {
  ModelObject *m = as_model(model);
  ctx->model = m->mdl_;
  ctx->cbdata = m->cbdata_;
  ctx->where = m->where_;
  return 0;
}

}  // namespace dz
