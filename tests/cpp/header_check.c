/* A C caller of the shared library, compiled as strict C99: the interface
 * header stays plain C, the library loads without a C++ caller, and null,
 * forged and freed handles are refused with the documented results. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "tarvex.h"

static int failures = 0;
static const char *handles = ""; /* which handles the current checks use */

static void expect(int ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "failed%s: %s\n", handles, what);
    ++failures;
  }
}

#define EXPECT_CODE(call, code) expect((call) == (code), #call " == " #code)

static int never_called(TVXmodel *model, void *cbdata, int where, void *usrdata) {
  (void)model;
  (void)cbdata;
  (void)where;
  (void)usrdata;
  return 0;
}

/* Every kind of handle a caller may get wrong. */
static void refuses(TVXenv *env, TVXmodel *model, const char *label) {
  int value = -1;
  double real = -1;
  handles = label;
  EXPECT_CODE(TVXstartenv(env), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXfreeenv(env), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXmsg(env, "text"), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXgetintparam(env, "Method", &value), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXsetdblparam(env, "MaxTime", 1.0), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXfreemodel(model), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXgetintattr(model, "NumVars", &value), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXsetdblattr(model, "ObjCon", 1.0), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXgetcoeff(model, 0, 0, &real), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXoptimize(model), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXcomputeIIS(model), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXsetcallbackfunc(model, never_called, NULL), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXcbget((void *)model, 0, 0, &value), TVX_ERROR_INVALID_ARGUMENT);
  expect(TVXgetenv(model) == NULL, "TVXgetenv gives NULL");
  expect(TVXcopymodel(model) == NULL, "TVXcopymodel gives NULL");
  expect(value == -1 && real == -1, "no output written");
}

int main(void) {
  TVXenv *env = NULL;
  TVXmodel *model = NULL;
  int major = -1, minor = -1, technical = -1, vars = -1;

  TVXversion(&major, &minor, &technical);
  TVXversion(NULL, NULL, NULL);
  expect(major >= 1 && minor >= 0 && technical >= 0, "TVXversion fills its outputs");
  expect(strcmp(TVXexplainerror(12345), "Unknown error code") == 0, "text of an unknown code");

  refuses(NULL, NULL, " (null handles)");
  /* NOLINTNEXTLINE(performance-no-int-to-ptr): forged handles, never dereferenced */
  refuses((TVXenv *)(uintptr_t)0x7ff0, (TVXmodel *)(uintptr_t)0x7ff2, " (forged handles)");

  handles = "";
  EXPECT_CODE(TVXloadenv(&env, NULL), TVX_ERROR_OKAY);
  EXPECT_CODE(TVXnewmodel(env, &model, "m", 2, NULL, NULL, NULL, NULL, NULL), TVX_ERROR_OKAY);
  EXPECT_CODE(TVXgetintattr(model, "NumVars", &vars), TVX_ERROR_OKAY);
  expect(vars == 2, "a live model answers");
  /* A model's environment is not the caller's to free. */
  EXPECT_CODE(TVXfreeenv(TVXgetenv(model)), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_CODE(TVXfreemodel(model), TVX_ERROR_OKAY);
  EXPECT_CODE(TVXfreeenv(env), TVX_ERROR_OKAY);
  refuses(env, model, " (freed handles)");

  if (failures > 0) fprintf(stderr, "%d failures\n", failures);
  return failures > 0 ? 1 : 0;
}
