// Cuts and branching in callbacks. Each submission makes one library call
// and returns its result, raising only for a negative one.
#include "callbacks/context.h"
#include "callbacks/methods.h"
#include "expr/linexpr.h"
#include "model/handles.h"
#include "model/model.h"
#include "module/tarvex_error.h"
#include "runtime/args.h"
#include "runtime/sizes.h"
#include "runtime/arraylike.h"
#include "runtime/numpy_api.h"
#include "runtime/utf8.h"

namespace dz {
namespace {

PyObject *result_of(int outcome) {
  return outcome < 0 ? raise_code(outcome) : PyLong_FromLong(outcome);
}

// The first byte of bytes(sense, "UTF-8"): IndexError for an empty str,
// OverflowError beyond ASCII, the TypeError of bytes() for a non-str.
bool sense_char(PyObject *sense, char *out) {
  Ref bytes(str2chars(sense));
  if (!bytes) return false;
  if (PyBytes_GET_SIZE(bytes.get()) == 0) {
    PyErr_SetString(PyExc_IndexError, "index out of range");
    return false;
  }
  const unsigned char c = static_cast<unsigned char>(PyBytes_AS_STRING(bytes.get())[0]);
  if (c >= 128) {
    PyErr_SetString(PyExc_OverflowError, "value too large to convert to char");
    return false;
  }
  *out = static_cast<char>(c);
  return true;
}

// A side of the algebraic form: a number, a Var or a LinExpr. 1, 0, -1.
int is_side(PyObject *side) {
  if (handle_check(side, &Var_Type) || linexpr_check(side)) return 1;
  return is_number_instance(side);
}

// The cbdata of the call under way, read again after Python code ran.
void *live_cbdata(PyObject *self) {
  RunningCallback ctx;
  return in_callback(self, &ctx) ? ctx.cbdata : nullptr;
}

PyObject *model_cbCut_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *lhs = args[1], *sense = args[2], *rhs = args[3], *obj = args[4];
  RunningCallback ctx;
  if (!in_callback(self, &ctx)) return nullptr;
  const int lhs_single = is_zero_dim(lhs);
  if (lhs_single < 0) return nullptr;
  if (!lhs_single) {
    const int sense_single = is_zero_dim(sense);
    if (sense_single < 0) return nullptr;
    if (!sense_single && PyUnicode_Check(rhs)) {
      return PyObject_CallMethod(self, "_cbCutP", "OOOO", lhs, sense, rhs, obj);
    }
  }
  int ok = is_side(lhs);
  if (ok <= 0) {
    if (ok == 0)
      PyErr_SetString(PyExc_TypeError, "`lhs` shoud be one of [number, Var, LinExpr] type");
    return nullptr;
  }
  ok = is_side(rhs);
  if (ok <= 0) {
    if (ok == 0)
      PyErr_SetString(PyExc_TypeError, "`rhs` shoud be one of [number, Var, LinExpr] type");
    return nullptr;
  }
  Ref row(linexpr_new());
  if (!row) return nullptr;
  Ref added(PyNumber_InPlaceAdd(row.get(), lhs));
  if (!added) return nullptr;
  Ref subtracted(PyNumber_InPlaceSubtract(row.get(), rhs));
  if (!subtracted) return nullptr;
  Ref rows(PyList_New(1));
  if (!rows) return nullptr;
  PyList_SET_ITEM(rows.get(), 0, row.newref());
  RowArrays terms;
  if (Model_ops.linExprs2array(as_model(self), rows.get(), false, terms) < 0) return nullptr;
  char s;
  if (!sense_char(sense, &s)) return nullptr;
  const double right = -as_linexpr(row.get())->constant_;
  void *cbdata = live_cbdata(self);
  if (!cbdata) return nullptr;
  return result_of(TVXcbcut(cbdata, terms.nnz, terms.ind.get(), terms.val.get(), s, right));
}

PyObject *model_cbCutP_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *coeffs = args[1], *indices = args[2], *sense = args[3], *rhs = args[4];
  RunningCallback ctx;
  if (!in_callback(self, &ctx)) return nullptr;
  Ref ind(reinterpret_cast<PyObject *>(np_row_major(indices, PyArray_DescrFromType(NPY_INT32))));
  if (!ind) return nullptr;
  Ref val(reinterpret_cast<PyObject *>(np_row_major(coeffs, PyArray_DescrFromType(NPY_DOUBLE))));
  if (!val) return nullptr;
  double right = 0;
  if (rhs != Py_None && !as_double(rhs, &right)) return nullptr;
  PyArrayObject *ind_array = reinterpret_cast<PyArrayObject *>(ind.get());
  PyArrayObject *val_array = reinterpret_cast<PyArrayObject *>(val.get());
  int count = 0;
  if (!int_size(PyArray_SIZE(ind_array), &count)) return nullptr;
  char s;
  if (!sense_char(sense, &s)) return nullptr;
  // The library reads one coefficient per position.
  if (PyArray_SIZE(val_array) < count) {
    PyErr_SetString(PyExc_ValueError, "coeffs doesn't have enough elements");
    return nullptr;
  }
  void *cbdata = live_cbdata(self);
  if (!cbdata) return nullptr;
  return result_of(TVXcbcutp(cbdata, count, static_cast<const int *>(PyArray_DATA(ind_array)),
                             static_cast<const double *>(PyArray_DATA(val_array)), s, right));
}

