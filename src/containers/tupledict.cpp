// tupledict: a dict whose keys are selected by pattern through a tuplelist of
// the keys, built on first need and dropped by every change made through the
// class, with sums of the selected values.
#include "containers/containers.h"
#include "runtime/args.h"
#include "runtime/decorators.h"
#include "runtime/function.h"
#include "runtime/globals.h"
#include "runtime/gc_fields.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject tupledict_Type = static_type_object();
tupledictOps tupledict_ops;

namespace {

inline tupledictObject *D(PyObject *o) { return as_tupledict(o); }

void tupledict_changed(PyObject *self) {
  Py_CLEAR(D(self)->keys_);
  D(self)->version_++;
}

PyObject *changed_error() {
  PyErr_SetString(PyExc_RuntimeError, "tupledict changed during selection");
  return nullptr;
}

PyObject *tupledict_select_keys(PyObject *self, PyObject *pattern) {
  const uint64_t version = D(self)->version_;
  // A key count that differs betrays a change made through the base dict.
  if (D(self)->keys_ && PyList_GET_SIZE(D(self)->keys_) != PyDict_GET_SIZE(self))
    Py_CLEAR(D(self)->keys_);
  if (!D(self)->keys_) {
    Ref keys(PyDict_Keys(self));
    if (!keys) return nullptr;
    Ref list(tuplelist_new());
    if (!list) return nullptr;
    Ref star = Ref::borrow(as_tuplelist(list.get())->wildcard_);
    if (tuplelist_ops.constructor(list.get(), keys.get(), star.get()) < 0) return nullptr;
    if (D(self)->version_ != version) return changed_error();
    Py_XSETREF(D(self)->keys_, list.release());
  }
  Ref keys = Ref::borrow(D(self)->keys_);
  Ref selected(tuplelist_select(keys.get(), pattern, false));
  if (!selected) return nullptr;
  if (D(self)->version_ != version) return changed_error();
  return selected.release();
}

// The value stored under a key the selection returned (new reference).
PyObject *value_of(PyObject *self, PyObject *key) {
  PyObject *v = PyDict_GetItemWithError(self, key);
  if (!v) {
    if (!PyErr_Occurred()) PyErr_SetObject(PyExc_KeyError, key);
    return nullptr;
  }
  return Ref::borrow(v).release();
}

PyObject *quicksum_of(PyObject *terms) {
  Ref quicksum(module_global("quicksum"));
  if (!quicksum) return nullptr;
  return PyObject_CallFunctionObjArgs(quicksum.get(), terms, nullptr);
}

// ---- Slots -----------------------------------------------------------------------

int tupledict_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  if (PyDict_Type.tp_init(self, args, kwargs) < 0) return -1;
  tupledict_changed(self);
  return 0;
}

int tupledict_ass_subscript(PyObject *self, PyObject *key, PyObject *value) {
  tupledict_changed(self);
  return PyDict_Type.tp_as_mapping->mp_ass_subscript(self, key, value);
}

// The base dict's own |= (AttributeError where the interpreter's dict has none).
PyObject *tupledict_inplace_or(PyObject *self, PyObject *other) {
  if (!PyObject_TypeCheck(self, &tupledict_Type)) Py_RETURN_NOTIMPLEMENTED;
  tupledict_changed(self);
  Ref ior(PyObject_GetAttrString(reinterpret_cast<PyObject *>(&PyDict_Type), "__ior__"));
  if (!ior) return nullptr;
  return PyObject_CallFunctionObjArgs(ior.get(), self, other, nullptr);
}

using tupledict_gc =
    GcFields<tupledictObject, Unset::null, BuiltinBase<&PyDict_Type>, &tupledictObject::keys_>;

// As for tuplelist: the dict's recursion guard covers exact dicts only.
void tupledict_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  Py_TRASHCAN_BEGIN(self, tupledict_dealloc) tupledict_gc::release(self);
  PyDict_Type.tp_dealloc(self);
  Py_TRASHCAN_END
}

