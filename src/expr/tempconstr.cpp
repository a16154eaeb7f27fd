// TempConstr: construction in normal form, indicator pairs, text, pickling.
#include "expr/tempconstr.h"

#include <cstddef>

#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "expr/text.h"
#include "runtime/args.h"
#include "runtime/decorators.h"
#include "runtime/function.h"
#include "runtime/gc_fields.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject TempConstr_Type = static_type_object();
TempConstrOps TempConstr_ops;

namespace {

const char kTrigger[] =
    "indicator constraints can only be triggered by a single binary variable at a given "
    "binary value";
const char kLinearOnly[] = "indicator constraints can only be in linear form";

// Every way in (a call, unpickling) starts from three None fields, and
// cleared fields read as None, so the object stays whole for code that still
// holds it.
using Fields = GcFields<TempConstrObject, Unset::none, NoBase, &TempConstrObject::lhs_,
                        &TempConstrObject::rhs_, &TempConstrObject::expr_>;

// Indicator pairs nest without limit: the trashcan keeps releasing a deep
// chain off the C stack.
void tempconstr_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  Py_TRASHCAN_BEGIN(self, tempconstr_dealloc) Fields::release(self);
  Py_TYPE(self)->tp_free(self);
  Py_TRASHCAN_END
}

// Takes over the three references.
PyObject *tempconstr_make(PyObject *expr, PyObject *lhs, PyObject *rhs) {
  Ref e(expr), l(lhs), r(rhs);
  if (!e || !l || !r) return nullptr;
  Ref res(Fields::alloc(&TempConstr_Type, nullptr, nullptr));
  if (!res) return nullptr;
  TempConstrObject *t = as_tempconstr(res.get());
  Py_SETREF(t->lhs_, l.release());
  Py_SETREF(t->rhs_, r.release());
  Py_SETREF(t->expr_, e.release());
  return res.release();
}

}  // namespace

PyObject *tempconstr_new(PyObject *expr, PyObject *lhs, PyObject *rhs) {
  if (expr == Py_None && tempconstr_check(lhs) && tempconstr_check(rhs))
    return tempconstr_make(new_ref(Py_None), new_ref(lhs), new_ref(rhs));
  // A one-sided constraint moves its constant side into the expression.
  if (lhs == Py_None)
    return tempconstr_make(PyNumber_Subtract(expr, rhs), new_ref(Py_None), PyLong_FromLong(0));
  if (rhs == Py_None)
    return tempconstr_make(PyNumber_Subtract(expr, lhs), PyLong_FromLong(0), new_ref(Py_None));
  int lnum = is_number(lhs);
  if (lnum < 0) return nullptr;
  int rnum = lnum ? is_number(rhs) : 0;
  if (rnum < 0) return nullptr;
  if (!rnum) {
    PyErr_SetString(PyExc_TypeError, "range constraint requires numeric values");
    return nullptr;
  }
  return tempconstr_make(new_ref(expr), new_ref(lhs), new_ref(rhs));
}

