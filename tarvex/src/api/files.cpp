// Model files, and the files of a model's results and settings.
#include <memory>
#include <utility>

#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "io/file_report.h"
#include "io/formats.h"
#include "store/params.h"
#include "tarvex.h"

namespace {

using tvx::FileAction;

// Where a failed file call of the model says why (io/file_report.h).
std::string logfile_of(const tvx::Model &m) {
  return m.env->with([](const tvx::EnvSettings &s) { return s.logfile; });
}

// The file is read with no lock held: the model is registered only once it
// is complete, so a failed read leaves no model behind.
int read_model(TVXenv *env, const char *filename, TVXmodel **model) {
  if (model != nullptr) *model = nullptr;
  const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
  if (!e || filename == nullptr || model == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  tvx::EnvSettings settings = e->snapshot();
  if (!settings.started) return TVX_ERROR_INVALID_ARGUMENT;
  auto m = std::make_shared<tvx::Model>();
  const int rc = tvx::reported(FileAction::Read, filename, settings.logfile,
                               [&] { return tvx::read_model_file(filename, m->store); });
  if (rc != TVX_ERROR_OKAY) return rc;
  m->env = std::make_shared<tvx::Env>(std::move(settings));
  *model = tvx::register_model(std::move(m));
  return TVX_ERROR_OKAY;
}

// What a file of a model's data reads into its environment is applied
// under the environment's lock, after the whole file was accepted.
int read_data(tvx::Model &m, const char *filename) {
  tvx::ParamSettings settings;
  const int rc = tvx::reported(FileAction::Read, filename, logfile_of(m),
                               [&] { return tvx::read_model_data(filename, m.store, settings); });
  if (rc == TVX_ERROR_OKAY && !settings.empty()) {
    m.env->with([&settings](tvx::EnvSettings &s) { tvx::apply(settings, s.params); });
  }
  return rc;
}

int write_data(tvx::Model &m, const char *filename) {
  const tvx::ParamValues params = m.env->with([](const tvx::EnvSettings &s) { return s.params; });
  return tvx::reported(FileAction::Write, filename, logfile_of(m),
                       [&] { return tvx::write_model_data(filename, m.store, params); });
}

}  // namespace

extern "C" TVX_API int TVXreadmodel(TVXenv *env, const char *filename, TVXmodel **model) {
  return tvx::guarded([=] { return read_model(env, filename, model); });
}

// Both hold the model's lock throughout, so the file shows one state of the
// model, and what is read lands in a model nobody changes meanwhile.
extern "C" TVX_API int TVXread(TVXmodel *model, const char *filename) {
  return tvx::model_call(model, [filename](tvx::Model &m) {
    return filename == nullptr ? TVX_ERROR_INVALID_ARGUMENT : read_data(m, filename);
  });
}

extern "C" TVX_API int TVXwrite(TVXmodel *model, const char *filename) {
  return tvx::model_call(model, [filename](tvx::Model &m) {
    return filename == nullptr ? TVX_ERROR_INVALID_ARGUMENT : write_data(m, filename);
  });
}
