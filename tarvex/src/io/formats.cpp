#include "io/formats.h"

#include <string>

#include "core/status.h"
#include "io/file_report.h"
#include "io/model_files.h"
#include "io/param_files.h"
#include "io/result_files.h"

namespace tvx {
namespace {

// Adapters from each format's own functions to the rows' shapes.
template <int (*read)(const char *, Compression, Store &)>
int read_store(const char *filename, Compression compression, Store &s, ParamSettings &) {
  return read(filename, compression, s);
}

template <int (*write)(const char *, Compression, const Store &)>
int write_store(const char *filename, Compression compression, const Store &s,
                const ParamValues &) {
  return write(filename, compression, s);
}

int read_params(const char *filename, Compression compression, Store &, ParamSettings &settings) {
  return read_params_file(filename, compression, settings);
}

int write_params(const char *filename, Compression compression, const Store &,
                 const ParamValues &params) {
  return write_params_file(filename, compression, params);
}

const FileFormat kFormats[] = {
    {".mps", read_mps_file, nullptr, write_store<write_mps_file>},
    {".qps", read_mps_file, nullptr, write_store<write_mps_file>},
    {".lp", read_lp_file, nullptr, write_store<write_lp_file>},
    {".dat-s", read_sdpa_file, nullptr, write_store<write_sdpa_file>},
    {".sol", nullptr, read_store<read_start_file>, write_store<write_solution_file>},
    {".mst", nullptr, read_store<read_start_file>, write_store<write_start_file>},
    {".bas", nullptr, read_store<read_basis_file>, write_store<write_basis_file>},
    {".prm", nullptr, read_params, write_params},
};

bool is_model_format(const FileFormat *f) { return f != nullptr && f->read_model != nullptr; }
bool is_param_format(const FileFormat *f) { return f != nullptr && f->read_data == read_params; }

// The refusal of a file whose format (f, null for an unknown suffix) has no
// function for the call; why ends the sentence the suffix starts
// ("\".sol\" files hold no model").
int refuse(const char *filename, const FileFormat *f, const char *why) {
  const std::string suffix = file_kind(filename).format;
  if (f == nullptr) {
    return fail(kBadFormat, suffix.empty() ? "the name has no suffix to tell its format by"
                                           : "unknown file suffix \"" + suffix + "\"");
  }
  return fail(kBadFormat, "\"" + suffix + "\" files " + why);
}

}  // namespace

const FileFormat *file_format(const char *filename) {
  const FileKind kind = file_kind(filename);
  for (const FileFormat &f : kFormats)
    if (f.suffix == kind.format) return &f;
  return nullptr;
}

int read_model_file(const char *filename, Store &out) {
  const FileFormat *f = file_format(filename);
  if (!is_model_format(f)) return refuse(filename, f, "hold no model");
  return f->read_model(filename, file_kind(filename).compression, out);
}

int read_model_data(const char *filename, Store &s, ParamSettings &settings) {
  settings.clear();
  const FileFormat *f = file_format(filename);
  if (f == nullptr || f->read_data == nullptr)
    return refuse(filename, f, "are read as a new model, not into one");
  return f->read_data(filename, file_kind(filename).compression, s, settings);
}

int write_model_data(const char *filename, const Store &s, const ParamValues &params) {
  const FileFormat *f = file_format(filename);
  if (f == nullptr || f->write == nullptr) return refuse(filename, f, "cannot be written");
  return f->write(filename, file_kind(filename).compression, s, params);
}

int write_model_file(const char *filename, const Store &s) {
  const FileFormat *f = file_format(filename);
  if (!is_model_format(f)) return refuse(filename, f, "hold no model");
  if (f->write == nullptr) return refuse(filename, f, "cannot be written");
  return f->write(filename, file_kind(filename).compression, s, ParamValues());
}

int read_param_file(const char *filename, ParamSettings &settings) {
  settings.clear();
  const FileFormat *f = file_format(filename);
  if (!is_param_format(f)) return refuse(filename, f, "hold no parameters");
  return read_params_file(filename, file_kind(filename).compression, settings);
}

int write_param_file(const char *filename, const ParamValues &params) {
  const FileFormat *f = file_format(filename);
  if (!is_param_format(f)) return refuse(filename, f, "hold no parameters");
  return write_params_file(filename, file_kind(filename).compression, params);
}

}  // namespace tvx
