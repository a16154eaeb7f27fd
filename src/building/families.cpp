// Indexed families: Model.addVars adds one variable per combination of its
// index sets in a single block call; Model.addConstrs adds one constraint per
// item a generator yields, keyed by the generator's loop variables. Both
// return a new tupledict of the model's own handles.
#include <climits>

#include "callbacks/context.h"
#include "containers/containers.h"
#include "expr/tempconstr.h"
#include "model/model.h"
#include "runtime/args.h"
#include "runtime/sizes.h"
#include "runtime/numpy_api.h"
#include "runtime/globals.h"

namespace dz {

namespace {

// ---- addVars -------------------------------------------------------------------------

// An index set: an int n stands for range(n); anything else is taken as a
// tuple of its elements, as itertools.product would take it, so that every
// set has a length before any combination is formed.
PyObject *index_set(PyObject *arg) {
  if (!PyLong_Check(arg)) return PySequence_Tuple(arg);
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(arg, &overflow);
  if (n == -1 && PyErr_Occurred()) return nullptr;
  if (overflow > 0 || n > INT_MAX) return raise_int32_overflow(), nullptr;
  return PyObject_CallFunction(reinterpret_cast<PyObject *>(&PyRange_Type), "L",
                               overflow < 0 ? 0LL : n);
}

// Strings and bytes are whole index values, never split into characters.
bool is_atom(PyObject *c) {
  return PyUnicode_Check(c) || PyBytes_Check(c) || PyLong_Check(c) || PyFloat_Check(c);
}

// The key tuple of one combination: iterable components are spliced in,
// others appended. The combination itself serves when nothing is spliced.
PyObject *key_tuple(PyObject *combo) {
  const Py_ssize_t n = PyTuple_GET_SIZE(combo);
  // The spliced form of each component, or null where it stays one element.
  Ref parts(PyList_New(n));
  if (!parts) return nullptr;
  Py_ssize_t total = 0;
  bool spliced = false;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *c = PyTuple_GET_ITEM(combo, i);
    PyObject *part = nullptr;
    if (!is_atom(c)) {
      const int iterable = PyObject_HasAttrString(c, "__iter__");
      if (iterable && !(part = PySequence_Tuple(c))) return nullptr;
    }
    if (part) {
      PyList_SET_ITEM(parts.get(), i, part);
      total += PyTuple_GET_SIZE(part);
      spliced = true;
    } else {
      PyList_SET_ITEM(parts.get(), i, new_ref(Py_None));
      total += 1;
    }
  }
  if (!spliced) return new_ref(combo);
  Ref key(PyTuple_New(total));
  if (!key) return nullptr;
  Py_ssize_t k = 0;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *part = PyList_GET_ITEM(parts.get(), i);
    if (part == Py_None) {
      PyTuple_SET_ITEM(key.get(), k++, new_ref(PyTuple_GET_ITEM(combo, i)));
      continue;
    }
    for (Py_ssize_t j = 0; j < PyTuple_GET_SIZE(part); j++)
      PyTuple_SET_ITEM(key.get(), k++, new_ref(PyTuple_GET_ITEM(part, j)));
  }
  return key.release();
}

// A key of one component is stored as that component.
PyObject *stored_key(PyObject *key) {
  return PyTuple_GET_SIZE(key) == 1 ? PyTuple_GET_ITEM(key, 0) : key;  // borrowed
}

const char *const addVars_args[] = {"self", "lb", "ub", "obj", "vtype", "name", "indices"};

// The key tuples of the combinations of the index sets, in order. New list,
// or nullptr with an exception.
PyObject *family_keys(PyObject *indices) {
  const Py_ssize_t nsets = PyTuple_GET_SIZE(indices);
  if (nsets == 0) {
    PyErr_SetString(PyExc_ValueError, "empty indices");
    return nullptr;
  }
  Ref sets(PyTuple_New(nsets));
  if (!sets) return nullptr;
  for (Py_ssize_t i = 0; i < nsets; i++) {
    PyObject *set = index_set(PyTuple_GET_ITEM(indices, i));
    if (!set) return nullptr;
    PyTuple_SET_ITEM(sets.get(), i, set);
  }
  // The library counts variables in a C int: a family too large for it is
  // refused before any combination is formed.
  Py_ssize_t count = 1;
  for (Py_ssize_t i = 0; i < nsets && count > 0; i++) {
    const Py_ssize_t len = PyObject_Size(PyTuple_GET_ITEM(sets.get(), i));
    if (len < 0) return nullptr;
    if (len > 0 && count > INT_MAX / len) return raise_int32_overflow(), nullptr;
    count *= len;
  }
  Ref product(global_attr("itertools", "product"));
  if (!product) return nullptr;
  Ref combos(PyObject_Call(product.get(), sets.get(), nullptr));
  if (!combos) return nullptr;
  Ref keys(PyList_New(0));
  if (!keys) return nullptr;
  Ref it(PyObject_GetIter(combos.get()));
  if (!it) return nullptr;
  while (Ref combo{PyIter_Next(it.get())}) {
    Ref key(key_tuple(combo.get()));
    if (!key || PyList_Append(keys.get(), key.get()) < 0) return nullptr;
  }
  if (PyErr_Occurred()) return nullptr;
  return keys.release();
}

