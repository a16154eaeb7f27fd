// tuplelist: a list whose elements share one shape (all tuples or lists of
// one length, or all scalars), with a wildcard and a per-field index that
// selection builds on demand (select.cpp). Every change of the contents
// through the class drops the index; nothing updates it in place.

#include "containers/containers.h"
#include "runtime/args.h"
#include "runtime/decorators.h"
#include "runtime/function.h"
#include "module/state.h"
#include "runtime/gc_fields.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject tuplelist_Type = static_type_object();
tuplelistOps tuplelist_ops;

namespace {

PyObject *str_star;  // "*", the wildcard of every list the module makes

inline tuplelistObject *T(PyObject *o) { return as_tuplelist(o); }

// ---- Shape rule ------------------------------------------------------------

// 1 for a sequence element, its length in *length; 0 for a scalar; -1 with
// an exception. A str is a scalar: index values are never split into
// characters.
int shape_of(PyObject *o, Py_ssize_t *length) {
  if (PyTuple_CheckExact(o)) {
    *length = PyTuple_GET_SIZE(o);
  } else if (PyList_CheckExact(o)) {
    *length = PyList_GET_SIZE(o);
  } else if (!is_sequence_element(o)) {
    return 0;
  } else {
    *length = PyObject_Size(o);  // a subclass may define __len__
    if (*length < 0) return -1;
  }
  return 1;
}

int tuplelist_check(PyObject *self, PyObject *item, PyObject *ref) {
  // Held: measuring a subclass instance runs Python code that may change self.
  Ref reference = Ref::borrow(PyList_GET_SIZE(self) > 0 ? PyList_GET_ITEM(self, 0) : ref);
  Py_ssize_t a = 0, b = 0;
  const int seq_a = shape_of(item, &a);
  if (seq_a < 0) return -1;
  const int seq_b = shape_of(reference.get(), &b);
  if (seq_b < 0) return -1;
  if (seq_a != seq_b) {
    PyErr_SetObject(PyExc_ValueError, state().MIXED_TYPE_MSG);
    return -1;
  }
  if (a != b) {
    PyErr_SetObject(PyExc_ValueError, state().BAD_LENGTH_MSG);
    return -1;
  }
  return 0;
}

// ---- Internal operations -----------------------------------------------------

bool check_wildcard(PyObject *w) {
  if (w == Py_None || PyUnicode_CheckExact(w)) return true;
  PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "unicode", Py_TYPE(w)->tp_name);
  return false;
}

int tuplelist_constructor(PyObject *self, PyObject *li, PyObject *wildcard) {
  if (!check_wildcard(wildcard)) return -1;
  Py_INCREF(wildcard);
  Py_XSETREF(T(self)->wildcard_, wildcard);
  // A private copy: li may be self, and measuring elements may run code.
  Ref items;
  if (li != Py_None) {
    Py_ssize_t n = PyObject_Size(li);
    if (n < 0) return -1;
    if (n > 0 && !(items = Ref(PySequence_List(li)))) return -1;
  }
  if (PyList_SetSlice(self, 0, PY_SSIZE_T_MAX, nullptr) < 0) return -1;
  tuplelist_changed(self);
  if (!items || PyList_GET_SIZE(items.get()) == 0) return 0;
  PyObject *first = PyList_GET_ITEM(items.get(), 0);
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); i++)
    if (tuplelist_check(items.get(), PyList_GET_ITEM(items.get(), i), first) < 0) return -1;
  if (PyList_SetSlice(self, 0, PY_SSIZE_T_MAX, items.get()) < 0) return -1;
  tuplelist_changed(self);
  return 0;
}

int tuplelist_append(PyObject *self, PyObject *item) {
  if (tuplelist_check(self, item, item) < 0 || PyList_Append(self, item) < 0) return -1;
  tuplelist_changed(self);
  return 0;
}

int tuplelist_insert(PyObject *self, int index, PyObject *item) {
  if (tuplelist_check(self, item, item) < 0 || PyList_Insert(self, index, item) < 0) return -1;
  tuplelist_changed(self);
  return 0;
}

