// The calls a running callback makes (solve/callback.h).
#include "api/c_boundary.h"
#include "solve/callback.h"
#include "tarvex.h"

extern "C" TVX_API int TVXcbget(void *cbdata, int where, int what, void *value) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    if (where != call.where) return TVX_ERROR_CB_INVALID_WHERE;
    if (value == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    return call.site->query(what, value);
  });
}

extern "C" TVX_API int TVXcbcut(void *cbdata, int n, const int *ind, const double *val, char sense,
                                double rhs) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    return tvx::submit_cut(call, false, n, ind, val, sense, rhs);
  });
}

extern "C" TVX_API int TVXcbcutp(void *cbdata, int n, const int *ind, const double *val, char sense,
                                 double rhs) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    return tvx::submit_cut(call, true, n, ind, val, sense, rhs);
  });
}

extern "C" TVX_API int TVXcbbranch(void *cbdata, int index, int way, double value) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    return tvx::submit_branch(call, false, index, way, value);
  });
}

extern "C" TVX_API int TVXcbbranchp(void *cbdata, int column, int way, double value) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    return tvx::submit_branch(call, true, column, way, value);
  });
}

extern "C" TVX_API int TVXcbsolution(void *cbdata, const double *sol, double *objval) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    return tvx::submit_solution(call, false, sol, objval);
  });
}

extern "C" TVX_API int TVXcbsolutionp(void *cbdata, const double *sol, double *objval) {
  return tvx::callback_call(cbdata, [=](tvx::CallbackCall &call) -> int {
    return tvx::submit_solution(call, true, sol, objval);
  });
}
