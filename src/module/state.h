// The module's private variables (its globals are read through
// runtime/globals.h). Only one interpreter may load the module, so plain
// globals guarded by the interpreter lock serve.
#ifndef DIDAZODA_MODULE_STATE_H
#define DIDAZODA_MODULE_STATE_H

#include "runtime/ref.h"

namespace dz {

struct ModuleState {
  // Module-private variables: None until filled, never module attributes.
  PyObject *default_env = nullptr;
  PyObject *callback_lock = nullptr;
  PyObject *attrs = nullptr;
  PyObject *params = nullptr;
  PyObject *wheres = nullptr;
  PyObject *whats = nullptr;
  PyObject *errors = nullptr;
  PyObject *status = nullptr;

  // Text constants.
  PyObject *MIXED_TYPE_MSG = nullptr;
  PyObject *BAD_LENGTH_MSG = nullptr;
  PyObject *MODEL_LIST_PROMPT = nullptr;
  PyObject *NO_MODELS_PROMPT = nullptr;
};

ModuleState &state();

// Sets one of the private variables, releasing its old value last.
void set_private(PyObject **slot, PyObject *value);

}  // namespace dz

#endif
