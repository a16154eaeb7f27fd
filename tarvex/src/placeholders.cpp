// Declared functions that are not built yet. Each checks its handle like every
// other call, then refuses with kUnbuilt, so the module can link against the
// whole interface from the first build and never mistakes an unset output
// for a result.
#include "registry.h"
#include "status.h"
#include "tarvex.h"

namespace {

int unbuilt_model(const TVXmodel *model) {
  return tvx::find_model(model) ? tvx::kUnbuilt : TVX_ERROR_INVALID_ARGUMENT;
}

int unbuilt_callback(const void *cbdata) {
  return tvx::find_callback(cbdata) ? tvx::kUnbuilt : TVX_ERROR_INVALID_ARGUMENT;
}

}  // namespace

extern "C" TVX_API int TVXaddsos(TVXmodel *model, int, int, const int *, const int *, const int *,
                                 const double *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXaddgenconstrIndicator(TVXmodel *model, const char *, int, int, int,
                                                const int *, const double *, char, double) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

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

extern "C" TVX_API int TVXgetconstrs(TVXmodel *model, int *, int *, int *, double *, int, int) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetvars(TVXmodel *model, int *, int *, int *, double *, int, int) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetcoeff(TVXmodel *model, int, int, double *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXchgcoeffs(TVXmodel *model, int, const int *, const int *,
                                    const double *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetsos(TVXmodel *model, int *, int *, int *, int *, double *, int, int) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetgenconstrIndicator(TVXmodel *model, int, int *, int *, int *, int *,
                                                double *, char *, double *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXdelvars(TVXmodel *model, int, const int *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXdelconstrs(TVXmodel *model, int, const int *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXdelsos(TVXmodel *model, int, const int *) {
  try {
    return unbuilt_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXdelgenconstrs(TVXmodel *model, int, const int *) {
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
