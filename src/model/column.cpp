// Column: parallel lists of coefficients and Constr handles. It makes no
// library call; the handles carry their own model.
#include "model/column.h"

#include "runtime/arraylike.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "module/classes.h"
#include "runtime/decorators.h"
#include "module/tarvex_error.h"
#include "runtime/guard.h"
#include "runtime/compat.h"
#include "runtime/gc_fields.h"

#include <cstddef>

namespace dz {

PyTypeObject Column_Type = static_type_object();

namespace {

using column_fields =
    GcFields<ColumnObject, Unset::none, NoBase, &ColumnObject::coeffs_, &ColumnObject::constrs_>;

// Installs two lists (stolen). The old lists go only once both new ones are
// in place, since releasing them may run arbitrary code.
void install(ColumnObject *c, PyObject *coeffs, PyObject *constrs) {
  Ref old_coeffs(c->coeffs_), old_constrs(c->constrs_);
  c->coeffs_ = coeffs;
  c->constrs_ = constrs;
}

int install_empty(ColumnObject *c) {
  Ref coeffs(PyList_New(0));
  if (!coeffs) return -1;
  Ref constrs(PyList_New(0));
  if (!constrs) return -1;
  install(c, coeffs.release(), constrs.release());
  return 0;
}

// The lists of a Column whose __init__ never ran are None; the errors name
// the field's type as Python's own operations on it would.
bool fields_are_lists(ColumnObject *c, const char *what) {
  PyObject *bad = !PyList_Check(c->coeffs_)    ? c->coeffs_
                  : !PyList_Check(c->constrs_) ? c->constrs_
                                               : nullptr;
  if (!bad) return true;
  if (what)
    PyErr_Format(PyExc_AttributeError, "'%.50s' object has no attribute '%.30s'",
                 Py_TYPE(bad)->tp_name, what);
  else
    PyErr_Format(PyExc_TypeError, "'%.200s' object is not subscriptable", Py_TYPE(bad)->tp_name);
  return false;
}

// Appends one checked term. The fields are read here, after every
// conversion that could have run Python code and replaced them, and both
// appends happen with no Python code in between, so the lists stay parallel.
int append_term(PyObject *self, PyObject *coeff, PyObject *constr) {
  ColumnObject *c = as_column(self);
  if (!fields_are_lists(c, "append")) return -1;
  PyObject *coeffs = c->coeffs_;
  const Py_ssize_t n = PyList_GET_SIZE(coeffs);
  if (PyList_Append(coeffs, coeff) < 0) return -1;
  if (PyList_Append(c->constrs_, constr) < 0) {
    PyList_SetSlice(coeffs, n, n + 1, nullptr);
    return -1;
  }
  return 0;
}

int column_addterms(PyObject *self, PyObject *coeffs, PyObject *constrs) {
  int sequence = PyList_Check(coeffs) || PyTuple_Check(coeffs);
  if (!sequence && (sequence = is_ndarray(coeffs)) < 0) return -1;
  if (!sequence) return column_add_term(self, coeffs, constrs);

  const Py_ssize_t n = PyObject_Length(coeffs);
  if (n < 0) return -1;
  for (Py_ssize_t i = 0; i < n; i++) {
    Ref index(PyLong_FromSsize_t(i));
    if (!index) return -1;
    Ref item(PyObject_GetItem(coeffs, index.get()));
    if (!item) return -1;
    Ref coeff(PyNumber_Float(item.get()));
    if (!coeff) return -1;
    Ref constr(PyObject_GetItem(constrs, index.get()));
    if (!constr) return -1;
    if (!handle_check(constr.get(), &Constr_Type)) {
      raise_text("Expect a list of constr");
      return -1;
    }
    if (append_term(self, coeff.get(), constr.get()) < 0) return -1;
  }
  return 0;
}

// ---- Constructor -------------------------------------------------------------

const char *const init_argnames[] = {"self", "coeffs", "constrs"};
const FuncSpec init_spec =
    func_spec("__init__", "Column.__init__", init_argnames, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("(None, None)");

int column_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *coeffs = a[1], *constrs = a[2];
  // Emptied first, also when __init__ runs again on a filled column.
  if (install_empty(as_column(self)) < 0) return -1;
  if (coeffs == Py_None && constrs == Py_None) return 0;
  if (coeffs == Py_None) {
    raise_text("Argument `coeffs` cannot be None");
    return -1;
  }
  if (constrs == Py_None) {
    raise_text("Argument `constrs` cannot be None");
    return -1;
  }
  // Through attribute lookup, so a subclass's addTerms runs.
  Ref r(PyObject_CallMethod(self, "addTerms", "OO", coeffs, constrs));
  return r ? 0 : -1;
}

// ---- Methods ---------------------------------------------------------------------

PyObject *column_addTerms_impl(PyObject *, PyObject *const *args) {
  if (column_addterms(args[0], args[1], args[2]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *column_copy_impl(PyObject *, PyObject *const *args) {
  ColumnObject *c = as_column(args[0]);
  // Held: the new column's addTerms may run code that replaces them.
  Ref coeffs = Ref::borrow(c->coeffs_);
  Ref constrs = Ref::borrow(c->constrs_);
  return PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&Column_Type), coeffs.get(),
                                      constrs.get(), nullptr);
}

// Term i of one field; the index is converted before the field is read.
template <PyObject *ColumnObject::*Field>
PyObject *column_item_impl(PyObject *, PyObject *const *args) {
  int i;
  if (!as_int32(args[1], &i)) return nullptr;
  PyObject *list = as_column(args[0])->*Field;
  if (!PyList_Check(list))
    return PyErr_Format(PyExc_TypeError, "'%.200s' object is not subscriptable",
                        Py_TYPE(list)->tp_name);
  const Py_ssize_t n = PyList_GET_SIZE(list);
  const Py_ssize_t k = i < 0 ? i + n : i;
  if (k < 0 || k >= n) {
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return nullptr;
  }
  PyObject *v = PyList_GET_ITEM(list, k);
  return new_ref(v);
}

PyObject *column_size_impl(PyObject *, PyObject *const *args) {
  PyObject *coeffs = as_column(args[0])->coeffs_;
  if (!PyList_Check(coeffs))
    return PyErr_Format(PyExc_TypeError, "object of type '%.200s' has no len()",
                        Py_TYPE(coeffs)->tp_name);
  return PyLong_FromSsize_t(PyList_GET_SIZE(coeffs));
}

PyObject *column_clear_impl(PyObject *, PyObject *const *args) {
  if (install_empty(as_column(args[0])) < 0) return nullptr;
  Py_RETURN_NONE;
}

// del coeffs_[item]; del constrs_[item], checked against both lists first so
// that they are cut together or not at all.
PyObject *remove_position(ColumnObject *c, PyObject *item) {
  if (!fields_are_lists(c, nullptr)) return nullptr;
  Py_ssize_t j = PyNumber_AsSsize_t(item, PyExc_IndexError);
  if (j == -1 && PyErr_Occurred()) return nullptr;
  const Py_ssize_t n = PyList_GET_SIZE(c->coeffs_);
  if (j < 0) j += n;
  if (j < 0 || j >= n || j >= PyList_GET_SIZE(c->constrs_)) {
    PyErr_SetString(PyExc_IndexError, "list assignment index out of range");
    return nullptr;
  }
  // Deleting an item never fails; the removed objects go once both lists
  // are cut.
  Ref coeff = Ref::borrow(PyList_GET_ITEM(c->coeffs_, j));
  Ref constr = Ref::borrow(PyList_GET_ITEM(c->constrs_, j));
  if (PyList_SetSlice(c->coeffs_, j, j + 1, nullptr) < 0 ||
      PyList_SetSlice(c->constrs_, j, j + 1, nullptr) < 0)
    return nullptr;
  Py_RETURN_NONE;
}

// Keeps the terms whose constraint is not item.sameAs. Every read goes to
// the current fields: size() and sameAs() may be overridden and run code.
PyObject *remove_constr(PyObject *self, PyObject *item) {
  Ref size(PyObject_CallMethod(self, "size", nullptr));
  if (!size) return nullptr;
  const Py_ssize_t n = PyNumber_AsSsize_t(size.get(), PyExc_OverflowError);
  if (n == -1 && PyErr_Occurred()) return nullptr;
  Ref kept_coeffs(PyList_New(0));
  if (!kept_coeffs) return nullptr;
  Ref kept_constrs(PyList_New(0));
  if (!kept_constrs) return nullptr;
  ColumnObject *c = as_column(self);
  for (Py_ssize_t i = 0; i < n; i++) {
    Ref index(PyLong_FromSsize_t(i));
    if (!index) return nullptr;
    Ref constr(PyObject_GetItem(c->constrs_, index.get()));
    if (!constr) return nullptr;
    Ref same(PyObject_CallMethod(constr.get(), "sameAs", "O", item));
    if (!same) return nullptr;
    const int skip = PyObject_IsTrue(same.get());
    if (skip < 0) return nullptr;
    if (skip) continue;
    Ref coeff(PyObject_GetItem(c->coeffs_, index.get()));
    if (!coeff) return nullptr;
    if (PyList_Append(kept_coeffs.get(), coeff.get()) < 0 ||
        PyList_Append(kept_constrs.get(), constr.get()) < 0)
      return nullptr;
  }
  install(c, kept_coeffs.release(), kept_constrs.release());
  Py_RETURN_NONE;
}

PyObject *column_remove_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *item = args[1];
  if (PyLong_Check(item)) return remove_position(as_column(self), item);
  if (handle_check(item, &Constr_Type)) return remove_constr(self, item);
  PyErr_SetString(PyExc_TypeError, "Argument `item` should be an integer or constr");
  return nullptr;
}

// ---- Docstrings --------------------------------------------------------------------

const char class_doc[] =
    R"doc(Column contains the coefficient information of a variable in existing constraints.

A column can be given when a variable is added, to initialise the variable's
coefficients in existing constraints.)doc";

const char init_doc[] = R"doc(
        SIGNATURE:
            __init__(coeffs=None, constrs=None)