// ---- Methods -------------------------------------------------------------------

// The dict's own method, called after the key list is dropped.
PyObject *dict_method(const char *name, PyObject *self, PyObject *const *args, Py_ssize_t nargs,
                      PyObject *kwargs = nullptr) {
  PyObject *descr = PyDict_GetItemString(PyDict_Type.tp_dict, name);  // borrowed, static
  if (!descr) return PyErr_Format(PyExc_SystemError, "dict.%s is missing", name);
  Ref full(PyTuple_New(1 + nargs));
  if (!full) return nullptr;
  PyTuple_SET_ITEM(full.get(), 0, Ref::borrow(self).release());
  for (Py_ssize_t i = 0; i < nargs; i++)
    PyTuple_SET_ITEM(full.get(), i + 1, Ref::borrow(args[i]).release());
  tupledict_changed(self);
  return PyObject_Call(descr, full.get(), kwargs);
}

PyObject *tupledict_select_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  Ref keys(tupledict_select_keys(self, args[1]));
  if (!keys) return nullptr;
  Py_ssize_t n = PyList_GET_SIZE(keys.get());
  Ref values(PyList_New(n));
  if (!values) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *v = value_of(self, PyList_GET_ITEM(keys.get(), i));
    if (!v) return nullptr;
    PyList_SET_ITEM(values.get(), i, v);
  }
  return values.release();
}

// quicksum(self.select(*query)): a subclass's select is honoured.
PyObject *tupledict_sum_impl(PyObject *, PyObject *const *args) {
  Ref select(PyObject_GetAttrString(args[0], "select"));
  if (!select) return nullptr;
  Ref values(PyObject_Call(select.get(), args[1], nullptr));
  if (!values) return nullptr;
  return quicksum_of(values.get());
}

// Appends c * v. Both are held: the product may run code that changes
// either dict.
int add_term(PyObject *terms, PyObject *c, PyObject *v) {
  Ref coeff = Ref::borrow(c), value = Ref::borrow(v);
  Ref term(PyNumber_Multiply(coeff.get(), value.get()));
  if (!term) return -1;
  return PyList_Append(terms, term.get());
}

PyObject *tupledict_prod_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *coeffs = args[1], *query = args[2];
  if (!PyDict_Check(coeffs)) {
    PyErr_SetString(PyExc_TypeError, "expect a dict for argument `coeffs`");
    return nullptr;
  }
  Ref terms(PyList_New(0));
  if (!terms) return nullptr;
  if (PyTuple_GET_SIZE(query) > 0) {
    Ref keys(tupledict_select_keys(self, query));
    if (!keys) return nullptr;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(keys.get()); i++) {
      PyObject *key = PyList_GET_ITEM(keys.get(), i);
      Ref coeff = Ref::borrow(PyDict_GetItemWithError(coeffs, key));
      if (!coeff && PyErr_Occurred()) return nullptr;
      if (!coeff || coeff.get() == Py_None) continue;
      Ref value(value_of(self, key));
      if (!value || add_term(terms.get(), coeff.get(), value.get()) < 0) return nullptr;
    }
  } else {
    // Walks coeffs and builds no key list. A snapshot: products may change coeffs.
    Ref items(PyDict_Items(coeffs));
    if (!items) return nullptr;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); i++) {
      PyObject *pair = PyList_GET_ITEM(items.get(), i);
      PyObject *value = PyDict_GetItemWithError(self, PyTuple_GET_ITEM(pair, 0));
      if (!value && PyErr_Occurred()) return nullptr;
      if (!value || value == Py_None) continue;
      if (add_term(terms.get(), PyTuple_GET_ITEM(pair, 1), value) < 0) return nullptr;
    }
  }
  return quicksum_of(terms.get());
}

PyObject *tupledict_clean_impl(PyObject *, PyObject *const *args) {
  Py_CLEAR(D(args[0])->keys_);
  Py_RETURN_NONE;
}

