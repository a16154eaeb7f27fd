#include "io/model_io.h"

#include <memory>

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

}  // namespace tvx
