// The objective: Model.setObjective replaces the whole objective of the
// solver model by one expression, Model.getObjective builds a fresh
// expression from what the solver model holds. The module keeps no copy.
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "building/row_terms.h"
#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "expr/quadexpr.h"
#include "psd/psd_arrays.h"
#include "psd/psdexpr.h"
#include "model/attrs.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "module/tarvex_error.h"
#include "runtime/numpy_api.h"
#include "runtime/globals.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

// What setObjective writes, worked out and checked in full before the old
// objective is touched, so a refused expression leaves it whole.
struct NewObjective {
  double constant = 0;
  std::vector<double> obj;  // one per variable of the model, by index
  int nq = 0;               // the length of qrow, qcol and qval
  std::vector<int> qrow, qcol;
  std::vector<double> qval;
};

// A term's variable as an index of this model's variables: a Var of mdl
// that is still in the model.
int objective_var(PyObject *var, TVXmodel *mdl, Py_ssize_t nvars, int *index) {
  if (term_var_index(var, mdl, index) < 0) return -1;
  if (*index < 0 || *index >= nvars) {
    raise_code(TVX_ERROR_MODEL_INVALID_COL_IDX);
    return -1;
  }
  return 0;
}

// The library's refusal of a value, made here before the old objective is
// touched: what names the value's place.
int raise_bad_value(const std::string &what, double value) {
  char *text = PyOS_double_to_string(value, 'r', 0, 0, nullptr);
  if (!text) return -1;
  const std::string detail = what + " cannot be " + text;
  PyMem_Free(text);
  raise_code_detail(TVX_ERROR_MODEL_INPUT_ERROR, detail.c_str());
  return -1;
}

std::string var_text(int j) { return "variable " + std::to_string(j); }

// Coefficients are converted first (their __float__ may run Python code),
// then the variables are read from the snapshots' handle fields.
int gather(ModelObject *m, PyObject *lin, PyObject *quad, TVXmodel **mdl, NewObjective &out) {
  LinTerms lt;
  if (linexpr_terms(lin, lt) < 0) return -1;
  QuadTerms qt;
  if (quad && quadexpr_terms(quad, qt) < 0) return -1;
  std::vector<double> lc(to_size(lt.n));
  out.nq = qt.n;
  out.qval.resize(to_size(qt.n));
  for (int i = 0; i < lt.n; i++)
    if (!float_of(lt.coeffs.at(i), &lc[to_size(i)])) return -1;
  for (int i = 0; i < qt.n; i++)
    if (!float_of(qt.coeffs.at(i), &out.qval[to_size(i)])) return -1;

  if (!(*mdl = model_edit_handle(m))) return -1;
  int nvars = 0;
  if (!int_size(PyList_GET_SIZE(m->varlist_), &nvars)) return -1;
  out.obj.assign(to_size(nvars), 0.0);
  for (int i = 0; i < lt.n; i++) {
    int j = 0;
    if (objective_var(lt.vars.at(i), *mdl, nvars, &j) < 0) return -1;
    out.obj[to_size(j)] += lc[to_size(i)];
  }
  out.qrow.resize(to_size(qt.n));
  out.qcol.resize(to_size(qt.n));
  for (int i = 0; i < qt.n; i++) {
    const std::size_t k = to_size(i);
    if (objective_var(qt.vars1.at(i), *mdl, nvars, &out.qrow[k]) < 0 ||
        objective_var(qt.vars2.at(i), *mdl, nvars, &out.qcol[k]) < 0)
      return -1;
    if (!std::isfinite(out.qval[k])) {
      return raise_bad_value("the quadratic objective's coefficient of " + var_text(out.qrow[k]) +
                                 " times " + var_text(out.qcol[k]),
                             out.qval[k]);
    }
  }
  out.constant = lt.constant;
  if (!std::isfinite(out.constant)) return raise_bad_value("the objective constant", out.constant);
  for (int j = 0; j < nvars; ++j) {
    const double c = out.obj[to_size(j)];
    if (!std::isfinite(c)) return raise_bad_value("the objective coefficient of " + var_text(j), c);
  }
  return 0;
}

