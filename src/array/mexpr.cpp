// MLinExpr and MQuadExpr: arrays of LinExpr and of QuadExpr cells, one
// template for both. Their binary operators are Operand's; they add the
// in-place ones, which return new arrays, evaluation and item assignment.
#include <vector>

#include "array/array_kernels.h"
#include "array/array_object.h"
#include "expr/dispatch.h"
#include "expr/expr_util.h"
#include "expr/quadexpr.h"
#include "model/attrs.h"
#include "model/handles.h"
#include "runtime/globals.h"
#include "runtime/arraylike.h"
#include "runtime/decorators.h"
#include "runtime/guard.h"
#include "runtime/numpy_api.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

// What each twin has of its own.
struct Twin {
  ArrayKind kind;
  PyTypeObject *cell;  // zeros' dtype and clear's fresh cells (QuadExpr)
  binaryfunc add_o, mul_a;
  PyObject *(*mul_n)(PyObject *, double);
};

const Twin lin = {
    {&MLinExpr_Type, "MLinExpr", "MLinExpr contains more than 1 LinExpr", nullptr, nullptr},
    &LinExpr_Type,
    ml_add_o,
    LinMul::cells,
    LinMul::number};
const Twin quad = {
    {&MQuadExpr_Type, "MQuadExpr", "MQuadExpr contains more than 1 QuadExpr", nullptr, nullptr},
    &QuadExpr_Type,
    mq_add_o,
    QuadMul::cells,
    QuadMul::number};

const Twin &twin_of(PyTypeObject *type) {
  return PyType_IsSubtype(type, &MQuadExpr_Type) ? quad : lin;
}
const Twin &twin_of_func(PyObject *func) { return twin_of(function_spec(func)->self_type); }

// A new empty cell: LinExpr() or QuadExpr(0).
PyObject *empty_cell(const Twin &t) { return &t == &quad ? quadexpr_new() : linexpr_new(); }

// ---- Static methods ----------------------------------------------------------------

PyObject *mexpr_new_impl(PyObject *func, PyObject *const *args) {
  return array_wrap(twin_of_func(func).kind.type, args[0]);
}

PyObject *mexpr_zeros_impl(PyObject *func, PyObject *const *args) {
  const Twin &t = twin_of_func(func);
  Ref empty(np_attr("empty")), dtype(np_attr("dtype"));
  if (!empty || !dtype) return nullptr;
  Ref descr(
      PyObject_CallFunctionObjArgs(dtype.get(), reinterpret_cast<PyObject *>(t.cell), nullptr));
  if (!descr) return nullptr;
  Ref shape(frozen_shape(args[0]));
  if (!shape) return nullptr;
  Ref arr(PyObject_CallFunctionObjArgs(empty.get(), shape.get(), descr.get(), nullptr));
  if (!arr) return nullptr;
  Ref cell(empty_cell(t));
  if (!cell) return nullptr;
  Ref fill(PyObject_GetAttrString(arr.get(), "fill"));
  if (!fill) return nullptr;
  Ref filled(PyObject_CallFunctionObjArgs(fill.get(), cell.get(), nullptr));
  if (!filled) return nullptr;
  return array_wrap(t.kind.type, arr.get());
}

// ---- Methods ----------------------------------------------------------------------

// Cell i of the field, through its flat accessor.
PyObject *flat_of(PyObject *self) { return PyObject_GetAttrString(array_field(self), "flat"); }

PyObject *flat_get(PyObject *flat, Py_ssize_t i) {
  Ref key(PyLong_FromSsize_t(i));
  return key ? PyObject_GetItem(flat, key.get()) : nullptr;
}

int flat_set(PyObject *flat, Py_ssize_t i, PyObject *value) {
  Ref key(PyLong_FromSsize_t(i));
  return key ? PyObject_SetItem(flat, key.get(), value) : -1;
}