int tuplelist_extend(PyObject *self, PyObject *iterable) {
  Ref items(PySequence_List(iterable));  // a copy, so that tl.extend(tl) works
  if (!items) return -1;
  Py_ssize_t n = PyList_GET_SIZE(items.get());
  for (Py_ssize_t i = 0; i < n; i++)
    if (tuplelist_check(self, PyList_GET_ITEM(items.get(), i), PyList_GET_ITEM(items.get(), 0)) < 0)
      return -1;
  Py_ssize_t end = PyList_GET_SIZE(self);
  if (PyList_SetSlice(self, end, end, items.get()) < 0) return -1;
  tuplelist_changed(self);
  return 0;
}

// A new tuplelist made by the constructor from a list of elements.
PyObject *tuplelist_from(PyObject *items) {
  Ref result(tuplelist_new());
  if (!result || tuplelist_constructor(result.get(), items, str_star) < 0) return nullptr;
  return result.release();
}

PyObject *tuplelist_add(PyObject *left, PyObject *right) {
  Ref joined(PyList_Type.tp_as_sequence->sq_concat(left, right));
  if (!joined) return nullptr;
  return tuplelist_from(joined.get());
}

// ---- Number and sequence slots -------------------------------------------------
//
// Returning NotImplemented for an operand the list cannot take lets the
// interpreter try the other operand and then raise the list's own TypeError.

PyObject *tuplelist_nb_add(PyObject *a, PyObject *b) {
  if (!PyList_Check(a) || !PyList_Check(b)) Py_RETURN_NOTIMPLEMENTED;
  return tuplelist_add(a, b);
}

PyObject *tuplelist_nb_multiply(PyObject *a, PyObject *b) {
  bool left = PyObject_TypeCheck(a, &tuplelist_Type);
  PyObject *seq = left ? a : b, *count = left ? b : a;
  if (!PyIndex_Check(count)) Py_RETURN_NOTIMPLEMENTED;
  Py_ssize_t n = PyNumber_AsSsize_t(count, PyExc_OverflowError);
  if (n == -1 && PyErr_Occurred()) return nullptr;
  Ref repeated(PyList_Type.tp_as_sequence->sq_repeat(seq, n));
  if (!repeated) return nullptr;
  return tuplelist_from(repeated.get());
}

// In-place slots live in the number table: there the interpreter tries them
// before the binary ones, which would otherwise make a new list.
PyObject *tuplelist_nb_inplace_add(PyObject *self, PyObject *other) {
  if (!PyObject_TypeCheck(self, &tuplelist_Type)) Py_RETURN_NOTIMPLEMENTED;
  tuplelist_changed(self);
  return PyList_Type.tp_as_sequence->sq_inplace_concat(self, other);
}

PyObject *tuplelist_nb_inplace_multiply(PyObject *self, PyObject *count) {
  if (!PyObject_TypeCheck(self, &tuplelist_Type)) Py_RETURN_NOTIMPLEMENTED;
  tuplelist_changed(self);
  if (!PyIndex_Check(count)) Py_RETURN_NOTIMPLEMENTED;
  Py_ssize_t n = PyNumber_AsSsize_t(count, PyExc_OverflowError);
  if (n == -1 && PyErr_Occurred()) return nullptr;
  return PyList_Type.tp_as_sequence->sq_inplace_repeat(self, n);
}

int tuplelist_contains(PyObject *self, PyObject *x) {
  if (x != Py_None && !PyTuple_CheckExact(x)) {
    PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "tuple", Py_TYPE(x)->tp_name);
    return -1;
  }
  if (PyList_GET_SIZE(self) == 0) return 0;
  Ref found(tuplelist_select(self, x, true));
  if (!found) return -1;
  return PyList_GET_SIZE(found.get()) > 0;
}

// Position of an integer key in range, or -1 with IndexError.
Py_ssize_t item_position(PyObject *self, PyObject *key) {
  Py_ssize_t i = PyNumber_AsSsize_t(key, PyExc_IndexError);
  if (i == -1 && PyErr_Occurred()) return -1;
  if (i < 0) i += PyList_GET_SIZE(self);
  if (i < 0 || i >= PyList_GET_SIZE(self)) {
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return -1;
  }
  return i;
}

