// Argument conversion and the fixed texts of argument errors, shared by every
// Python-visible function.
#ifndef DIDAZODA_ARGS_H
#define DIDAZODA_ARGS_H

#include "runtime/ref.h"

namespace dz {

// TypeError "%.200s() takes %.8s %zd positional argument%.1s (%zd given)".
void raise_argcount(const char *func, bool exact, Py_ssize_t min, Py_ssize_t max, Py_ssize_t given);

// None passes; exact: the type itself only (str, list, dict), otherwise
// subclasses too. Raises TypeError "Argument '...' has incorrect type ...".
bool check_arg_type(PyObject *obj, PyTypeObject *type, const char *name, bool exact);

// A 32-bit integer from an int or any object with an integer conversion
// (a float truncates). TypeError "an integer is required", OverflowError
// "value too large to convert to int".
bool as_int32(PyObject *obj, int *out);

// A double from any object with a float conversion.
bool as_double(PyObject *obj, double *out);

}  // namespace dz

#endif