// MLinExpr empties its cell objects in place, so every holder of them sees
// it; MQuadExpr gives each cell a new empty expression of its own.
PyObject *mexpr_clear_impl(PyObject *func, PyObject *const *args) {
  const Twin &t = twin_of_func(func);
  PyObject *self = args[0];
  const Py_ssize_t n = array_size_of(array_field(self));
  if (n < 0) return nullptr;
  Ref flat(flat_of(self));
  if (!flat) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    if (&t == &quad) {
      Ref cell(quadexpr_new());
      if (!cell || flat_set(flat.get(), i, cell.get()) < 0) return nullptr;
      continue;
    }
    Ref cell(flat_get(flat.get(), i));
    if (!cell) return nullptr;
    if (Py_TYPE(cell.get()) == &LinExpr_Type) {
      if (linexpr_clear(cell.get()) < 0) return nullptr;
    } else {
      Ref r(PyObject_CallMethod(cell.get(), "clear", nullptr));
      if (!r) return nullptr;
    }
  }
  Py_RETURN_NONE;
}

// numpy's reduction of a group starts from the group's first cell, which in
// an MQuadExpr is a QuadExpr (zeros fills with QuadExpr(0)), and the scalar
// QuadExpr + QuadExpr stays a QuadExpr whatever it holds. A sum of
// quadratic expressions with no quadratic term is linear, so such totals
// become their linear part. Groups of one cell were not added: their cells
// are the source's own objects and stay.
int linear_totals(PyObject *sum, Py_ssize_t summed) {
  PyObject *field = array_field(sum);
  if (!PyArray_Check(field)) return 0;
  PyArrayObject *arr = reinterpret_cast<PyArrayObject *>(field);
  const npy_intp n = PyArray_SIZE(arr);
  if (n == 0 || summed / n < 2 || PyArray_TYPE(arr) != NPY_OBJECT || !PyArray_ISCARRAY(arr))
    return 0;
  PyObject **cells = static_cast<PyObject **>(PyArray_DATA(arr));
  for (npy_intp i = 0; i < n; i++) {
    PyObject *cell = cells[i];
    if (!cell || Py_TYPE(cell) != &QuadExpr_Type || as_list(as_quadexpr(cell)->coeffs_)->size_)
      continue;
    // A copy: the total may be an object that its maker still holds.
    PyObject *linear = linexpr_copy(as_quadexpr(cell)->lin_);
    if (!linear) return -1;
    Py_SETREF(cells[i], linear);
  }
  return 0;
}

PyObject *mexpr_sum_impl(PyObject *func, PyObject *const *args) {
  const Twin &t = twin_of_func(func);
  if (&t != &quad) return array_sum_wrapped(t.kind.type, args[0], args[1]);
  const Py_ssize_t summed = array_size_of(array_field(args[0]));
  if (summed < 0) return nullptr;
  Ref sum(array_sum_wrapped(t.kind.type, args[0], args[1]));
  if (!sum || linear_totals(sum.get(), summed) < 0) return nullptr;
  return sum.release();
}

// ---- getValue ------------------------------------------------------------------------

// The terms of every cell, read in one pass: when each cell is an exact
// LinExpr or QuadExpr whose coefficients are floats or ints and whose
// variables are exact Vars of one model, the solution values of all of
// them come from one library call.
class Evaluation {
 public:
  // false: some cell needs its own getValue(); no exception is set then.
  bool collect(PyArrayObject *cells) {
    const npy_intp n = PyArray_SIZE(cells);
    PyObject **items = static_cast<PyObject **>(PyArray_DATA(cells));
    try {
      for (npy_intp i = 0; i < n; i++) {
        PyObject *cell = items[i];
        if (!cell) return false;
        if (Py_TYPE(cell) == &LinExpr_Type) {
          if (!add_lin(cell)) return false;
          nquad_.push_back(0);
        } else if (Py_TYPE(cell) == &QuadExpr_Type) {
          QuadExprObject *q = as_quadexpr(cell);
          if (!add_lin(q->lin_)) return false;
          const int k = as_list(q->coeffs_)->size_;
          if (as_list(q->vars1_)->size_ != k || as_list(q->vars2_)->size_ != k) return false;
          for (int j = 0; j < k; j++) {
            if (!add_term(as_list(q->coeffs_)->list_->items[j])) return false;
            if (!add_var(as_list(q->vars1_)->list_->items[j]) ||
                !add_var(as_list(q->vars2_)->list_->items[j]))
              return false;
          }
          nquad_.push_back(k);
        } else {
          return false;
        }
      }
    } catch (const std::bad_alloc &) {
      return false;
    }
    return true;
  }

