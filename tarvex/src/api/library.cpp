// What the library says about itself: the text of every status code
// (core/status.h), the detail of the last failure, and its version.
#include "api/c_boundary.h"
#include "core/status.h"
#include "core/version.h"
#include "tarvex.h"

extern "C" TVX_API const char *TVXexplainerror(int code) {
  return tvx::guarded_value("Unknown error code", [code] { return tvx::status_text(code); });
}

// guarded_value, unlike guarded, leaves the detail it is asked for.
extern "C" TVX_API const char *TVXerrordetail(int code) {
  return tvx::guarded_value("", [code] { return tvx::error_detail(code); });
}

extern "C" TVX_API void TVXversion(int *major, int *minor, int *technical) {
  tvx::guarded([=] {
    if (major) *major = TARVEX_VERSION_MAJOR;
    if (minor) *minor = TARVEX_VERSION_MINOR;
    if (technical) *technical = TARVEX_VERSION_PATCH;
    return TVX_ERROR_OKAY;
  });
}