PyObject *model_addVars_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  Ref result(tupledict_new());
  if (!result) return nullptr;
  Ref keys(family_keys(args[6]));
  if (!keys) return nullptr;
  // The same key tuples give the names and the dict keys.
  const Py_ssize_t k = PyList_GET_SIZE(keys.get());
  Ref shape(Py_BuildValue("(n)", k));
  if (!shape) return nullptr;
  Ref key_iter(PyObject_GetIter(keys.get()));
  if (!key_iter) return nullptr;
  Ref vars(Model_ops.addVars(m, shape.get(), key_iter.get(), args[1], args[2], args[3], args[4],
                             args[5]));
  if (!vars) return nullptr;
  auto *arr = reinterpret_cast<PyArrayObject *>(vars.get());
  if (!PyArray_Check(vars.get()) || PyArray_SIZE(arr) != k || PyArray_TYPE(arr) != NPY_OBJECT ||
      !PyArray_IS_C_CONTIGUOUS(arr)) {
    PyErr_SetString(PyExc_SystemError, "Model._addVars returned an unexpected block");
    return nullptr;
  }
  PyObject **cells = static_cast<PyObject **>(PyArray_DATA(arr));
  for (Py_ssize_t i = 0; i < k; i++) {
    // keys is private to this call: no user code can resize it here.
    if (PyObject_SetItem(result.get(), stored_key(PyList_GET_ITEM(keys.get(), i)), cells[i]) < 0)
      return nullptr;
  }
  return result.release();
}

const char addVars_doc[] = R"doc(
        SIGNATURE:
            addVars(*indices, lb=0.0, ub=float('inf'), obj=0.0, vtype='C', name='')

        PURPOSE:
            Add one variable for every combination of the index sets and return them
            in a tupledict keyed by the combinations.

        ARGUMENTS:
            *indices
            --------
            Index sets: an integer n stands for 0 .. n-1; any other
            iterable gives its elements. Tuples among the elements are spliced into
            the key; strings are whole key values.

            lb=0.0
            ------
            Lower bounds: one value for all variables, or one per variable in key order.

            ub=float('inf')
            ---------------
            Upper bounds, given as lb; 1e+20 or more means no upper bound.

            obj=0.0
            -------
            Objective coefficients, given as lb.

            vtype='C'
            ---------
            Variable types, given as lb.

            name=''
            -------
            The family's name; each variable is named after it and its key, as
            'x[0,1]'. A list gives each variable its own name.

        EXAMPLE:
            x = m.addVars(2, 3, lb=-1.0, name='x')
            y = m.addVars(['a', 'b'], range(2), vtype='B', name='y')
            m.setObjective(x.sum('*', 0) + y.sum('a'))

        NOTE:
            Array-like values are matched to the variables by position: only their
            number of elements must equal the number of variables.

        )doc";

// ---- addConstrs ----------------------------------------------------------------------

// Appends the values of the generator's current local variables: names
// beginning with "." (a generator expression's hidden argument) and the
// free variables it reads from the enclosing scope are not part of the key.
int loop_values(PyObject *generator, PyObject *key) {
  Ref frame(PyObject_GetAttrString(generator, "gi_frame"));
  if (!frame) return -1;
  Ref locals(PyObject_GetAttrString(frame.get(), "f_locals"));
  if (!locals) return -1;
  Ref code(PyObject_GetAttrString(generator, "gi_code"));
  if (!code) return -1;
  Ref freevars(PyObject_GetAttrString(code.get(), "co_freevars"));
  if (!freevars) return -1;
  Ref items(PyMapping_Items(locals.get()));
  if (!items) return -1;
  Ref it(PyObject_GetIter(items.get()));
  if (!it) return -1;
  while (Ref pair{PyIter_Next(it.get())}) {
    if (!PyTuple_Check(pair.get()) || PyTuple_GET_SIZE(pair.get()) != 2) {
      PyErr_SetString(PyExc_TypeError, "f_locals items must be (name, value) pairs");
      return -1;
    }
    PyObject *name = PyTuple_GET_ITEM(pair.get(), 0);
    if (PyUnicode_Check(name) && PyUnicode_GET_LENGTH(name) > 0 &&
        PyUnicode_READ_CHAR(name, 0) == '.')
      continue;
    const int free = PySequence_Contains(freevars.get(), name);
    if (free < 0) return -1;
    if (!free && PyList_Append(key, PyTuple_GET_ITEM(pair.get(), 1)) < 0) return -1;
  }
  return PyErr_Occurred() ? -1 : 0;
}