PyObject *model_cbBranch_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *var = args[1];
  double value;
  int way;
  if (!as_double(args[2], &value) || !as_int32(args[3], &way)) return nullptr;
  RunningCallback ctx;
  if (!in_callback(self, &ctx)) return nullptr;
  if (PyLong_Check(var)) {
    int column;
    if (!as_int32(var, &column)) return nullptr;
    return result_of(TVXcbbranchp(ctx.cbdata, column, way, value));
  }
  int index;
  if (element_index(var, ctx.model, &index) < 0) return nullptr;
  void *cbdata = live_cbdata(self);
  if (!cbdata) return nullptr;
  return result_of(TVXcbbranch(cbdata, index, way, value));
}

const char *const cut_args[] = {"self", "lhs", "sense", "rhs", "obj"};
const char *const cutp_args[] = {"self", "coeffs", "indices", "sense", "rhs"};
const char *const branch_args[] = {"self", "var", "value", "way"};

const char cbCut_doc[] = R"doc(
        SIGNATURE:
            cbCut(lhs, sense, rhs)

        PURPOSE:
            Add a new cutting plane to the MIP model.
            Method returns:
            * 0: Successful submission
            * 1: Submission is valid but incorrect (infeasible, etc)
            * 2: Submission is correct but not being accepted.

        ARGUMENTS:
            lhs
            ---
            Left-hand-side value for new cutting plane. Can be `Var` or `LinExpr`

            sense
            -----
            Sense for new cutting plane.

            rhs
            ---
            Right-hand-side value for new cutting plane. Can be `Var` or `LinExpr`

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPSOL:
                    model.cbCut(x + y, "<=", 1)

        NOTE:
            Method can only be called within callback function.

        )doc";

const char cbBranch_doc[] = R"doc(
        SIGNATURE:
            cbBranch(var, value, way)

        PURPOSE:
            Indicate a new branching by specifying a variable and a split point between the
            lower and upper bounds of this variable.
            Method returns:
            * 0: Successful submission
            * 1: Submission is valid but incorrect (infeasible, etc)
            * 2: Submission is correct but not being accepted.

        ARGUMENTS:
            var
            ---
            The variable.

            value
            -----
            The split point. It should be between the lower and upper bounds of variable.

            way
            ---
            The branch to consider first. Valid options are:
            * <0: the down-way branch is considered first.
            * >0: the up-way branch is considered first.

        EXAMPLE:
            def mycallback(model, where):
                if where == TVX.Callback.MIPNODE:
                    model.cbBranch(x, 0.5, -1)

        NOTE:
            Method can only be called within callback function.

        )doc";

}  // namespace

const FuncSpec Model_cbCut_spec =
    DZ_METHOD(Model, cbCut, cut_args, model_cbCut_impl, cbCut_doc).with_defaults("(None,)");
// Internal: no docstring, reached through cbCut.
const FuncSpec Model_cbCutP_spec = DZ_METHOD(Model, _cbCutP, cutp_args, model_cbCutP_impl, nullptr);
const FuncSpec Model_cbBranch_spec =
    DZ_METHOD(Model, cbBranch, branch_args, model_cbBranch_impl, cbBranch_doc);

}  // namespace dz
