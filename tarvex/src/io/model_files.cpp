#include "io/model_files.h"

#include <cmath>
#include <memory>

#include "core/status.h"
#include "io/file_report.h"

namespace tvx {
namespace {

// Parses the file into a fresh builder with parse(lines, builder).
template <class Parse>
int parse_file(const char *filename, Compression compression, ModelBuilder &builder,
               Parse &&parse) {
  InputFile file;
  const int rc = file.open(filename, compression);
  if (rc != TVX_ERROR_OKAY) return rc;
  LineReader lines(file);
  return parse(lines, builder);
}

// What both formats cannot state: PSD elements, and a quadratic term they
// would write at twice a value beyond the double range.
int check_writable(const Store &s) {
  if (s.num_psd_vars() > 0 || s.num_psd_rows() > 0)
    return fail(kBadFormat, "the format has no semidefinite variables or constraints");
  for (const double q : s.qterms().val)
    if (!std::isfinite(2 * q))
      return fail(kBadFormat,
                  "a quadratic coefficient too large to write (twice it is beyond "
                  "the double range)");
  return TVX_ERROR_OKAY;
}

// Checks before the file is opened, so a refused model starts no file.
template <class Check, class Write>
int write_file(const char *filename, Compression compression, const Store &s, Check &&check,
               Write &&write) {
  int rc = check_writable(s);
  if (rc == TVX_ERROR_OKAY) rc = check(s);
  if (rc != TVX_ERROR_OKAY) return rc;
  return write_text_file(filename, compression, [&](TextWriter &out) { return write(out, s); });
}

}  // namespace

int read_mps_file(const char *filename, Compression compression, Store &out) {
  const auto parse_form = [](MpsForm form) {
    return [form](LineReader &lines, ModelBuilder &b) { return parse_mps(lines, form, b); };
  };
  auto builder = std::make_unique<ModelBuilder>();
  int rc = parse_file(filename, compression, *builder, parse_form(MpsForm::Free));
  if (rc == TVX_ERROR_FORMAT_ERROR) {
    // Blanks inside names are what only the fixed form can hold. The report
    // keeps the free form's reason, noted first.
    builder = std::make_unique<ModelBuilder>();
    if (parse_file(filename, compression, *builder, parse_form(MpsForm::Fixed)) == TVX_ERROR_OKAY) {
      rc = TVX_ERROR_OKAY;
    }
  }
  return rc == TVX_ERROR_OKAY ? builder->build(out) : rc;
}

int read_lp_file(const char *filename, Compression compression, Store &out) {
  auto builder = std::make_unique<ModelBuilder>();
  const int rc = parse_file(filename, compression, *builder, parse_lp);
  return rc == TVX_ERROR_OKAY ? builder->build(out) : rc;
}

int write_mps_file(const char *filename, Compression compression, const Store &s) {
  return write_file(filename, compression, s, check_mps_writable, write_mps);
}

int write_lp_file(const char *filename, Compression compression, const Store &s) {
  // An LP constraint is written with a term, if only a zero one.
  const auto check = [](const Store &m) {
    return m.num_vars() == 0 && m.num_rows() > 0
               ? fail(kBadFormat, "constraints without any variable to write them with")
               : TVX_ERROR_OKAY;
  };
  return write_file(filename, compression, s, check, write_lp);
}

}  // namespace tvx