PyObject *tupledict_clear_impl(PyObject *, PyObject *const *args) {
  tupledict_changed(args[0]);
  PyDict_Clear(args[0]);
  Py_RETURN_NONE;
}

PyObject *tupledict_pop_impl(PyObject *, PyObject *const *args) {
  return dict_method("pop", args[0], args + 1, 1);
}

PyObject *tupledict_popitem_impl(PyObject *, PyObject *const *args) {
  return dict_method("popitem", args[0], nullptr, 0);
}

PyObject *tupledict_update_impl(PyObject *, PyObject *const *args) {
  PyObject *pos = args[1], *kw = args[2];
  return dict_method("update", args[0], PySequence_Fast_ITEMS(pos), PyTuple_GET_SIZE(pos),
                     PyDict_GET_SIZE(kw) ? kw : nullptr);
}

PyObject *tupledict_setdefault_impl(PyObject *, PyObject *const *args) {
  return dict_method("setdefault", args[0], args + 1, 2);
}

// ---- Docstrings ------------------------------------------------------------------

const char init_doc[] = R"doc(
        SIGNATURE:
            __init__(*args, **kwargs)

        PURPOSE:
            Construct a tupledict: a dict whose keys are tuples of one length (or
            scalars), with pattern selection over the keys and sums of the values.

        ARGUMENTS:
            *args, **kwargs
            ---------------
            As for dict().

        EXAMPLE:
            td = tupledict([((1, 2), 10), ((2, 2), 20), ((1, 3), 30)])
            td = tupledict({('a', 1): x, ('b', 1): y})

        )doc";

const char select_doc[] = R"doc(
        SIGNATURE:
            select(*query)

        PURPOSE:
            Select the values whose keys match a pattern, as a list in key order.

        ARGUMENTS:
            *query
            ------
            Pattern fields, compared position by position with the fields of each key.
            '*' matches anything, a list or tuple matches any of its members, any other
            value must be equal; fields beyond the pattern are free.

        EXAMPLE:
            td = tupledict([((1, 2), 10), ((2, 2), 20), ((1, 3), 30)])
            print(td.select(1, '*'))
            print(td.select('*', 2))

        )doc";

const char sum_doc[] = R"doc(
        SIGNATURE:
            sum(*query=[])

        PURPOSE:
            Sum the values whose keys match a pattern into an expression.

        ARGUMENTS:
            *query=[]
            ---------
            Pattern fields, as for select(); none sums every value.

        EXAMPLE:
            x = m.addVars(2, 3)
            expr = x.sum()
            expr = x.sum('*', 1)

        )doc";

const char prod_doc[] = R"doc(
        SIGNATURE:
            prod(coeffs, *query=[])

        PURPOSE:
            Sum the values whose keys match a pattern, each multiplied by the coefficient
            that coeffs holds under the same key, into an expression. Keys without a
            coefficient, or without a value, are skipped.

        ARGUMENTS:
            coeffs
            ------
            A dict of coefficients keyed like this tupledict.

            *query=[]
            ---------
            Pattern fields, as for select(); none takes every key of coeffs.

        EXAMPLE:
            x = m.addVars(2, 3)
            cost = {(0, 0): 1.5, (1, 2): 2.0}
            expr = x.prod(cost)
            expr = x.prod(cost, '*', 2)

        )doc";

const char clean_doc[] = R"doc(
        SIGNATURE:
            clean()

        PURPOSE:
            Drop the key list and index built by selections and release their memory;
            the next selection builds them again.

        ARGUMENTS:
            None.

        EXAMPLE:
            td.clean()

        )doc";

// ---- Member specs ----------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const query_args[] = {"self", "query"};
const char *const prod_args[] = {"self", "coeffs", "query"};
const char *const key_args[] = {"self", "key"};
const char *const update_args[] = {"self", "args", "kwargs"};
const char *const setdefault_args[] = {"self", "key", "default"};

