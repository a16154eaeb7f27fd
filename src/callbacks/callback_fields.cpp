#include "callbacks/callback_fields.h"

#include "module/classes.h"

namespace dz {

// Model does not carry its solver handle and callback fields yet.
int model_callback_context(PyObject *, CallbackContext *) {
  not_built("the callback context of Model");
  return -1;
}

}  // namespace dz
