// Adding linear and range rows: Model.addConstr (the general entry, which
// dispatches on the kind of its TempConstr), addLConstr, addRange and the
// internal single-row and batch forms. A row's handles join constrlist_ and
// psdconstrlist_ only once the library has accepted it, so a refusal leaves
// the model as it was.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "array/model_arrays.h"
#include "building/new_rows.h"
#include "building/row_sides.h"
#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "expr/quadexpr.h"
#include "expr/tempconstr.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "runtime/sizes.h"
#include "runtime/globals.h"
#include "module/tarvex_error.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

// A side as _dec_bound and float() give it, worked out in C for an exact
// float, or an exact int that converts exactly, against an exact float
// infinity; false when the side needs the general path.
bool side_in_c(PyObject *side, double constant, double inf, double *out) {
  double b;
  if (PyFloat_CheckExact(side)) {
    b = PyFloat_AS_DOUBLE(side);
  } else if (PyLong_CheckExact(side)) {
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(side, &overflow);
    constexpr long long kExact = 1LL << 53;
    if (overflow || v > kExact || v < -kExact) return false;
    b = static_cast<double>(v);
  } else {
    return false;
  }
  *out = std::fabs(b) >= inf ? (b >= 0 ? inf : -inf) : b - constant;
  return true;
}

// Both sides of a row in C (side_in_c; a side None is unbounded when the
// other is given), a fast path: 1 when done, 0 when the general path must
// serve them, -1 with an exception.
int sides_in_c(PyObject *lhs, PyObject *rhs, double constant, double *lo, double *up) {
  if (lhs == Py_None && rhs == Py_None) return 0;
  Ref infinity(tvx_constant("INFINITY"));
  if (!infinity) return -1;
  if (!PyFloat_CheckExact(infinity.get())) return 0;
  const double inf = PyFloat_AS_DOUBLE(infinity.get());
  if (lhs == Py_None) {
    *lo = -inf;
  } else if (!side_in_c(lhs, constant, inf, lo)) {
    return 0;
  }
  if (rhs == Py_None) {
    *up = inf;
  } else if (!side_in_c(rhs, constant, inf, up)) {
    return 0;
  }
  return 1;
}

}  // namespace

