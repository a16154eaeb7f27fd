#include "runtime/function.h"

#include <structmember.h>

#include <cstring>

#include "runtime/args.h"
#include "runtime/compat.h"
#include "runtime/gc_fields.h"
#include "runtime/guard.h"
#include "runtime/globals.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

struct FunctionObject {
  PyObject_HEAD vectorcallfunc vectorcall;
  const FuncSpec *spec;
  PyObject *name;
  PyObject *qualname;
  PyObject *doc;
  PyObject *dict;
  PyObject *module;
  PyObject *defaults;    // tuple or NULL
  PyObject *kwdefaults;  // dict or NULL
  PyObject *closure;
  PyObject *code;  // made on first use
  PyObject *annotations;
  PyObject *weakreflist;
};

using Fields =
    GcFields<FunctionObject, Unset::null, NoBase, &FunctionObject::name, &FunctionObject::qualname,
             &FunctionObject::doc, &FunctionObject::dict, &FunctionObject::module,
             &FunctionObject::defaults, &FunctionObject::kwdefaults, &FunctionObject::closure,
             &FunctionObject::code, &FunctionObject::annotations>;

inline FunctionObject *F(PyObject *o) { return reinterpret_cast<FunctionObject *>(o); }

int nparams(const FuncSpec *s) { return s->nnames; }

// The spec's default values, evaluated: the tuple of the last named
// parameters' values split into the positional defaults tuple and the
// keyword-only defaults dict. Either may stay empty.
int spec_defaults(const FuncSpec *s, Ref &defaults, Ref &kwdefaults) {
  Ref values;
  if (s->defaults_hook) {
    values = Ref(s->defaults_hook());
  } else if (s->defaults) {
    Ref ast(PyImport_ImportModule("ast"));
    if (!ast) return -1;
    values = Ref(PyObject_CallMethod(ast.get(), "literal_eval", "s", s->defaults));
  } else {
    return 0;
  }
  if (!values) return -1;
  const int first = s->flags & FUNC_METHOD ? 1 : 0;
  const int named = s->npos + s->nkwonly;
  if (!PyTuple_Check(values.get()) || PyTuple_GET_SIZE(values.get()) > named - first) {
    PyErr_Format(PyExc_SystemError, "bad defaults for %s", s->name);
    return -1;
  }
  int given = 0;
  if (!int_size(PyTuple_GET_SIZE(values.get()), &given)) return -1;
  const int start = named - given;
  if (start < s->npos) {
    defaults = Ref(PyTuple_GetSlice(values.get(), 0, s->npos - start));
    if (!defaults) return -1;
  }
  if (s->nkwonly > 0 && start < named) {
    if (!(kwdefaults = Ref(PyDict_New()))) return -1;
    for (int i = start > s->npos ? start : s->npos; i < named; i++)
      if (PyDict_SetItemString(kwdefaults.get(), s->argnames[i],
                               PyTuple_GET_ITEM(values.get(), i - start)) < 0)
        return -1;
  }
  return 0;
}

}  // namespace

namespace {

// One call's argument counts, as the argument-count errors report them
// (self left out).
struct Counts {
  const FuncSpec *spec;
  int first;  // 1 for a method: args[0] is self
  Py_ssize_t given, minpos, maxpos;
  bool exact;  // no defaults and no *args: "exactly"

