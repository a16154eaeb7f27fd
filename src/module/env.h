// Environments, as the rest of the module uses them.
#ifndef DIDAZODA_MODULE_ENV_H
#define DIDAZODA_MODULE_ENV_H

#include "runtime/ref.h"
#include "module/tarvex.h"

namespace dz {

extern PyTypeObject Env_Type;

// An Env or an instance of a subclass.
inline bool env_check(PyObject *obj) { return PyObject_TypeCheck(obj, &Env_Type); }

// The handle of a live Env (env must pass env_check). An Env never initialised or already disposed
// gets NULL with TarvexError(INVALID_ARGUMENT), so a freed handle never
// reaches the library. Any Python code run afterwards may dispose it: ask
// again rather than keep the handle across such code.
TVXenv *env_handle(PyObject *env);

// The default environment: a new reference to the Env, or to None when there
// is none and create is false; with create true one is made first (a loaded
// Env() without a log). NULL with an exception when creating fails.
PyObject *default_env(bool create);

}  // namespace dz

#endif