// The sides are worked out before the terms are read: _dec_bound and
// float() can run Python code, and nothing may change the rows' variables
// between reading their indices and the library call.
PyObject *model_addconstr(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                          PyObject *name) {
  if (name == Py_None) {
    PyErr_SetString(PyExc_TypeError, "expected bytes, NoneType found");
    return nullptr;
  }
  Ref raw_name(str2chars(name));
  if (!raw_name) return nullptr;
  if (!linexpr_check(expr)) {
    PyErr_SetString(PyExc_TypeError, "Expect a LinExpr");
    return nullptr;
  }
  const double constant = as_linexpr(expr)->constant_;
  double lo = 0, up = 0;
  const int fast = sides_in_c(lhs, rhs, constant, &lo, &up);
  if (fast < 0) return nullptr;
  if (!fast) {
    Ref lower(row_side(self, lhs, constant));
    if (!lower) return nullptr;
    Ref upper(row_side(self, rhs, constant));
    if (!upper) return nullptr;
    if (lower.get() == Py_None && upper.get() != Py_None) {
      Ref inf(tvx_constant("INFINITY"));
      if (!inf) return nullptr;
      lower = Ref(PyNumber_Negative(inf.get()));
      if (!lower) return nullptr;
    } else if (upper.get() == Py_None && lower.get() != Py_None) {
      upper = tvx_constant("INFINITY");
      if (!upper) return nullptr;
    }
    if (!float_of(lower.get(), &lo) || !float_of(upper.get(), &up)) return nullptr;
  }
  NewRows rows;
  if (!rows.make(1)) return nullptr;
  Ref one_row(PyList_New(1));
  if (!one_row) return nullptr;
  Py_INCREF(expr);
  PyList_SET_ITEM(one_row.get(), 0, expr);
  RowArrays a;
  if (Model_ops.linExprs2array(self, one_row.get(), false, a) < 0) return nullptr;
  TVXmodel *mdl = model_edit_handle(self);
  if (!mdl) return nullptr;
  const int rc = TVXaddrangeconstr(mdl, a.nnz, a.ind.get(), a.val.get(), lo, up,
                                   PyBytes_AS_STRING(raw_name.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (rows.append(self, mdl) < 0) return nullptr;
  PyObject *handle = PyList_GET_ITEM(rows.constrs.get(), 0);
  return new_ref(handle);
}

PyObject *model_addconstrs(ModelObject *self, PyObject *exprs, PyObject *lhs, PyObject *rhs,
                           PyObject *names) {
  Ref name_list(PySequence_List(names));
  if (!name_list) return nullptr;
  const Py_ssize_t nnames = PyList_GET_SIZE(name_list.get());
  Ref encoded(PyList_New(nnames));
  if (!encoded) return nullptr;
  for (Py_ssize_t i = 0; i < nnames; i++) {
    PyObject *raw = str2chars(PyList_GET_ITEM(name_list.get(), i));
    if (!raw) return nullptr;
    PyList_SET_ITEM(encoded.get(), i, raw);
  }
  Ref rows_list(PySequence_List(exprs));
  if (!rows_list) return nullptr;
  const Py_ssize_t n = PyList_GET_SIZE(rows_list.get());
  int count = 0;
  if (!int_size(n, &count)) return nullptr;
  // One name per row; a caller giving fewer would leave rows unnamed by accident.
  if (nnames != n) {
    PyErr_Format(PyExc_ValueError, "%zd names given for %zd constraints", nnames, n);
    return nullptr;
  }
  Buffer<const char *> name_ptr;
  Buffer<double> lower, upper;
  if (!name_ptr.allocate(n)) return nullptr;
  if (lhs != Py_None && !lower.allocate(n)) return nullptr;
  if (rhs != Py_None && !upper.allocate(n)) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    name_ptr[i] = PyBytes_AS_STRING(PyList_GET_ITEM(encoded.get(), i));
    PyObject *row = PyList_GET_ITEM(rows_list.get(), i);  // borrowed, held by rows_list
    if (!linexpr_check(row)) {
      PyErr_SetString(PyExc_TypeError, "Expect a LinExpr");
      return nullptr;
    }
    const double constant = as_linexpr(row)->constant_;
    for (auto side : {std::make_pair(lhs, &lower), std::make_pair(rhs, &upper)}) {
      if (side.first == Py_None) continue;
      Ref v(row_side(self, side.first, constant));
      if (!v || !float_of(v.get(), &(*side.second)[i])) return nullptr;
    }
  }
  NewRows rows;
  if (!rows.make(n)) return nullptr;
  RowArrays a;
  if (Model_ops.linExprs2array(self, rows_list.get(), true, a) < 0) return nullptr;
  TVXmodel *mdl = model_edit_handle(self);
  if (!mdl) return nullptr;
  const int rc = TVXaddrangeconstrs(mdl, count, a.nnz, a.beg.get(), a.ind.get(), a.val.get(),
                                    lhs != Py_None ? lower.get() : nullptr,
                                    rhs != Py_None ? upper.get() : nullptr, name_ptr.get());
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (rows.append(self, mdl) < 0) return nullptr;
  return rows.constrs.release();
}

namespace {

PyObject *as_linexpr_obj(PyObject *o) {
  return PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&LinExpr_Type), o, nullptr);
}

bool is_instance(PyObject *o, PyTypeObject *type) { return PyObject_TypeCheck(o, type); }

// ---- addConstr ---------------------------------------------------------------

const char *const addConstr_args[] = {"self", "constr", "name"};

PyObject *indicator(PyObject *self, PyObject *constr, PyObject *name) {
  Ref parts(TempConstr_ops.parseIndicator(constr));
  if (!parts) return nullptr;
  if (!PyTuple_Check(parts.get()) || PyTuple_GET_SIZE(parts.get()) != 5) {
    PyErr_SetString(PyExc_SystemError, "parseIndicator gave no 5-tuple");
    return nullptr;
  }
  PyObject *binvar = PyTuple_GET_ITEM(parts.get(), 0), *binval = PyTuple_GET_ITEM(parts.get(), 1),
           *expr = PyTuple_GET_ITEM(parts.get(), 2), *lower = PyTuple_GET_ITEM(parts.get(), 3),
           *upper = PyTuple_GET_ITEM(parts.get(), 4);
  Ref zero(PyLong_FromLong(0)), one(PyLong_FromLong(1));
  if (!zero || !one) return nullptr;
  const int is0 = PyObject_RichCompareBool(binval, zero.get(), Py_EQ);
  if (is0 < 0) return nullptr;
  const int is1 = is0 ? 0 : PyObject_RichCompareBool(binval, one.get(), Py_EQ);
  if (is1 < 0) return nullptr;
  if (!is0 && !is1) {
    PyErr_SetString(PyExc_ValueError, "indicator value can be only one of [0, 1]");
    return nullptr;
  }
  const char *sense;
  PyObject *side;
  if (lower == Py_None) {
    sense = "<";
    side = upper;
  } else if (upper == Py_None) {
    sense = ">";
    side = lower;
  } else {
    PyErr_SetString(PyExc_ValueError, "indicator value can only be one of [0, 1]");
    return nullptr;
  }
  return PyObject_CallMethod(self, "addGenConstrIndicator", "OOOsOO", binvar,
                             is1 ? Py_True : Py_False, expr, sense, side, name);
}

