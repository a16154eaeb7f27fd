// Operator bodies and scalar dispatchers of Operand. Bodies choose by the
// kind of the left operand, dispatchers by the kind of the right one, and
// kernels build the result; array operands go to the array kernels.
#include "expr/dispatch.h"

#include "array/array_kernels.h"
#include "expr/expr_util.h"
#include "expr/kernels.h"
#include "expr/linexpr.h"
#include "expr/quadexpr.h"
#include "expr/tempconstr.h"
#include "model/handles.h"
#include "module/tarvex_error.h"
#include "runtime/globals.h"

namespace dz {

namespace {

// The kind of an Operand by instance tests alone: numbers and array-likes
// are never Operands.
OperandKind left_kind(PyObject *a) {
  if (handle_check(a, &Var_Type)) return KIND_VAR;
  if (linexpr_check(a)) return KIND_LIN;
  if (quadexpr_check(a)) return KIND_QUAD;
  if (PyObject_TypeCheck(a, MVar_class.type)) return KIND_MVAR;
  if (PyObject_TypeCheck(a, MLinExpr_class.type)) return KIND_MLIN;
  if (PyObject_TypeCheck(a, MQuadExpr_class.type)) return KIND_MQUAD;
  return KIND_NONE;
}

// Raises TypeError "<prefix>`A`<suffix>" with the type name of o.
PyObject *raise_with_type_name(const char *prefix, PyObject *o, const char *suffix) {
  Ref name(type_name(o));
  if (!name) return nullptr;
  return PyErr_Format(PyExc_TypeError, "%s`%S`%s", prefix, name.get(), suffix);
}

// An interned name made on first use; lives as long as the process.
PyObject *name_of(PyObject *&slot, const char *text) {
  if (!slot) slot = PyUnicode_InternFromString(text);
  return slot;
}

PyObject *s_add, *s_mul;

// obj.<name>(arg), with arg passed as one argument whatever its type.
PyObject *call_method(PyObject *obj, PyObject *&slot, const char *name, PyObject *arg) {
  PyObject *n = name_of(slot, name);
  if (!n) return nullptr;
  return PyObject_CallMethodObjArgs(obj, n, arg, nullptr);
}

PyObject *asarray(PyObject *b) {
  Ref fn(np_attr("asarray"));
  return fn ? PyObject_CallFunctionObjArgs(fn.get(), b, nullptr) : nullptr;
}

}  // namespace

PyObject *raise_unsupported_operands(const char *op, PyObject *a, PyObject *b) {
  Ref an(type_name(a));
  if (!an) return nullptr;
  Ref bn(type_name(b));
  if (!bn) return nullptr;
  return PyErr_Format(PyExc_TypeError, "unsupported operand type(s) for %s: `%S` and `%S`", op,
                      an.get(), bn.get());
}

OperandKind operand_kind(PyObject *o) {
  int number = is_number(o);
  if (number < 0) return KIND_ERROR;
  if (number) return KIND_NUMBER;
  int array = is_arraylike(o);
  if (array < 0) return KIND_ERROR;
  if (array) {
    int cells = array_has_cells(o);
    if (cells < 0) return KIND_ERROR;
    return cells ? KIND_ARRAY : KIND_NONE;
  }
  return left_kind(o);
}

OperandKind matmul_kind(PyObject *o) {
  const int array = is_arraylike(o, true);
  if (array < 0) return KIND_ERROR;
  return array ? KIND_ARRAY : left_kind(o);
}

// Built-in classes fill the slot with Operand's own function: their
// methods need no lookup.
PyObject *call_add(PyObject *a, PyObject *b) {
  const PyNumberMethods *nb = Py_TYPE(a)->tp_as_number;
  if (nb && nb->nb_add == Operand_class.type->tp_as_number->nb_add) return operand_add(a, b);
  return call_method(a, s_add, "__add__", b);
}

PyObject *call_mul(PyObject *a, PyObject *b) {
  const PyNumberMethods *nb = Py_TYPE(a)->tp_as_number;
  if (nb && nb->nb_multiply == Operand_class.type->tp_as_number->nb_multiply)
    return operand_mul(a, b);
  return call_method(a, s_mul, "__mul__", b);
}

namespace {

// Rows by the right operand's kind: array, Var, LinExpr, QuadExpr, MVar,
// MLinExpr, MQuadExpr. A kernel takes the higher kind first.
constexpr KernelRow v_add_row = {
    v_add_n,
    {LinAdd::scalar_cells, v_add_v, swapped<l_add_v>, swapped<q_add_v>, swapped<LinAdd::scalar>,
     swapped<LinAdd::scalar>, swapped<QuadAdd::scalar>}};
constexpr KernelRow l_add_row = {
    l_add_n,
    {LinAdd::scalar_cells, l_add_v, l_add_l, swapped<q_add_l>, swapped<LinAdd::scalar>,
     swapped<LinAdd::scalar>, swapped<QuadAdd::scalar>}};
constexpr KernelRow q_add_row = {
    q_add_n,
    {QuadAdd::scalar_cells, q_add_v, q_add_l, q_add_q, swapped<QuadAdd::scalar>,
     swapped<QuadAdd::scalar>, swapped<QuadAdd::scalar>}};
constexpr KernelRow v_mul_row = {v_mul_n,
                                 {LinMul::scalar_cells, v_mul_v, swapped<l_mul_v>, nullptr,
                                  swapped<QuadMul::scalar>, swapped<QuadMul::scalar>}};
constexpr KernelRow l_mul_row = {l_mul_n,
                                 {LinMul::scalar_cells, l_mul_v, l_mul_l, nullptr,
                                  swapped<QuadMul::scalar>, swapped<QuadMul::scalar>}};
// No product of degree above two: only numbers and arrays of numbers.
constexpr KernelRow q_mul_row = {q_mul_n, {QuadMul::scalar_cells}};
constexpr KernelRow mv_mul_row = {LinMul::number,
                                  {LinMul::cells, QuadMul::scalar, QuadMul::scalar, nullptr,
                                   QuadMul::array, swapped<QuadMul::array>}};

// The dispatchers of one operator by the left operand's kind: Var, LinExpr,
// QuadExpr, MVar, MLinExpr, MQuadExpr.
using LeftRow = binaryfunc[KIND_NONE - KIND_VAR];
constexpr LeftRow add_by_left = {v_add_o, l_add_o, q_add_o, mv_add_o, ml_add_o, mq_add_o};
constexpr LeftRow mul_by_left = {v_mul_o, l_mul_o, q_mul_o, mv_mul_o, ml_mul_o, mq_mul_o};
constexpr LeftRow matmul_by_left = {nullptr,     nullptr,     nullptr,
                                    mv_matmul_o, ml_matmul_o, mq_matmul_o};

// The dispatcher of row for a's kind, or null.
binaryfunc by_left(const LeftRow &row, PyObject *a) {
  const OperandKind k = left_kind(a);
  return k == KIND_NONE ? nullptr : row[k - KIND_VAR];
}

// a <op> b by the dispatcher of row for a's kind.
PyObject *dispatch_left(const LeftRow &row, const char *op, PyObject *a, PyObject *b) {
  const binaryfunc f = by_left(row, a);
  return f ? f(a, b) : raise_unsupported_operands(op, a, b);
}

}  // namespace

PyObject *v_add_o(PyObject *v, PyObject *b) { return dispatch_row(v_add_row, "+", v, b); }
PyObject *l_add_o(PyObject *l, PyObject *b) { return dispatch_row(l_add_row, "+", l, b); }
PyObject *q_add_o(PyObject *q, PyObject *b) { return dispatch_row(q_add_row, "+", q, b); }
PyObject *v_mul_o(PyObject *v, PyObject *b) { return dispatch_row(v_mul_row, "*", v, b); }
PyObject *l_mul_o(PyObject *l, PyObject *b) { return dispatch_row(l_mul_row, "*", l, b); }
PyObject *q_mul_o(PyObject *q, PyObject *b) { return dispatch_row(q_mul_row, "*", q, b); }
PyObject *mv_mul_o(PyObject *m, PyObject *b) { return dispatch_row(mv_mul_row, "*", m, b); }

PyObject *operand_add(PyObject *a, PyObject *b) { return dispatch_left(add_by_left, "+", a, b); }

PyObject *operand_mul(PyObject *a, PyObject *b) { return dispatch_left(mul_by_left, "*", a, b); }

namespace {

// -b failed. An operand of a kind the operators serve (a list, an array, a
// number) failed at its own negation: that is the user's error as raised.
// Any other object is no operand of this operator: the subtraction's
// TypeError, with the failure as its context. Errors that belong to no
// operand (MemoryError, KeyboardInterrupt) pass unchanged.
PyObject *refuse_unnegated(PyObject *a, PyObject *b) {
  PyObject *type, *value, *tb;
  PyErr_Fetch(&type, &value, &tb);
  PyErr_NormalizeException(&type, &value, &tb);
  Ref old_type(type), old_value(value), old_tb(tb);
  const bool operand_error = type && PyErr_GivenExceptionMatches(type, PyExc_Exception) &&
                             !PyErr_GivenExceptionMatches(type, PyExc_MemoryError);
  if (!operand_error || operand_kind(b) != KIND_NONE) {
    PyErr_Clear();  // the kind test may have raised: the negation's error is the one to see
    PyErr_Restore(old_type.release(), old_value.release(), old_tb.release());
    return nullptr;
  }
  if (tb && value) PyException_SetTraceback(value, tb);
  raise_unsupported_operands("-", a, b);
  PyObject *ntype, *nvalue, *ntb;
  PyErr_Fetch(&ntype, &nvalue, &ntb);
  PyErr_NormalizeException(&ntype, &nvalue, &ntb);
  if (nvalue && old_value) PyException_SetContext(nvalue, old_value.release());
  PyErr_Restore(ntype, nvalue, ntb);
  return nullptr;
}

}  // namespace

// a - b is a + (-b). Only an operand that is none of the kinds served (its
// negation fails, or gives no served kind) gets this operator's TypeError;
// every other failure (numpy's broadcasting, a cell's own operator, a
// list's missing unary minus) reaches the user as raised.
PyObject *operand_sub(PyObject *a, PyObject *b) {
  const auto exact = [](PyObject *o) {
    return Py_TYPE(o) == &Var_Type || Py_TYPE(o) == &LinExpr_Type;
  };
  if (exact(a) && exact(b)) return exact_sub(a, b);
  const binaryfunc add = by_left(add_by_left, a);
  if (!add) return raise_unsupported_operands("-", a, b);
  Ref negated(PyNumber_Negative(b));
  if (!negated) return refuse_unnegated(a, b);
  const OperandKind k = operand_kind(negated.get());
  if (k == KIND_ERROR) return nullptr;
  if (k == KIND_NONE) return raise_unsupported_operands("-", a, b);
  return add(a, negated.get());
}

// ---- Division, power, negation -------------------------------------------------------

PyObject *operand_truediv(PyObject *a, PyObject *b) {
  double d = PyFloat_AsDouble(b);
  if (d == -1.0 && PyErr_Occurred()) return nullptr;
  if (d == 0.0) {
    PyErr_SetString(PyExc_ZeroDivisionError, "float division");
    return nullptr;
  }
  Ref factor(PyFloat_FromDouble(1.0 / d));
  if (!factor) return nullptr;
  return call_mul(a, factor.get());
}

namespace {

// 1 when the exponent counts as 2: ints and floats by value, an Operand
// never (its != builds a constraint, which is true), anything else by the
// truth of b != 2.
int exponent_is_two(PyObject *b) {
  if (PyLong_Check(b)) {
    int overflow = 0;
    long v = PyLong_AsLongAndOverflow(b, &overflow);
    if (v == -1 && PyErr_Occurred()) return -1;
    return !overflow && v == 2;
  }
  if (PyFloat_Check(b)) return PyFloat_AS_DOUBLE(b) == 2.0;
  if (PyObject_TypeCheck(b, Operand_class.type)) return 0;
  Ref two(PyLong_FromLong(2));
  if (!two) return -1;
  int ne = PyObject_RichCompareBool(b, two.get(), Py_NE);
  return ne < 0 ? -1 : !ne;
}

}  // namespace

PyObject *operand_pow(PyObject *a, PyObject *b) {
  int two = exponent_is_two(b);
  if (two < 0) return nullptr;
  if (!two) {
    Ref name(type_name(a));
    if (!name) return nullptr;
    Ref text(PyUnicode_FromFormat("`%S` can only be raised to a power of two", name.get()));
    if (!text) return nullptr;
    const char *utf8 = PyUnicode_AsUTF8(text.get());
    return utf8 ? raise_text(utf8) : nullptr;
  }
  switch (left_kind(a)) {
    case KIND_VAR:
      return v_mul_v(a, a);
    case KIND_LIN:
      return l_mul_l(a, a);
    case KIND_MVAR:
    case KIND_MLIN:
      return QuadMul::array(a, a);
    default:
      return raise_with_type_name("unsupported operand type(s) for ** or pow(): ", a, " and 'int'");
  }
}

PyObject *operand_neg(PyObject *a) {
  switch (left_kind(a)) {
    case KIND_VAR:
      return v_mul_n(a, -1.0);
    case KIND_LIN:
    case KIND_QUAD: {
      // What a * -1 gives an exact expression, without the call.
      if (Py_TYPE(a) == &LinExpr_Type) return l_mul_n(a, -1.0);
      if (Py_TYPE(a) == &QuadExpr_Type) return q_mul_n(a, -1.0);
      Ref minus_one(PyLong_FromLong(-1));
      if (!minus_one) return nullptr;
      return PyNumber_Multiply(a, minus_one.get());
    }
    case KIND_MVAR:
      return mv_neg(a);
    case KIND_MLIN:
      return ml_neg(a);
    case KIND_MQUAD:
      return mq_neg(a);
    default:
      return raise_with_type_name("bad operand type for unary -: ", a, "");
  }
}

// ---- Matrix product ------------------------------------------------------------------

PyObject *operand_matmul(PyObject *a, PyObject *b) {
  return dispatch_left(matmul_by_left, "@", a, b);
}

PyObject *operand_rmatmul(PyObject *a, PyObject *b) {
  switch (matmul_kind(b)) {
    case KIND_ERROR:
      return nullptr;
    case KIND_ARRAY:
      return a_matmul_o(b, a);
    case KIND_MVAR:
      return mv_matmul_o(b, a);
    case KIND_MLIN:
      return ml_matmul_o(b, a);
    case KIND_MQUAD:
      return mq_matmul_o(b, a);
    default:
      return raise_unsupported_operands("@", b, a);
  }
}

// ---- Comparisons ---------------------------------------------------------------------

PyObject *operand_le(PyObject *a, PyObject *b) { return tempconstr_new(a, Py_None, b); }

PyObject *operand_ge(PyObject *a, PyObject *b) { return tempconstr_new(a, b, Py_None); }

namespace {

// Right operands that numpy.asarray would only wrap in a 0-d array whose
// difference is the plain one: the wrapping is skipped for them. Exact types
// only (a bool is no exact int: numpy refuses its negation).
bool plain_scalar_operand(PyObject *b) {
  PyTypeObject *t = Py_TYPE(b);
  return t == &PyFloat_Type || t == &PyLong_Type || t == &Var_Type || t == &LinExpr_Type ||
         t == &QuadExpr_Type;
}

}  // namespace

// A scalar expression equal to a two-element array-like is a range; any other
// right side is subtracted as numpy sees it (a number, or a zero-dimensional
// array whose negation is the negated operand), so a - c has the terms of
// a - b.
PyObject *operand_eq(PyObject *a, PyObject *b) {
  const OperandKind k = left_kind(a);
  const bool scalar = k == KIND_VAR || k == KIND_LIN || k == KIND_QUAD;
  Ref c;
  if (scalar && plain_scalar_operand(b)) {
    c = Ref::borrow(b);
  } else {
    if (scalar) {
      int array = is_arraylike(b);
      if (array < 0) return nullptr;
      if (array) {
        Py_ssize_t n = PyObject_Size(b);
        if (n < 0) return nullptr;
        if (n != 2) {
          PyErr_SetString(PyExc_ValueError, "`=` expect an array with 2 elements: [ LHS, RHS ]");
          return nullptr;
        }
        Ref i0(PyLong_FromLong(0)), i1(PyLong_FromLong(1));
        if (!i0 || !i1) return nullptr;
        Ref lhs(PyObject_GetItem(b, i0.get()));
        if (!lhs) return nullptr;
        Ref rhs(PyObject_GetItem(b, i1.get()));
        if (!rhs) return nullptr;
        return tempconstr_new(a, lhs.get(), rhs.get());
      }
    }
    c = Ref(asarray(b));
    if (!c) return nullptr;
  }
  Ref diff(PyNumber_Subtract(a, c.get()));
  if (!diff) return nullptr;
  Ref zero(PyLong_FromLong(0));
  if (!zero) return nullptr;
  return tempconstr_new(diff.get(), zero.get(), zero.get());
}

PyObject *operand_ne(PyObject *a, PyObject *b) {
  Ref eq(PyObject_RichCompare(a, b, Py_EQ));
  if (!eq) return nullptr;
  int truth = PyObject_IsTrue(eq.get());
  if (truth < 0) return nullptr;
  return PyBool_FromLong(!truth);
}

}  // namespace dz
