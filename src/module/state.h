// Process-wide module state. Only one interpreter may load the module, so
// plain globals guarded by the interpreter lock serve.
#ifndef DIDAZODA_MODULE_STATE_H
#define DIDAZODA_MODULE_STATE_H

#include "runtime/ref.h"

namespace dz {

struct ModuleState {
  PyObject *module = nullptr;  // recorded by the exec step (owned)

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

// The interned string of a literal (borrowed, kept for good), or NULL with
// an exception.
PyObject *interned(const char *text);

// Module globals as they are now, read at each use so that rebinding one is
// seen at the next. Every lookup of a module global goes through these: they
// return owned references, since Python code run while a borrowed one is
// held could rebind the global and free it. An empty Ref means an exception.

// The module global of that name.
Ref module_global(const char *name);
// getattr(module global, name): global_attr("itertools", "product").
Ref global_attr(const char *global, const char *name);
// _np.<name> and _sp.<name>.
inline Ref np_attr(const char *name) { return global_attr("_np", name); }
inline Ref sp_attr(const char *name) { return global_attr("_sp", name); }
// TVX.<name> (TVX.INFINITY), and TVX.<group>.<name> (TVX.Error.ABORT_CTRL_C).
inline Ref tvx_constant(const char *name) { return global_attr("TVX", name); }
Ref tvx_constant(const char *group, const char *name);
// TVX.<group>.<name> as an int; false with an exception (OverflowError
// "value too large to convert to int" beyond 32 bits).
bool tvx_int(const char *group, const char *name, int *out);

// Sets one of the private variables, releasing its old value last.
void set_private(PyObject **slot, PyObject *value);

}  // namespace dz

#endif