PyObject *model_addConstr_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *constr = args[1], *name = args[2];
  if (constr == Py_None) return raise_arg_type(constr, &TempConstr_Type, "constr"), nullptr;
  if (!check_arg_type(constr, &TempConstr_Type, "constr", false)) return nullptr;
  Ref lhs(TempConstr_ops.getLhs(constr));
  if (!lhs) return nullptr;
  Ref rhs(TempConstr_ops.getRhs(constr));
  if (!rhs) return nullptr;
  Ref expr(TempConstr_ops.getExpr(constr));
  if (!expr) return nullptr;
  if (is_instance(expr.get(), MQuadExpr_class.type) || quadexpr_check(expr.get())) {
    PyErr_SetString(PyExc_TypeError, "quadratic constraint is not currently supported");
    return nullptr;
  }
  if (is_instance(expr.get(), MVar_class.type) || is_instance(expr.get(), MLinExpr_class.type))
    return model_addconstr_array(as_model(self), expr.get(), lhs.get(), rhs.get(), name);
  if (is_instance(expr.get(), PsdExpr_class.type))
    return Model_ops.addPsdConstr(as_model(self), expr.get(), lhs.get(), rhs.get(), name);
  if (tempconstr_check(lhs.get()) || tempconstr_check(rhs.get()))
    return indicator(self, constr, name);
  // LinExpr(expr) without the call for an exact LinExpr.
  Ref row(Py_TYPE(expr.get()) == &LinExpr_Type ? linexpr_copy(expr.get())
                                               : as_linexpr_obj(expr.get()));
  if (!row) return nullptr;
  return Model_ops.addConstr(as_model(self), row.get(), lhs.get(), rhs.get(), name);
}

// ---- addLConstr --------------------------------------------------------------

const char *const addLConstr_args[] = {"self", "lhs", "sense", "rhs", "name"};

// A number, a Var or a LinExpr; anything else raises TypeError(message).
bool linear_operand(PyObject *o, const char *message) {
  if (handle_check(o, &Var_Type) || linexpr_check(o)) return true;
  const int ok = is_number(o);
  if (ok < 0) return false;
  if (!ok) PyErr_SetString(PyExc_TypeError, message);
  return ok > 0;
}

PyObject *model_addLConstr_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *lhs = args[1], *sense = args[2], *rhs = args[3], *name = args[4];
  if (tempconstr_check(lhs)) {
    if (sense != Py_None || rhs != Py_None) {
      PyErr_SetString(PyExc_ValueError, "sense and rhs should be None if lhs is s TempConstr");
      return nullptr;
    }
    Ref expr(TempConstr_ops.getExpr(lhs));
    if (!expr) return nullptr;
    if (!linear_operand(expr.get(),
                        "expression in TempConstr shoud be one of [constant, Var, LinExpr] type"))
      return nullptr;
    return PyObject_CallMethod(self, "addConstr", "OO", lhs, name);
  }
  if (!linear_operand(lhs, "lhs shoud be one of [constant, Var, LinExpr, TempConstr] type"))
    return nullptr;
  if (sense == Py_None || rhs == Py_None) {
    PyErr_SetString(PyExc_ValueError, "sense and rhs can not be None if lhs is not a TempConstr");
    return nullptr;
  }
  if (!linear_operand(rhs, "rhs shoud be one of [constant, Var, LinExpr, TempConstr] type"))
    return nullptr;
  Ref left(as_linexpr_obj(lhs));
  if (!left) return nullptr;
  Ref e(PyNumber_Subtract(left.get(), rhs));
  if (!e) return nullptr;
  struct Form {
    const char *sense;
    int op;
  };
  for (const Form f : {Form{">", Py_GE}, Form{"=", Py_EQ}, Form{"<", Py_LE}}) {
    Ref letter(PyUnicode_FromString(f.sense));
    if (!letter) return nullptr;
    const int eq = PyObject_RichCompareBool(sense, letter.get(), Py_EQ);
    if (eq < 0) return nullptr;
    if (!eq) continue;
    // "=" as the range [0, 0], so both sides are stated.
    Ref side(f.op == Py_EQ ? Py_BuildValue("[ii]", 0, 0) : PyLong_FromLong(0));
    if (!side) return nullptr;
    Ref tc(PyObject_RichCompare(e.get(), side.get(), f.op));
    if (!tc) return nullptr;
    return PyObject_CallMethod(self, "addConstr", "OO", tc.get(), name);
  }
  Ref msg(PyUnicode_FromFormat("Invalid sense `%S`", sense));
  if (!msg) return nullptr;
  return raise_text(PyUnicode_AsUTF8(msg.get()));
}