// The family name followed by the key list's text without spaces: "c[0,1]".
PyObject *member_name(PyObject *name, PyObject *key) {
  Ref text(PyObject_Str(key));
  if (!text) return nullptr;
  Ref space(PyUnicode_FromString(" ")), empty(PyUnicode_FromString(""));
  if (!space || !empty) return nullptr;
  Ref sub(PyUnicode_Replace(text.get(), space.get(), empty.get(), -1));
  if (!sub) return nullptr;
  return PyUnicode_Concat(name, sub.get());
}

const char *const addConstrs_args[] = {"self", "generator", "name"};

PyObject *model_addConstrs_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *generator = args[1], *name = args[2];
  if (!check_arg_type(name, &PyUnicode_Type, "name", true)) return nullptr;
  // Refused before the generator runs, also when it would give no row.
  if (!edit_allowed(model_live_or_null(self))) return nullptr;
  const bool unnamed = name == Py_None || PyUnicode_GET_LENGTH(name) == 0;
  Ref result(tupledict_new());
  if (!result) return nullptr;
  if (!PyIter_Check(generator)) {
    PyErr_Format(PyExc_TypeError, "%.200s object is not an iterator", Py_TYPE(generator)->tp_name);
    return nullptr;
  }
  Py_ssize_t counter = 0;
  // Only the generator's own exhaustion ends the family; a StopIteration
  // raised by addConstr or the key handling propagates like any failure.
  while (Ref item{PyIter_Next(generator)}) {
    if (!tempconstr_check(item.get())) {
      PyErr_SetString(PyExc_TypeError, "only accept generator which generates TempConstr value");
      return nullptr;
    }
    Ref key(PyList_New(0));
    if (!key || loop_values(generator, key.get()) < 0) return nullptr;
    if (PyList_GET_SIZE(key.get()) == 0) {
      Ref number(PyLong_FromSsize_t(counter++));
      if (!number || PyList_Append(key.get(), number.get()) < 0) return nullptr;
    }
    Ref member(unnamed ? new_ref(name) : member_name(name, key.get()));
    if (!member) return nullptr;
    // Looked up at each use, so a subclass's addConstr is the one called.
    Ref handle(PyObject_CallMethod(self, "addConstr", "OO", item.get(), member.get()));
    if (!handle) return nullptr;
    Ref stored(PyList_GET_SIZE(key.get()) == 1 ? new_ref(PyList_GET_ITEM(key.get(), 0))
                                               : PyList_AsTuple(key.get()));
    if (!stored || PyObject_SetItem(result.get(), stored.get(), handle.get()) < 0) return nullptr;
  }
  if (PyErr_Occurred()) return nullptr;
  return result.release();
}

const char addConstrs_doc[] = R"doc(
        SIGNATURE:
            addConstrs(generator, name='')

        PURPOSE:
            Add one constraint for every constraint a generator yields and return them
            in a tupledict keyed by the generator's loop variables.

        ARGUMENTS:
            generator
            ---------
            A generator expression yielding constraints.

            name=''
            -------
            The family's name; each constraint is named after it and its key, as
            'c[0,1]'.

        EXAMPLE:
            c = m.addConstrs((x[i, j] <= 1 for i in range(2) for j in range(3)), name='c')

        NOTE:
            Members of a generator without loop variables are keyed 0, 1, 2, ...

        )doc";

}  // namespace

PyObject *block_var_defaults() {
  Ref infinity(tvx_constant("INFINITY"));
  if (!infinity) return nullptr;
  Ref continuous(tvx_constant("CONTINUOUS"));
  if (!continuous) return nullptr;
  return Py_BuildValue("(dOdOs)", 0.0, infinity.get(), 0.0, continuous.get(), "");
}

const FuncSpec Model_addVars_spec =
    DZ_METHOD(Model, addVars, addVars_args, model_addVars_impl, addVars_doc)
        .with_flags(FUNC_VARARGS)
        .with_keyword_only(5)
        .with_defaults_hook(block_var_defaults);
const FuncSpec Model_addConstrs_spec =
    DZ_METHOD(Model, addConstrs, addConstrs_args, model_addConstrs_impl, addConstrs_doc)
        .with_defaults("('',)");

}  // namespace dz
