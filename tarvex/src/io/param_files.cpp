#include "io/param_files.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/status.h"
#include "io/file_report.h"
#include "io/text_writer.h"

namespace tvx {
namespace {

// A parameter file is a few dozen lines; anything far larger is not one.
constexpr std::size_t kMaxParamFile = std::size_t{1} << 20;

// Notes why parse_params refused text: lines parse one by one, so the first
// line refused alone is the one, and its fields tell what is wrong with it.
void note_refused_line(std::string_view text) {
  std::size_t number = 0;
  ParamSettings scratch;
  for (std::size_t start = 0; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const int rc = parse_params(line, scratch);
    if (rc == TVX_ERROR_OKAY) continue;
    line = line.substr(0, line.find('#'));
    constexpr std::string_view kBlanks = " \t\r\v\f";
    std::string_view fields[3];
    std::size_t n = 0;
    for (std::size_t i = line.find_first_not_of(kBlanks); i != std::string_view::npos && n < 3;
         i = line.find_first_not_of(kBlanks, i)) {
      const std::size_t j = std::min(line.find_first_of(kBlanks, i), line.size());
      fields[n++] = line.substr(i, j - i);
      i = j;
    }
    const int index = n == 2 ? find_param(std::string(fields[0]).c_str()) : -1;
    std::string what;
    if (n != 2) {
      what = "a parameter name and a value expected";
    } else if (index < 0) {
      what = "unknown parameter " + quoted(fields[0]);
    } else {
      const ParamDef &def = param_def(index);
      what =
          quoted(fields[1]) +
          (rc == TVX_ERROR_PARAM_SET_ERROR ? " is out of the range of " : " is not a value of ") +
          def.name + " [" + format_number(def.minval) + ", " + format_number(def.maxval) + "]";
    }
    note_problem(number + 1, what);
    return;
  }
}

}  // namespace

int read_params_file(const char *filename, Compression compression, ParamSettings &settings) {
  settings.clear();
  std::string text;
  int rc = read_small_file(filename, compression, kMaxParamFile, text);
  if (rc != TVX_ERROR_OKAY) return rc;
  rc = parse_params(text, settings);
  if (rc != TVX_ERROR_OKAY) note_refused_line(text);
  return rc;
}

int write_params_file(const char *filename, Compression compression, const ParamValues &values) {
  const std::string text = format_params(values);
  return write_text_file(filename, compression, [&text](TextWriter &out) {
    out << text;
    return out.status();
  });
}

}  // namespace tvx
