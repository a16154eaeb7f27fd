#include "io/text_writer.h"

#include <charconv>
#include <string>

namespace tvx {

TextWriter &TextWriter::num(double value) { return *this << format_number(value); }

int TextWriter::flush() {
  if (status_ == TVX_ERROR_OKAY && !buf_.empty()) status_ = file_.write(buf_);
  buf_.clear();
  return status_;
}

std::string format_number(double value) {
  char text[32];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, static_cast<std::size_t>(r.ptr - text));
}

}  // namespace tvx
