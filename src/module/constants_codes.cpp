// The error-code table errors and the status table status, and the constant
// sets TVX.Error and TVX.Status made from them.
#include "module/constants.h"
#include "module/state.h"
#include "module/tarvex.h"

namespace dz {

namespace {

struct CodeRow {
  int code;
  const char *name;
};

// A code of tarvex.h and its TVX name, written once so that the tables
// cannot drift from the library.
#define ERROR_CODE(name) TVX_ERROR_##name, #name
#define STATUS_CODE(name) TVX_STATUS_##name, #name

const CodeRow error_rows[] = {
    {ERROR_CODE(OKAY)},
    {ERROR_CODE(ERROR)},
    {ERROR_CODE(NOMEMORY)},
    {ERROR_CODE(INVALID_ARGUMENT)},
    {ERROR_CODE(HOME_ENV_NOT_FOUND)},
    {ERROR_CODE(DLL_ERROR)},
    {ERROR_CODE(IO_ERROR)},
    {ERROR_CODE(FILE_READ_ERROR)},
    {ERROR_CODE(FILE_WRITE_ERROR)},
    {ERROR_CODE(DIRECTORY_ERROR)},
    {ERROR_CODE(FORMAT_ERROR)},
    {ERROR_CODE(VERSION_ERROR)},
    {ERROR_CODE(REMOTE_INVALID_TOKEN)},
    {ERROR_CODE(REMOTE_CONNECTION_ERROR)},
    {ERROR_CODE(MODEL_INPUT_ERROR)},
    {ERROR_CODE(MODEL_EMPTY)},
    {ERROR_CODE(MODEL_INVALID_ROW_IDX)},
    {ERROR_CODE(MODEL_INVALID_COL_IDX)},
    {ERROR_CODE(MODEL_INVALID_ROW_NAME)},
    {ERROR_CODE(MODEL_INVALID_COL_NAME)},
    {ERROR_CODE(MODEL_INVALID_SYM_MAT_IDX)},
    {ERROR_CODE(MODEL_INVALID_SYM_MAT_ROW_IDX)},
    {ERROR_CODE(MODEL_INVALID_SYM_MAT_COL_IDX)},
    {ERROR_CODE(MODEL_INVALID_STR_ATTR)},
    {ERROR_CODE(MODEL_INVALID_INT_ATTR)},
    {ERROR_CODE(MODEL_INVALID_REAL_ATTR)},
    {ERROR_CODE(MODEL_INVALID_REAL_ATTR_SYM_MAT)},
    {ERROR_CODE(MODEL_INVALID_CHAR_ATTR)},
    {ERROR_CODE(MODEL_INVALID_MAT_ATTR)},
    {ERROR_CODE(MODEL_INVALID_ATTR_NAME)},
    {ERROR_CODE(MODEL_INVALID_SOS_TYPE)},
    {ERROR_CODE(MODEL_INVALID_SOS_IDX)},
    {ERROR_CODE(MODEL_INVALID_INDICATOR_COL_IDX)},
    {ERROR_CODE(MODEL_INVALID_INDICATOR_ROW_IDX)},
    {ERROR_CODE(MODEL_INVALID_INT_RELAX)},
    {ERROR_CODE(DATA_NOT_AVAILABLE)},
    {ERROR_CODE(NO_SOLN)},
    {ERROR_CODE(NO_RAY)},
    {ERROR_CODE(NO_STATISTICS)},
    {ERROR_CODE(INVALID_BASIS_STATUS)},
    {ERROR_CODE(IIS_NO_SOLN)},
    {ERROR_CODE(IIS_FEASIBLE)},
    {ERROR_CODE(PARAM_SET_ERROR)},
    {ERROR_CODE(PARAM_GET_ERROR)},
    {ERROR_CODE(CB_INVALID_WHERE)},
    {ERROR_CODE(CB_INVALID_WHAT)},
    {ERROR_CODE(CB_INVALID_SUBMISSION)},
    {ERROR_CODE(ABORT_ITERATION_LIMIT)},
    {ERROR_CODE(ABORT_TIME_LIMIT)},
    {ERROR_CODE(ABORT_CTRL_C)},
    {ERROR_CODE(ABORT_NODE_LIMIT)},
    {ERROR_CODE(ABORT_STALLING_NODE_LIMIT)},
    {ERROR_CODE(ABORT_SOLUTION_LIMIT)},
    {ERROR_CODE(ABORT_INVALID_METHOD)},
    {ERROR_CODE(ABORT_SOLVER_NOT_AVAILABLE)},
    {ERROR_CODE(SIMPLEX_NUMERIC)},
    {ERROR_CODE(INTERIOR_NUMERIC)},
    {ERROR_CODE(IIS_NUMERIC)},
};

const CodeRow status_rows[] = {
    {STATUS_CODE(UNKNOWN)},   {STATUS_CODE(OPTIMAL)},    {STATUS_CODE(INFEASIBLE)},
    {STATUS_CODE(UNBOUNDED)}, {STATUS_CODE(INF_OR_UBD)}, {STATUS_CODE(SUB_OPTIMAL)},
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

#undef ERROR_CODE
#undef STATUS_CODE

}  // namespace

int build_code_tables(const ConstClasses &c, PyObject *tvx) {
  static_assert(sizeof error_rows / sizeof error_rows[0] == 58, "error table");
  static_assert(sizeof status_rows / sizeof status_rows[0] == 6, "status table");
  if (build_code_table(error_rows, 58, &state().errors, c.error.get(), tvx, "Error", "error") < 0)
    return -1;
  return build_code_table(status_rows, 6, &state().status, c.status.get(), tvx, "Status", "status");
}

}  // namespace dz