        PURPOSE:
            Construct a Column

        ARGUMENTS:
            coeffs=None
            -----------
            The coefficient of one term, or a list of coefficients.

            constrs=None
            ------------
            The constraint of one term, or a list of constraints, one for each
            coefficient.

        EXAMPLE:
            Column()
            Column(1.0, c0)
            Column([1.0, 2.0], [c0, c1])

        )doc";

const char addTerms_doc[] = R"doc(
        SIGNATURE:
            addTerms(coeffs, constrs)

        PURPOSE:
            Add one or more term(s)

        ARGUMENTS:
            coeffs
            ------
            The coefficient of one term, or a list of coefficients.

            constrs
            -------
            The constraint of one term, or a list of constraints.

        EXAMPLE:
            col.addTerms(1.0, c0)
            col.addTerms([1.0, 2.0], [c0, c1])

        )doc";

const char copy_doc[] = R"doc(
        SIGNATURE:
            copy()

        PURPOSE:
            Return a copy of a Column.

        ARGUMENTS:
            None.

        EXAMPLE:
            col2 = col.copy()

        )doc";

const char getCoeff_doc[] = R"doc(
        SIGNATURE:
            getCoeff(index)

        PURPOSE:
            Obtain the coefficient of a term in a Column.

        ARGUMENTS:
            index
            -----
            The position of the term, from 0.

        EXAMPLE:
            print(col.getCoeff(0))

        )doc";