PyObject *double_array(const std::vector<double> &v) {
  npy_intp n = py_size(v);
  PyObject *a = PyArray_SimpleNew(1, &n, NPY_DOUBLE);
  if (a && n > 0)
    std::copy(v.begin(), v.end(),
              static_cast<double *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(a))));
  return a;
}

int set_attr(TVXmodel *mdl, const char *name, const char *kind, PyObject *elements,
             PyObject *value) {
  Ref n(PyUnicode_FromString(name));
  if (!n || !value) return -1;
  Ref r(model_setattr(mdl, n.get(), kind, elements, value));
  return r ? 0 : -1;
}

// Every PSD variable's objective matrix back to all zeros.
int clear_psd_objective(PyObject *psdvars) {
  Ref items(PySequence_List(psdvars));
  if (!items) return -1;
  const Py_ssize_t n = PyList_GET_SIZE(items.get());
  if (n == 0) return 0;
  Ref coo_matrix(sp_attr("coo_matrix"));
  if (!coo_matrix) return -1;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *pv = PyList_GET_ITEM(items.get(), i);
    Ref dim(PyObject_GetAttrString(pv, "dim"));
    if (!dim) return -1;
    Ref zeros(PyObject_CallFunction(coo_matrix.get(), "((OO))", dim.get(), dim.get()));
    if (!zeros || PyObject_SetAttrString(pv, "psdobj", zeros.get()) < 0) return -1;
  }
  return 0;
}

// ---- setObjective -------------------------------------------------------------

const char *const setObjective_args[] = {"self", "expr", "sense"};

// The new objective into the model, gathered into next (its indices just
// read): first the calls that use those indices, with no Python code before
// them; then the parts written through attributes, which read their
// elements anew. keep_sense: the sense stays as it is.
PyObject *install_objective(ModelObject *m, TVXmodel *mdl, int sense, bool keep_sense,
                            const NewObjective &next, const std::vector<PsdGroup> &matrices) {
  int rc = keep_sense ? TVX_ERROR_OKAY : TVXsetintattr(mdl, "ModelSense", sense);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  rc = TVXdelq(mdl);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (next.nq > 0) {
    rc = TVXaddqpterms(mdl, next.nq, next.qrow.data(), next.qcol.data(), next.qval.data());
    if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  }
  Ref nvals(double_array(next.obj));
  if (!nvals) return nullptr;
  Ref constant(PyFloat_FromDouble(next.constant));
  if (!constant) return nullptr;
  Ref psdvars = Ref::borrow(m->psdvarlist_);
  Ref vars = Ref::borrow(m->varlist_);
  if (!next.obj.empty() && set_attr(mdl, "Obj", "v", vars.get(), nvals.get()) < 0) return nullptr;
  if (clear_psd_objective(psdvars.get()) < 0) return nullptr;
  if (set_attr(mdl, "ObjCon", "m", nullptr, constant.get()) < 0) return nullptr;
  for (const PsdGroup &g : matrices) {
    Ref element(PyList_New(1)), value(PyList_New(1));
    if (!element || !value) return nullptr;
    PyList_SET_ITEM(element.get(), 0, g.var.newref());
    PyList_SET_ITEM(value.get(), 0, g.matrix.newref());
    if (set_attr(mdl, "PsdObj", "psdv", element.get(), value.get()) < 0) return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *model_setObjective_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  PyObject *expr = args[1];
  int sense = 0;
  if (!as_int32(args[2], &sense)) return nullptr;
  const bool quad = quadexpr_check(expr), psd = psdexpr_check(expr);
  if (!linexpr_check(expr) && !quad && !psd) {
    PyErr_SetString(PyExc_TypeError, "expr should be one of [LinExpr, QuadExpr, PsdExpr] type");
    return nullptr;
  }
  Ref lin = Ref::borrow(quad ? as_quadexpr(expr)->lin_ : psd ? as_psdexpr(expr)->lin_ : expr);
  if (!linexpr_check(lin.get())) {
    PyErr_SetString(PyExc_TypeError, "the linear part of an expression must be a LinExpr");
    return nullptr;
  }
  // What can run Python code comes before gather reads the terms' indices:
  // the PSD matrices (PSD variables are never removed, so their indices stay)
  // and the comparison with TVX.MAXINT.
  std::vector<PsdGroup> matrices;
  if (psd) {
    TVXmodel *live = model_live_handle(m);
    if (!live || psd_groups(expr, live, matrices) < 0) return nullptr;
  }
  Ref maxint(tvx_constant("MAXINT"));
  if (!maxint) return nullptr;
  Ref sense_obj(PyLong_FromLong(sense));
  if (!sense_obj) return nullptr;
  const int keep = PyObject_RichCompareBool(sense_obj.get(), maxint.get(), Py_EQ);
  if (keep < 0) return nullptr;
  TVXmodel *mdl = nullptr;
  NewObjective next;
  if (gather(m, lin.get(), quad ? expr : nullptr, &mdl, next) < 0) return nullptr;
  return install_objective(m, mdl, sense, keep != 0, next, matrices);
}

// ---- getObjective -------------------------------------------------------------

const char *const getObjective_args[] = {"self"};

// The PSD variables' objective matrices as the terms of a PsdExpr whose
// linear part is lin: one term for each non-zero matrix. New reference.
PyObject *psd_objective(PyObject *psdvars, PyObject *lin) {
  Ref pe(PyObject_CallObject(reinterpret_cast<PyObject *>(&PsdExpr_Type), nullptr));
  if (!pe) return nullptr;
  Py_SETREF(as_psdexpr(pe.get())->lin_, new_ref(lin));
  Ref items(PySequence_List(psdvars));
  if (!items) return nullptr;
  const Py_ssize_t n = PyList_GET_SIZE(items.get());
  Ref count_nonzero(n > 0 ? np_attr("count_nonzero") : Ref::borrow(Py_None));
  if (!count_nonzero) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *var = PyList_GET_ITEM(items.get(), i);
    Ref mat(PyObject_GetAttrString(var, "psdobj"));
    if (!mat) return nullptr;
    const int sparse = is_sparse(mat.get());
    if (sparse < 0) return nullptr;
    if (!sparse && !PyArray_Check(mat.get())) continue;
    Ref count(sparse ? PyObject_CallMethod(mat.get(), "count_nonzero", nullptr)
                     : PyObject_CallFunctionObjArgs(count_nonzero.get(), mat.get(), nullptr));
    if (!count) return nullptr;
    const int used = PyObject_IsTrue(count.get());
    if (used < 0 || (used && PsdExpr_ops.addterm(pe.get(), mat.get(), var) < 0)) return nullptr;
  }
  return pe.release();
}