  // Fills out (size of the cells); 0 or -1.
  int compute(double *out) {
    const double *x = nullptr;
    Ref values;
    if (!vars_.empty()) {
      Ref elements(PyList_New(py_size(vars_)));
      if (!elements) return -1;
      Py_ssize_t k = 0;
      for (const Ref &var : vars_) {
        PyList_SET_ITEM(elements.get(), k, var.newref());
        k++;
      }
      values = Ref(model_getattr(mdl_, expr_str().X, "v", elements.get()));
      if (!values) return -1;
      x = static_cast<const double *>(
          PyArray_DATA(reinterpret_cast<PyArrayObject *>(values.get())));
    }
    size_t at = 0, c = 0;
    for (size_t i = 0; i < nlin_.size(); i++) {
      double value = constants_[i];
      for (int j = 0; j < nlin_[i]; j++, at++, c++) value += coeffs_[c] * x[at];
      for (int j = 0; j < nquad_[i]; j++, at += 2, c++) value += coeffs_[c] * x[at] * x[at + 1];
      out[i] = value;
    }
    return 0;
  }

 private:
  bool add_lin(PyObject *e) {
    LinExprObject *o = as_linexpr(e);
    const int k = as_list(o->coeffs_)->size_;
    if (as_list(o->vars_)->size_ != k) return false;
    for (int j = 0; j < k; j++)
      if (!add_term(as_list(o->coeffs_)->list_->items[j]) ||
          !add_var(as_list(o->vars_)->list_->items[j]))
        return false;
    constants_.push_back(o->constant_);
    nlin_.push_back(k);
    return true;
  }

  bool add_term(PyObject *coeff) {
    double c;
    if (PyFloat_CheckExact(coeff)) {
      c = PyFloat_AS_DOUBLE(coeff);
    } else if (PyLong_CheckExact(coeff)) {
      c = PyLong_AsDouble(coeff);
      if (c == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        return false;
      }
    } else {
      return false;
    }
    coeffs_.push_back(c);
    return true;
  }

  bool add_var(PyObject *var) {
    if (Py_TYPE(var) != &Var_Type) return false;
    if (vars_.empty()) mdl_ = handle_mdl(var);
    if (handle_mdl(var) != mdl_) return false;
    vars_.push_back(Ref::borrow(var));
    return true;
  }

  std::vector<Ref> vars_;  // term order (two per quadratic term)
  std::vector<double> coeffs_, constants_;
  std::vector<int> nlin_, nquad_;
  TVXmodel *mdl_ = nullptr;
};

