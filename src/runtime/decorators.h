// Read-only properties, display signatures and the internal marker, and the
// helpers that bind members into a class dictionary with them.
#ifndef DIDAZODA_RUNTIME_DECORATORS_H
#define DIDAZODA_RUNTIME_DECORATORS_H

#include "runtime/function.h"

namespace dz {

// A property calling f(self) on every read; assignment raises
// TypeError("Value is readonly"); its docstring is f.__doc__.
PyObject *constant(PyObject *f);
// A decorator making the same property with the docstring doc.
PyObject *documented_constant(PyObject *doc);
// A decorator setting method.__text_signature__ to "name(args)".
PyObject *signature(PyObject *args);
// Marks a method internal: hidden from dir() of its class.
PyObject *internal(PyObject *method);

// dict[spec->name] = a new function. Returns the borrowed function or NULL.
PyObject *bind_function(PyObject *dict, const FuncSpec *spec);
// Binds every function of specs; 0, or -1 at the first failure.
int bind_functions(PyObject *dict, const FuncSpec *specs, size_t n);
template <size_t N>
int bind_functions(PyObject *dict, const FuncSpec (&specs)[N]) {
  return bind_functions(dict, specs, N);
}
// Binds the function, then replaces it with constant(function).
int bind_constant(PyObject *dict, const FuncSpec *spec);
// Binds the function, then replaces it with documented_constant(doc)(function).
int bind_documented_constant(PyObject *dict, const FuncSpec *spec, const char *doc);
// Binds the function wrapped in staticmethod.
int bind_static(PyObject *dict, const FuncSpec *spec);
// Applies signature(args) to the member name of dict.
int apply_signature(PyObject *dict, const char *name, const char *args);
// Applies internal to the member name of dict.
int apply_internal(PyObject *dict, const char *name);

}  // namespace dz

#endif
