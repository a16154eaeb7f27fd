#include "io/param_files.h"

#include <cstddef>
#include <string>

#include "io/text_writer.h"

namespace tvx {
namespace {

// A parameter file is a few dozen lines; anything far larger is not one.
constexpr std::size_t kMaxParamFile = std::size_t{1} << 20;

}  // namespace

int read_params_file(const char *filename, Compression compression, ParamSettings &settings) {
  settings.clear();
  std::string text;
  const int rc = read_small_file(filename, compression, kMaxParamFile, text);
  return rc == TVX_ERROR_OKAY ? parse_params(text, settings) : rc;
}

int write_params_file(const char *filename, Compression compression, const ParamValues &values) {
  const std::string text = format_params(values);
  return write_text_file(filename, compression, [&text](TextWriter &out) {
    out << text;
    return out.status();
  });
}

}  // namespace tvx