const char getConstr_doc[] = R"doc(
        SIGNATURE:
            getConstr(index)

        PURPOSE:
            Get the constraint of a term in a Column.

        ARGUMENTS:
            index
            -----
            The position of the term, from 0.

        EXAMPLE:
            print(col.getConstr(0).index)

        )doc";

const char size_doc[] = R"doc(
        SIGNATURE:
            size()

        PURPOSE:
            Obtain the number of terms.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(col.size())

        )doc";

const char clear_doc[] = R"doc(
        SIGNATURE:
            clear()

        PURPOSE:
            Clear all included terms

        ARGUMENTS:
            None.

        EXAMPLE:
            col.clear()

        )doc";

const char remove_doc[] = R"doc(
        SIGNATURE:
            remove(item)

        PURPOSE:
            Delete some terms contained in Column

        ARGUMENTS:
            item
            ----
            If `item` is a number, the term whose index is `item` is deleted. If the `item`
            is a constraint, all terms that contain the constraint are deleted.

        EXAMPLE:
            col.remove(0)
            col.remove(c0)

        )doc";

// ---- Member specs ----------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const addTerms_args[] = {"self", "coeffs", "constrs"};
const char *const index_arg[] = {"self", "i"};
const char *const item_arg[] = {"self", "item"};

const FuncSpec member_specs[] = {
    DZ_METHOD(Column, addTerms, addTerms_args, column_addTerms_impl, addTerms_doc),
    DZ_METHOD(Column, copy, self_only, column_copy_impl, copy_doc),
    DZ_METHOD(Column, getCoeff, index_arg, column_item_impl<&ColumnObject::coeffs_>, getCoeff_doc),
    DZ_METHOD(Column, getConstr, index_arg, column_item_impl<&ColumnObject::constrs_>,
              getConstr_doc),
    DZ_METHOD(Column, size, self_only, column_size_impl, size_doc),
    DZ_METHOD(Column, clear, self_only, column_clear_impl, clear_doc),
    DZ_METHOD(Column, remove, item_arg, column_remove_impl, remove_doc),
};