PyObject *mexpr_getvalue_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  Ref shape(PyObject_GetAttrString(self, "shape"));
  if (!shape) return nullptr;
  Ref empty(np_attr("empty"));
  if (!empty) return nullptr;
  Ref result(PyObject_CallFunctionObjArgs(empty.get(), shape.get(),
                                          reinterpret_cast<PyObject *>(&PyFloat_Type), nullptr));
  if (!result) return nullptr;
  Ref cells(np_object_copy(array_field(self)));
  if (!cells) return nullptr;
  PyArrayObject *c = reinterpret_cast<PyArrayObject *>(cells.get());
  if (PyArray_Check(result.get()) &&
      PyArray_SIZE(reinterpret_cast<PyArrayObject *>(result.get())) == PyArray_SIZE(c) &&
      PyArray_IS_C_CONTIGUOUS(reinterpret_cast<PyArrayObject *>(result.get()))) {
    Evaluation e;
    if (e.collect(c)) {
      if (e.compute(static_cast<double *>(
              PyArray_DATA(reinterpret_cast<PyArrayObject *>(result.get())))) < 0)
        return nullptr;
      return result.release();
    }
  }
  Ref flat(PyObject_GetAttrString(result.get(), "flat"));
  if (!flat) return nullptr;
  PyObject **items = static_cast<PyObject **>(PyArray_DATA(c));
  for (npy_intp i = 0; i < PyArray_SIZE(c); i++) {
    PyObject *cell = items[i] ? items[i] : Py_None;
    Ref value(PyObject_CallMethod(cell, "getValue", nullptr));
    if (!value || flat_set(flat.get(), i, value.get()) < 0) return nullptr;
  }
  return result.release();
}

// ---- Slots -----------------------------------------------------------------------------

int mexpr_ass_subscript(PyObject *self, PyObject *key, PyObject *value) {
  if (!value) {
    PyErr_Format(PyExc_NotImplementedError, "Subscript deletion not supported by %.200s",
                 twin_of(Py_TYPE(self)).kind.type->tp_name);
    return -1;
  }
  return PyObject_SetItem(array_field(self), key, value);
}

PyObject *mexpr_iadd(PyObject *self, PyObject *other) {
  return twin_of(Py_TYPE(self)).add_o(self, other);
}

// self.__iadd__(-other), looked up on the object so a subclass's runs.
PyObject *mexpr_isub(PyObject *self, PyObject *other) {
  Ref negated(PyNumber_Negative(other));
  if (!negated) return nullptr;
  if (Py_TYPE(self) == &MLinExpr_Type || Py_TYPE(self) == &MQuadExpr_Type)
    return mexpr_iadd(self, negated.get());
  Ref iadd(PyObject_GetAttrString(self, "__iadd__"));
  if (!iadd) return nullptr;
  return PyObject_CallFunctionObjArgs(iadd.get(), negated.get(), nullptr);
}

PyObject *mexpr_imul(PyObject *self, PyObject *other) {
  const Twin &t = twin_of(Py_TYPE(self));
  const OperandKind k = operand_kind(other);
  if (k == KIND_ERROR) return nullptr;
  if (k == KIND_NUMBER) {
    double d;
    if (!float_of(other, &d)) return nullptr;
    return t.mul_n(self, d);
  }
  if (k == KIND_ARRAY) return t.mul_a(self, other);
  return raise_unsupported("*=", self, other);
}

PyNumberMethods mexpr_as_number[2] = {};

// ---- Docstrings --------------------------------------------------------------------------

const char MLinExpr_class_doc[] = R"doc(
    Represents a multidimensional array consisting of LinExprs.

)doc";
const char MLinExpr_copy_doc[] = R"doc(
        SIGNATURE:
            copy()

        PURPOSE:
            Return a copy of the MLinExpr.

        ARGUMENTS:
            None.

        EXAMPLE:
            y = e.copy()

        )doc";
const char MLinExpr_clear_doc[] = R"doc(
        SIGNATURE:
            clear()

        PURPOSE:
            Perform the clear operation on all contained linear expressions, that is, all
            contained linear expressions become empty expressions.

        ARGUMENTS:
            None.

        EXAMPLE:
            e.clear()

        )doc";
const char MLinExpr_sum_doc[] = R"doc(
        SIGNATURE:
            sum(axis=None)

        PURPOSE:
            Sum all included expressions and return the summed result.

        ARGUMENTS:
            axis=None
            ---------
            Sum along the axis

        EXAMPLE:
            print(e.sum())

        )doc";
const char MLinExpr_item_doc[] = R"doc(
        SIGNATURE:
            item()

        PURPOSE:
            Get the unique expression contained in the current MLinExpr.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(e[0].item())

        NOTE:
            An exception is thrown if the current MLinExpr contains more than one expression.

        )doc";
