#include "io/formats.h"

#include "core/status.h"
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

// Semidefinite models in the sparse SDPA format, not built yet.
int read_unbuilt(const char *, Compression, Store &) { return kUnbuilt; }

const FileFormat kFormats[] = {
    {".mps", read_mps_file, nullptr, write_store<write_mps_file>},
    {".qps", read_mps_file, nullptr, write_store<write_mps_file>},
    {".lp", read_lp_file, nullptr, write_store<write_lp_file>},
    {".dat-s", read_unbuilt, nullptr, nullptr},
    {".sol", nullptr, read_store<read_start_file>, write_store<write_solution_file>},
    {".mst", nullptr, read_store<read_start_file>, write_store<write_start_file>},
    {".bas", nullptr, read_store<read_basis_file>, write_store<write_basis_file>},
    {".prm", nullptr, read_params, write_params},
};

bool is_model_format(const FileFormat *f) { return f != nullptr && f->read_model != nullptr; }
bool is_param_format(const FileFormat *f) { return f != nullptr && f->read_data == read_params; }

}  // namespace

const FileFormat *file_format(const char *filename) {
  const FileKind kind = file_kind(filename);
  for (const FileFormat &f : kFormats)
    if (f.suffix == kind.format) return &f;
  return nullptr;
}

int read_model_file(const char *filename, Store &out) {
  const FileFormat *f = file_format(filename);
  if (!is_model_format(f)) return TVX_ERROR_FORMAT_ERROR;
  return f->read_model(filename, file_kind(filename).compression, out);
}

int read_model_data(const char *filename, Store &s, ParamSettings &settings) {
  settings.clear();
  const FileFormat *f = file_format(filename);
  if (f == nullptr || f->read_data == nullptr) return TVX_ERROR_FORMAT_ERROR;
  return f->read_data(filename, file_kind(filename).compression, s, settings);
}

int write_model_data(const char *filename, const Store &s, const ParamValues &params) {
  const FileFormat *f = file_format(filename);
  if (f == nullptr || f->write == nullptr) return TVX_ERROR_FORMAT_ERROR;
  return f->write(filename, file_kind(filename).compression, s, params);
}

int write_model_file(const char *filename, const Store &s) {
  const FileFormat *f = file_format(filename);
  if (!is_model_format(f) || f->write == nullptr) return TVX_ERROR_FORMAT_ERROR;
  return f->write(filename, file_kind(filename).compression, s, ParamValues());
}

int read_param_file(const char *filename, ParamSettings &settings) {
  settings.clear();
  if (!is_param_format(file_format(filename))) return TVX_ERROR_FORMAT_ERROR;
  return read_params_file(filename, file_kind(filename).compression, settings);
}

int write_param_file(const char *filename, const ParamValues &params) {
  if (!is_param_format(file_format(filename))) return TVX_ERROR_FORMAT_ERROR;
  return write_params_file(filename, file_kind(filename).compression, params);
}

}  // namespace tvx