  int raise() const {
    raise_argcount(spec->name, exact, minpos, maxpos, given);
    return -1;
  }
};

// A method's self: present, and of the class when the spec names one.
int check_self(const FuncSpec *s, PyObject *const *args, Py_ssize_t nargs) {
  if (nargs < 1) {
    PyErr_Format(PyExc_TypeError, "unbound method %.200s() needs an argument", s->name);
    return -1;
  }
  if (s->self_type && !PyObject_TypeCheck(args[0], s->self_type)) {
    PyErr_Format(PyExc_TypeError,
                 "descriptor '%.200s' requires a '%.100s' object but received a '%.100s'", s->name,
                 s->self_type->tp_name, Py_TYPE(args[0])->tp_name);
    return -1;
  }
  return 0;
}

// The positional arguments into their parameters, the surplus into the
// *args tuple, and an empty **kwargs dict (returned borrowed in *varkw).
int take_positional(const Counts &c, PyObject *const *args, Py_ssize_t nargs, PyObject **vals,
                    PyObject **varkw) {
  const FuncSpec *s = c.spec;
  if (c.given > c.maxpos && !(s->flags & FUNC_VARARGS)) return c.raise();
  const Py_ssize_t taken = nargs < s->npos ? nargs : s->npos;
  for (Py_ssize_t i = 0; i < taken; i++) vals[i] = new_ref(args[i]);
  int slot = s->npos + s->nkwonly;
  if (s->flags & FUNC_VARARGS) {
    const Py_ssize_t extra = nargs - taken;
    PyObject *t = PyTuple_New(extra);
    if (!t) return -1;
    for (Py_ssize_t i = 0; i < extra; i++) PyTuple_SET_ITEM(t, i, new_ref(args[taken + i]));
    vals[slot++] = t;
  }
  *varkw = nullptr;
  if (s->flags & FUNC_VARKW) {
    if (!(*varkw = PyDict_New())) return -1;
    vals[slot] = *varkw;
  }
  return 0;
}

// Keyword arguments (values follows the positional ones) into their named
// parameters, or into **kwargs when the function takes it.
int take_keywords(const Counts &c, PyObject *kwnames, PyObject *const *values, PyObject **vals,
                  PyObject *varkw) {
  const FuncSpec *s = c.spec;
  const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < nkw; k++) {
    PyObject *key = PyTuple_GET_ITEM(kwnames, k);
    int found = -1;
    for (int i = c.first; i < s->npos + s->nkwonly && found < 0; i++)
      if (PyUnicode_CompareWithASCIIString(key, s->argnames[i]) == 0) found = i;
    if (found < 0 && varkw) {
      if (PyDict_SetItem(varkw, key, values[k]) < 0) return -1;
      continue;
    }
    if (found < 0) {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", s->name, key);
      return -1;
    }
    if (vals[found]) {
      PyErr_Format(PyExc_TypeError, "%s() got multiple values for keyword argument '%U'", s->name,
                   key);
      return -1;
    }
    vals[found] = new_ref(values[k]);
  }
  return 0;
}

// The parameters no argument reached take their defaults; one without a
// default is an error.
int fill_defaults(const Counts &c, PyObject *defaults, PyObject *kwdefaults, PyObject **vals) {
  const FuncSpec *s = c.spec;
  const Py_ssize_t ndefaults = defaults ? PyTuple_GET_SIZE(defaults) : 0;
  for (int i = c.first; i < s->npos; i++) {
    if (vals[i]) continue;
    const Py_ssize_t d = i - c.first - c.minpos;
    if (d < 0 || d >= ndefaults) return c.raise();
    vals[i] = new_ref(PyTuple_GET_ITEM(defaults, d));
  }
  for (int i = s->npos; i < s->npos + s->nkwonly; i++) {
    if (vals[i]) continue;
    PyObject *d = kwdefaults ? PyDict_GetItemString(kwdefaults, s->argnames[i]) : nullptr;
    if (!d) {
      PyErr_Format(PyExc_TypeError, "%.200s() needs keyword-only argument %s", s->name,
                   s->argnames[i]);
      return -1;
    }
    vals[i] = new_ref(d);
  }
  return 0;
}

}  // namespace

int parse_vector(const FuncSpec *s, PyObject *defaults, PyObject *kwdefaults, PyObject *const *args,
                 Py_ssize_t nargs, PyObject *kwnames, ParsedArgs &out) {
  const int first = s->flags & FUNC_METHOD ? 1 : 0;
  if (first && check_self(s, args, nargs) < 0) return -1;
  const Py_ssize_t ndefaults = defaults ? PyTuple_GET_SIZE(defaults) : 0;
  Counts c{s, first,           nargs - first,
           0, s->npos - first, ndefaults == 0 && !(s->flags & FUNC_VARARGS)};
  c.minpos = c.maxpos > ndefaults ? c.maxpos - ndefaults : 0;
  PyObject *varkw = nullptr;
  if (take_positional(c, args, nargs, out.data(), &varkw) < 0 ||
      take_keywords(c, kwnames, args + nargs, out.data(), varkw) < 0)
    return -1;
  return fill_defaults(c, defaults, kwdefaults, out.data());
}