// Adds the objective constant and the linear coefficients of vars (the
// model's variables, in order) to le. 0, or -1 with an exception.
int linear_objective(TVXmodel *mdl, PyObject *vars, PyObject *le) {
  Ref objcon_name(PyUnicode_FromString("objcon"));
  if (!objcon_name) return -1;
  Ref objcon(model_getattr(mdl, objcon_name.get(), "m", nullptr));
  if (!objcon) return -1;
  Ref objcon0(PySequence_GetItem(objcon.get(), 0));
  double k = 0;
  if (!objcon0 || !float_of(objcon0.get(), &k)) return -1;
  as_linexpr(le)->constant_ += k;

  const Py_ssize_t nvars = PyList_GET_SIZE(vars);
  if (nvars == 0) return 0;
  Ref obj_name(PyUnicode_FromString("Obj"));
  if (!obj_name) return -1;
  Ref raw(model_getattr(mdl, obj_name.get(), "v", vars));
  if (!raw) return -1;
  Ref obj(PyArray_FROMANY(raw.get(), NPY_DOUBLE, 1, 1, NPY_ARRAY_CARRAY_RO));
  if (!obj) return -1;
  auto *arr = reinterpret_cast<PyArrayObject *>(obj.get());
  if (PyArray_SIZE(arr) != nvars) {
    PyErr_SetString(PyExc_SystemError, "objective coefficients out of step with the variables");
    return -1;
  }
  const double *c = static_cast<const double *>(PyArray_DATA(arr));
  for (Py_ssize_t j = 0; j < nvars; j++) {
    if (c[j] != 0 && LinExpr_ops.addterm(le, c[j], PyList_GET_ITEM(vars, j)) < 0) return -1;
  }
  return 0;
}

