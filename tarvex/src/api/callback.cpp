// The calls a callback makes during a solve. They are unbuilt: each checks
// its callback data like every other call checks its handle, then refuses
// with kUnbuilt, so no caller mistakes an unset output for a result.
#include "api/c_boundary.h"
#include "core/registry.h"
#include "core/status.h"
#include "tarvex.h"

namespace {

int unbuilt_callback_call(const void *cbdata) noexcept {
  return tvx::guarded(
      [cbdata] { return tvx::find_callback(cbdata) ? tvx::kUnbuilt : TVX_ERROR_INVALID_ARGUMENT; });
}

}  // namespace

extern "C" TVX_API int TVXcbget(void *cbdata, int, int, void *) {
  return unbuilt_callback_call(cbdata);
}

extern "C" TVX_API int TVXcbcut(void *cbdata, int, const int *, const double *, char, double) {
  return unbuilt_callback_call(cbdata);
}

extern "C" TVX_API int TVXcbcutp(void *cbdata, int, const int *, const double *, char, double) {
  return unbuilt_callback_call(cbdata);
}

extern "C" TVX_API int TVXcbbranch(void *cbdata, int, int, double) {
  return unbuilt_callback_call(cbdata);
}

extern "C" TVX_API int TVXcbbranchp(void *cbdata, int, int, double) {
  return unbuilt_callback_call(cbdata);
}

extern "C" TVX_API int TVXcbsolution(void *cbdata, const double *, double *) {
  return unbuilt_callback_call(cbdata);
}

extern "C" TVX_API int TVXcbsolutionp(void *cbdata, const double *, double *) {
  return unbuilt_callback_call(cbdata);
}
