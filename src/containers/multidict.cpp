// multidict: splits a dict of lists into a key list and one tupledict per
// list position.
#include "containers/containers.h"
#include "runtime/args.h"
#include "module/module_functions.h"

namespace dz {

namespace {

bool is_list_value(PyObject *v) { return PyList_Check(v) || PyTuple_Check(v); }

PyObject *module_multidict_impl(PyObject *, PyObject *const *args) {
  PyObject *d = args[0];
  if (!check_arg_type(d, &PyDict_Type, "d", true)) return nullptr;
  if (d == Py_None) {
    PyErr_SetString(PyExc_AttributeError, "'NoneType' object has no attribute 'items'");
    return nullptr;
  }
  // A snapshot: measuring and indexing the values may run code that changes d.
  Ref items(PyDict_Items(d));
  if (!items) return nullptr;
  Py_ssize_t n = PyList_GET_SIZE(items.get());

  Ref keys(tuplelist_new());
  if (!keys) return nullptr;
  Ref first(tupledict_new());
  if (!first) return nullptr;
  Ref result(PyList_New(0));
  if (!result || PyList_Append(result.get(), keys.get()) < 0 ||
      PyList_Append(result.get(), first.get()) < 0)
    return nullptr;

  bool scalar = false;
  Py_ssize_t shortest = -1;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *pair = PyList_GET_ITEM(items.get(), i);
    if (tuplelist_ops.append(keys.get(), PyTuple_GET_ITEM(pair, 0)) < 0) return nullptr;
    PyObject *value = PyTuple_GET_ITEM(pair, 1);
    if (!is_list_value(value)) {
      scalar = true;
      continue;
    }
    Py_ssize_t length = PyObject_Size(value);
    if (length < 0) return nullptr;
    if (shortest < 0 || length < shortest) shortest = length;
  }
  for (Py_ssize_t j = 1; !scalar && j < shortest; j++) {
    Ref more(tupledict_new());
    if (!more || PyList_Append(result.get(), more.get()) < 0) return nullptr;
  }

  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *pair = PyList_GET_ITEM(items.get(), i);
    PyObject *key = PyTuple_GET_ITEM(pair, 0), *value = PyTuple_GET_ITEM(pair, 1);
    if (scalar) {
      if (PyObject_SetItem(first.get(), key, value) < 0) return nullptr;
      continue;
    }
    for (Py_ssize_t j = 1; j < PyList_GET_SIZE(result.get()); j++) {
      Ref item(PySequence_GetItem(value, j - 1));
      if (!item || PyObject_SetItem(PyList_GET_ITEM(result.get(), j), key, item.get()) < 0)
        return nullptr;
    }
  }
  return result.release();
}

const char *const d_arg[] = {"d"};

const char multidict_doc[] = R"doc(
    SIGNATURE:
        multidict(d)

    PURPOSE:
        Split a dict whose values are lists into a tuplelist of its keys and one
        tupledict per list position. When some value is not a list or tuple, the
        values are kept whole in a single tupledict.

    ARGUMENTS:
        d
        -
        A dict of lists (or tuples) of data items, one list per key.

    EXAMPLE:
        keys, cost, cap = multidict({'a': [1, 2], 'b': [3, 4]})
        print(cost['a'], cap['b'])

    )doc";

}  // namespace

const FuncSpec multidict_spec =
    func_spec("multidict", nullptr, d_arg, 0, nullptr, module_multidict_impl, multidict_doc);

}  // namespace dz
