// Scalar arithmetic kernels. Sums go through the accumulator; products
// build their result term by term through the internal operations of
// LinExpr and QuadExpr.
#include "expr/kernels.h"

#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "expr/quadexpr.h"
#include "expr/terms.h"
#include "model/handles.h"

namespace dz {

namespace {

PyObject *sum_of(PyObject *a, PyObject *b, bool as_quad) {
  SumAccumulator acc;
  if (acc.add(a) < 0 || acc.add(b) < 0) return nullptr;
  return acc.finish(as_quad);
}

PyObject *sum_with(PyObject *a, double n, bool as_quad) {
  SumAccumulator acc;
  if (acc.add(a) < 0) return nullptr;
  acc.add_constant(n);
  return acc.finish(as_quad);
}

PyObject *lin_of(PyObject *q) { return as_quadexpr(q)->lin_; }  // borrowed

}  // namespace

PyObject *v_add_n(PyObject *v, double n) { return sum_with(v, n, false); }
PyObject *l_add_n(PyObject *l, double n) { return sum_with(l, n, false); }
PyObject *q_add_n(PyObject *q, double n) { return sum_with(q, n, true); }
PyObject *v_add_v(PyObject *a, PyObject *b) { return sum_of(a, b, false); }
PyObject *l_add_v(PyObject *l, PyObject *v) { return sum_of(l, v, false); }
PyObject *l_add_l(PyObject *a, PyObject *b) { return sum_of(a, b, false); }
PyObject *q_add_v(PyObject *q, PyObject *v) { return sum_of(q, v, true); }
PyObject *q_add_l(PyObject *q, PyObject *l) { return sum_of(q, l, true); }
PyObject *q_add_q(PyObject *a, PyObject *b) { return sum_of(a, b, true); }

PyObject *exact_sub(PyObject *a, PyObject *b) {
  // -b's terms as v_mul_n(b, -1.0) or l_mul_n(b, -1.0) make them.
  BlockRef coeffs, own_vars;
  ListBlock *vars;
  int n = 1;
  double constant = 0.0;
  LinTerms t;
  if (Py_TYPE(b) == &Var_Type) {
    coeffs.reset(List_NewBlock());
    own_vars.reset(List_NewBlock());
    if (!coeffs || !own_vars) return nullptr;
    Ref minus_one(coeff_float(-1.0));
    if (!minus_one || List_Append(coeffs.get(), minus_one.get()) < 0 ||
        List_Append(own_vars.get(), b) < 0)
      return nullptr;
    vars = own_vars.get();
  } else {
    if (linexpr_terms(b, t) < 0) return nullptr;
    Ref factor(PyFloat_FromDouble(-1.0));
    if (!factor) return nullptr;
    coeffs.reset(scaled_block(t.coeffs, factor.get(), false));
    if (!coeffs) return nullptr;
    vars = t.vars.block();
    n = t.n;
    constant = 0.0 + t.constant * -1.0;
  }
  // a + (-b): a Var's sum puts the expression's terms first.
  SumAccumulator acc;
  if (Py_TYPE(a) == &Var_Type) {
    if (acc.add_terms(coeffs.get(), vars, n, constant) < 0 || acc.add(a) < 0) return nullptr;
  } else if (acc.add(a) < 0 || acc.add_terms(coeffs.get(), vars, n, constant) < 0) {
    return nullptr;
  }
  return acc.finish(false);
}

PyObject *v_mul_n(PyObject *v, double n) {
  Ref e(linexpr_new());
  if (!e || LinExpr_ops.addterm(e.get(), n, v) < 0) return nullptr;
  return e.release();
}

PyObject *l_mul_n(PyObject *l, double n) {
  Ref e(linexpr_new());
  if (!e || LinExpr_ops.addexpr(e.get(), l, n) < 0) return nullptr;
  return e.release();
}

PyObject *q_mul_n(PyObject *q, double n) {
  Ref r(quadexpr_new());
  if (!r || QuadExpr_ops.addexpr(r.get(), q, n) < 0) return nullptr;
  return r.release();
}

PyObject *v_mul_v(PyObject *a, PyObject *b) {
  Ref q(quadexpr_new());
  if (!q || QuadExpr_ops.addterm(q.get(), 1.0, a, b) < 0) return nullptr;
  return q.release();
}

PyObject *l_mul_v(PyObject *l, PyObject *v) {
  LinTerms t;
  if (linexpr_terms(l, t) < 0) return nullptr;
  Ref q(quadexpr_new());
  if (!q) return nullptr;
  for (int i = 0; i < t.n; i++) {
    double a;
    if (!float_of(t.coeffs.at(i), &a)) return nullptr;
    if (QuadExpr_ops.addterm(q.get(), a, t.vars.at(i), v) < 0) return nullptr;
  }
  if (LinExpr_ops.addterm(lin_of(q.get()), t.constant, v) < 0) return nullptr;
  return q.release();
}

PyObject *l_mul_l(PyObject *a, PyObject *b) {
  LinTerms ta, tb;
  if (linexpr_terms(a, ta) < 0 || linexpr_terms(b, tb) < 0) return nullptr;
  Ref q(quadexpr_new());
  if (!q) return nullptr;
  PyObject *lin = lin_of(q.get());
  const double ca = ta.constant, cb = tb.constant;
  as_linexpr(lin)->constant_ = 0.0 + ca * cb;
  // A NaN constant is not 0: its products are kept.
  if (ca != 0.0) {
    for (int j = 0; j < tb.n; j++) {
      double bj;
      if (!float_of(tb.coeffs.at(j), &bj)) return nullptr;
      if (LinExpr_ops.addterm(lin, ca * bj, tb.vars.at(j)) < 0) return nullptr;
    }
  }
  if (cb != 0.0) {
    for (int i = 0; i < ta.n; i++) {
      double ai;
      if (!float_of(ta.coeffs.at(i), &ai)) return nullptr;
      if (LinExpr_ops.addterm(lin, cb * ai, ta.vars.at(i)) < 0) return nullptr;
    }
  }
  for (int i = 0; i < ta.n; i++) {
    PyObject *ai = ta.coeffs.at(i);
    for (int j = 0; j < tb.n; j++) {
      PyObject *bj = tb.coeffs.at(j);
      double p;
      if (PyFloat_CheckExact(ai) && PyFloat_CheckExact(bj)) {
        p = PyFloat_AS_DOUBLE(ai) * PyFloat_AS_DOUBLE(bj);
      } else {
        Ref product(PyNumber_Multiply(ai, bj));
        if (!product || !float_of(product.get(), &p)) return nullptr;
      }
      if (QuadExpr_ops.addterm(q.get(), p, ta.vars.at(i), tb.vars.at(j)) < 0) return nullptr;
    }
  }
  return q.release();
}

}  // namespace dz