// Every element of a slice assignment is tested against an element that
// stays, or against the first new one when none stays.
int check_slice(PyObject *self, PyObject *slice, PyObject *items) {
  Py_ssize_t start, stop, step;
  if (PySlice_Unpack(slice, &start, &stop, &step) < 0) return -1;
  Py_ssize_t n = PyList_GET_SIZE(self);
  Py_ssize_t count = PySlice_AdjustIndices(n, &start, &stop, step);
  Py_ssize_t lo = step > 0 ? start : start + (count - 1) * step;
  Py_ssize_t stride = step > 0 ? step : -step;
  Py_ssize_t kept = -1;
  for (Py_ssize_t i = 0; i < n && i <= count; i++) {
    bool replaced = count > 0 && i >= lo && (i - lo) % stride == 0 && (i - lo) / stride < count;
    if (!replaced) {
      kept = i;
      break;
    }
  }
  Py_ssize_t m = PyList_GET_SIZE(items);
  if (m == 0) return 0;
  Ref reference = Ref::borrow(kept >= 0 ? PyList_GET_ITEM(self, kept) : PyList_GET_ITEM(items, 0));
  // Tested as a one-element list holding the reference, so the first new
  // element is never measured against a replaced one.
  Ref probe(PyList_New(1));
  if (!probe) return -1;
  PyList_SET_ITEM(probe.get(), 0, reference.newref());
  for (Py_ssize_t i = 0; i < m && i < PyList_GET_SIZE(items); i++)
    if (tuplelist_check(probe.get(), PyList_GET_ITEM(items, i), nullptr) < 0) return -1;
  return 0;
}

int tuplelist_ass_subscript(PyObject *self, PyObject *key, PyObject *value) {
  objobjargproc base = PyList_Type.tp_as_mapping->mp_ass_subscript;
  if (!value) {
    if (base(self, key, nullptr) < 0) return -1;
    tuplelist_changed(self);
    return 0;
  }
  if (PySlice_Check(key)) {
    Ref iter(PyObject_GetIter(value));
    if (!iter) {
      // The list's own text for a value that is no iterable.
      if (PyErr_ExceptionMatches(PyExc_TypeError)) {
        PyErr_Clear();
        PyErr_SetString(PyExc_TypeError, "can only assign an iterable");
      }
      return -1;
    }
    Ref items(PySequence_List(iter.get()));  // a copy: value may be self
    if (!items) return -1;
    if (check_slice(self, key, items.get()) < 0) return -1;
    tuplelist_changed(self);
    return base(self, key, items.get());
  }
  if (!PyIndex_Check(key)) return base(self, key, value);  // the list's own TypeError
  if (tuplelist_check(self, value, value) < 0) return -1;
  Py_ssize_t i = item_position(self, key);
  if (i < 0) return -1;
  // Only the very same object keeps the index: == may be unreliable (tuples
  // of handles) or run code.
  if (PyList_GET_ITEM(self, i) != value) tuplelist_changed(self);
  return base(self, key, value);
}

// ---- Fields ---------------------------------------------------------------------

PyObject *get_field(PyObject *v) {
  if (!v) v = Py_None;
  return new_ref(v);
}

PyObject *get_tuple_index(PyObject *self, void *) { return get_field(T(self)->tuple_index_); }
PyObject *get_wildcard(PyObject *self, void *) { return get_field(T(self)->wildcard_); }

int set_tuple_index(PyObject *self, PyObject *value, void *) {
  if (value && value != Py_None && !PyList_CheckExact(value)) {
    PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "list", Py_TYPE(value)->tp_name);
    return -1;
  }
  Py_XINCREF(value);
  Py_XSETREF(T(self)->tuple_index_, value);
  return 0;
}

int set_wildcard(PyObject *self, PyObject *value, void *) {
  if (value && !check_wildcard(value)) return -1;
  Py_XINCREF(value);
  Py_XSETREF(T(self)->wildcard_, value);
  return 0;
}

