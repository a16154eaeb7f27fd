// Model files, and the files of a model's results and settings.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "io/model_io.h"
#include "io/solution_files.h"
#include "tarvex.h"

namespace {

// The file is read with no lock held: the model is registered only once it
// is complete, so a failed read leaves no model behind.
int read_model(TVXenv *env, const char *filename, TVXmodel **model) {
  if (model != nullptr) *model = nullptr;
  const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
  if (!e || filename == nullptr || model == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  tvx::EnvSettings settings = e->snapshot();
  if (!settings.started) return TVX_ERROR_INVALID_ARGUMENT;
  auto m = std::make_shared<tvx::Model>();
  const int rc = tvx::read_model_file(filename, m->store);
  if (rc != TVX_ERROR_OKAY) return rc;
  m->env = std::make_shared<tvx::Env>(std::move(settings));
  *model = tvx::register_model(std::move(m));
  return TVX_ERROR_OKAY;
}

int write_file(tvx::Model &m, const char *filename) {
  const tvx::FileKind kind = tvx::file_kind(filename);
  const std::string &f = kind.format;
  if (f == ".mps" || f == ".qps" || f == ".lp") return tvx::write_model_file(filename, m.store);
  if (f == ".sol") return tvx::write_solution_file(filename, kind.compression, m.store);
  if (f == ".mst") return tvx::write_start_file(filename, kind.compression, m.store);
  if (f == ".bas") return tvx::write_basis_file(filename, kind.compression, m.store);
  if (f == ".prm") {
    const tvx::ParamValues values = m.env->with([](const tvx::EnvSettings &s) { return s.params; });
    return tvx::write_params_file(filename, kind.compression, values);
  }
  return TVX_ERROR_FORMAT_ERROR;
}

// Model files are refused: a model read over this one would leave the
// caller's lists of its elements stale.
int read_file(tvx::Model &m, const char *filename) {
  const tvx::FileKind kind = tvx::file_kind(filename);
  const std::string &f = kind.format;
  if (f == ".sol" || f == ".mst") return tvx::read_start_file(filename, kind.compression, m.store);
  if (f == ".bas") return tvx::read_basis_file(filename, kind.compression, m.store);
  if (f == ".prm") {
    std::vector<std::pair<int, double>> settings;
    const int rc = tvx::read_params_file(filename, kind.compression, settings);
    if (rc != TVX_ERROR_OKAY) return rc;
    m.env->with([&settings](tvx::EnvSettings &s) {
      for (const auto &setting : settings) s.params.value[setting.first] = setting.second;
    });
    return TVX_ERROR_OKAY;
  }
  return TVX_ERROR_FORMAT_ERROR;
}

}  // namespace

extern "C" TVX_API int TVXreadmodel(TVXenv *env, const char *filename, TVXmodel **model) {
  return tvx::guarded([=] { return read_model(env, filename, model); });
}

// Both hold the model's lock throughout, so the file shows one state of the
// model, and what is read lands in a model nobody changes meanwhile.
extern "C" TVX_API int TVXread(TVXmodel *model, const char *filename) {
  return tvx::model_call(model, [filename](tvx::Model &m) {
    return filename == nullptr ? TVX_ERROR_INVALID_ARGUMENT : read_file(m, filename);
  });
}

extern "C" TVX_API int TVXwrite(TVXmodel *model, const char *filename) {
  return tvx::model_call(model, [filename](tvx::Model &m) {
    return filename == nullptr ? TVX_ERROR_INVALID_ARGUMENT : write_file(m, filename);
  });
}
