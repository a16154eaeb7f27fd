#include "runtime/decorators.h"

namespace dz {

namespace {

const char *const self_arg[] = {"self"};
const char *const self_value_args[] = {"self", "value"};
const char *const f_arg[] = {"f"};
const char *const method_arg[] = {"method"};

// Getter closures hold the decorated function.
PyObject *constant_fget_impl(PyObject *func, PyObject *const *args) {
  PyObject *f = function_closure(func);
  return PyObject_CallFunctionObjArgs(f, args[0], nullptr);
}

PyObject *constant_fset_impl(PyObject *, PyObject *const *) {
  PyErr_SetString(PyExc_TypeError, "Value is readonly");
  return nullptr;
}

const FuncSpec constant_fget =
    func_spec("fget", "constant.<locals>.fget", self_arg, 0, nullptr, constant_fget_impl, nullptr);
const FuncSpec constant_fset = func_spec("fset", "constant.<locals>.fset", self_value_args, 0,
                                         nullptr, constant_fset_impl, nullptr);
const FuncSpec documented_fget =
    func_spec("fget", "documented_constant.<locals>.constant.<locals>.fget", self_arg, 0, nullptr,
              constant_fget_impl, nullptr);
const FuncSpec documented_fset =
    func_spec("fset", "documented_constant.<locals>.constant.<locals>.fset", self_value_args, 0,
              nullptr, constant_fset_impl, nullptr);

PyObject *make_property(const FuncSpec *get_spec, const FuncSpec *set_spec, PyObject *f,
                        PyObject *doc) {
  Ref fget(function_new(get_spec, f));
  if (!fget) return nullptr;
  Ref fset(function_new(set_spec, f));
  if (!fset) return nullptr;
  return PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&PyProperty_Type), fget.get(),
                                      fset.get(), Py_None, doc, nullptr);
}

// The closure of documented_constant's decorator is the docstring.
PyObject *documented_constant_impl(PyObject *func, PyObject *const *args) {
  return make_property(&documented_fget, &documented_fset, args[0], function_closure(func));
}
const FuncSpec documented_decorator =
    func_spec("constant", "documented_constant.<locals>.constant", f_arg, 0, nullptr,
              documented_constant_impl, nullptr);

PyObject *change_signature_impl(PyObject *func, PyObject *const *args) {
  PyObject *method = args[0];
  Ref name(PyObject_GetAttrString(method, "__name__"));
  if (!name) return nullptr;
  Ref text(PyUnicode_FromFormat("%S(%S)", name.get(), function_closure(func)));
  if (!text || PyObject_SetAttrString(method, "__text_signature__", text.get()) < 0) return nullptr;
  return new_ref(method);
}
const FuncSpec change_signature =
    func_spec("change_signature", "signature.<locals>.change_signature", method_arg, 0, nullptr,
              change_signature_impl, nullptr);

PyObject *apply_to_member(PyObject *dict, const char *name, PyObject *decorator) {
  PyObject *member = PyDict_GetItemString(dict, name);
  if (!member) {
    PyErr_Format(PyExc_KeyError, "%s", name);
    return nullptr;
  }
  return PyObject_CallFunctionObjArgs(decorator, member, nullptr);
}

}  // namespace

PyObject *constant(PyObject *f) {
  Ref doc(PyObject_GetAttrString(f, "__doc__"));
  if (!doc) return nullptr;
  return make_property(&constant_fget, &constant_fset, f, doc.get());
}

PyObject *documented_constant(PyObject *doc) { return function_new(&documented_decorator, doc); }

PyObject *signature(PyObject *args) { return function_new(&change_signature, args); }

PyObject *internal(PyObject *method) {
  Ref marker(PyUnicode_FromString("__internal__"));
  Ref empty(PyUnicode_FromString(""));
  if (!marker || !empty) return nullptr;
  if (PyObject_SetAttrString(method, "__text_signature__", marker.get()) < 0 ||
      PyObject_SetAttrString(method, "__doc__", empty.get()) < 0)
    return nullptr;
  return new_ref(method);
}

PyObject *bind_function(PyObject *dict, const FuncSpec *spec) {
  Ref f(function_new(spec));
  if (!f || PyDict_SetItemString(dict, spec->name, f.get()) < 0) return nullptr;
  return f.get();  // the dictionary holds it
}

int bind_functions(PyObject *dict, const FuncSpec *specs, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (!bind_function(dict, &specs[i])) return -1;
  return 0;
}

int bind_constant(PyObject *dict, const FuncSpec *spec) {
  PyObject *f = bind_function(dict, spec);
  if (!f) return -1;
  Ref prop(constant(f));
  if (!prop) return -1;
  return PyDict_SetItemString(dict, spec->name, prop.get());
}

int bind_documented_constant(PyObject *dict, const FuncSpec *spec, const char *doc) {
  PyObject *f = bind_function(dict, spec);
  if (!f) return -1;
  Ref text(PyUnicode_FromString(doc));
  if (!text) return -1;
  Ref decorator(documented_constant(text.get()));
  if (!decorator) return -1;
  Ref prop(PyObject_CallFunctionObjArgs(decorator.get(), f, nullptr));
  if (!prop) return -1;
  return PyDict_SetItemString(dict, spec->name, prop.get());
}

int bind_static(PyObject *dict, const FuncSpec *spec) {
  Ref f(function_new(spec));
  if (!f) return -1;
  Ref sm(PyStaticMethod_New(f.get()));
  if (!sm) return -1;
  return PyDict_SetItemString(dict, spec->name, sm.get());
}

int apply_signature(PyObject *dict, const char *name, const char *args) {
  Ref text(PyUnicode_FromString(args));
  if (!text) return -1;
  Ref decorator(signature(text.get()));
  if (!decorator) return -1;
  Ref result(apply_to_member(dict, name, decorator.get()));
  return result ? 0 : -1;
}

int apply_internal(PyObject *dict, const char *name) {
  PyObject *member = PyDict_GetItemString(dict, name);
  if (!member) {
    PyErr_Format(PyExc_KeyError, "%s", name);
    return -1;
  }
  Ref result(internal(member));
  return result ? 0 : -1;
}

}  // namespace dz
