// Parameters of an environment: typed access, reset and parameter files.
//
// A name unknown to the table, or given to the functions of the other type,
// is PARAM_GET_ERROR when reading and PARAM_SET_ERROR when writing; the table
// holds no string parameter, so the string functions refuse every name.
#include "api/c_boundary.h"
#include "core/env.h"
#include "io/file_report.h"
#include "io/formats.h"
#include "store/params.h"
#include "tarvex.h"

namespace {

using tvx::Env;
using tvx::EnvSettings;
using tvx::ParamType;

template <class T>
int get_param(Env &e, const char *name, ParamType type, T *value) {
  if (name == nullptr || value == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  const int i = tvx::find_param(name, type);
  if (i < 0) return TVX_ERROR_PARAM_GET_ERROR;
  *value =
      static_cast<T>(e.with([i](const EnvSettings &s) { return s.params.value[tvx::to_size(i)]; }));
  return TVX_ERROR_OKAY;
}

// Any output may be NULL.
template <class T>
int get_param_info(Env &e, const char *name, ParamType type, T *current, T *minimum, T *maximum,
                   T *defval) {
  if (name == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  const int i = tvx::find_param(name, type);
  if (i < 0) return TVX_ERROR_PARAM_GET_ERROR;
  const tvx::ParamDef &def = tvx::param_def(i);
  const double now = e.with([i](const EnvSettings &s) { return s.params.value[tvx::to_size(i)]; });
  if (current) *current = static_cast<T>(now);
  if (minimum) *minimum = static_cast<T>(def.minval);
  if (maximum) *maximum = static_cast<T>(def.maxval);
  if (defval) *defval = static_cast<T>(def.defval);
  return TVX_ERROR_OKAY;
}

int set_param(Env &e, const char *name, ParamType type, double value) {
  if (name == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  const int i = tvx::find_param(name, type);
  if (i < 0 || !tvx::in_range(tvx::param_def(i), value)) return TVX_ERROR_PARAM_SET_ERROR;
  e.with([i, value](EnvSettings &s) { s.params.value[tvx::to_size(i)] = value; });
  return TVX_ERROR_OKAY;
}

// A parameter file call, whose failure the environment's log explains.
template <class Call>
int param_file_call(Env &e, tvx::FileAction action, const char *filename, Call &&call) {
  const std::string logfile = e.with([](const EnvSettings &s) { return s.logfile; });
  return tvx::reported(action, filename, logfile, call);
}

// The string functions' answer once the environment is known good.
int no_string_parameter(const char *name, const void *buffer, int code) {
  return name == nullptr || buffer == nullptr ? TVX_ERROR_INVALID_ARGUMENT : code;
}

}  // namespace

extern "C" TVX_API int TVXgetintparam(TVXenv *env, const char *name, int *value) {
  return tvx::env_call(env, [=](Env &e) { return get_param(e, name, ParamType::Int, value); });
}

extern "C" TVX_API int TVXgetdblparam(TVXenv *env, const char *name, double *value) {
  return tvx::env_call(env, [=](Env &e) { return get_param(e, name, ParamType::Dbl, value); });
}

extern "C" TVX_API int TVXgetstrparam(TVXenv *env, const char *name, char *value) {
  return tvx::env_call(
      env, [=](Env &) { return no_string_parameter(name, value, TVX_ERROR_PARAM_GET_ERROR); });
}

extern "C" TVX_API int TVXgetintparaminfo(TVXenv *env, const char *name, int *current, int *minimum,
                                          int *maximum, int *defval) {
  return tvx::env_call(env, [=](Env &e) {
    return get_param_info(e, name, ParamType::Int, current, minimum, maximum, defval);
  });
}

extern "C" TVX_API int TVXgetdblparaminfo(TVXenv *env, const char *name, double *current,
                                          double *minimum, double *maximum, double *defval) {
  return tvx::env_call(env, [=](Env &e) {
    return get_param_info(e, name, ParamType::Dbl, current, minimum, maximum, defval);
  });
}

// current and defval may be NULL: nothing is ever written to them.
extern "C" TVX_API int TVXgetstrparaminfo(TVXenv *env, const char *name, char *, char *) {
  return tvx::env_call(env, [=](Env &) {
    return name == nullptr ? TVX_ERROR_INVALID_ARGUMENT : TVX_ERROR_PARAM_GET_ERROR;
  });
}

extern "C" TVX_API int TVXsetintparam(TVXenv *env, const char *name, int value) {
  return tvx::env_call(env, [=](Env &e) { return set_param(e, name, ParamType::Int, value); });
}

extern "C" TVX_API int TVXsetdblparam(TVXenv *env, const char *name, double value) {
  return tvx::env_call(env, [=](Env &e) { return set_param(e, name, ParamType::Dbl, value); });
}

extern "C" TVX_API int TVXsetstrparam(TVXenv *env, const char *name, const char *value) {
  return tvx::env_call(
      env, [=](Env &) { return no_string_parameter(name, value, TVX_ERROR_PARAM_SET_ERROR); });
}

extern "C" TVX_API int TVXresetparams(TVXenv *env) {
  return tvx::env_call(env, [](Env &e) {
    e.with([](EnvSettings &s) { s.params.reset(); });
    return TVX_ERROR_OKAY;
  });
}

// The whole file is validated before any value is applied, so a refused
// file changes nothing. A parameter file may be compressed like any other.
extern "C" TVX_API int TVXreadparams(TVXenv *env, const char *filename) {
  return tvx::env_call(env, [filename](Env &e) -> int {
    if (filename == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    tvx::ParamSettings settings;
    const int rc = param_file_call(e, tvx::FileAction::Read, filename,
                                   [&] { return tvx::read_param_file(filename, settings); });
    if (rc != TVX_ERROR_OKAY) return rc;
    e.with([&settings](EnvSettings &s) { tvx::apply(settings, s.params); });
    return TVX_ERROR_OKAY;
  });
}

extern "C" TVX_API int TVXwriteparams(TVXenv *env, const char *filename) {
  return tvx::env_call(env, [filename](Env &e) -> int {
    if (filename == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    const tvx::ParamValues values = e.with([](const EnvSettings &s) { return s.params; });
    return param_file_call(e, tvx::FileAction::Write, filename,
                           [&] { return tvx::write_param_file(filename, values); });
  });
}