PyGetSetDef tuplelist_getset[] = {
    {"tuple_index_", DZ_SLOT(get_tuple_index), DZ_SLOT(set_tuple_index), nullptr, nullptr},
    {"wildcard_", DZ_SLOT(get_wildcard), DZ_SLOT(set_wildcard), nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// ---- Life cycle ---------------------------------------------------------------

const char *const init_args[] = {"self", "li", "wildcard"};
// li's default is one empty list shared by every call, as in Python.
const FuncSpec init_spec =
    func_spec("__init__", "tuplelist.__init__", init_args, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("([], '*')");

int tuplelist_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  return tuplelist_constructor(self, a[1], a[2]);
}

// wildcard_ holds only an exact str: it cannot close a cycle.
using tuplelist_gc = GcFields<tuplelistObject, Unset::null, BuiltinBase<&PyList_Type>,
                              &tuplelistObject::tuple_index_>;

// The list's own deallocation applies its recursion guard to exact lists
// only, so deeply nested tuplelists need one here.
void tuplelist_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  Py_TRASHCAN_BEGIN(self, tuplelist_dealloc) tuplelist_gc::release(self);
  Py_CLEAR(T(self)->wildcard_);
  PyList_Type.tp_dealloc(self);
  Py_TRASHCAN_END
}

// ---- Methods --------------------------------------------------------------------

// The list's own methods, called after the index is dropped.
PyObject *list_method(const char *name, PyObject *self, PyObject *args,
                      PyObject *kwargs = nullptr) {
  PyObject *descr = PyDict_GetItemString(PyList_Type.tp_dict, name);  // borrowed, static
  if (!descr) return PyErr_Format(PyExc_SystemError, "list.%s is missing", name);
  Ref full(PyTuple_New(1 + (args ? PyTuple_GET_SIZE(args) : 0)));
  if (!full) return nullptr;
  Py_INCREF(self);
  PyTuple_SET_ITEM(full.get(), 0, self);
  for (Py_ssize_t i = 0; args && i < PyTuple_GET_SIZE(args); i++) {
    Py_INCREF(PyTuple_GET_ITEM(args, i));
    PyTuple_SET_ITEM(full.get(), i + 1, PyTuple_GET_ITEM(args, i));
  }
  return PyObject_Call(descr, full.get(), kwargs);
}

PyObject *none_or_null(int status) {
  if (status < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *select_op(PyObject *self, PyObject *pattern) {
  return tuplelist_select(self, pattern, false);
}

PyObject *tuplelist_select_impl(PyObject *, PyObject *const *args) {
  return tuplelist_select(args[0], args[1], false);
}

PyObject *tuplelist_clean_impl(PyObject *, PyObject *const *args) {
  Py_CLEAR(T(args[0])->tuple_index_);
  Py_RETURN_NONE;
}

PyObject *tuplelist_append_impl(PyObject *, PyObject *const *args) {
  return none_or_null(tuplelist_append(args[0], args[1]));
}

PyObject *tuplelist_clear_impl(PyObject *, PyObject *const *args) {
  tuplelist_changed(args[0]);
  return none_or_null(PyList_SetSlice(args[0], 0, PY_SSIZE_T_MAX, nullptr));
}

PyObject *tuplelist_copy_impl(PyObject *, PyObject *const *args) { return tuplelist_from(args[0]); }

PyObject *tuplelist_insert_impl(PyObject *, PyObject *const *args) {
  int index;
  if (!as_int32(args[1], &index)) return nullptr;
  return none_or_null(tuplelist_insert(args[0], index, args[2]));
}

PyObject *tuplelist_extend_impl(PyObject *, PyObject *const *args) {
  return none_or_null(tuplelist_extend(args[0], args[1]));
}

PyObject *tuplelist_pop_impl(PyObject *, PyObject *const *args) {
  tuplelist_changed(args[0]);
  Ref a(PyTuple_Pack(1, args[1]));
  return a ? list_method("pop", args[0], a.get()) : nullptr;
}

PyObject *tuplelist_remove_impl(PyObject *, PyObject *const *args) {
  tuplelist_changed(args[0]);
  Ref a(PyTuple_Pack(1, args[1]));
  return a ? list_method("remove", args[0], a.get()) : nullptr;
}

PyObject *tuplelist_reverse_impl(PyObject *, PyObject *const *args) {
  tuplelist_changed(args[0]);
  return list_method("reverse", args[0], nullptr);
}

PyObject *tuplelist_sort_impl(PyObject *, PyObject *const *args) {
  tuplelist_changed(args[0]);
  Ref kw(Py_BuildValue("{s:O,s:O}", "key", args[1], "reverse", args[2]));
  return kw ? list_method("sort", args[0], nullptr, kw.get()) : nullptr;
}

// ---- Docstrings ------------------------------------------------------------------

const char init_doc[] = R"doc(
        SIGNATURE:
            __init__(li, wildcard)

        PURPOSE:
            Construct a tuplelist: a list whose elements are all tuples of one length, or
            all scalars, and which selects its elements by pattern.

        ARGUMENTS:
            li=[]
            -----
            The initial elements: a sequence with a length (list, tuple, range, another
            tuplelist) or None.

            wildcard='*'
            ------------
            The pattern field that matches any value in select(), a str or None.

        EXAMPLE:
            tl = tuplelist([(1, 2), (1, 3), (2, 3)])
            tl = tuplelist([('a', 1), ('b', 2)], wildcard='?')

        )doc";

const char select_doc[] = R"doc(
        SIGNATURE:
            select(*query=[])

        PURPOSE:
            Select the elements that match a pattern, in list order, as a new tuplelist.

        ARGUMENTS:
            *query=[]
            ---------
            Pattern fields, compared position by position with the fields of each
            element. The wildcard matches anything, a list or tuple matches any of its
            members, any other value must be equal; fields beyond the pattern are free.

        EXAMPLE:
            tl = tuplelist([(1, 2), (1, 3), (2, 3)])
            print(tl.select(1, '*'))
            print(tl.select('*', [2, 3]))

        NOTE:
            The first selection builds an index of the elements, which every change of
            the list drops; clean() drops it on request.

        )doc";

const char clean_doc[] = R"doc(
        SIGNATURE:
            clean()

        PURPOSE:
            Drop the index built by select() and release its memory; the next selection
            builds it again.

        ARGUMENTS:
            None.

        EXAMPLE:
            tl.clean()

        )doc";