int parse_init(const FuncSpec *s, PyObject *self, PyObject *args, PyObject *kwargs,
               ParsedArgs &out) {
  // Evaluated once: tp_init runs on every construction.
  if (!s->init_defaults && !s->init_kwdefaults && (s->defaults || s->defaults_hook)) {
    Ref defaults, kwdefaults;
    if (spec_defaults(s, defaults, kwdefaults) < 0) return -1;
    s->init_defaults = defaults.release();
    s->init_kwdefaults = kwdefaults.release();
  }
  Py_ssize_t npos = PyTuple_GET_SIZE(args);
  Py_ssize_t nkw = kwargs ? PyDict_GET_SIZE(kwargs) : 0;
  Py_ssize_t lead = self ? 1 : 0;
  Buffer<PyObject *> stack;
  if (!stack.allocate(lead + npos + nkw)) return -1;
  if (self) stack[0] = self;
  for (Py_ssize_t i = 0; i < npos; i++) stack[lead + i] = PyTuple_GET_ITEM(args, i);
  Ref kwnames;
  if (nkw) {
    kwnames = Ref(PyTuple_New(nkw));
    if (!kwnames) return -1;
    Py_ssize_t pos = 0, k = 0;
    PyObject *key, *value;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      Py_INCREF(key);
      PyTuple_SET_ITEM(kwnames.get(), k, key);
      stack[lead + npos + k] = value;
      k++;
    }
  }
  return parse_vector(s, s->init_defaults, s->init_kwdefaults, stack.get(), lead + npos,
                      kwnames.get(), out);
}

namespace {

// Every method and function passes here: the one catch for all of them.
PyObject *function_vectorcall(PyObject *self, PyObject *const *args, size_t nargsf,
                              PyObject *kwnames) noexcept {
  FunctionObject *f = F(self);
  ParsedArgs parsed;
  if (parse_vector(f->spec, f->defaults, f->kwdefaults, args, PyVectorcall_NARGS(nargsf), kwnames,
                   parsed) < 0)
    return nullptr;
  try {
    return f->spec->impl(self, parsed.data());
  } catch (...) {
    raise_from_cpp_exception();
    return nullptr;
  }
}

PyObject *function_descr_get(PyObject *self, PyObject *obj, PyObject *) {
  if (obj == nullptr || obj == Py_None) {
    return new_ref(self);
  }
  return PyMethod_New(self, obj);
}

void function_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  if (F(self)->weakreflist) PyObject_ClearWeakRefs(self);
  Fields::release(self);
  PyObject_GC_Del(self);
}

PyObject *function_repr(PyObject *self) {
  return PyUnicode_FromFormat("<function %U at %p>", F(self)->qualname, self);
}

PyObject *get_code(PyObject *self, void *) {
  FunctionObject *f = F(self);
  if (!f->code) {
    const FuncSpec *s = f->spec;
    int n = nparams(s);
    Ref empty(reinterpret_cast<PyObject *>(PyCode_NewEmpty("didazoda", s->name, 1)));
    if (!empty) return nullptr;
    Ref varnames(PyTuple_New(n));
    if (!varnames) return nullptr;
    for (int i = 0; i < n; i++) {
      PyObject *nm = PyUnicode_InternFromString(s->argnames[i]);
      if (!nm) return nullptr;
      PyTuple_SET_ITEM(varnames.get(), i, nm);
    }
    int flags = CO_OPTIMIZED | CO_NEWLOCALS;
    if (s->flags & FUNC_VARARGS) flags |= CO_VARARGS;
    if (s->flags & FUNC_VARKW) flags |= CO_VARKEYWORDS;
    Ref replace(PyObject_GetAttrString(empty.get(), "replace"));
    if (!replace) return nullptr;
    Ref kw(Py_BuildValue("{s:i,s:i,s:i,s:O,s:i}", "co_argcount", s->npos, "co_kwonlyargcount",
                         s->nkwonly, "co_nlocals", n, "co_varnames", varnames.get(), "co_flags",
                         flags));
    if (!kw) return nullptr;
    Ref noargs(PyTuple_New(0));
    if (!noargs) return nullptr;
    f->code = PyObject_Call(replace.get(), noargs.get(), kw.get());
    if (!f->code) return nullptr;
  }
  return new_ref(f->code);
}

