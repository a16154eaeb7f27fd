#include "runtime/pickling.h"

#include "runtime/args.h"
#include "runtime/function.h"
#include "runtime/globals.h"

namespace dz {

namespace {

struct Entry {
  PyTypeObject *type;
  const PickleSpec *spec;
};
constexpr int kMaxPickled = 16;
Entry registry[kMaxPickled];
int nregistered = 0;

const PickleSpec *find_spec(PyTypeObject *type) {
  for (int i = 0; i < nregistered; i++)
    if (registry[i].type == type) return registry[i].spec;
  return nullptr;
}

PyObject *read_field(PyObject *obj, const PickleField &f) {
  char *p = reinterpret_cast<char *>(obj) + f.offset;
  switch (f.type) {
    case T_INT:
      return PyLong_FromLong(*reinterpret_cast<int *>(p));
    case T_DOUBLE:
      return PyFloat_FromDouble(*reinterpret_cast<double *>(p));
    default: {
      PyObject *v = *reinterpret_cast<PyObject **>(p);
      if (!v) v = Py_None;
      return new_ref(v);
    }
  }
}

int write_field(PyObject *obj, const PickleField &f, PyObject *value) {
  char *p = reinterpret_cast<char *>(obj) + f.offset;
  switch (f.type) {
    case T_INT:
      return as_int32(value, reinterpret_cast<int *>(p)) ? 0 : -1;
    case T_DOUBLE:
      return as_double(value, reinterpret_cast<double *>(p)) ? 0 : -1;
    default: {
      bool ok = value == Py_None ? f.none_ok : (!f.expect || PyObject_TypeCheck(value, f.expect));
      if (!ok) {
        PyErr_Format(PyExc_TypeError, "invalid pickled state: field %s", f.name);
        return -1;
      }
      PyObject **slot = reinterpret_cast<PyObject **>(p);
      Py_INCREF(value);
      Py_XSETREF(*slot, value);
      return 0;
    }
  }
}

const char *const self_arg[] = {"self"};
const char *const unpickle_args[] = {"cls", "state"};
const char *const setstate_args[] = {"self", "state"};

PyObject *pickle_reduce_impl(PyObject *func, PyObject *const *args) {
  PyObject *self = args[0];
  PyTypeObject *type = reinterpret_cast<PyTypeObject *>(function_closure(func));
  const PickleSpec *spec = find_spec(type);
  if (!spec) return PyErr_Format(PyExc_TypeError, "cannot pickle %s", type->tp_name);
  Ref state(PyTuple_New(spec->nfields + 1));
  if (!state) return nullptr;
  for (int i = 0; i < spec->nfields; i++) {
    PyObject *v = read_field(self, spec->fields[i]);
    if (!v) return nullptr;
    PyTuple_SET_ITEM(state.get(), i, v);
  }
  PyObject *dict = Py_None;
  Ref dict_ref;
  if (spec->has_dict) {
    PyObject **dp = _PyObject_GetDictPtr(self);
    if (dp && *dp && PyDict_GET_SIZE(*dp) > 0) dict = *dp;
  }
  Py_INCREF(dict);
  PyTuple_SET_ITEM(state.get(), spec->nfields, dict);
  Ref name(PyUnicode_FromFormat("_unpickle_%s", spec->cls_name));
  if (!name) return nullptr;
  Ref rebuild(module_global(PyUnicode_AsUTF8(name.get())));
  if (!rebuild) return nullptr;
  PyObject *cls = reinterpret_cast<PyObject *>(Py_TYPE(self));
  if (!spec->get_contents) return Py_BuildValue("O(OO)", rebuild.get(), cls, state.get());
  Ref contents(spec->get_contents(self));
  if (!contents) return nullptr;
  return Py_BuildValue("O(OO)O", rebuild.get(), cls, state.get(), contents.get());
}

// The closure is the class whose spec holds set_contents.
PyObject *pickle_setstate_impl(PyObject *func, PyObject *const *args) {
  PyTypeObject *type = reinterpret_cast<PyTypeObject *>(function_closure(func));
  const PickleSpec *spec = find_spec(type);
  PyObject *self = args[0];
  if (!spec || !spec->set_contents || !PyObject_TypeCheck(self, type))
    return PyErr_Format(PyExc_TypeError, "invalid pickled object for %s", type->tp_name);
  if (spec->set_contents(self, args[1]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *pickle_refuse_impl(PyObject *func, PyObject *const *) {
  PyErr_SetObject(PyExc_TypeError, function_closure(func));
  return nullptr;
}

PyObject *pickle_unpickle_impl(PyObject *func, PyObject *const *args) {
  PyTypeObject *type = reinterpret_cast<PyTypeObject *>(function_closure(func));
  const PickleSpec *spec = find_spec(type);
  PyObject *cls = args[0], *state = args[1];
  if (!spec || !PyType_Check(cls) || !PyType_IsSubtype(reinterpret_cast<PyTypeObject *>(cls), type))
    return PyErr_Format(PyExc_TypeError, "invalid pickled class for %s", type->tp_name);
  if (!PyTuple_Check(state) || PyTuple_GET_SIZE(state) != spec->nfields + 1)
    return PyErr_Format(PyExc_ValueError, "invalid pickled state for %s", type->tp_name);
  PyTypeObject *sub = reinterpret_cast<PyTypeObject *>(cls);
  Ref empty(PyTuple_New(0));
  if (!empty) return nullptr;
  Ref obj(sub->tp_new(sub, empty.get(), nullptr));
  if (!obj) return nullptr;
  for (int i = 0; i < spec->nfields; i++)
    if (write_field(obj.get(), spec->fields[i], PyTuple_GET_ITEM(state, i)) < 0) return nullptr;
  PyObject *dict = PyTuple_GET_ITEM(state, spec->nfields);
  if (dict != Py_None) {
    Ref own(PyObject_GetAttrString(obj.get(), "__dict__"));
    if (!own) return nullptr;
    Ref r(PyObject_CallMethod(own.get(), "update", "O", dict));
    if (!r) return nullptr;
  }
  if (spec->restored && spec->restored(obj.get()) < 0) return nullptr;
  return obj.release();
}

int set_reduce(PyTypeObject *type, const FuncSpec *spec, PyObject *closure) {
  Ref f(function_new(spec, closure));
  if (!f) return -1;
  if (PyDict_SetItemString(type->tp_dict, "__reduce__", f.get()) < 0) return -1;
  PyType_Modified(type);
  return 0;
}

}  // namespace

int bind_pickling(PyTypeObject *type, const PickleSpec *spec) {
  static const FuncSpec reduce_spec =
      func_spec("__reduce__", nullptr, self_arg, 0, nullptr, pickle_reduce_impl, nullptr);
  if (!find_spec(type)) {
    if (nregistered == kMaxPickled) {
      PyErr_SetString(PyExc_SystemError, "too many pickled classes");
      return -1;
    }
    registry[nregistered++] = {type, spec};
  }
  if (spec->set_contents) {
    static const FuncSpec setstate_spec = func_spec("__setstate__", nullptr, setstate_args, 0,
                                                    nullptr, pickle_setstate_impl, nullptr);
    Ref f(function_new(&setstate_spec, reinterpret_cast<PyObject *>(type)));
    if (!f || PyDict_SetItemString(type->tp_dict, "__setstate__", f.get()) < 0) return -1;
  }
  return set_reduce(type, &reduce_spec, reinterpret_cast<PyObject *>(type));
}

int bind_pickle_refusal(PyTypeObject *type, const char *text) {
  static const FuncSpec refuse_spec =
      func_spec("__reduce__", nullptr, self_arg, 0, nullptr, pickle_refuse_impl, nullptr);
  Ref msg(PyUnicode_FromString(text));
  if (!msg) return -1;
  return set_reduce(type, &refuse_spec, msg.get());
}

int bind_reconstructors(PyObject *module) {
  static const FuncSpec unpickle_spec =
      func_spec("_unpickle", nullptr, unpickle_args, 0, nullptr, pickle_unpickle_impl, nullptr);
  for (int i = 0; i < nregistered; i++) {
    Ref f(function_new(&unpickle_spec, reinterpret_cast<PyObject *>(registry[i].type)));
    if (!f) return -1;
    Ref name(PyUnicode_FromFormat("_unpickle_%s", registry[i].spec->cls_name));
    if (!name) return -1;
    if (PyObject_SetAttrString(f.get(), "__name__", name.get()) < 0 ||
        PyObject_SetAttrString(f.get(), "__qualname__", name.get()) < 0 ||
        PyObject_SetAttr(module, name.get(), f.get()) < 0)
      return -1;
  }
  return 0;
}

}  // namespace dz
