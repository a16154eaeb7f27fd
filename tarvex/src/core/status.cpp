#include "core/status.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

namespace tvx {
namespace {

struct ErrorDetail {
  int code = TVX_ERROR_OKAY;
  std::string text;
};

ErrorDetail &error_detail_slot() noexcept {
  static thread_local ErrorDetail detail;
  return detail;
}

}  // namespace

// NOLINTNEXTLINE(readability-function-size): a table, one case per status code
const char *status_text(int code) noexcept {
  switch (code) {
    case TVX_ERROR_OKAY:
      return "Success";
    case TVX_ERROR_ERROR:
      return "The operation failed or is not supported";
    case TVX_ERROR_NOMEMORY:
      return "Out of memory";
    case TVX_ERROR_INVALID_ARGUMENT:
      return "Invalid argument: a null, unknown or freed handle, or a value out of range";
    case TVX_ERROR_HOME_ENV_NOT_FOUND:
      return "Home environment not found";
    case TVX_ERROR_DLL_ERROR:
      return "A required shared library could not be loaded";
    case TVX_ERROR_IO_ERROR:
      return "Input/output error";
    case TVX_ERROR_FILE_READ_ERROR:
      return "File cannot be read";
    case TVX_ERROR_FILE_WRITE_ERROR:
      return "File cannot be written";
    case TVX_ERROR_DIRECTORY_ERROR:
      return "Directory cannot be accessed";
    case TVX_ERROR_FORMAT_ERROR:
      return "Unknown file format or invalid file content";
    case TVX_ERROR_VERSION_ERROR:
      return "Version mismatch";
    case TVX_ERROR_REMOTE_INVALID_TOKEN:
      return "Invalid token for the remote service";
    case TVX_ERROR_REMOTE_CONNECTION_ERROR:
      return "Connection to the remote service failed";
    case TVX_ERROR_MODEL_INPUT_ERROR:
      return "Invalid model data";
    case TVX_ERROR_MODEL_EMPTY:
      return "Model is empty";
    case TVX_ERROR_MODEL_INVALID_ROW_IDX:
      return "Invalid constraint index";
    case TVX_ERROR_MODEL_INVALID_COL_IDX:
      return "Invalid variable index";
    case TVX_ERROR_MODEL_INVALID_ROW_NAME:
      return "Invalid constraint name";
    case TVX_ERROR_MODEL_INVALID_COL_NAME:
      return "Invalid variable name";
    case TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX:
      return "Invalid PSD variable index";
    case TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX:
      return "Invalid row in a symmetric matrix";
    case TVX_ERROR_MODEL_INVALID_SYM_MAT_COL_IDX:
      return "Invalid column in a symmetric matrix";
    case TVX_ERROR_MODEL_INVALID_STR_ATTR:
      return "Invalid string attribute";
    case TVX_ERROR_MODEL_INVALID_INT_ATTR:
      return "Invalid integer attribute";
    case TVX_ERROR_MODEL_INVALID_REAL_ATTR:
      return "Invalid double attribute";
    case TVX_ERROR_MODEL_INVALID_REAL_ATTR_SYM_MAT:
      return "Invalid double attribute of a symmetric matrix";
    case TVX_ERROR_MODEL_INVALID_CHAR_ATTR:
      return "Invalid character attribute";
    case TVX_ERROR_MODEL_INVALID_MAT_ATTR:
      return "Invalid matrix attribute";
    case TVX_ERROR_MODEL_INVALID_ATTR_NAME:
      return "Unknown attribute name";
    case TVX_ERROR_MODEL_INVALID_SOS_TYPE:
      return "Invalid SOS type";
    case TVX_ERROR_MODEL_INVALID_SOS_IDX:
      return "Invalid SOS index";
    case TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX:
      return "Invalid binary variable of an indicator constraint";
    case TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX:
      return "Invalid indicator constraint index";
    case TVX_ERROR_MODEL_INVALID_INT_RELAX:
      return "Invalid integer relaxation";
    case TVX_ERROR_DATA_NOT_AVAILABLE:
      return "Data not available";
    case TVX_ERROR_NO_SOLN:
      return "No solution available";
    case TVX_ERROR_NO_RAY:
      return "No unbounded ray available";
    case TVX_ERROR_NO_STATISTICS:
      return "No statistics available";
    case TVX_ERROR_INVALID_BASIS_STATUS:
      return "Invalid basis status";
    case TVX_ERROR_IIS_NO_SOLN:
      return "No IIS available";
    case TVX_ERROR_IIS_FEASIBLE:
      return "Model is feasible, so it has no IIS";
    case TVX_ERROR_PARAM_SET_ERROR:
      return "Parameter cannot be set";
    case TVX_ERROR_PARAM_GET_ERROR:
      return "Parameter cannot be read";
    case TVX_ERROR_CB_INVALID_WHERE:
      return "Invalid callback location";
    case TVX_ERROR_CB_INVALID_WHAT:
      return "Invalid callback query";
    case TVX_ERROR_CB_INVALID_SUBMISSION:
      return "Invalid callback submission";
    case TVX_ERROR_ABORT_ITERATION_LIMIT:
      return "Stopped at the iteration limit";
    case TVX_ERROR_ABORT_TIME_LIMIT:
      return "Stopped at the time limit";
    case TVX_ERROR_ABORT_CTRL_C:
      return "Stopped on request";
    case TVX_ERROR_ABORT_NODE_LIMIT:
      return "Stopped at the node limit";
    case TVX_ERROR_ABORT_STALLING_NODE_LIMIT:
      return "Stopped at the stalling node limit";
    case TVX_ERROR_ABORT_SOLUTION_LIMIT:
      return "Stopped at the solution limit";
    case TVX_ERROR_ABORT_INVALID_METHOD:
      return "Invalid solution method for this model";
    case TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE:
      return "No solver available for this model";
    case TVX_ERROR_SIMPLEX_NUMERIC:
      return "Numerical trouble in the simplex method";
    case TVX_ERROR_INTERIOR_NUMERIC:
      return "Numerical trouble in the interior point method";
    case TVX_ERROR_IIS_NUMERIC:
      return "Numerical trouble while computing an IIS";
    default:
      return "Unknown error code";
  }
}

int current_exception_status() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc &) {
    return TVX_ERROR_NOMEMORY;
  } catch (...) {
    return TVX_ERROR_ERROR;
  }
}

