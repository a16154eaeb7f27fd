// What the file writers share: buffered text output through the compression
// layer, and numbers that read back bit for bit.
#ifndef TARVEX_IO_TEXT_WRITER_H
#define TARVEX_IO_TEXT_WRITER_H

#include <cmath>
#include <string>
#include <string_view>

#include "core/numeric.h"
#include "io/file_io.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {

// The shortest text that reads back to exactly this double, in any locale
// ("inf" for an IEEE infinity; NaN never reaches a file).
std::string format_number(double value);

// Text appended in pieces, handed to the file in large blocks. The first
// failure sticks: later appends are dropped and status() tells it.
class TextWriter {
 public:
  explicit TextWriter(OutputFile &file) : file_(file) {}
  TextWriter(const TextWriter &) = delete;
  TextWriter &operator=(const TextWriter &) = delete;

  TextWriter &operator<<(std::string_view text) {
    buf_.append(text);
    if (buf_.size() >= kBlock) flush();
    return *this;
  }
  TextWriter &num(double value);  // as format_number

  int flush();
  int status() const { return status_; }

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 16;
  OutputFile &file_;
  std::string buf_;
  int status_ = TVX_ERROR_OKAY;
};

// Writes a text file through body(TextWriter &), which returns a status.
// The file at the path is replaced only when this returns OKAY; on any
// failure it stays as it was (OutputFile), so no caller ever finds half a
// model.
template <class Body>
int write_text_file(const char *filename, Compression compression, Body &&body) {
  OutputFile file;
  int rc = file.open(filename, compression);
  if (rc != TVX_ERROR_OKAY) return rc;
  TextWriter out(file);
  rc = body(out);
  const int frc = out.flush();
  if (rc == TVX_ERROR_OKAY) rc = frc;
  return rc == TVX_ERROR_OKAY ? file.close() : rc;
}

// Infinite in the file's sense: TVX_INFINITY of that sign, which the readers
// give back for their infinite words, or an IEEE infinity (which they give
// back as TVX_INFINITY: the one value that does not survive a file).
inline bool is_plus_infinite(double v) { return v == kInfinity || v == kInf; }
inline bool is_minus_infinite(double v) { return v == -kInfinity || v == -kInf; }

}  // namespace tvx

#endif
