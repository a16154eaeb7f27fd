// SOS and indicator constraints: Model.addSOS, getSOS, addGenConstrIndicator
// and getGenConstrIndicator. A handle joins soslist_ or genconstrlist_ only
// once the library has accepted its element.
#include <cstdlib>

#include "building/row_terms.h"
#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "expr/tempconstr.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "runtime/sizes.h"
#include "module/tarvex_error.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

// Appends a new handle of the kind to list, numbered by its position.
PyObject *append_handle(PyObject *list, HandleOps &ops, TVXmodel *mdl) {
  if (!PyList_Check(list)) return raise_code(TVX_ERROR_INVALID_ARGUMENT);
  int index = 0;
  if (!int_size(PyList_GET_SIZE(list), &index)) return nullptr;
  Ref h(ops.new_(mdl, index));
  if (!h || PyList_Append(list, h.get()) < 0) return nullptr;
  return h.release();
}

// ---- addSOS ------------------------------------------------------------------

const char *const addSOS_args[] = {"self", "type", "vars", "wts"};

PyObject *model_addSOS_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  int type = 0;
  if (!as_int32(args[1], &type)) return nullptr;
  if (!check_arg_type(args[2], &PyList_Type, "vars", true) ||
      !check_arg_type(args[3], &PyList_Type, "wts", true))
    return nullptr;
  if (args[2] == Py_None) {
    PyErr_SetString(PyExc_TypeError, "'NoneType' object is not iterable");
    return nullptr;
  }
  // Snapshots: a weight's __float__ may change the caller's lists.
  Ref vars(PyList_GetSlice(args[2], 0, PY_SSIZE_T_MAX));
  if (!vars) return nullptr;
  int n = 0;
  if (!int_size(PyList_GET_SIZE(vars.get()), &n)) return nullptr;
  Buffer<double> weight;
  Ref wts(args[3] == Py_None ? nullptr : PyList_GetSlice(args[3], 0, PY_SSIZE_T_MAX));
  if (args[3] != Py_None && !wts) return nullptr;
  const Py_ssize_t nw = wts ? PyList_GET_SIZE(wts.get()) : n;
  if (nw != n) {
    PyErr_SetString(PyExc_ValueError, "wts doesn't have enough elements");
    return nullptr;
  }
  if (!weight.allocate(n)) return nullptr;
  for (int k = 0; k < n; k++) {
    if (!wts) {
      weight[k] = static_cast<double>(k + 1);
    } else if (!float_of(PyList_GET_ITEM(wts.get(), k), &weight[k])) {
      return nullptr;
    }
  }
  TVXmodel *mdl = model_edit_handle(args[0]);
  if (!mdl) return nullptr;
  // Indices are read last, from handle fields: no Python code runs between
  // them and the library call.
  Buffer<int> ind;
  if (!ind.allocate(n)) return nullptr;
  for (int k = 0; k < n; k++)
    if (term_var_index(PyList_GET_ITEM(vars.get(), k), mdl, &ind[k]) < 0) return nullptr;
  const int beg = 0;
  const int rc = TVXaddsos(mdl, 1, n, &type, &beg, ind.get(), weight.get());
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return append_handle(m->soslist_, SOS_ops, mdl);
}

// ---- getSOS ------------------------------------------------------------------

const char *const getSOS_args[] = {"self", "sos"};

PyObject *model_getSOS_impl(PyObject *, PyObject *const *args) {
  ElementRead e;
  if (!e.open(args, &SOS_Type, "sos", &ModelObject::varlist_)) return nullptr;
  int count = 0, type = 0, beg = 0;
  int rc = TVXgetsos(e.mdl, &count, &type, &beg, nullptr, nullptr, e.index, 1);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Buffer<int> ind;
  Buffer<double> weight;
  if (!ind.allocate(count) || !weight.allocate(count)) return nullptr;
  rc = TVXgetsos(e.mdl, &count, &type, &beg, ind.get(), weight.get(), e.index, 1);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Ref members(PyList_New(count)), weights(PyList_New(count));
  if (!members || !weights) return nullptr;
  for (int k = 0; k < count; k++) {
    PyObject *var = handle_at(e.handles.get(), ind[k], TVX_ERROR_MODEL_INVALID_COL_IDX);
    if (!var) return nullptr;
    Py_INCREF(var);
    PyList_SET_ITEM(members.get(), k, var);
    PyObject *w = PyFloat_FromDouble(weight[k]);
    if (!w) return nullptr;
    PyList_SET_ITEM(weights.get(), k, w);
  }
  return Py_BuildValue("(iOO)", type, members.get(), weights.get());
}

// ---- addGenConstrIndicator ---------------------------------------------------

const char *const addGenConstrIndicator_args[] = {"self",  "binvar", "binval", "lhs",
                                                  "sense", "rhs",    "name"};