// Adds the quadratic terms over vars (the model's variables, in order) to
// qe. 0, or -1 with an exception.
int quadratic_objective(TVXmodel *mdl, PyObject *vars, PyObject *qe) {
  int numq = 0;
  int rc = TVXgetq(mdl, &numq, nullptr, nullptr, nullptr);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc), -1;
  if (numq == 0) return 0;
  Buffer<int> qrow, qcol;
  Buffer<double> qval;
  if (!qrow.allocate(numq) || !qcol.allocate(numq) || !qval.allocate(numq)) return -1;
  rc = TVXgetq(mdl, &numq, qrow.get(), qcol.get(), qval.get());
  if (rc != TVX_ERROR_OKAY) return raise_code(rc), -1;
  const Py_ssize_t nvars = PyList_GET_SIZE(vars);
  for (int t = 0; t < numq; t++) {
    // The library's indices select cached handles: checked, never trusted.
    if (qrow[t] < 0 || qrow[t] >= nvars || qcol[t] < 0 || qcol[t] >= nvars)
      return raise_code(TVX_ERROR_MODEL_INVALID_COL_IDX), -1;
    if (QuadExpr_ops.addterm(qe, qval[t], PyList_GET_ITEM(vars, qrow[t]),
                             PyList_GET_ITEM(vars, qcol[t])) < 0)
      return -1;
  }
  return 0;
}

PyObject *model_getObjective_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  TVXmodel *mdl = model_live_handle(args[0]);
  if (!mdl) return nullptr;
  if (!PyList_Check(m->varlist_)) return raise_code(TVX_ERROR_INVALID_ARGUMENT);
  Ref vars(PyList_GetSlice(m->varlist_, 0, PY_SSIZE_T_MAX));
  if (!vars) return nullptr;

  Ref qe(quadexpr_new());
  if (!qe) return nullptr;
  PyObject *le = as_quadexpr(qe.get())->lin_;  // borrowed, owned by qe
  if (linear_objective(mdl, vars.get(), le) < 0) return nullptr;
  if (quadratic_objective(mdl, vars.get(), qe.get()) < 0) return nullptr;

  Ref pe(psd_objective(m->psdvarlist_, le));
  if (!pe) return nullptr;
  QuadTerms qt;
  if (quadexpr_terms(qe.get(), qt) < 0) return nullptr;
  if (as_list(as_psdexpr(pe.get())->coeffs_)->size_ > 0) {
    // No expression holds both; returning one part would lose the other.
    if (qt.n > 0) return raise_text("the objective has quadratic and semidefinite terms");
    return pe.release();
  }
  if (qt.n > 0) return qe.release();
  return new_ref(le);
}

// ---- Docstrings -----------------------------------------------------------------

const char setObjective_doc[] = R"doc(
        SIGNATURE:
            setObjective(expr, sense=0)

        PURPOSE:
            Set the objective function of the model.

        ARGUMENTS:
            expr
            ----
            The objective: a LinExpr, QuadExpr or PsdExpr.

            sense=0
            -------
            TVX.MINIMIZE or TVX.MAXIMIZE; when omitted the sense is left unchanged.

        EXAMPLE:
            m.setObjective(x + 2 * y, TVX.MAXIMIZE)
            m.setObjective(x * x + y * y - x)

        )doc";

const char getObjective_doc[] = R"doc(
        SIGNATURE:
            getObjective()

        PURPOSE:
            Get the objective function of the model as a new expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            obj = m.getObjective()

        )doc";

}  // namespace

// sense defaults to TVX.MAXINT as a 32-bit int at binding time.
PyObject *setObjective_defaults() {
  Ref maxint(tvx_constant("MAXINT"));
  if (!maxint) return nullptr;
  int sense = 0;
  if (!as_int32(maxint.get(), &sense)) return nullptr;
  return Py_BuildValue("(i)", sense);
}

const FuncSpec Model_setObjective_spec =
    DZ_METHOD(Model, setObjective, setObjective_args, model_setObjective_impl, setObjective_doc)
        .with_defaults_hook(setObjective_defaults);
const FuncSpec Model_getObjective_spec =
    DZ_METHOD(Model, getObjective, getObjective_args, model_getObjective_impl, getObjective_doc);

}  // namespace dz
