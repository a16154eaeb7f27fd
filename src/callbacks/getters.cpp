// The what-codes Model.cbGet reads and the four getters that read them: the
// table whats maps each code to its getter, which checks the code, the model
// and the position before the library is asked.
#include "callbacks/getters.h"

#include "callbacks/context.h"
#include "module/tarvex_error.h"
#include "runtime/globals.h"
#include "runtime/args.h"
#include "runtime/function.h"

namespace dz {

namespace {

enum Getter { CBINT, CBDBL, CBINTAT, CBDBLAT };

// The length of an array what-code's array: the library does not report it,
// so it is asked for separately before any element is read.
enum Extent {
  SCALAR,
  PRESOLVED_VARS,
  PRESOLVED_CONSTRS,
  PRESOLVED_NONZEROS,
  MODEL_VARS,
};

struct WhatRow {
  int code;
  const char *name;
  Getter getter;
  const char *kind;
  bool is_public;
  Extent extent;
  const char *desc;
};

const WhatRow what_rows[] = {
    {CB_CODE(PRE_NUMVARS), CBINT, "md", true, SCALAR, "Number columns of the presolved model."},
    {CB_CODE(PRE_NUMCONSTRS), CBINT, "md", true, SCALAR, "Number rows of the presolved model."},
    {CB_CODE(PRE_NUMNZS), CBINT, "md", true, SCALAR,
     "Number nonzero elements of the presolved model."},
    {CB_CODE(PRE_LB), CBDBLAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the lower bound of columns of the presolved model."},
    {CB_CODE(PRE_UB), CBDBLAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the upper bound of columns of the presolved model."},
    {CB_CODE(PRE_LHS), CBDBLAT, "cd", false, PRESOLVED_CONSTRS,
     "Array to hold the lower bound of rows of the presolved model."},
    {CB_CODE(PRE_RHS), CBDBLAT, "cd", false, PRESOLVED_CONSTRS,
     "Array to hold the upper bound of rows of the presolved model."},
    {CB_CODE(PRE_OBJ), CBDBLAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the objective coefficients of the presolved model."},
    {CB_CODE(PRE_ISINT), CBINTAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the integer type of columns of the presolved model."},
    {CB_CODE(PRE_ELEMENTS), CBDBLAT, "cd", false, PRESOLVED_NONZEROS,
     "Array to hold the value of the nonzero elements (in CSC format) of the presolved "
     "model."},
    {CB_CODE(PRE_INDICES), CBINTAT, "cd", false, PRESOLVED_NONZEROS,
     "Array to hold the row index of the nonzero elements (in CSC format) of the presolved "
     "model."},
    {CB_CODE(PRE_STARTS), CBINTAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the start position of the nonzero elements (in CSC format) of the "
     "presolved model."},
    {CB_CODE(PRE_OBJCONST), CBDBL, "md", false, SCALAR,
     "The objective constant of the presolved model."},
    {CB_CODE(MIP_OBJBST), CBDBL, "md", true, SCALAR,
     "Current best objective (global primal bound). "},
    {CB_CODE(MIP_OBJBND), CBDBL, "md", true, SCALAR,
     "Current best objective bound (global dual bound)."},
    {CB_CODE(MIP_RELVAL), CBDBL, "md", true, SCALAR,
     "Current relaxation objective (local dual bound)."},
    {CB_CODE(MIP_SOLPRE), CBDBLAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the best solution(in presolved domain) found so far."},
    {CB_CODE(MIP_RELPRE), CBDBLAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the relaxation solution(in presolved domain) found so far."},
    {CB_CODE(MIP_RELRDCPRE), CBDBLAT, "vd", false, PRESOLVED_VARS,
     "Array to hold the reduced costs of the relaxation(in presolved domain) found so far."},
    {CB_CODE(MIP_NODCNT), CBINT, "md", true, SCALAR, "Total number of nodes explored so far. "},
    {CB_CODE(MIP_SOLCNT), CBINT, "md", true, SCALAR,
     "Total number of feasible solutions found so far. "},
    {CB_CODE(MIP_CUTCNT), CBINT, "md", true, SCALAR,
     "Total number of cutting planes applied so far. "},
    {CB_CODE(MIP_NODLFT), CBINT, "md", true, SCALAR, "Total number of nodes unexplored nodes. "},
    {CB_CODE(MIP_NODEID), CBINT, "md", true, SCALAR, "The unique ID of the current node. "},
    {CB_CODE(MIP_DEPTH), CBINT, "md", true, SCALAR, "The depth of the current node. "},
    {CB_CODE(MIP_PHASE), CBINT, "md", true, SCALAR,
     "Current phase in the MIP optimizer. (0: no solution; 1: far away from optimum; 2: close "
     "to the optimum) "},
    {CB_CODE(MIP_LB), CBDBLAT, "vd", false, MODEL_VARS,
     "Array to hold the lower bound of variables at the current node."},
    {CB_CODE(MIP_UB), CBDBLAT, "vd", false, MODEL_VARS,
     "Array to hold the upper bound of variables at the current node."},
    {CB_CODE(MIP_SOL), CBDBLAT, "vd", true, MODEL_VARS,
     "Array to hold the best solution(in original domain) found so far."},
    {CB_CODE(MIP_REL), CBDBLAT, "vd", true, MODEL_VARS,
     "Array to hold the relaxation solution(in original domain) found so far."},
};

constexpr Py_ssize_t kNumWhats = sizeof what_rows / sizeof what_rows[0];
static_assert(kNumWhats == 30, "what-code table");

// ---- The getters ---------------------------------------------------------

// TVXcbget writes through an untyped pointer whose target the code decides,
// so a getter answers only the codes of its own rows: any other code could
// make the library write a pointer into an int.
const WhatRow *row_for(int code, Getter getter) {
  for (const WhatRow &r : what_rows)
    if (r.code == code) return r.getter == getter ? &r : nullptr;
  return nullptr;
}

bool check_model(PyObject *model) {
  // None passes the usual argument type test but has no fields to read.
  if (model == Py_None) return raise_arg_type(model, &Model_Type, "model");
  return check_arg_type(model, &Model_Type, "model", false);
}

// Converts code (and i), checks the model, finds the code's row and reads
// the context. The row is checked first: a foreign code is refused whether
// or not a callback runs.
const WhatRow *prepare(PyObject *const *args, Getter getter, bool indexed, int *code, int *i,
                       RunningCallback *ctx) {
  if (!as_int32(args[1], code)) return nullptr;
  if (indexed && !as_int32(args[2], i)) return nullptr;
  if (!check_model(args[0])) return nullptr;
  const WhatRow *row = row_for(*code, getter);
  if (!row) {
    raise_code(TVX_ERROR_CB_INVALID_WHAT);
    return nullptr;
  }
  return in_callback(args[0], ctx) ? row : nullptr;
}

// Refuses a position outside the code's array before the library's array
// is touched.
bool check_position(const RunningCallback &ctx, const WhatRow &row, int i) {
  int n = 0, rc;
  switch (row.extent) {
    case PRESOLVED_VARS:
      rc = TVXcbget(ctx.cbdata, ctx.where, TVX_CB_PRE_NUMVARS, &n);
      break;
    case PRESOLVED_CONSTRS:
      rc = TVXcbget(ctx.cbdata, ctx.where, TVX_CB_PRE_NUMCONSTRS, &n);
      break;
    case PRESOLVED_NONZEROS:
      rc = TVXcbget(ctx.cbdata, ctx.where, TVX_CB_PRE_NUMNZS, &n);
      break;
    case MODEL_VARS: {
      // The model's arrays are the first entries of the presolved ones:
      // positions past either count are refused.
      int columns = 0;
      rc = TVXgetintattr(ctx.model, "NumVars", &n);
      if (rc == TVX_ERROR_OKAY) rc = TVXcbget(ctx.cbdata, ctx.where, TVX_CB_PRE_NUMVARS, &columns);
      if (columns < n) n = columns;
      break;
    }
    default:
      rc = TVX_ERROR_CB_INVALID_WHAT;
      break;
  }
  if (rc != TVX_ERROR_OKAY) {
    raise_code(rc);
    return false;
  }
  if (i < 0 || i >= n) {
    raise_code(TVX_ERROR_CB_INVALID_WHAT);
    return false;
  }
  return true;
}

PyObject *number_object(int value) { return PyLong_FromLong(value); }
PyObject *number_object(double value) { return PyFloat_FromDouble(value); }

// cbint and cbdbl: one scalar of the getter's type.
template <typename T, Getter getter>
PyObject *callbacks_scalar_impl(PyObject *, PyObject *const *args) {
  int code;
  T value = 0;
  RunningCallback ctx;
  if (!prepare(args, getter, false, &code, nullptr, &ctx)) return nullptr;
  int rc = TVXcbget(ctx.cbdata, ctx.where, code, &value);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return number_object(value);
}

// No integer stands for "undefined", so a missing integer array is an error.
PyObject *no_int_array() { return raise_code(TVX_ERROR_DATA_NOT_AVAILABLE); }

// A missing double array reads as TVX.UNDEFINED.
PyObject *no_dbl_array() {
  Ref undefined(tvx_constant("UNDEFINED"));
  if (!undefined) return nullptr;
  return PyNumber_Float(undefined.get());
}

// cbintat and cbdblat: entry i of the getter's array; missing() answers
// when the library has no array.
template <typename T, Getter getter, PyObject *(*missing)()>
PyObject *callbacks_array_impl(PyObject *, PyObject *const *args) {
  int code, i;
  RunningCallback ctx;
  const WhatRow *row = prepare(args, getter, true, &code, &i, &ctx);
  if (!row || !check_position(ctx, *row, i)) return nullptr;
  T *array = nullptr;
  int rc = TVXcbget(ctx.cbdata, ctx.where, code, &array);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (!array) return missing();
  return number_object(array[i]);
}

const char *const scalar_args[] = {"model", "code"};
const char *const array_args[] = {"model", "code", "i"};

const FuncSpec getter_specs[] = {
    func_spec("cbint", nullptr, scalar_args, 0, nullptr, callbacks_scalar_impl<int, CBINT>,
              nullptr),
    func_spec("cbdbl", nullptr, scalar_args, 0, nullptr, callbacks_scalar_impl<double, CBDBL>,
              nullptr),
    func_spec("cbintat", nullptr, array_args, 0, nullptr,
              callbacks_array_impl<int, CBINTAT, no_int_array>, nullptr),
    func_spec("cbdblat", nullptr, array_args, 0, nullptr,
              callbacks_array_impl<double, CBDBLAT, no_dbl_array>, nullptr),
};

}  // namespace

PyObject *make_whats_table() {
  Ref whats(_PyDict_NewPresized(kNumWhats));
  if (!whats) return nullptr;
  for (const WhatRow &r : what_rows) {
    Ref getter(function_new(&getter_specs[r.getter]));
    if (!getter) return nullptr;
    Ref key(PyLong_FromLong(r.code));
    Ref row(Py_BuildValue("[sOsOs]", r.name, getter.get(), r.kind, r.is_public ? Py_True : Py_False,
                          r.desc));
    if (!key || !row || PyDict_SetItem(whats.get(), key.get(), row.get()) < 0) return nullptr;
  }
  return whats.release();
}

}  // namespace dz