namespace {

// ---- Internal operations -----------------------------------------------------------------

PyObject *tempconstr_getexpr(PyObject *self) { return new_ref(as_tempconstr(self)->expr_); }
PyObject *tempconstr_getlhs(PyObject *self) { return new_ref(as_tempconstr(self)->lhs_); }
PyObject *tempconstr_getrhs(PyObject *self) { return new_ref(as_tempconstr(self)->rhs_); }

PyObject *call0(PyObject *o, const char *method) { return PyObject_CallMethod(o, method, nullptr); }

// 1 when o == value, 0, -1.
int equals(PyObject *o, long value) {
  Ref v(PyLong_FromLong(value));
  if (!v) return -1;
  return PyObject_RichCompareBool(o, v.get(), Py_EQ);
}

// 1 when cond is one binary variable compared to 0 or 1 (x == 1 holds x - 1,
// x == 0 holds x + 0), 0 otherwise, -1 with an exception.
int is_trigger(PyObject *cond) {
  if (!tempconstr_check(cond)) return 0;
  TempConstrObject *c = as_tempconstr(cond);
  Ref lhs = Ref::borrow(c->lhs_), rhs = Ref::borrow(c->rhs_), expr = Ref::borrow(c->expr_);
  int ok = equals(lhs.get(), 0);
  if (ok <= 0) return ok;
  if ((ok = equals(rhs.get(), 0)) <= 0) return ok;
  if (!linexpr_check(expr.get())) return 0;
  Ref constant(call0(expr.get(), "getConstant"));
  if (!constant) return -1;
  if ((ok = equals(constant.get(), 0)) < 0) return -1;
  if (!ok && (ok = equals(constant.get(), -1)) <= 0) return ok;
  Ref size(call0(expr.get(), "size"));
  if (!size) return -1;
  if ((ok = equals(size.get(), 1)) <= 0) return ok;
  Ref coeff(PyObject_CallMethod(expr.get(), "getCoeff", "i", 0));
  if (!coeff) return -1;
  if ((ok = equals(coeff.get(), 1)) <= 0) return ok;
  Ref var(PyObject_CallMethod(expr.get(), "getVar", "i", 0));
  if (!var) return -1;
  Ref vtype(PyObject_GetAttrString(var.get(), "vtype"));
  if (!vtype) return -1;
  Ref binary(PyBytes_FromString("B"));
  if (!binary) return -1;
  return PyObject_RichCompareBool(vtype.get(), binary.get(), Py_EQ);
}

PyObject *tempconstr_parse_indicator(PyObject *self) {
  TempConstrObject *t = as_tempconstr(self);
  Ref cond = Ref::borrow(t->lhs_), cons = Ref::borrow(t->rhs_);
  int trigger = is_trigger(cond.get());
  if (trigger < 0) return nullptr;
  if (!trigger) {
    PyErr_SetString(PyExc_ValueError, kTrigger);
    return nullptr;
  }
  // Only restored pickled state can bring a consequent that is no TempConstr.
  Ref expr = tempconstr_check(cons.get()) ? Ref::borrow(as_tempconstr(cons.get())->expr_) : Ref();
  if (!expr || !linexpr_check(expr.get())) {
    PyErr_SetString(PyExc_TypeError, kLinearOnly);
    return nullptr;
  }
  PyObject *cond_expr = as_tempconstr(cond.get())->expr_;  // borrowed; cond is held
  Ref binvar(PyObject_CallMethod(cond_expr, "getVar", "i", 0));
  if (!binvar) return nullptr;
  Ref constant(call0(cond_expr, "getConstant"));
  if (!constant) return nullptr;
  Ref binval(PyNumber_Negative(constant.get()));
  if (!binval) return nullptr;
  TempConstrObject *k = as_tempconstr(cons.get());
  return PyTuple_Pack(5, binvar.get(), binval.get(), expr.get(), k->lhs_, k->rhs_);
}

// ---- Operators and text ----------------------------------------------------------------

// c >> r: only a TempConstr on the left; r a TempConstr or None.
PyObject *tempconstr_rshift(PyObject *c, PyObject *r) {
  if (!tempconstr_check(c)) Py_RETURN_NOTIMPLEMENTED;
  if (!check_arg_type(r, &TempConstr_Type, "r", false)) return nullptr;
  return tempconstr_new(Py_None, c, r);
}

// str(side) with every line indented by two blanks.
PyObject *indented(PyObject *side) {
  Ref text(PyObject_CallMethod(side, "__str__", nullptr));
  if (!text) return nullptr;
  if (!PyUnicode_Check(text.get()))
    return PyErr_Format(PyExc_TypeError, "__str__ returned non-string (type %.200s)",
                        Py_TYPE(text.get())->tp_name);
  Ref newline(PyUnicode_FromString("\n")), deeper(PyUnicode_FromString("\n  "));
  if (!newline || !deeper) return nullptr;
  Ref body(PyUnicode_Replace(text.get(), newline.get(), deeper.get(), -1));
  if (!body) return nullptr;
  return PyUnicode_FromFormat("  %U", body.get());
}

PyObject *tempconstr_str(PyObject *self) {
  TempConstrObject *t = as_tempconstr(self);
  Ref lhs = Ref::borrow(t->lhs_), rhs = Ref::borrow(t->rhs_), expr = Ref::borrow(t->expr_);
  if (Py_EnterRecursiveCall(" while getting the str of a TempConstr")) return nullptr;
  Ref result;
  if (expr.get() == Py_None) {
    Ref l(indented(lhs.get()));
    Ref r(l ? indented(rhs.get()) : nullptr);
    if (r) result = Ref(PyUnicode_FromFormat("(\n%U\n) >> (\n%U\n)", l.get(), r.get()));
  } else {
    Ref empty(PyUnicode_FromString(""));
    Ref l(empty ? PyObject_Format(lhs.get(), empty.get()) : nullptr);
    Ref e(l ? PyObject_Format(expr.get(), empty.get()) : nullptr);
    Ref r(e ? PyObject_Format(rhs.get(), empty.get()) : nullptr);
    if (r)
      result =
          Ref(PyUnicode_FromFormat("TempConstr:\nlhs:\n----\n%U\nexpr:\n-----\n%U\nrhs:\n----\n%U",
                                   l.get(), e.get(), r.get()));
  }
  Py_LeaveRecursiveCall();
  return result.release();
}

// ---- Members ----------------------------------------------------------------------------

PyObject *tempconstr_new_impl(PyObject *, PyObject *const *args) {
  return tempconstr_new(args[0], args[1], args[2]);
}

const char *const new_args[] = {"expr", "lhs", "rhs"};
const FuncSpec new_spec =
    func_spec("new", "TempConstr.new", new_args, 0, nullptr, tempconstr_new_impl, nullptr);

const char class_doc[] = R"doc(
    A temporary constraint: what comparing variables and expressions gives,
    and what Model.addConstr takes.

