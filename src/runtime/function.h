// Python-visible functions: a callable with a name, qualified name, docstring,
// writable __dict__, defaults, keyword defaults and a code object that reports
// its argument names. Bound into classes it binds like a Python function.
#ifndef DIDAZODA_RUNTIME_FUNCTION_H
#define DIDAZODA_RUNTIME_FUNCTION_H

#include <cstddef>

#include "runtime/ref.h"

namespace dz {

// Receives one borrowed object per parameter, defaults already applied:
// positional-or-keyword ones (self first for methods), keyword-only ones,
// then the *args tuple and the **kwargs dict when the function takes them.
using FuncImpl = PyObject *(*)(PyObject *func, PyObject *const *args);

// Default values known only at binding time (read from TVX): a new tuple
// laid out as FuncSpec::defaults, or nullptr with an exception.
using DefaultsHook = PyObject *(*)();

enum FuncFlags {
  FUNC_VARARGS = 1,
  FUNC_VARKW = 2,
  FUNC_METHOD = 4,  // first parameter is self: left out of argument counts
};

// A Python-visible function. Made with func_spec() or DZ_METHOD, which take
// the parameter count from the name array, and refined with the with_*
// members, so that nothing is counted by hand.
struct FuncSpec {
  const char *name;
  const char *qualname;         // nullptr: same as name
  const char *const *argnames;  // npos + nkwonly (+ *args) (+ **kwargs) names
  int nnames;                   // entries of argnames
  int npos;                     // positional-or-keyword, self included
  int nkwonly;
  int flags;
  PyTypeObject *self_type;  // when set, self must be an instance
  FuncImpl impl;
  const char *doc;  // nullptr: no docstring
  // The defaults of the last named parameters (positional-or-keyword, then
  // keyword-only), in order, as a Python tuple literal such as "('', None)";
  // or a hook building that tuple at binding time. nullptr: none.
  const char *defaults;
  DefaultsHook defaults_hook;
  // tp_init parses without a function object: its evaluated defaults are
  // kept here on first use (literals only, so they never change).
  mutable PyObject *init_defaults;
  mutable PyObject *init_kwdefaults;

  constexpr FuncSpec with_flags(int more) const {
    FuncSpec s = *this;
    s.flags |= more;
    return s.counted();
  }
  // The last n named parameters are keyword-only.
  constexpr FuncSpec with_keyword_only(int n) const {
    FuncSpec s = *this;
    s.nkwonly = n;
    return s.counted();
  }
  constexpr FuncSpec with_defaults(const char *literal) const {
    FuncSpec s = *this;
    s.defaults = literal;
    return s;
  }
  constexpr FuncSpec with_defaults_hook(DefaultsHook hook) const {
    FuncSpec s = *this;
    s.defaults_hook = hook;
    return s;
  }
  constexpr FuncSpec counted() const {
    FuncSpec s = *this;
    s.npos = nnames - nkwonly - ((flags & FUNC_VARARGS) ? 1 : 0) - ((flags & FUNC_VARKW) ? 1 : 0);
    return s;
  }
};

template <std::size_t N>
constexpr FuncSpec func_spec(const char *name, const char *qualname,
                             const char *const (&argnames)[N], int flags, PyTypeObject *self_type,
                             FuncImpl impl, const char *doc) {
  return FuncSpec{name,      qualname, argnames, int{N},  0,       0,       flags,
                  self_type, impl,     doc,      nullptr, nullptr, nullptr, nullptr}
      .counted();
}

// A function without parameters.
constexpr FuncSpec func_spec(const char *name, const char *qualname, std::nullptr_t, int flags,
                             PyTypeObject *self_type, FuncImpl impl, const char *doc) {
  return FuncSpec{name,      qualname, nullptr, 0,       0,       0,       flags,
                  self_type, impl,     doc,     nullptr, nullptr, nullptr, nullptr};
}

// A method of class Cls (its type object Cls##_Type): qualified name
// "Cls.name", self checked to be a Cls. The trailing arguments are the
// implementation and the docstring (variadic only for template arguments).
#define DZ_METHOD(Cls, name, argnames, ... /* impl, doc */) \
  ::dz::func_spec(#name, #Cls "." #name, argnames, ::dz::FUNC_METHOD, &Cls##_Type, __VA_ARGS__)

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
// Tuple and dict form, as tp_init receives them, with the spec's defaults.
int parse_init(const FuncSpec *spec, PyObject *self, PyObject *args, PyObject *kwargs,
               ParsedArgs &out);

extern PyTypeObject Function_Type;

int function_ready();

// New function object with the spec's defaults; closure: any object the
// implementation reads back through function_closure().
PyObject *function_new(const FuncSpec *spec, PyObject *closure = nullptr);

PyObject *function_closure(PyObject *func);  // borrowed, may be NULL
const FuncSpec *function_spec(PyObject *func);
bool function_check(PyObject *o);

// Replaces the defaults tuple; steals nothing.
int function_set_defaults(PyObject *func, PyObject *defaults);

}  // namespace dz

#endif
