// Files as byte streams, compressed or not, for every file format the
// library reads or writes. The compression follows the file name: ".gz" is
// gzip (zlib), ".bz2" bzip2, anything else plain.
//
// Statuses: a file that cannot be opened or read is FILE_READ_ERROR, one
// that cannot be created or written FILE_WRITE_ERROR; compressed data that
// is corrupt, truncated or followed by anything but another compressed
// stream of the same kind is FORMAT_ERROR.
#ifndef TARVEX_IO_FILE_IO_H
#define TARVEX_IO_FILE_IO_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tarvex.h"

namespace tvx {

enum class Compression { None, Gzip, Bzip2 };

// What a file name says about its contents: the format suffix, lower case
// and with its dot (".mps"; empty when the name has none), and the
// compression suffix that follows it, if any.
struct FileKind {
  std::string format;
  Compression compression = Compression::None;
};
FileKind file_kind(const char *filename);

// A byte stream decoded from a file.
class InputFile {
 public:
  InputFile();
  ~InputFile();
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;

  int open(const char *filename, Compression compression);
  // Up to n bytes into buf; *got receives how many, 0 only at the end of the
  // data. Concatenated compressed streams read as one.
  int read(char *buf, std::size_t n, std::size_t *got);

  class Source;

 private:
  std::unique_ptr<Source> source_;
};

// A byte stream encoded into a file, which is replaced whole or not at all.
// The data goes to a file of a fresh name in the same folder (the folder of
// the file a symbolic link leads to, so the link stays a link), synced to
// the disk and renamed over the old file by close(). A failed close(), or an
// OutputFile dropped without close(), removes that file and leaves the old
// one as it was. The new file keeps the old one's permission bits; a file
// new at its path gets what a plain open gives. A device or a pipe, which
// cannot be replaced, is written in place.
class OutputFile {
 public:
  OutputFile();
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  int open(const char *filename, Compression compression);
  int write(std::string_view data);
  // Ends the compressed stream and puts the file in place.
  int close();

  class Sink;

 private:
  void discard();

  std::unique_ptr<Sink> sink_;
  std::string temp_;    // the file written, until close() renames it; empty: in place
  std::string target_;  // the file it replaces
};

// The whole decoded content of a file that is meant to be small: more than
// limit bytes is FORMAT_ERROR (no file of its format is that large).
int read_small_file(const char *filename, Compression compression, std::size_t limit,
                    std::string &text);

// Splits an InputFile into lines. A line excludes its "\n" and a "\r"
// before it; the last line may lack its "\n". A UTF-8 byte order mark at
// the start is dropped. A NUL byte ends the input with FORMAT_ERROR: no text
// format holds one, and names are handed on as C strings.
class LineReader {
 public:
  explicit LineReader(InputFile &file);
  // The next line, valid until the next call; false at the end of the input
  // or on a failure, which status() tells.
  bool next(std::string_view *line);
  int status() const { return status_; }
  // The number of the line next() gave last, from 1; 0 before the first.
  std::size_t line() const { return count_; }

 private:
  bool fill();

  InputFile &file_;
  std::vector<char> buf_;
  std::size_t begin_ = 0;  // start of the unread text
  std::size_t end_ = 0;    // end of the text in buf_
  bool eof_ = false;
  int status_ = TVX_ERROR_OKAY;
  bool first_line_ = true;  // where a byte order mark may stand
  std::size_t count_ = 0;   // lines given
};

}  // namespace tvx

#endif
