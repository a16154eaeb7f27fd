// Argument conversion and the fixed texts of argument errors, shared by every
// Python-visible function.
#ifndef DIDAZODA_RUNTIME_ARGS_H
#define DIDAZODA_RUNTIME_ARGS_H

#include "runtime/ref.h"

namespace dz {

// TypeError "%.200s() takes %.8s %zd positional argument%.1s (%zd given)".
void raise_argcount(const char *func, bool exact, Py_ssize_t min, Py_ssize_t max, Py_ssize_t given);

// None passes; exact: the type itself only (str, list, dict), otherwise
// subclasses too. Raises TypeError "Argument '...' has incorrect type ...".
bool check_arg_type(PyObject *obj, PyTypeObject *type, const char *name, bool exact);
// The same TypeError for obj given as argument name where a type was
// expected: for an argument that refuses None too. Returns false.
bool raise_arg_type(PyObject *obj, PyTypeObject *type, const char *name);

// A 32-bit integer from an int or any object with an integer conversion
// (a float truncates). TypeError "an integer is required", OverflowError
// "value too large to convert to int".
bool as_int32(PyObject *obj, int *out);

// The two double conversions. as_double: the float protocol (__float__, or
// __index__), what a float parameter takes; a str is a TypeError.
// float_of: float(obj) as Python computes it, which also parses a str; what
// the expression arithmetic applies to coefficients and constants.
bool as_double(PyObject *obj, double *out);
bool float_of(PyObject *obj, double *out);

}  // namespace dz

#endif
