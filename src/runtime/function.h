// Python-visible functions: a callable with a name, qualified name, docstring,
// writable __dict__, defaults, keyword defaults and a code object that reports
// its argument names. Bound into classes it binds like a Python function.
#ifndef DIDAZODA_FUNCTION_H
#define DIDAZODA_FUNCTION_H

#include "runtime/ref.h"

namespace dz {

// Receives one borrowed object per parameter, defaults already applied:
// positional-or-keyword ones (self first for methods), keyword-only ones,
// then the *args tuple and the **kwargs dict when the function takes them.
using FuncImpl = PyObject *(*)(PyObject *func, PyObject *const *args);

enum FuncFlags {
  FUNC_VARARGS = 1,
  FUNC_VARKW = 2,
  FUNC_METHOD = 4,  // first parameter is self: left out of argument counts
};

struct FuncSpec {
  const char *name;
  const char *qualname;         // nullptr: same as name
  const char *const *argnames;  // npos + nkwonly (+ *args) (+ **kwargs) names
  int npos;                     // positional-or-keyword, self included
  int nkwonly;
  int flags;
  PyTypeObject *self_type;  // when set, self must be an instance
  FuncImpl impl;
  const char *doc;  // nullptr: no docstring
};

constexpr int kMaxParams = 24;

// Parsed arguments, new references, one per parameter.
class ParsedArgs {
 public:
  ParsedArgs() {
    for (auto &v : v_) v = nullptr;
  }
  ParsedArgs(const ParsedArgs &) = delete;
  ParsedArgs &operator=(const ParsedArgs &) = delete;
  ~ParsedArgs() {
    for (auto &v : v_) Py_XDECREF(v);
  }
  PyObject *operator[](int i) const { return v_[i]; }
  PyObject **data() { return v_; }

 private:
  PyObject *v_[kMaxParams];
};

// The one argument parser: vectorcall form (self, when a method, is args[0]).
int parse_vector(const FuncSpec *spec, PyObject *defaults, PyObject *kwdefaults,
                 PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames, ParsedArgs &out);
// Tuple and dict form, as slot functions such as tp_init receive them.
int parse_tuple(const FuncSpec *spec, PyObject *defaults, PyObject *kwdefaults, PyObject *self,
                PyObject *args, PyObject *kwargs, ParsedArgs &out);

extern PyTypeObject Function_Type;

int function_ready();

// New function object. defaults: tuple for the trailing positional
// parameters; kwdefaults: dict for keyword-only ones; closure: any object the
// implementation reads back through function_closure().
PyObject *function_new(const FuncSpec *spec, PyObject *closure = nullptr,
                       PyObject *defaults = nullptr, PyObject *kwdefaults = nullptr);

PyObject *function_closure(PyObject *func);  // borrowed, may be NULL
const FuncSpec *function_spec(PyObject *func);
bool function_check(PyObject *o);

// Replaces the defaults tuple; steals nothing.
int function_set_defaults(PyObject *func, PyObject *defaults);

}  // namespace dz

#endif