// ---- Member specs ----------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const select_args[] = {"self", "query"};
const char *const append_args[] = {"self", "e"};
const char *const insert_args[] = {"self", "index", "obj"};
const char *const extend_args[] = {"self", "iterable"};
const char *const pop_args[] = {"self", "index"};
const char *const remove_args[] = {"self", "value"};
const char *const sort_args[] = {"self", "key", "reverse"};

const FuncSpec select_spec =
    DZ_METHOD(tuplelist, select, select_args, tuplelist_select_impl, select_doc)
        .with_flags(FUNC_VARARGS);
const FuncSpec clean_spec = DZ_METHOD(tuplelist, clean, self_only, tuplelist_clean_impl, clean_doc);
const FuncSpec append_spec =
    DZ_METHOD(tuplelist, append, append_args, tuplelist_append_impl, nullptr);
const FuncSpec clear_spec = DZ_METHOD(tuplelist, clear, self_only, tuplelist_clear_impl, nullptr);
const FuncSpec copy_spec = DZ_METHOD(tuplelist, copy, self_only, tuplelist_copy_impl, nullptr);
const FuncSpec insert_spec =
    DZ_METHOD(tuplelist, insert, insert_args, tuplelist_insert_impl, nullptr);
const FuncSpec pop_spec =
    DZ_METHOD(tuplelist, pop, pop_args, tuplelist_pop_impl, nullptr).with_defaults("(-1,)");
const FuncSpec remove_spec =
    DZ_METHOD(tuplelist, remove, remove_args, tuplelist_remove_impl, nullptr);
const FuncSpec reverse_spec =
    DZ_METHOD(tuplelist, reverse, self_only, tuplelist_reverse_impl, nullptr);
const FuncSpec extend_spec =
    DZ_METHOD(tuplelist, extend, extend_args, tuplelist_extend_impl, nullptr);
const FuncSpec sort_spec = DZ_METHOD(tuplelist, sort, sort_args, tuplelist_sort_impl, nullptr)
                               .with_keyword_only(2)
                               .with_defaults("(None, False)");

// ---- Pickling ----------------------------------------------------------------------
//
// The index is a cache and does not travel; the elements travel as the state.

PyObject *get_contents(PyObject *self) { return PyList_GetSlice(self, 0, PyList_GET_SIZE(self)); }