// The row, its sense (new str, or the caller's) and right-hand side from lhs
// and the optional sense and rhs. row stays empty for an lhs of no linear
// kind, which the conversion then refuses.
bool indicator_row(PyObject *lhs, PyObject *sense_arg, PyObject *rhs_arg, Ref &row, Ref &sense,
                   double *rhs) {
  const int num = is_number(lhs);
  if (num < 0) return false;
  if (num || handle_check(lhs, &Var_Type) || linexpr_check(lhs)) {
    row = Ref(
        PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&LinExpr_Type), lhs, nullptr));
    if (!row) return false;
    Ref diff(PyNumber_InPlaceSubtract(row.get(), rhs_arg));
    if (!diff) return false;
    if (!linexpr_check(diff.get())) {
      PyErr_SetString(PyExc_TypeError, "Expect a LinExpr");
      return false;
    }
    row = std::move(diff);
    *rhs = -as_linexpr(row.get())->constant_;
    sense = Ref::borrow(sense_arg);
    return true;
  }
  if (tempconstr_check(lhs)) {
    if (sense_arg != Py_None || rhs_arg != Py_None) {
      PyErr_SetString(PyExc_ValueError,
                      "both 'sense' and 'rhs' should be None if lhs is TempConstr");
      return false;
    }
    TempConstrObject *tc = as_tempconstr(lhs);
    Ref expr = Ref::borrow(tc->expr_), lo = Ref::borrow(tc->lhs_), up = Ref::borrow(tc->rhs_);
    if (!linexpr_check(expr.get())) {
      PyErr_SetString(PyExc_TypeError, "indicator constraints can only be in linear form");
      return false;
    }
    const char *s;
    PyObject *side;
    if (lo.get() == Py_None) {
      s = "<";
      side = up.get();
    } else if (up.get() == Py_None) {
      s = ">";
      side = lo.get();
    } else {
      // One indicator row has one sense: a range with two different sides
      // cannot be stated, and taking its upper side would drop the lower.
      const int same = PyObject_RichCompareBool(lo.get(), up.get(), Py_EQ);
      if (same < 0) return false;
      if (!same) {
        PyErr_SetString(PyExc_ValueError,
                        "indicator constraints cannot hold a range with two different sides");
        return false;
      }
      s = "=";
      side = up.get();
    }
    double v = 0;
    if (!float_of(side, &v)) return false;
    *rhs = v - as_linexpr(expr.get())->constant_;
    row = std::move(expr);
    sense = Ref(PyUnicode_FromString(s));
    return static_cast<bool>(sense);
  }
  sense = Ref::borrow(sense_arg);
  return true;
}

PyObject *model_addGenConstrIndicator_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  PyObject *binvar = args[1], *binval = args[2], *lhs = args[3], *sense_arg = args[4],
           *rhs_arg = args[5], *name = args[6];
  if (!check_arg_type(binvar, &Var_Type, "binvar", false) ||
      !check_arg_type(name, &PyUnicode_Type, "name", true))
    return nullptr;
  if (!PyBool_Check(binval)) {
    PyErr_SetString(PyExc_TypeError, "binval should be a boolean value");
    return nullptr;
  }
  if (rhs_arg != Py_None) {
    const int num = is_number(rhs_arg);
    if (num < 0) return nullptr;
    if (!num) {
      PyErr_SetString(PyExc_TypeError, "rhs should be a numeric value");
      return nullptr;
    }
  }
  Ref row, sense;
  double rhs = 0;
  if (!indicator_row(lhs, sense_arg, rhs_arg, row, sense, &rhs)) return nullptr;
  Ref one_row(Py_BuildValue("[O]", row ? row.get() : Py_None));
  if (!one_row) return nullptr;
  RowArrays a;
  if (Model_ops.linExprs2array(m, one_row.get(), false, a) < 0) return nullptr;
  if (name == Py_None) {
    PyErr_SetString(PyExc_TypeError, "expected bytes, NoneType found");
    return nullptr;
  }
  Ref raw_name(str2chars(name));
  if (!raw_name) return nullptr;
  TVXmodel *mdl = model_edit_handle(args[0]);
  if (!mdl) return nullptr;
  int bindex = 0;
  if (binvar == Py_None) {
    Ref none_index(PyObject_GetAttrString(binvar, "index"));  // AttributeError
    return nullptr;
  }
  if (element_index(binvar, mdl, &bindex) < 0) return nullptr;
  if (sense.get() == Py_None) {
    PyErr_SetString(PyExc_TypeError, "expected bytes, NoneType found");
    return nullptr;
  }
  Ref raw_sense(str2chars(sense.get()));
  if (!raw_sense) return nullptr;
  if (PyBytes_GET_SIZE(raw_sense.get()) == 0) {
    PyErr_SetString(PyExc_IndexError, "index out of range");
    return nullptr;
  }
  // The row's indices were read before the name and sense conversions, which
  // run no Python code; the model may still have been disposed meanwhile.
  mdl = model_edit_handle(args[0]);
  if (!mdl) return nullptr;
  const int rc = TVXaddgenconstrIndicator(mdl, PyBytes_AS_STRING(raw_name.get()), bindex,
                                          binval == Py_True ? 1 : 0, a.nnz, a.ind.get(),
                                          a.val.get(), PyBytes_AS_STRING(raw_sense.get())[0], rhs);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return append_handle(m->genconstrlist_, GenConstr_ops, mdl);
}