const FuncSpec select_spec =
    DZ_METHOD(tupledict, select, query_args, tupledict_select_impl, select_doc)
        .with_flags(FUNC_VARARGS);
const FuncSpec sum_spec =
    DZ_METHOD(tupledict, sum, query_args, tupledict_sum_impl, sum_doc).with_flags(FUNC_VARARGS);
const FuncSpec prod_spec =
    DZ_METHOD(tupledict, prod, prod_args, tupledict_prod_impl, prod_doc).with_flags(FUNC_VARARGS);
const FuncSpec clean_spec = DZ_METHOD(tupledict, clean, self_only, tupledict_clean_impl, clean_doc);
const FuncSpec clear_spec = DZ_METHOD(tupledict, clear, self_only, tupledict_clear_impl, nullptr);
const FuncSpec pop_spec = DZ_METHOD(tupledict, pop, key_args, tupledict_pop_impl, nullptr);
const FuncSpec popitem_spec =
    DZ_METHOD(tupledict, popitem, self_only, tupledict_popitem_impl, nullptr);
const FuncSpec update_spec =
    DZ_METHOD(tupledict, update, update_args, tupledict_update_impl, nullptr)
        .with_flags(FUNC_VARARGS | FUNC_VARKW);
const FuncSpec setdefault_spec =
    DZ_METHOD(tupledict, setdefault, setdefault_args, tupledict_setdefault_impl, nullptr)
        .with_defaults("(None,)");

// ---- Pickling ----------------------------------------------------------------------
//
// The key list is a cache and does not travel; the items travel as the state.

PyObject *get_contents(PyObject *self) { return PyDict_Copy(self); }

int set_contents(PyObject *self, PyObject *contents) {
  if (!PyDict_CheckExact(contents)) {
    PyErr_Format(PyExc_TypeError, "invalid pickled state for %s", tupledict_Type.tp_name);
    return -1;
  }
  tupledict_changed(self);
  PyDict_Clear(self);
  return PyDict_Update(self, contents);
}

const PickleSpec pickle_spec = {"tupledict", nullptr, 0, true, nullptr, get_contents, set_contents};

// ---- Class set-up ------------------------------------------------------------------

PyNumberMethods tupledict_as_number = {};
PyMappingMethods tupledict_as_mapping = {};

int tupledict_prepare() {
  PyTypeObject *t = &tupledict_Type;
  t->tp_name = "didazoda.tupledict";
  t->tp_basicsize = sizeof(tupledictObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc =
      "A dict whose keys are tuples of one length (or scalars), with pattern selection "
      "and sums over its values.";
  t->tp_base = &PyDict_Type;
  t->tp_init = DZ_SLOT(tupledict_init);
  t->tp_traverse = tupledict_gc::traverse;
  t->tp_clear = tupledict_gc::clear;
  t->tp_dealloc = tupledict_dealloc;
  // Only the overridden slots: the rest are inherited after the wrappers are made.
  tupledict_as_number.nb_inplace_or = DZ_SLOT(tupledict_inplace_or);
  tupledict_as_mapping.mp_ass_subscript = DZ_SLOT(tupledict_ass_subscript);
  t->tp_as_number = &tupledict_as_number;
  t->tp_as_mapping = &tupledict_as_mapping;
  tupledict_ops = {tupledict_select_keys};
  return 0;
}

int tupledict_bind(PyObject *dict) {
  for (const FuncSpec *spec : {&select_spec, &sum_spec, &prod_spec, &clean_spec, &clear_spec,
                               &pop_spec, &popitem_spec, &update_spec, &setdefault_spec})
    if (!bind_function(dict, spec)) return -1;
  return 0;
}

}  // namespace

PyObject *tupledict_new() {
  return PyObject_CallObject(reinterpret_cast<PyObject *>(&tupledict_Type), nullptr);
}

const ClassDef tupledict_class = {&tupledict_Type, "tupledict", tupledict_prepare, tupledict_bind,
                                  init_doc,        true,        &pickle_spec,      nullptr};

}  // namespace dz
