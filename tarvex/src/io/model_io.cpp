#include "io/model_io.h"

#include <cmath>
#include <memory>
#include <string>

#include "core/status.h"

namespace tvx {

int read_model_file(const char *filename, Store &out) {
  const FileKind kind = file_kind(filename);
  const bool mps = kind.format == ".mps" || kind.format == ".qps";
  if (kind.format == ".dat-s") return kUnbuilt;  // the semidefinite reader comes later
  if (!mps && kind.format != ".lp") return TVX_ERROR_FORMAT_ERROR;

  const auto parse = [&](MpsForm form, ModelBuilder &builder) {
    InputFile file;
    const int rc = file.open(filename, kind.compression);
    if (rc != TVX_ERROR_OKAY) return rc;
    LineReader lines(file);
    return mps ? parse_mps(lines, form, builder) : parse_lp(lines, builder);
  };
  auto builder = std::make_unique<ModelBuilder>();
  int rc = parse(MpsForm::Free, *builder);
  if (rc == TVX_ERROR_FORMAT_ERROR && mps) {
    // Blanks inside names are what only the fixed form can hold.
    builder = std::make_unique<ModelBuilder>();
    if (parse(MpsForm::Fixed, *builder) == TVX_ERROR_OKAY) rc = TVX_ERROR_OKAY;
  }
  if (rc != TVX_ERROR_OKAY) return rc;
  return builder->build(out);
}

int check_model_writable(const Store &s, const std::string &format) {
  const bool mps = format == ".mps" || format == ".qps";
  if (!mps && format != ".lp") return TVX_ERROR_FORMAT_ERROR;
  if (s.num_psd_vars() > 0 || s.num_psd_rows() > 0) return TVX_ERROR_FORMAT_ERROR;
  // Both formats state a quadratic term at twice its value.
  for (const double q : s.qterms().val)
    if (!std::isfinite(2 * q)) return TVX_ERROR_FORMAT_ERROR;
  // An LP constraint is written with a term, if only a zero one.
  if (!mps && s.num_vars() == 0 && s.num_rows() > 0) return TVX_ERROR_FORMAT_ERROR;
  return mps ? check_mps_writable(s) : TVX_ERROR_OKAY;
}

int write_model_file(const char *filename, const Store &s) {
  const FileKind kind = file_kind(filename);
  const int rc = check_model_writable(s, kind.format);
  if (rc != TVX_ERROR_OKAY) return rc;
  const bool lp = kind.format == ".lp";
  return write_text_file(filename, kind.compression, [&](TextWriter &out) {
    return lp ? write_lp(out, s) : write_mps(out, s);
  });
}

}  // namespace tvx