// ---- getGenConstrIndicator ---------------------------------------------------

const char *const getGenConstrIndicator_args[] = {"self", "genconstr"};

PyObject *model_getGenConstrIndicator_impl(PyObject *, PyObject *const *args) {
  ElementRead e;
  if (!e.open(args, &GenConstr_Type, "genconstr", &ModelObject::varlist_)) return nullptr;
  int binvar = 0, binval = 0, nnz = 0;
  char sense = 0;
  double rhs = 0;
  int rc = TVXgetgenconstrIndicator(e.mdl, e.index, &binvar, &binval, &nnz, nullptr, nullptr,
                                    &sense, &rhs);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Buffer<int> ind;
  Buffer<double> val;
  if (!ind.allocate(nnz) || !val.allocate(nnz)) return nullptr;
  rc = TVXgetgenconstrIndicator(e.mdl, e.index, &binvar, &binval, &nnz, ind.get(), val.get(),
                                &sense, &rhs);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Ref expr(linexpr_new());
  if (!expr) return nullptr;
  for (int k = 0; k < nnz; k++) {
    PyObject *var = handle_at(e.handles.get(), ind[k], TVX_ERROR_MODEL_INVALID_COL_IDX);
    if (!var || LinExpr_ops.addterm(expr.get(), val[k], var) < 0) return nullptr;
  }
  PyObject *bvar = handle_at(e.handles.get(), binvar, TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX);
  if (!bvar) return nullptr;
  // "C" takes an int: the byte as unsigned, promoted.
  return Py_BuildValue("(OOOC d)", bvar, binval ? Py_True : Py_False, expr.get(),
                       static_cast<unsigned char>(sense), rhs);
}

const char addSOS_doc[] = R"doc(
        SIGNATURE:
            addSOS(type, vars, wts=None)

        PURPOSE:
            Add an SOS constraint to the model.

        ARGUMENTS:
            type
            ----
            TVX.SOS_TYPE1 or TVX.SOS_TYPE2.

            vars
            ----
            A list of Var: the members.

            wts=None
            --------
            A list of weights, one per member; None for 1, 2, 3 ...

        EXAMPLE:
            m.addSOS(TVX.SOS_TYPE1, [x, y, z], [1, 2, 4])

        )doc";
const char getSOS_doc[] = R"doc(
        SIGNATURE:
            getSOS(sos)

        PURPOSE:
            Get the type, members and weights of an SOS constraint.

        ARGUMENTS:
            sos
            ---
            An SOS of the model.

        EXAMPLE:
            sostype, members, weights = m.getSOS(s)

        )doc";
const char addGenConstrIndicator_doc[] = R"doc(
        SIGNATURE:
            addGenConstrIndicator(binvar|Var, binval|bool, lhs, sense=None|str, rhs=None|float)

        PURPOSE:
            Add an indicator constraint: when binvar equals binval, the row must hold.

        ARGUMENTS:
            binvar
            ------
            The binary Var.

            binval
            ------
            True or False.

            lhs
            ---
            A number, Var, LinExpr, or a linear TempConstr.

            sense=None
            ----------
            TVX.LESS_EQUAL, TVX.GREATER_EQUAL or TVX.EQUAL.

            rhs=None
            --------
            The right-hand side, a number.

        EXAMPLE:
            m.addGenConstrIndicator(b, True, x + y <= 3)
            m.addGenConstrIndicator(b, False, x + y, TVX.EQUAL, 1)

        NOTE:
            sense and rhs should be None when lhs is a TempConstr.

        )doc";
const char getGenConstrIndicator_doc[] = R"doc(
        SIGNATURE:
            getGenConstrIndicator(genconstr)

        PURPOSE:
            Get the binary variable, its value, the row, sense and right-hand side of an
            indicator constraint.

        ARGUMENTS:
            genconstr
            ---------
            A GenConstr of the model.

        EXAMPLE:
            binvar, binval, expr, sense, rhs = m.getGenConstrIndicator(g)

        )doc";

}  // namespace

const FuncSpec Model_addSOS_spec =
    DZ_METHOD(Model, addSOS, addSOS_args, model_addSOS_impl, addSOS_doc).with_defaults("(None,)");
const FuncSpec Model_getSOS_spec =
    DZ_METHOD(Model, getSOS, getSOS_args, model_getSOS_impl, getSOS_doc);
const FuncSpec Model_addGenConstrIndicator_spec =
    DZ_METHOD(Model, addGenConstrIndicator, addGenConstrIndicator_args,
              model_addGenConstrIndicator_impl, addGenConstrIndicator_doc)
        .with_defaults("(None, None, '')");
const FuncSpec Model_getGenConstrIndicator_spec =
    DZ_METHOD(Model, getGenConstrIndicator, getGenConstrIndicator_args,
              model_getGenConstrIndicator_impl, getGenConstrIndicator_doc);

}  // namespace dz
