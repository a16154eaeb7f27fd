// ParamClass: every parameter of one environment as an attribute.
//
// The handle is the raw environment of the model that made the object; the
// object keeps neither the model nor an Env alive. After the model is
// disposed the library refuses the handle, so reads and writes raise
// TarvexError.
#include "params/paramclass.h"

#include <type_traits>

#include "module/classes.h"
#include "runtime/decorators.h"
#include "module/tarvex_error.h"
#include "runtime/utf8.h"
#include "params/params.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject ParamClass_Type = static_type_object();
ParamClassOps ParamClass_ops;

namespace {

inline ParamClassObject *P(PyObject *o) { return reinterpret_cast<ParamClassObject *>(o); }

// An object made by calling ParamClass itself has no handle: it is refused
// here rather than passed to the library.
TVXenv *paramclass_env(PyObject *self) {
  TVXenv *env = P(self)->env_;
  if (!env) raise_code(TVX_ERROR_INVALID_ARGUMENT);
  return env;
}

// A numeric parameter's reader, boxed as int or float.
template <typename T, int (*get)(TVXenv *, const char *, T *)>
PyObject *paramclass_getnumber(PyObject *self, PyObject *name) {
  Ref raw(str2chars(name));
  if (!raw) return nullptr;
  TVXenv *env = paramclass_env(self);
  if (!env) return nullptr;
  T value = 0;
  const int rc = get(env, PyBytes_AS_STRING(raw.get()), &value);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if constexpr (std::is_same<T, double>::value) {
    return PyFloat_FromDouble(value);
  } else {
    return PyLong_FromLong(value);
  }
}

constexpr auto paramclass_getIntParam = paramclass_getnumber<int, TVXgetintparam>;
constexpr auto paramclass_getDblParam = paramclass_getnumber<double, TVXgetdblparam>;

PyObject *paramclass_getStrParam(PyObject *self, PyObject *name) {
  Ref raw(str2chars(name));
  if (!raw) return nullptr;
  TVXenv *env = paramclass_env(self);
  if (!env) return nullptr;
  char value[TVX_MAX_STRLEN] = {};
  const int rc = TVXgetstrparam(env, PyBytes_AS_STRING(raw.get()), value);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  value[TVX_MAX_STRLEN - 1] = '\0';
  return chars2str_c(value);
}

// __getattr__: the parameter the name matches, read by its type.
PyObject *paramclass_lookup(PyObject *self, PyObject *name) {
  Ref canonical, type;
  const int found = match_param(name, canonical, type);
  if (found < 0) return nullptr;
  if (!found) return PyErr_Format(PyExc_AttributeError, "Param `%S` does not exist", name);
  switch (param_kind(type.get())) {
    case ParamKind::Int:
      return ParamClass_ops.getIntParam(self, canonical.get());
    case ParamKind::Dbl:
      return ParamClass_ops.getDblParam(self, canonical.get());
    default:
      return ParamClass_ops.getStrParam(self, canonical.get());
  }
}

// The class's own members come first; only a name they do not have is taken
// for a parameter, and only an AttributeError leads there.
PyObject *paramclass_getattro(PyObject *self, PyObject *name) {
  PyObject *found = PyObject_GenericGetAttr(self, name);
  if (found || !PyErr_ExceptionMatches(PyExc_AttributeError)) return found;
  PyErr_Clear();
  return paramclass_lookup(self, name);
}

// Every assignment sets a parameter; deletion takes the generic path, which
// finds no instance dictionary and touches no parameter.
int paramclass_setattro(PyObject *self, PyObject *name, PyObject *value) {
  if (!value) return PyObject_GenericSetAttr(self, name, nullptr);
  Ref done(set_param(self, paramclass_env, name, value));
  return done ? 0 : -1;
}

const char *const getattr_args[] = {"self", "name"};

PyObject *paramclass_getattr_impl(PyObject *, PyObject *const *args) {
  return paramclass_lookup(args[0], args[1]);
}

const FuncSpec getattr_spec =
    DZ_METHOD(ParamClass, __getattr__, getattr_args, paramclass_getattr_impl, nullptr);

int paramclass_prepare() {
  PyTypeObject *t = &ParamClass_Type;
  t->tp_name = "didazoda.ParamClass";
  t->tp_basicsize = sizeof(ParamClassObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_getattro = DZ_SLOT(paramclass_getattro);
  t->tp_setattro = DZ_SLOT(paramclass_setattro);
  ParamClass_ops = {paramclass_new, paramclass_getIntParam, paramclass_getDblParam,
                    paramclass_getStrParam};
  return 0;
}

int paramclass_bind(PyObject *dict) {
  if (!bind_function(dict, &getattr_spec)) return -1;
  // Without a __getattribute__ of its own, a subclass resolves object's
  // generic lookup and calls __getattr__ after it once, as for a Python
  // class; with ours (which already falls back) it would match twice.
  if (PyDict_GetItemString(dict, "__getattribute__") &&
      PyDict_DelItemString(dict, "__getattribute__") < 0)
    return -1;
  return 0;
}

}  // namespace

PyObject *paramclass_new(TVXenv *env) {
  PyObject *p = PyObject_CallObject(reinterpret_cast<PyObject *>(&ParamClass_Type), nullptr);
  if (p) P(p)->env_ = env;
  return p;
}

const ClassDef ParamClass_class = {&ParamClass_Type,
                                   "ParamClass",
                                   paramclass_prepare,
                                   paramclass_bind,
                                   nullptr,
                                   false,
                                   nullptr,
                                   "self.env_ cannot be converted to a Python object for pickling"};

}  // namespace dz