PyObject *get_str_field(PyObject *v) { return new_ref(v); }

PyObject *get_name(PyObject *self, void *) { return get_str_field(F(self)->name); }
PyObject *get_qualname(PyObject *self, void *) { return get_str_field(F(self)->qualname); }

int set_str_field(PyObject **field, PyObject *value, const char *what) {
  if (!value || !PyUnicode_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
    return -1;
  }
  Py_INCREF(value);
  Py_SETREF(*field, value);
  return 0;
}

int set_name(PyObject *self, PyObject *value, void *) {
  return set_str_field(&F(self)->name, value, "__name__");
}
int set_qualname(PyObject *self, PyObject *value, void *) {
  return set_str_field(&F(self)->qualname, value, "__qualname__");
}

PyObject *get_doc(PyObject *self, void *) {
  PyObject *d = F(self)->doc ? F(self)->doc : Py_None;
  return new_ref(d);
}
int set_doc(PyObject *self, PyObject *value, void *) {
  Py_XINCREF(value);
  Py_XSETREF(F(self)->doc, value);
  return 0;
}

PyObject *get_defaults(PyObject *self, void *) {
  PyObject *d = F(self)->defaults ? F(self)->defaults : Py_None;
  return new_ref(d);
}
int set_defaults(PyObject *self, PyObject *value, void *) {
  if (value == Py_None) value = nullptr;
  if (value && !PyTuple_Check(value)) {
    PyErr_SetString(PyExc_TypeError, "__defaults__ must be set to a tuple object");
    return -1;
  }
  FunctionObject *f = F(self);
  if (value && PyTuple_GET_SIZE(value) > f->spec->npos) {
    PyErr_SetString(PyExc_ValueError, "__defaults__ has more values than parameters");
    return -1;
  }
  Py_XINCREF(value);
  Py_XSETREF(f->defaults, value);
  return 0;
}

PyObject *get_kwdefaults(PyObject *self, void *) {
  PyObject *d = F(self)->kwdefaults ? F(self)->kwdefaults : Py_None;
  return new_ref(d);
}
int set_kwdefaults(PyObject *self, PyObject *value, void *) {
  if (value == Py_None) value = nullptr;
  if (value && !PyDict_Check(value)) {
    PyErr_SetString(PyExc_TypeError, "__kwdefaults__ must be set to a dict object");
    return -1;
  }
  Py_XINCREF(value);
  Py_XSETREF(F(self)->kwdefaults, value);
  return 0;
}

PyObject *get_annotations(PyObject *self, void *) {
  FunctionObject *f = F(self);
  if (!f->annotations && !(f->annotations = PyDict_New())) return nullptr;
  return new_ref(f->annotations);
}

PyObject *get_globals(PyObject *, void *) {
  PyObject *m = module_object();
  if (!m) Py_RETURN_NONE;
  PyObject *d = PyModule_GetDict(m);
  return new_ref(d);
}

PyObject *get_none(PyObject *, void *) { Py_RETURN_NONE; }

