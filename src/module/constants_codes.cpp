// The error-code table errors and the status table status, and the constant
// sets TVX.Error and TVX.Status made from them.
#include "module/constants.h"
#include "module/state.h"
#include "module/tarvex.h"

namespace dz {

namespace {

struct CodeRow {
  const char *name;
  int code;
};

// The codes come from the library's own header, so the two cannot drift.
const CodeRow error_rows[] = {
    {"OKAY", TVX_ERROR_OKAY},
    {"ERROR", TVX_ERROR_ERROR},
    {"NOMEMORY", TVX_ERROR_NOMEMORY},
    {"INVALID_ARGUMENT", TVX_ERROR_INVALID_ARGUMENT},
    {"HOME_ENV_NOT_FOUND", TVX_ERROR_HOME_ENV_NOT_FOUND},
    {"DLL_ERROR", TVX_ERROR_DLL_ERROR},
    {"IO_ERROR", TVX_ERROR_IO_ERROR},
    {"FILE_READ_ERROR", TVX_ERROR_FILE_READ_ERROR},
    {"FILE_WRITE_ERROR", TVX_ERROR_FILE_WRITE_ERROR},
    {"DIRECTORY_ERROR", TVX_ERROR_DIRECTORY_ERROR},
    {"FORMAT_ERROR", TVX_ERROR_FORMAT_ERROR},
    {"VERSION_ERROR", TVX_ERROR_VERSION_ERROR},
    {"REMOTE_INVALID_TOKEN", TVX_ERROR_REMOTE_INVALID_TOKEN},
    {"REMOTE_CONNECTION_ERROR", TVX_ERROR_REMOTE_CONNECTION_ERROR},
    {"MODEL_INPUT_ERROR", TVX_ERROR_MODEL_INPUT_ERROR},
    {"MODEL_EMPTY", TVX_ERROR_MODEL_EMPTY},
    {"MODEL_INVALID_ROW_IDX", TVX_ERROR_MODEL_INVALID_ROW_IDX},
    {"MODEL_INVALID_COL_IDX", TVX_ERROR_MODEL_INVALID_COL_IDX},
    {"MODEL_INVALID_ROW_NAME", TVX_ERROR_MODEL_INVALID_ROW_NAME},
    {"MODEL_INVALID_COL_NAME", TVX_ERROR_MODEL_INVALID_COL_NAME},
    {"MODEL_INVALID_SYM_MAT_IDX", TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX},
    {"MODEL_INVALID_SYM_MAT_ROW_IDX", TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX},
    {"MODEL_INVALID_SYM_MAT_COL_IDX", TVX_ERROR_MODEL_INVALID_SYM_MAT_COL_IDX},
    {"MODEL_INVALID_STR_ATTR", TVX_ERROR_MODEL_INVALID_STR_ATTR},
    {"MODEL_INVALID_INT_ATTR", TVX_ERROR_MODEL_INVALID_INT_ATTR},
    {"MODEL_INVALID_REAL_ATTR", TVX_ERROR_MODEL_INVALID_REAL_ATTR},
    {"MODEL_INVALID_REAL_ATTR_SYM_MAT", TVX_ERROR_MODEL_INVALID_REAL_ATTR_SYM_MAT},
    {"MODEL_INVALID_CHAR_ATTR", TVX_ERROR_MODEL_INVALID_CHAR_ATTR},
    {"MODEL_INVALID_MAT_ATTR", TVX_ERROR_MODEL_INVALID_MAT_ATTR},
    {"MODEL_INVALID_ATTR_NAME", TVX_ERROR_MODEL_INVALID_ATTR_NAME},
    {"MODEL_INVALID_SOS_TYPE", TVX_ERROR_MODEL_INVALID_SOS_TYPE},
    {"MODEL_INVALID_SOS_IDX", TVX_ERROR_MODEL_INVALID_SOS_IDX},
    {"MODEL_INVALID_INDICATOR_COL_IDX", TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX},
    {"MODEL_INVALID_INDICATOR_ROW_IDX", TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX},
    {"MODEL_INVALID_INT_RELAX", TVX_ERROR_MODEL_INVALID_INT_RELAX},
    {"DATA_NOT_AVAILABLE", TVX_ERROR_DATA_NOT_AVAILABLE},
    {"NO_SOLN", TVX_ERROR_NO_SOLN},
    {"NO_RAY", TVX_ERROR_NO_RAY},
    {"NO_STATISTICS", TVX_ERROR_NO_STATISTICS},
    {"INVALID_BASIS_STATUS", TVX_ERROR_INVALID_BASIS_STATUS},
    {"IIS_NO_SOLN", TVX_ERROR_IIS_NO_SOLN},
    {"IIS_FEASIBLE", TVX_ERROR_IIS_FEASIBLE},
    {"PARAM_SET_ERROR", TVX_ERROR_PARAM_SET_ERROR},
    {"PARAM_GET_ERROR", TVX_ERROR_PARAM_GET_ERROR},
    {"CB_INVALID_WHERE", TVX_ERROR_CB_INVALID_WHERE},
    {"CB_INVALID_WHAT", TVX_ERROR_CB_INVALID_WHAT},
    {"CB_INVALID_SUBMISSION", TVX_ERROR_CB_INVALID_SUBMISSION},
    {"ABORT_ITERATION_LIMIT", TVX_ERROR_ABORT_ITERATION_LIMIT},
    {"ABORT_TIME_LIMIT", TVX_ERROR_ABORT_TIME_LIMIT},
    {"ABORT_CTRL_C", TVX_ERROR_ABORT_CTRL_C},
    {"ABORT_NODE_LIMIT", TVX_ERROR_ABORT_NODE_LIMIT},
    {"ABORT_STALLING_NODE_LIMIT", TVX_ERROR_ABORT_STALLING_NODE_LIMIT},
    {"ABORT_SOLUTION_LIMIT", TVX_ERROR_ABORT_SOLUTION_LIMIT},
    {"ABORT_INVALID_METHOD", TVX_ERROR_ABORT_INVALID_METHOD},
    {"ABORT_SOLVER_NOT_AVAILABLE", TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE},
    {"SIMPLEX_NUMERIC", TVX_ERROR_SIMPLEX_NUMERIC},
    {"INTERIOR_NUMERIC", TVX_ERROR_INTERIOR_NUMERIC},
    {"IIS_NUMERIC", TVX_ERROR_IIS_NUMERIC},
};

const CodeRow status_rows[] = {
    {"UNKNOWN", 0},   {"OPTIMAL", 1},    {"INFEASIBLE", 2},
    {"UNBOUNDED", 3}, {"INF_OR_UBD", 4}, {"SUB_OPTIMAL", 5},
};

// Fills the table, sets every code as a plain class attribute of cls and of
// tvx, then sets the instance on tvx under both member names.
int build_code_table(const CodeRow *rows, Py_ssize_t nrows, PyObject **slot, PyObject *cls,
                     PyObject *tvx, const char *member, const char *twin) {
  Ref table(_PyDict_NewPresized(nrows));
  if (!table) return -1;
  for (Py_ssize_t r = 0; r < nrows; r++) {
    Ref row(Py_BuildValue("[i]", rows[r].code));
    if (!row || PyDict_SetItemString(table.get(), rows[r].name, row.get()) < 0) return -1;
  }
  set_private(slot, table.get());

  Py_ssize_t pos = 0;
  PyObject *name, *row;  // borrowed from the private table
  // No name contains a "/", so the key is the attribute name as it stands.
  while (PyDict_Next(table.get(), &pos, &name, &row)) {
    PyObject *code = PyList_GET_ITEM(row, 0);
    if (PyObject_SetAttr(cls, name, code) < 0 || PyObject_SetAttr(tvx, name, code) < 0) return -1;
  }

  Ref instance(PyObject_CallObject(cls, nullptr));
  if (!instance || PyObject_SetAttrString(tvx, member, instance.get()) < 0) return -1;
  Ref back(PyObject_GetAttrString(tvx, member));
  if (!back) return -1;
  return PyObject_SetAttrString(tvx, twin, back.get());
}

}  // namespace

int build_code_tables(const ConstClasses &c, PyObject *tvx) {
  static_assert(sizeof error_rows / sizeof error_rows[0] == 58, "error table");
  static_assert(sizeof status_rows / sizeof status_rows[0] == 6, "status table");
  if (build_code_table(error_rows, 58, &state().errors, c.error.get(), tvx, "Error", "error") < 0)
    return -1;
  return build_code_table(status_rows, 6, &state().status, c.status.get(), tvx, "Status", "status");
}

}  // namespace dz