const char MLinExpr_zeros_doc[] = R"doc(
        SIGNATURE:
            zeros(shape)

        PURPOSE:
            Return a MLinExpr of the specified shape, which contains empty expressions.

        ARGUMENTS:
            shape
            -----
            The shape of the array: an int or a tuple of ints.

        EXAMPLE:
            e = MLinExpr.zeros((2, 2))

        )doc";
const char MLinExpr_getValue_doc[] = R"doc(
        SIGNATURE:
            getValue()

        PURPOSE:
            After the problem is solved, the values of all linear expressions are returned.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.optimize()
            print(e.getValue())

        )doc";
const char MLinExpr_size_doc[] = R"doc(
        Number of expressions contained in the MLinExpr

        )doc";
const char MLinExpr_ndim_doc[] = R"doc(
        Number of MLinExpr dimensions

        )doc";
const char MLinExpr_shape_doc[] = R"doc(
        Shape of the MLinExpr

        )doc";

const char MQuadExpr_class_doc[] = R"doc(
    Represents a multidimensional array consisting of QuadExprs.

)doc";
const char MQuadExpr_copy_doc[] = R"doc(
        SIGNATURE:
            copy()

        PURPOSE:
            Return a copy of the MQuadExpr.

        ARGUMENTS:
            None.

        EXAMPLE:
            y = e.copy()

        )doc";
const char MQuadExpr_clear_doc[] = R"doc(
        SIGNATURE:
            clear()

        PURPOSE:
            Perform the clear operation on all contained quadratic expressions, that is, all
            contained quadratic expressions become empty expressions.

        ARGUMENTS:
            None.

        EXAMPLE:
            e.clear()

        )doc";
const char MQuadExpr_sum_doc[] = R"doc(
        SIGNATURE:
            sum(axis=None)

        PURPOSE:
            Sum all included expressions and return the summed result.

        ARGUMENTS:
            axis=None
            ---------
            Sum along the axis

        EXAMPLE:
            print(e.sum())

        )doc";
const char MQuadExpr_item_doc[] = R"doc(
        SIGNATURE:
            item()

        PURPOSE:
            Get the unique expression contained in the current MQuadExpr.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(e[0].item())

        NOTE:
            An exception is thrown if the current MQuadExpr contains more than one expression.

        )doc";
const char MQuadExpr_zeros_doc[] = R"doc(
        SIGNATURE:
            zeros(shape)

        PURPOSE:
            Return a MQuadExpr of the specified shape containing empty expressions

        ARGUMENTS:
            shape
            -----
            The shape of the array: an int or a tuple of ints.

        EXAMPLE:
            e = MQuadExpr.zeros((2, 2))

        )doc";
const char MQuadExpr_getValue_doc[] = R"doc(
        SIGNATURE:
            getValue()

        PURPOSE:
            After the problem is solved, the values of all quadratic expressions are returned.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.optimize()
            print(e.getValue())

        )doc";
const char MQuadExpr_size_doc[] = R"doc(
        Number of expressions contained in the QuadExpr

        )doc";
const char MQuadExpr_ndim_doc[] = R"doc(
        Number of MQuadExpr dimensions

        )doc";
const char MQuadExpr_shape_doc[] = R"doc(
        Shape of the MQuadExpr

        )doc";

// ---- Member specs --------------------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const axis_args[] = {"self", "axis"};
const char *const shape_arg[] = {"shape"};
const char *const linexprarr_arg[] = {"linexprarr"};
const char *const quadexprarr_arg[] = {"quadexprarr"};