int fail_with(int code, std::string detail) noexcept {
  ErrorDetail &slot = error_detail_slot();
  slot.code = code;
  slot.text = std::move(detail);  // a move: no allocation
  return code;
}

void clear_error_detail() noexcept {
  ErrorDetail &slot = error_detail_slot();
  slot.code = TVX_ERROR_OKAY;
  slot.text.clear();
}

const char *error_detail(int code) noexcept {
  const ErrorDetail &slot = error_detail_slot();
  return code != TVX_ERROR_OKAY && slot.code == code ? slot.text.c_str() : "";
}

std::string element_text(int kind, int index) {
  const std::string number = std::to_string(index);
  switch (kind) {
    case TVX_ATTRKIND_MODEL:
      return "the model";
    case TVX_ATTRKIND_VAR:
      return "variable " + number;
    case TVX_ATTRKIND_SOS:
      return "SOS " + number;
    case TVX_ATTRKIND_GENCONSTR:
      return "indicator constraint " + number;
    case TVX_ATTRKIND_PSDVAR:
      return "PSD variable " + number;
    default:
      return "row " + number;
  }
}

std::string number_text(double value) {
  if (std::isnan(value)) return "nan";  // whatever its sign bit
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

std::string char_text(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7f) return std::string("'") + c + "'";
  return "the character of code " + std::to_string(u);
}

}  // namespace tvx