// The elements come back as they were, without the shape rule: the pickled
// list may hold what an in-place + put there.
int set_contents(PyObject *self, PyObject *contents) {
  if (!PyList_CheckExact(contents)) {
    PyErr_Format(PyExc_TypeError, "invalid pickled state for %s", tuplelist_Type.tp_name);
    return -1;
  }
  tuplelist_changed(self);
  return PyList_SetSlice(self, 0, PY_SSIZE_T_MAX, contents);
}

int restored(PyObject *self) {
  PyObject *w = T(self)->wildcard_;
  if (w && w != Py_None && !PyUnicode_CheckExact(w)) {
    PyErr_SetString(PyExc_TypeError, "invalid pickled state: field wildcard_");
    return -1;
  }
  return 0;
}

const PickleField pickle_fields[] = {
    {"wildcard_", T_OBJECT, offsetof(tuplelistObject, wildcard_), &PyUnicode_Type, true},
};
const PickleSpec pickle_spec = {"tuplelist", pickle_fields, 1,           true,
                                restored,    get_contents,  set_contents};

// ---- Class set-up ------------------------------------------------------------------

PyNumberMethods tuplelist_as_number = {};
PySequenceMethods tuplelist_as_sequence = {};
PyMappingMethods tuplelist_as_mapping = {};

int tuplelist_prepare() {
  if (!str_star && !(str_star = PyUnicode_InternFromString("*"))) return -1;
  PyTypeObject *t = &tuplelist_Type;
  t->tp_name = "didazoda.tuplelist";
  t->tp_basicsize = sizeof(tuplelistObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc =
      "A list of tuples of one length (or of scalars) that selects its elements by "
      "pattern.";
  t->tp_base = &PyList_Type;
  t->tp_init = DZ_SLOT(tuplelist_init);
  t->tp_traverse = tuplelist_gc::traverse;
  t->tp_clear = tuplelist_gc::clear;
  t->tp_dealloc = tuplelist_dealloc;
  t->tp_getset = tuplelist_getset;
  // Only the overridden slots are set: the rest are inherited from list after
  // the class gets its wrappers, so dir() lists exactly the overrides.
  tuplelist_as_number.nb_add = DZ_SLOT(tuplelist_nb_add);
  tuplelist_as_number.nb_multiply = DZ_SLOT(tuplelist_nb_multiply);
  tuplelist_as_number.nb_inplace_add = DZ_SLOT(tuplelist_nb_inplace_add);
  tuplelist_as_number.nb_inplace_multiply = DZ_SLOT(tuplelist_nb_inplace_multiply);
  tuplelist_as_sequence.sq_contains = DZ_SLOT(tuplelist_contains);
  tuplelist_as_mapping.mp_ass_subscript = DZ_SLOT(tuplelist_ass_subscript);
  t->tp_as_number = &tuplelist_as_number;
  t->tp_as_sequence = &tuplelist_as_sequence;
  t->tp_as_mapping = &tuplelist_as_mapping;
  tuplelist_ops = {tuplelist_check,    tuplelist_constructor, tuplelist_append,    tuplelist_insert,
                   tuplelist_extend,   tuplelist_add,         tuplelist_build,     tuplelist_match,
                   positions_disjoint, positions_union,       tuplelist_inv_lists, select_op};
  return 0;
}

int tuplelist_bind(PyObject *dict) {
  for (const FuncSpec *spec :
       {&select_spec, &clean_spec, &append_spec, &clear_spec, &copy_spec, &insert_spec, &pop_spec,
        &remove_spec, &reverse_spec, &extend_spec, &sort_spec})
    if (!bind_function(dict, spec)) return -1;
  return 0;
}

}  // namespace

void tuplelist_changed(PyObject *self) {
  Py_CLEAR(T(self)->tuple_index_);
  T(self)->version_++;
}

PyObject *tuplelist_new() {
  PyObject *o = PyType_GenericAlloc(&tuplelist_Type, 0);
  if (!o) return nullptr;
  Py_INCREF(str_star);
  T(o)->wildcard_ = str_star;
  return o;
}

const ClassDef tuplelist_class = {&tuplelist_Type, "tuplelist", tuplelist_prepare, tuplelist_bind,
                                  init_doc,        true,        &pickle_spec,      nullptr};

}  // namespace dz
