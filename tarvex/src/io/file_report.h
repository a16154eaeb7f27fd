// Why a file call failed, for the environment's log. The C surface opens a
// FileReport around each call that reads or writes a file; the io code below
// notes the first problem it meets (note_problem), with the number of the
// line it met it on where it has one. When the call fails, the C surface
// writes one line to the log:
//
//   Reading "x.mps" failed: line 12: unknown row 'R09' in COLUMNS
//
// The first note stands: a reader that tries a second way after the first
// failed (MPS in the fixed form after the free one) reports why the first
// way failed. The statuses themselves are unchanged by all this.
#ifndef TARVEX_IO_FILE_REPORT_H
#define TARVEX_IO_FILE_REPORT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "core/log.h"
#include "core/status.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {

enum class FileAction { Read, Write };

class FileReport {
 public:
  // Open on this thread until destroyed; reports nest.
  FileReport(FileAction action, const char *filename)
      : action_(action), filename_(filename), outer_(current()) {
    current() = this;
  }
  ~FileReport() { current() = outer_; }
  FileReport(const FileReport &) = delete;
  FileReport &operator=(const FileReport &) = delete;

  // The log line of a call that failed with status.
  std::string message(int status) const;
  // Writes message(status) to the log at logfile (empty: none) when status
  // is a failure; returns status.
  int log(int status, const std::string &logfile) const {
    if (status != TVX_ERROR_OKAY && !logfile.empty()) LogFile(logfile).line(message(status));
    return status;
  }

  // The report open on this thread, or null.
  static FileReport *&current() {
    static thread_local FileReport *report = nullptr;
    return report;
  }

 private:
  friend void note_problem(std::size_t line, std::string_view what);

  FileAction action_;
  std::string filename_;
  FileReport *outer_;
  bool noted_ = false;
  std::size_t line_ = 0;  // 0: no line
  std::string what_;
};

// Notes a problem for the report open on this thread, unless it already
// holds one; without a report nothing happens. line 0: the problem belongs
// to no line of the file.
inline void note_problem(std::size_t line, std::string_view what) {
  FileReport *r = FileReport::current();
  if (r == nullptr || r->noted_) return;
  r->noted_ = true;
  r->line_ = line;
  r->what_.assign(what);
}
inline void note_problem(std::string_view what) { note_problem(0, what); }

// Notes the problem and returns status, for `return fail(...)`.
inline int fail(int status, std::size_t line, std::string_view what) {
  note_problem(line, what);
  return status;
}
inline int fail(int status, std::string_view what) { return fail(status, 0, what); }

// Text as it may stand in a log line: control characters, and every byte
// above ASCII of a text that is not UTF-8, become '?'.
inline std::string printable(std::string_view text) {
  std::string out(text);
  const bool utf8 = valid_name(out.c_str());
  for (char &c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || (u >= 0x80 && !utf8)) c = '?';
  }
  return out;
}

// Text from a file or a name, quoted for a log line: control characters
// become '?', and text beyond limit bytes is cut and marked with "...".
inline std::string quoted(std::string_view text, std::size_t limit = 60) {
  std::string_view shown = text.substr(0, limit);
  // Cut where a character starts, not inside a UTF-8 sequence.
  if (shown.size() < text.size()) {
    while (!shown.empty() && (static_cast<unsigned char>(text[shown.size()]) & 0xC0) == 0x80)
      shown.remove_suffix(1);
  }
  std::string q = "'" + printable(shown);
  if (shown.size() < text.size()) q += "...";
  return q + "'";
}

// The problem noted, else the status's own text.
inline std::string FileReport::message(int status) const {
  std::string m = action_ == FileAction::Read ? "Reading \"" : "Writing \"";
  m += printable(filename_) + "\" failed: ";
  if (!noted_) return m + status_text(status);
  if (line_ > 0) m += "line " + std::to_string(line_) + ": ";
  return m + what_;
}

// Runs call() (a status) with a report open; a failure goes to the log.
template <class Call>
int reported(FileAction action, const char *filename, const std::string &logfile, Call &&call) {
  FileReport report(action, filename);
  return report.log(call(), logfile);
}

}  // namespace tvx

#endif