// ---- Pickling ------------------------------------------------------------------------

// The restored lists may be objects held elsewhere (copy.copy hands over the
// very lists): the column takes lists of its own, checked term by term.
int column_restored(PyObject *self) {
  ColumnObject *c = as_column(self);
  if (c->coeffs_ == Py_None && c->constrs_ == Py_None) return 0;
  const bool ok = PyList_Check(c->coeffs_) && PyList_Check(c->constrs_) &&
                  PyList_GET_SIZE(c->coeffs_) == PyList_GET_SIZE(c->constrs_);
  Ref coeffs(ok ? PyList_GetSlice(c->coeffs_, 0, PY_SSIZE_T_MAX) : nullptr);
  Ref constrs(ok ? PyList_GetSlice(c->constrs_, 0, PY_SSIZE_T_MAX) : nullptr);
  if (ok && (!coeffs || !constrs)) return -1;
  bool valid = ok && PyList_GET_SIZE(coeffs.get()) == PyList_GET_SIZE(constrs.get());
  for (Py_ssize_t i = 0; valid && i < PyList_GET_SIZE(coeffs.get()); i++)
    valid = PyFloat_Check(PyList_GET_ITEM(coeffs.get(), i)) &&
            handle_check(PyList_GET_ITEM(constrs.get(), i), &Constr_Type);
  if (!valid) {
    PyErr_SetString(PyExc_ValueError, "invalid pickled state for didazoda.Column");
    return -1;
  }
  install(c, coeffs.release(), constrs.release());
  return 0;
}

const PickleField pickle_fields[] = {
    {"coeffs_", T_OBJECT, offsetof(ColumnObject, coeffs_), &PyList_Type, true},
    {"constrs_", T_OBJECT, offsetof(ColumnObject, constrs_), &PyList_Type, true},
};
const PickleSpec pickle_spec = {"Column", pickle_fields, 2, false, column_restored};

// ---- Class set-up ----------------------------------------------------------------

int column_prepare() {
  PyTypeObject *t = &Column_Type;
  t->tp_name = "didazoda.Column";
  t->tp_basicsize = sizeof(ColumnObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc = class_doc;
  t->tp_new = DZ_SLOT(column_fields::alloc);
  t->tp_init = DZ_SLOT(column_init);
  t->tp_traverse = column_fields::traverse;
  t->tp_clear = column_fields::clear;
  t->tp_dealloc = column_fields::dealloc;
  return 0;
}

int column_bind(PyObject *dict) { return bind_functions(dict, member_specs); }

}  // namespace

PyObject *column_new() {
  return PyObject_CallObject(reinterpret_cast<PyObject *>(&Column_Type), nullptr);
}

int column_add_term(PyObject *column, PyObject *coeff, PyObject *constr) {
  if (!handle_check(constr, &Constr_Type)) {
    raise_text("Expect a constr");
    return -1;
  }
  Ref value(PyNumber_Float(coeff));
  if (!value) return -1;
  return append_term(column, value.get(), constr);
}

const ClassDef Column_class = {&Column_Type, "Column", column_prepare, column_bind,
                               init_doc,     true,     &pickle_spec,   nullptr};

}  // namespace dz