PyGetSetDef function_getset[] = {
    {"__name__", DZ_SLOT(get_name), DZ_SLOT(set_name), nullptr, nullptr},
    {"__qualname__", DZ_SLOT(get_qualname), DZ_SLOT(set_qualname), nullptr, nullptr},
    {"__doc__", DZ_SLOT(get_doc), DZ_SLOT(set_doc), nullptr, nullptr},
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {"__defaults__", DZ_SLOT(get_defaults), DZ_SLOT(set_defaults), nullptr, nullptr},
    {"__kwdefaults__", DZ_SLOT(get_kwdefaults), DZ_SLOT(set_kwdefaults), nullptr, nullptr},
    {"__annotations__", DZ_SLOT(get_annotations), nullptr, nullptr, nullptr},
    {"__code__", DZ_SLOT(get_code), nullptr, nullptr, nullptr},
    {"__globals__", DZ_SLOT(get_globals), nullptr, nullptr, nullptr},
    {"__closure__", DZ_SLOT(get_none), nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// Pickled by reference: module and qualified name.
PyObject *function_reduce(PyObject *self, PyObject *) { return new_ref(F(self)->qualname); }

PyMethodDef function_methods[] = {
    {"__reduce__", DZ_SLOT(function_reduce), METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyMemberDef function_members[] = {
    {"__module__", T_OBJECT, offsetof(FunctionObject, module), 0, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

}  // namespace

PyTypeObject Function_Type = static_type_object();

int function_ready() {
  PyTypeObject *t = &Function_Type;
  if (t->tp_flags & Py_TPFLAGS_READY) return 0;
  t->tp_name = "didazoda.function";
  t->tp_basicsize = sizeof(FunctionObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | kTpFlagsHaveVectorcall |
                Py_TPFLAGS_METHOD_DESCRIPTOR;
  t->tp_vectorcall_offset = offsetof(FunctionObject, vectorcall);
  t->tp_call = PyVectorcall_Call;
  t->tp_dealloc = function_dealloc;
  t->tp_traverse = Fields::traverse;
  t->tp_clear = Fields::clear;
  t->tp_repr = DZ_SLOT(function_repr);
  t->tp_descr_get = DZ_SLOT(function_descr_get);
  t->tp_getset = function_getset;
  t->tp_members = function_members;
  t->tp_methods = function_methods;
  t->tp_dictoffset = offsetof(FunctionObject, dict);
  t->tp_weaklistoffset = offsetof(FunctionObject, weakreflist);
  t->tp_getattro = PyObject_GenericGetAttr;
  t->tp_setattro = PyObject_GenericSetAttr;
  return PyType_Ready(t);
}

PyObject *function_new(const FuncSpec *spec, PyObject *closure) {
  if (nparams(spec) > kMaxParams) {
    PyErr_SetString(PyExc_SystemError, "too many parameters");
    return nullptr;
  }
  Ref defaults, kwdefaults;
  if (spec_defaults(spec, defaults, kwdefaults) < 0) return nullptr;
  FunctionObject *f = PyObject_GC_New(FunctionObject, &Function_Type);
  if (!f) return nullptr;
  f->vectorcall = function_vectorcall;
  f->spec = spec;
  f->weakreflist = nullptr;
  Fields::fill(reinterpret_cast<PyObject *>(f));
  f->name = PyUnicode_InternFromString(spec->name);
  f->qualname = PyUnicode_FromString(spec->qualname ? spec->qualname : spec->name);
  f->module = PyUnicode_InternFromString("didazoda");
  f->defaults = defaults.release();
  f->kwdefaults = kwdefaults.release();
  f->closure = closure;
  Py_XINCREF(closure);
  Ref owner(reinterpret_cast<PyObject *>(f));
  if (!f->name || !f->qualname || !f->module) return nullptr;
  if (spec->doc && !(f->doc = PyUnicode_FromString(spec->doc))) return nullptr;
  PyObject_GC_Track(owner.get());
  return owner.release();
}

PyObject *function_closure(PyObject *func) { return F(func)->closure; }
const FuncSpec *function_spec(PyObject *func) { return F(func)->spec; }
bool function_check(PyObject *o) { return Py_TYPE(o) == &Function_Type; }

int function_set_defaults(PyObject *func, PyObject *defaults) {
  return set_defaults(func, defaults, nullptr);
}

}  // namespace dz