    Forms:
        expr <= rhs                       upper bound
        expr >= lhs                       lower bound
        expr == rhs                       equality
        expr == [lhs, rhs]                range (expr a Var, LinExpr or QuadExpr)
        (b == 1) >> (expr <= rhs)         indicator (b a binary variable)

    EXAMPLE:
        m.addConstr(x + 2 * y <= 3)
        m.addConstr(x + y == [0, 100])
        m.addConstr((b == 1) >> (x + y >= 2))
    )doc";

// Fields are pickled in name order; any object may come back in them.
const PickleField pickle_fields[] = {
    {"expr_", T_OBJECT, offsetof(TempConstrObject, expr_), nullptr, true},
    {"lhs_", T_OBJECT, offsetof(TempConstrObject, lhs_), nullptr, true},
    {"rhs_", T_OBJECT, offsetof(TempConstrObject, rhs_), nullptr, true},
};
const PickleSpec pickle_spec = {"TempConstr", pickle_fields, 3, false, nullptr};

PyNumberMethods tempconstr_as_number = {};

int tempconstr_prepare() {
  PyTypeObject *t = &TempConstr_Type;
  t->tp_name = "didazoda.TempConstr";
  t->tp_basicsize = sizeof(TempConstrObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc = class_doc;
  t->tp_new = DZ_SLOT(Fields::alloc);
  t->tp_traverse = Fields::traverse;
  t->tp_clear = Fields::clear;
  t->tp_dealloc = tempconstr_dealloc;
  t->tp_str = DZ_SLOT(tempconstr_str);
  t->tp_repr = DZ_SLOT(repr_via_str);
  tempconstr_as_number.nb_rshift = DZ_SLOT(tempconstr_rshift);
  t->tp_as_number = &tempconstr_as_number;
  TempConstr_ops = {tempconstr_getexpr, tempconstr_getlhs, tempconstr_getrhs,
                    tempconstr_parse_indicator};
  return 0;
}

int tempconstr_bind(PyObject *dict) { return bind_static(dict, &new_spec); }

}  // namespace

const ClassDef TempConstr_class = {&TempConstr_Type, "TempConstr", tempconstr_prepare,
                                   tempconstr_bind,  nullptr,      true,
                                   &pickle_spec,     nullptr};

}  // namespace dz