// ---- addRange ----------------------------------------------------------------

const char *const addRange_args[] = {"self", "expr", "lower", "upper", "name"};

PyObject *model_addRange_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *expr = args[1], *lower = args[2], *upper = args[3];
  Ref name = Ref::borrow(args[4]);
  if (name.get() == Py_None && !(name = Ref(PyUnicode_FromString("")))) return nullptr;
  if (handle_check(expr, &Var_Type)) {
    Ref row(as_linexpr_obj(expr));
    if (!row) return nullptr;
    return Model_ops.addConstr(as_model(self), row.get(), lower, upper, name.get());
  }
  if (linexpr_check(expr))
    return Model_ops.addConstr(as_model(self), expr, lower, upper, name.get());
  if (is_instance(expr, PsdExpr_class.type))
    return Model_ops.addPsdConstr(as_model(self), expr, lower, upper, name.get());
  PyErr_SetString(PyExc_TypeError, "expr should be one of [Var, LinExpr, PsdExpr] type");
  return nullptr;
}

// ---- Docstrings -------------------------------------------------------------

const char addConstr_doc[] = R"doc(
        SIGNATURE:
            addConstr(tmpConstr, name='')

        PURPOSE:
            Add a constraint to the model.

        ARGUMENTS:
            tmpConstr
            ---------
            A temporary constraint made by a comparison, such as x + y <= 1, x == [1, 4]
            or (b == 1) >> (x + y <= 3).

            name=''
            -------
            The name of the constraint.

        EXAMPLE:
            c0 = m.addConstr(x + 2 * y <= 3, name='c0')
            c1 = m.addConstr(x + y == [1, 4])

        NOTE:
            Returns a Constr for a linear constraint, an MConstr for an array of
            constraints and a PsdConstr for a semidefinite constraint.

        )doc";

const char addLConstr_doc[] = R"doc(
        SIGNATURE:
            addLConstr(lhs, sense=None, rhs=None, name='')

        PURPOSE:
            Add a linear constraint to the model.

        ARGUMENTS:
            lhs
            ---
            A linear temporary constraint, or the left-hand side: a number, Var or
            LinExpr.

            sense=None
            ----------
            TVX.LESS_EQUAL, TVX.GREATER_EQUAL or TVX.EQUAL; required unless lhs is a
            temporary constraint.

            rhs=None
            --------
            The right-hand side: a number, Var or LinExpr; required unless lhs is a
            temporary constraint.

            name=''
            -------
            The name of the constraint.

        EXAMPLE:
            m.addLConstr(x + y, TVX.LESS_EQUAL, 4, name='c0')
            m.addLConstr(x + y >= 1)

        )doc";

const char addRange_doc[] = R"doc(
        SIGNATURE:
            addRange(expr, lower, upper, name='')

        PURPOSE:
            Add a range constraint lower <= expr <= upper to the model.

        ARGUMENTS:
            expr
            ----
            A Var, LinExpr or PsdExpr.

            lower
            -----
            The lower side; None for no lower side.

            upper
            -----
            The upper side; None for no upper side.

            name=''
            -------
            The name of the constraint.

        EXAMPLE:
            m.addRange(x + 2 * y, 1, 10, name='r0')

        )doc";

}  // namespace

const FuncSpec Model_addConstr_spec =
    DZ_METHOD(Model, addConstr, addConstr_args, model_addConstr_impl, addConstr_doc)
        .with_defaults("('',)");
const FuncSpec Model_addLConstr_spec =
    DZ_METHOD(Model, addLConstr, addLConstr_args, model_addLConstr_impl, addLConstr_doc)
        .with_defaults("(None, None, '')");
const FuncSpec Model_addRange_spec =
    DZ_METHOD(Model, addRange, addRange_args, model_addRange_impl, addRange_doc)
        .with_defaults("('',)");

}  // namespace dz
