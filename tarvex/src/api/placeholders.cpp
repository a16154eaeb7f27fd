// Declared functions that are not built yet. Each checks its handle like every
// other call, then refuses with kUnbuilt, so the module can link against the
// whole interface from the first build and never mistakes an unset output
// for a result.
#include "core/registry.h"
#include "core/status.h"
#include "tarvex.h"

namespace {

int unbuilt_model(const TVXmodel *model) {
  return tvx::find_model(model) ? tvx::kUnbuilt : TVX_ERROR_INVALID_ARGUMENT;
}

int unbuilt_callback(const void *cbdata) {
  return tvx::find_callback(cbdata) ? tvx::kUnbuilt : TVX_ERROR_INVALID_ARGUMENT;
}

}  // namespace

extern "C" TVX_API int TVXaddpsdvar(TVXmodel *model, int, int, const int *, const double *,
                                    const char *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXaddrangepsdconstr(TVXmodel *model, int, int, int, const int *,
                                            const double *, const int *, const int *, const int *,
                                            const double *, double, double, const char *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbget(void *cbdata, int, int, void *) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbcut(void *cbdata, int, const int *, const double *, char, double) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbcutp(void *cbdata, int, const int *, const double *, char, double) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbbranch(void *cbdata, int, int, double) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbbranchp(void *cbdata, int, int, double) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbsolution(void *cbdata, const double *, double *) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcbsolutionp(void *cbdata, const double *, double *) {
  try {
    return unbuilt_callback(cbdata);
  } catch (...) {
    return tvx::current_exception_status();
  }
}
