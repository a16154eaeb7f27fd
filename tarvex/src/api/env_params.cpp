// Parameters of an environment: typed access, reset and parameter files.
//
// A name unknown to the table, or given to the functions of the other type,
// is PARAM_GET_ERROR when reading and PARAM_SET_ERROR when writing; the table
// holds no string parameter, so the string functions refuse every name.
#include <memory>
#include <utility>
#include <vector>

#include "core/env.h"
#include "store/params.h"
#include "core/registry.h"
#include "core/status.h"
#include "tarvex.h"

namespace {

using tvx::EnvSettings;
using tvx::ParamType;

template <class T>
int get_param(TVXenv *env, const char *name, ParamType type, T *value) {
  const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
  if (!e || name == nullptr || value == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  const int i = tvx::find_param(name, type);
  if (i < 0) return TVX_ERROR_PARAM_GET_ERROR;
  *value = static_cast<T>(e->with([i](const EnvSettings &s) { return s.params.value[i]; }));
  return TVX_ERROR_OKAY;
}

// Any output may be NULL.
template <class T>
int get_param_info(TVXenv *env, const char *name, ParamType type, T *current, T *minimum,
                   T *maximum, T *defval) {
  const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
  if (!e || name == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  const int i = tvx::find_param(name, type);
  if (i < 0) return TVX_ERROR_PARAM_GET_ERROR;
  const tvx::ParamDef &def = tvx::param_def(i);
  const double now = e->with([i](const EnvSettings &s) { return s.params.value[i]; });
  if (current) *current = static_cast<T>(now);
  if (minimum) *minimum = static_cast<T>(def.minval);
  if (maximum) *maximum = static_cast<T>(def.maxval);
  if (defval) *defval = static_cast<T>(def.defval);
  return TVX_ERROR_OKAY;
}

int set_param(TVXenv *env, const char *name, ParamType type, double value) {
  const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
  if (!e || name == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  const int i = tvx::find_param(name, type);
  if (i < 0 || !tvx::in_range(tvx::param_def(i), value)) return TVX_ERROR_PARAM_SET_ERROR;
  e->with([i, value](EnvSettings &s) { s.params.value[i] = value; });
  return TVX_ERROR_OKAY;
}

int no_string_parameter(TVXenv *env, const char *name, const void *buffer, int code) {
  if (!tvx::find_env(env) || name == nullptr || buffer == nullptr)
    return TVX_ERROR_INVALID_ARGUMENT;
  return code;
}

}  // namespace

extern "C" TVX_API int TVXgetintparam(TVXenv *env, const char *name, int *value) {
  try {
    return get_param(env, name, ParamType::Int, value);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetdblparam(TVXenv *env, const char *name, double *value) {
  try {
    return get_param(env, name, ParamType::Dbl, value);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetstrparam(TVXenv *env, const char *name, char *value) {
  try {
    return no_string_parameter(env, name, value, TVX_ERROR_PARAM_GET_ERROR);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetintparaminfo(TVXenv *env, const char *name, int *current, int *minimum,
                                          int *maximum, int *defval) {
  try {
    return get_param_info(env, name, ParamType::Int, current, minimum, maximum, defval);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetdblparaminfo(TVXenv *env, const char *name, double *current,
                                          double *minimum, double *maximum, double *defval) {
  try {
    return get_param_info(env, name, ParamType::Dbl, current, minimum, maximum, defval);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetstrparaminfo(TVXenv *env, const char *name, char *current,
                                          char *defval) {
  try {
    if (!tvx::find_env(env) || name == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    (void)current;
    (void)defval;
    return TVX_ERROR_PARAM_GET_ERROR;
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXsetintparam(TVXenv *env, const char *name, int value) {
  try {
    return set_param(env, name, ParamType::Int, value);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXsetdblparam(TVXenv *env, const char *name, double value) {
  try {
    return set_param(env, name, ParamType::Dbl, value);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXsetstrparam(TVXenv *env, const char *name, const char *value) {
  try {
    return no_string_parameter(env, name, value, TVX_ERROR_PARAM_SET_ERROR);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXresetparams(TVXenv *env) {
  try {
    const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
    if (!e) return TVX_ERROR_INVALID_ARGUMENT;
    e->with([](EnvSettings &s) { s.params.reset(); });
    return TVX_ERROR_OKAY;
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// The whole file is validated before any value is applied, so a refused
// file changes nothing.
extern "C" TVX_API int TVXreadparams(TVXenv *env, const char *filename) {
  try {
    const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
    if (!e || filename == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    std::vector<std::pair<int, double>> settings;
    const int rc = tvx::read_param_file(filename, settings);
    if (rc != TVX_ERROR_OKAY) return rc;
    e->with([&settings](EnvSettings &s) {
      for (const auto &setting : settings) s.params.value[setting.first] = setting.second;
    });
    return TVX_ERROR_OKAY;
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXwriteparams(TVXenv *env, const char *filename) {
  try {
    const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
    if (!e || filename == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    const tvx::ParamValues values = e->with([](const EnvSettings &s) { return s.params; });
    return tvx::write_param_file(filename, values);
  } catch (...) {
    return tvx::current_exception_status();
  }
}
