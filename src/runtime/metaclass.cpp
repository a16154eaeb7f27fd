#include "runtime/metaclass.h"

#include "runtime/function.h"

namespace dz {

namespace {

const char *const self_arg[] = {"self"};

PyObject *metaclass_dir_impl(PyObject *func, PyObject *const *) {
  return get_documented_fields(function_closure(func));
}
const FuncSpec dir_spec = func_spec("__dir__", "__getmetaclass__.<locals>.MetaClass.__dir__",
                                    self_arg, 0, nullptr, metaclass_dir_impl, nullptr);

// The closure is the class the metaclass is made for.
PyObject *metaclass_getmetaclass_impl(PyObject *func, PyObject *const *) {
  PyObject *cls = function_closure(func);
  Ref dir(function_new(&dir_spec, cls));
  if (!dir) return nullptr;
  Ref ns(Py_BuildValue("{s:s,s:s,s:O}", "__module__", "didazoda", "__qualname__",
                       "__getmetaclass__.<locals>.MetaClass", "__dir__", dir.get()));
  if (!ns) return nullptr;
  return PyObject_CallFunction(reinterpret_cast<PyObject *>(&PyType_Type), "s(O)O", "MetaClass",
                               reinterpret_cast<PyObject *>(&PyType_Type), ns.get());
}

// obj.name (new reference); nullptr with no exception set when obj has no
// such attribute. Any other failure of the lookup stays raised.
PyObject *attr_if_present(PyObject *obj, PyObject *name) {
  PyObject *value = PyObject_GetAttr(obj, name);
  if (!value && PyErr_ExceptionMatches(PyExc_AttributeError)) PyErr_Clear();
  return value;
}

PyObject *attr_if_present(PyObject *obj, const char *name) {
  Ref key(PyUnicode_FromString(name));
  return key ? attr_if_present(obj, key.get()) : nullptr;
}

// hasattr(obj, name) as Python has it: 1 or 0, -1 when the lookup failed
// for another reason than a missing attribute.
template <class Name>
int has_attr(PyObject *obj, Name name) {
  Ref value(attr_if_present(obj, name));
  if (value) return 1;
  return PyErr_Occurred() ? -1 : 0;
}

// Returns 1 when the text signature marks the member internal, 0 when not,
// -1 on error.
int has_internal_marker(PyObject *value) {
  Ref sig(attr_if_present(value, "__text_signature__"));
  if (!sig) return PyErr_Occurred() ? -1 : 0;
  return PyUnicode_Check(sig.get()) &&
         PyUnicode_CompareWithASCIIString(sig.get(), "__internal__") == 0;
}

// Returns 1 when the docstring is a non-empty text, 0 when not, -1 on error.
int documented(PyObject *value) {
  Ref doc(PyObject_GetAttrString(value, "__doc__"));
  if (!doc) return -1;
  if (doc.get() == Py_None) return 0;
  Py_ssize_t n = PyObject_Length(doc.get());
  if (n < 0) return -1;
  return n >= 1;
}

}  // namespace

PyObject *get_documented_fields(PyObject *cls) {
  Ref names(PyObject_CallMethod(reinterpret_cast<PyObject *>(&PyType_Type), "__dir__", "O", cls));
  if (!names) return nullptr;
  Ref seq(PySequence_Fast(names.get(), "__dir__ must return a sequence"));
  if (!seq) return nullptr;
  Ref result(PyList_New(0));
  if (!result) return nullptr;
  Ref sup(PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&PySuper_Type), cls, nullptr));
  if (!sup) return nullptr;
  Ref own(PyObject_GetAttrString(cls, "__dict__"));
  if (!own) return nullptr;
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(seq.get()); i++) {
    PyObject *name = PySequence_Fast_GET_ITEM(seq.get(), i);
    Ref value(PyObject_GetAttr(cls, name));
    if (!value) return nullptr;
    int in_own = PySequence_Contains(own.get(), name);
    if (in_own < 0) return nullptr;
    if (!in_own) continue;
    const int inherited = has_attr(sup.get(), name);
    if (inherited < 0) return nullptr;
    if (inherited) continue;
    const int internal = has_internal_marker(value.get());
    if (internal < 0) return nullptr;
    if (internal) continue;
    const int candidate =
        PyObject_TypeCheck(value.get(), &PyProperty_Type) ? 1 : has_attr(value.get(), "__call__");
    if (candidate < 0) return nullptr;
    if (!candidate) continue;
    int doc = documented(value.get());
    if (doc < 0) return nullptr;
    if (doc && PyList_Append(result.get(), name) < 0) return nullptr;
  }
  return result.release();
}

int bind_getmetaclass(PyObject *dict, PyTypeObject *cls) {
  static const FuncSpec spec = func_spec("__getmetaclass__", nullptr, self_arg, 0, nullptr,
                                         metaclass_getmetaclass_impl, nullptr);
  Ref f(function_new(&spec, reinterpret_cast<PyObject *>(cls)));
  if (!f) return -1;
  return PyDict_SetItemString(dict, "__getmetaclass__", f.get());
}

int Tarvex_PyType_Ready(PyTypeObject *type) {
  if (PyType_Ready(type) < 0) return -1;
  Ref hook(attr_if_present(reinterpret_cast<PyObject *>(type), "__getmetaclass__"));
  if (!hook) return PyErr_Occurred() ? -1 : 0;
  Ref meta(PyObject_CallFunctionObjArgs(hook.get(), Py_None, nullptr));
  if (!meta) return -1;
  if (!PyType_Check(meta.get())) {
    PyErr_SetString(PyExc_TypeError, "__getmetaclass__ did not return a type");
    return -1;
  }
  // The class is static: it keeps its metaclass for the life of the process.
  reinterpret_cast<PyObject *>(type)->ob_type = reinterpret_cast<PyTypeObject *>(meta.release());
  PyType_Modified(type);
  return 0;
}

}  // namespace dz
