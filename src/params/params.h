// Parameter access by name: the matcher and the one setter through which
// every parameter write goes (Env.setParam, Env(params=...), Model.setParam,
// Model.Params assignment and the module-level functions).
#ifndef DIDAZODA_PARAMS_PARAMS_H
#define DIDAZODA_PARAMS_PARAMS_H

#include "runtime/ref.h"
#include "module/tarvex.h"

namespace dz {

// The private parameter table (borrowed), or NULL with an exception.
PyObject *param_table();
// The table key of a name: "/" as "_", lower case (new reference).
PyObject *param_key(PyObject *name);

// The type object of a parameter row picks the library functions.
enum class ParamKind { Int, Dbl, Str };
ParamKind param_kind(PyObject *type);

// Normalises name ("/" to "_", lower case) and looks it up in the parameter
// table, exactly first, then with fnmatch wildcards over every key in table
// order. 1: one row matched, canonical and type receive its name and type
// object; 0: none or several matched (several print "Matching parameters:
// [...]"); -1: an exception (a name that is no str fails in its replace()).
int match_param(PyObject *name, Ref &canonical, Ref &type);

// Where a setter finds the environment handle: called right before each
// library call, since any Python code run in between (print, a value's
// conversion) may dispose the owner. NULL with an exception for an owner
// that holds no live environment.
using EnvOf = TVXenv *(*)(PyObject *owner);

// Prints "Set parameter {} to value {}" and sets one parameter on the
// environment of owner; the value "default" (any case) stands for the
// library's default. New reference to True when set, False when the name
// matched no single parameter (after printing "No parameters matching '{}'
// found"), NULL with an exception for a dead owner, a failed conversion or a
// library status. An owner that env_of already finds dead is refused before
// anything is printed; a stale handle is refused by the library.
PyObject *set_param(PyObject *owner, EnvOf env_of, PyObject *name, PyObject *value);

// The environment of a Model that still holds its solver model; NULL with
// TarvexError(INVALID_ARGUMENT) for a disposed or empty model.
TVXenv *model_param_env(PyObject *model);

}  // namespace dz

#endif