#define TWIN_MEMBERS(Cls, new_arg)                                                                \
  const ArrayMember Cls##_members[] = {                                                           \
      {ArrayMember::static_method,                                                                \
       func_spec("new", #Cls ".new", new_arg, 0, &Cls##_Type, mexpr_new_impl, nullptr)},          \
      {ArrayMember::method, DZ_METHOD(Cls, copy, self_only, array_copy_impl, Cls##_copy_doc)},    \
      {ArrayMember::method, DZ_METHOD(Cls, clear, self_only, mexpr_clear_impl, Cls##_clear_doc)}, \
      {ArrayMember::method,                                                                       \
       DZ_METHOD(Cls, getValue, self_only, mexpr_getvalue_impl, Cls##_getValue_doc)},             \
      {ArrayMember::method, DZ_METHOD(Cls, item, self_only, array_item_impl, Cls##_item_doc)},    \
      {ArrayMember::property, DZ_METHOD(Cls, ndim, self_only, array_ndim_impl, Cls##_ndim_doc)},  \
      {ArrayMember::property,                                                                     \
       DZ_METHOD(Cls, shape, self_only, array_shape_impl, Cls##_shape_doc)},                      \
      {ArrayMember::property, DZ_METHOD(Cls, size, self_only, array_size_impl, Cls##_size_doc)},  \
      {ArrayMember::method,                                                                       \
       DZ_METHOD(Cls, sum, axis_args, mexpr_sum_impl, Cls##_sum_doc).with_defaults("(None,)")},   \
      {ArrayMember::static_method, func_spec("zeros", #Cls ".zeros", shape_arg, 0, &Cls##_Type,   \
                                             mexpr_zeros_impl, Cls##_zeros_doc)},                 \
      {ArrayMember::property,                                                                     \
       DZ_METHOD(Cls, __array_priority__, self_only, array_priority_impl, nullptr)},              \
  };

TWIN_MEMBERS(MLinExpr, linexprarr_arg)
TWIN_MEMBERS(MQuadExpr, quadexprarr_arg)

#undef TWIN_MEMBERS

// ---- Class set-up ----------------------------------------------------------------------------

const PickleField MLinExpr_fields[] = {
    {"linexprarr_", T_OBJECT, offsetof(ArrayObject, arr_), nullptr, true},
};
const PickleField MQuadExpr_fields[] = {
    {"quadexprarr_", T_OBJECT, offsetof(ArrayObject, arr_), nullptr, true},
};
const PickleSpec MLinExpr_pickle = {"MLinExpr", MLinExpr_fields, 1, false, nullptr};
const PickleSpec MQuadExpr_pickle = {"MQuadExpr", MQuadExpr_fields, 1, false, nullptr};

template <bool Quad>
int mexpr_prepare() {
  const Twin &t = Quad ? quad : lin;
  PyTypeObject *type = t.kind.type;
  type->tp_name = Quad ? "didazoda.MQuadExpr" : "didazoda.MLinExpr";
  type->tp_doc = Quad ? MQuadExpr_class_doc : MLinExpr_class_doc;
  type->tp_base = Operand_class.type;
  array_prepare_slots(t.kind);
  type->tp_as_mapping->mp_ass_subscript = DZ_SLOT(mexpr_ass_subscript);
  PyNumberMethods *nb = &mexpr_as_number[Quad ? 1 : 0];
  nb->nb_inplace_add = DZ_SLOT(mexpr_iadd);
  nb->nb_inplace_subtract = DZ_SLOT(mexpr_isub);
  nb->nb_inplace_multiply = DZ_SLOT(mexpr_imul);
  type->tp_as_number = nb;
  return 0;
}

template <bool Quad>
int mexpr_bind(PyObject *dict) {
  return Quad ? bind_array_members(dict, MQuadExpr_members)
              : bind_array_members(dict, MLinExpr_members);
}

}  // namespace

const ClassDef MLinExpr_class = {&MLinExpr_Type,    "MLinExpr", mexpr_prepare<false>,
                                 mexpr_bind<false>, nullptr,    true,
                                 &MLinExpr_pickle,  nullptr};
const ClassDef MQuadExpr_class = {&MQuadExpr_Type,   "MQuadExpr", mexpr_prepare<true>,
                                  mexpr_bind<true>,  nullptr,     true,
                                  &MQuadExpr_pickle, nullptr};

}  // namespace dz
