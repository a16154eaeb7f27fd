// What the four array classes share: new, the slots of the family and the
// members every class has.
#include "array/array_object.h"

#include "expr/linexpr.h"
#include "expr/quadexpr.h"
#include "model/handles.h"
#include "runtime/globals.h"
#include "runtime/compat.h"
#include "runtime/decorators.h"
#include "runtime/gc_fields.h"
#include "runtime/guard.h"
#include "runtime/numpy_api.h"

namespace dz {

PyTypeObject MVar_Type = static_type_object();
PyTypeObject MConstr_Type = static_type_object();
PyTypeObject MLinExpr_Type = static_type_object();
PyTypeObject MQuadExpr_Type = static_type_object();

namespace {

const ArrayKind *kinds[4] = {nullptr, nullptr, nullptr, nullptr};

const ArrayKind *kind_of(PyTypeObject *type) { return array_kind_of(type); }

const ArrayKind *kind_of_func(PyObject *func) { return kind_of(function_spec(func)->self_type); }

// A cell object numpy would only wrap whole: made into a 0-d array here
// without numpy's probing of the object for array protocols.
bool is_plain_cell(PyObject *o) {
  PyTypeObject *t = Py_TYPE(o);
  return t == &Var_Type || t == &Constr_Type || t == &LinExpr_Type || t == &QuadExpr_Type;
}

PyObject *zero_dim_holding(PyObject *cell) {
  PyObject *arr = PyArray_Empty(0, nullptr, PyArray_DescrFromType(NPY_OBJECT), 0);
  if (!arr) return nullptr;
  PyObject **slot = static_cast<PyObject **>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(arr)));
  Py_INCREF(cell);
  Py_XSETREF(*slot, cell);
  return arr;
}

// ---- Slots -------------------------------------------------------------------

// A cleared object reads None, as one made by calling the class.
using Fields = GcFields<ArrayObject, Unset::none, NoBase, &ArrayObject::arr_>;

PyObject *array_subscript(PyObject *self, PyObject *key) {
  Ref part(PyObject_GetItem(array_field(self), key));
  if (!part) return nullptr;
  return array_wrap(kind_of(Py_TYPE(self))->type, part.get());
}

// The sequence form, which iteration uses: ends with numpy's IndexError.
PyObject *array_item(PyObject *self, Py_ssize_t i) {
  Ref key(PyLong_FromSsize_t(i));
  if (!key) return nullptr;
  return array_subscript(self, key.get());
}

PyObject *array_str(PyObject *self) {
  Ref shape(PyObject_GetAttrString(self, "shape"));
  if (!shape) return nullptr;
  Ref body(PyObject_Str(array_field(self)));
  if (!body) return nullptr;
  return PyUnicode_FromFormat("<%s %S>\n%U", kind_of(Py_TYPE(self))->name, shape.get(), body.get());
}

PyObject *array_repr(PyObject *self) { return PyObject_CallMethod(self, "__str__", nullptr); }

PyMappingMethods array_as_mapping[4] = {};
PySequenceMethods array_as_sequence[4] = {};

}  // namespace

PyObject *frozen_shape(PyObject *shape) {
  if (PyList_Check(shape)) return PyList_AsTuple(shape);
  Py_INCREF(shape);
  return shape;
}

const ArrayKind *array_kind_of(PyTypeObject *type) {
  for (const ArrayKind *k : kinds)
    if (k && PyType_IsSubtype(type, k->type)) return k;
  return nullptr;
}

PyObject *array_wrap(PyTypeObject *type, PyObject *arr) {
  Ref value;
  if (PyArray_Check(arr)) {
    value = Ref::borrow(arr);
  } else if (is_plain_cell(arr)) {
    value = Ref(zero_dim_holding(arr));
  } else {
    Ref array(np_attr("array"));
    if (!array) return nullptr;
    value = Ref(PyObject_CallFunctionObjArgs(array.get(), arr, nullptr));
  }
  if (!value) return nullptr;
  PyObject *self = Fields::alloc(type, nullptr, nullptr);
  if (!self) return nullptr;
  Py_SETREF(reinterpret_cast<ArrayObject *>(self)->arr_, value.release());
  return self;
}

Py_ssize_t array_size_of(PyObject *arr) {
  if (PyArray_Check(arr)) return PyArray_SIZE(reinterpret_cast<PyArrayObject *>(arr));
  Ref size(PyObject_GetAttrString(arr, "size"));
  if (!size) return -1;
  return PyNumber_AsSsize_t(size.get(), PyExc_OverflowError);
}

PyObject *array_first_cell(PyObject *arr) {
  if (PyArray_Check(arr)) {
    PyArrayObject *a = reinterpret_cast<PyArrayObject *>(arr);
    // As flat[0] gives it: the object of an object array (None for an empty
    // slot), a numpy scalar for a numeric one.
    if (PyArray_SIZE(a) > 0 && PyArray_TYPE(a) == NPY_OBJECT) {
      PyObject *cell = *static_cast<PyObject **>(PyArray_DATA(a));
      cell = cell ? cell : Py_None;
      Py_INCREF(cell);
      return cell;
    }
    if (PyArray_SIZE(a) > 0) return PyArray_ToScalar(PyArray_DATA(a), a);
  }
  Ref flat(PyObject_GetAttrString(arr, "flat"));
  if (!flat) return nullptr;
  return PySequence_GetItem(flat.get(), 0);
}

PyObject *raise_cannot_convert(PyObject *obj, PyTypeObject *expected) {
  return PyErr_Format(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(obj)->tp_name,
                      expected->tp_name);
}

namespace {

// arr.<method>(*args, **kwargs) on the element array.
PyObject *array_call(PyObject *self, const char *method, PyObject *args, PyObject *kwargs) {
  Ref fn(PyObject_GetAttrString(array_field(self), method));
  if (!fn) return nullptr;
  Ref empty;
  if (!args) {
    if (!(empty = Ref(PyTuple_New(0)))) return nullptr;
    args = empty.get();
  }
  return PyObject_Call(fn.get(), args, kwargs);
}

}  // namespace

PyObject *array_call_wrapped(PyTypeObject *type, PyObject *self, const char *method, PyObject *args,
                             PyObject *kwargs) {
  Ref result(array_call(self, method, args, kwargs));
  if (!result) return nullptr;
  return array_wrap(type, result.get());
}

PyObject *array_sum_wrapped(PyTypeObject *type, PyObject *self, PyObject *axis) {
  Ref frozen(frozen_shape(axis));
  if (!frozen) return nullptr;
  Ref kwargs(Py_BuildValue("{s:O}", "axis", frozen.get()));
  if (!kwargs) return nullptr;
  Ref total(array_call(self, "sum", nullptr, kwargs.get()));
  if (!total) return nullptr;
  // The total of a whole reduction comes bare: the cell holds it as it is
  // (the int 0 of an empty array stays an int, not a numpy int64).
  if (!PyArray_Check(total.get()) && !(total = Ref(zero_dim_holding(total.get())))) return nullptr;
  return array_wrap(type, total.get());
}

void array_prepare_slots(const ArrayKind &kind) {
  int at = 0;
  while (kinds[at] && kinds[at] != &kind) at++;
  kinds[at] = &kind;
  PyTypeObject *t = kind.type;
  t->tp_basicsize = sizeof(ArrayObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_new = DZ_SLOT(Fields::alloc);
  t->tp_traverse = Fields::traverse;
  t->tp_clear = Fields::clear;
  t->tp_dealloc = Fields::dealloc;
  t->tp_str = DZ_SLOT(array_str);
  t->tp_repr = DZ_SLOT(array_repr);
  array_as_mapping[at].mp_subscript = DZ_SLOT(array_subscript);
  t->tp_as_mapping = &array_as_mapping[at];
  array_as_sequence[at].sq_item = DZ_SLOT(array_item);
  t->tp_as_sequence = &array_as_sequence[at];
}

int bind_array_members(PyObject *dict, const ArrayMember *members, size_t n) {
  for (size_t i = 0; i < n; i++) {
    const FuncSpec *spec = &members[i].spec;
    switch (members[i].form) {
      case ArrayMember::method:
        if (!bind_function(dict, spec)) return -1;
        break;
      case ArrayMember::property:
        if (bind_constant(dict, spec) < 0) return -1;
        break;
      case ArrayMember::static_method:
        if (bind_static(dict, spec) < 0) return -1;
        break;
    }
  }
  return 0;
}

// ---- Shared members --------------------------------------------------------------

PyObject *array_shape_impl(PyObject *, PyObject *const *args) {
  PyObject *arr = array_field(args[0]);
  if (PyArray_Check(arr)) {
    PyArrayObject *a = reinterpret_cast<PyArrayObject *>(arr);
    return PyArray_IntTupleFromIntp(PyArray_NDIM(a), PyArray_DIMS(a));
  }
  Ref shape(PyObject_GetAttrString(arr, "shape"));
  if (!shape) return nullptr;
  return PySequence_Tuple(shape.get());
}

PyObject *array_ndim_impl(PyObject *, PyObject *const *args) {
  PyObject *arr = array_field(args[0]);
  if (PyArray_Check(arr))
    return PyLong_FromLong(PyArray_NDIM(reinterpret_cast<PyArrayObject *>(arr)));
  return PyObject_GetAttrString(arr, "ndim");
}

PyObject *array_size_impl(PyObject *, PyObject *const *args) {
  PyObject *arr = array_field(args[0]);
  if (PyArray_Check(arr))
    return PyLong_FromSsize_t(PyArray_SIZE(reinterpret_cast<PyArrayObject *>(arr)));
  return PyObject_GetAttrString(arr, "size");
}

PyObject *array_item_impl(PyObject *func, PyObject *const *args) {
  PyObject *arr = array_field(args[0]);
  const Py_ssize_t n = array_size_of(arr);
  if (n < 0) return nullptr;
  if (n != 1) {
    PyErr_SetString(PyExc_ValueError, kind_of_func(func)->item_error);
    return nullptr;
  }
  return array_first_cell(arr);
}

PyObject *array_copy_impl(PyObject *func, PyObject *const *args) {
  return array_call_wrapped(kind_of_func(func)->type, args[0], "copy");
}

PyObject *array_tolist_impl(PyObject *, PyObject *const *args) {
  return PyObject_CallMethod(array_field(args[0]), "tolist", nullptr);
}

PyObject *array_priority_impl(PyObject *, PyObject *const *) { return PyFloat_FromDouble(1000.0); }

}  // namespace dz
