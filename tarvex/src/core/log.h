// The environment's log file. Every line the library logs (TVXmsg, solves,
// IIS searches) goes through a LogFile, and one process-wide lock around
// each write keeps lines whole beside those of other writers of the same
// file, engine threads included.
#ifndef TARVEX_CORE_LOG_H
#define TARVEX_CORE_LOG_H

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace tvx {

class LogFile {
 public:
  // No log: every write is dropped.
  LogFile() = default;
  // Opens path for appending for the life of this object (one TVXmsg, one
  // solve), so no descriptor outlives the environment; an empty path is no
  // log. A file that cannot be opened drops every write too: a solve never
  // fails for its log, and close() tells the callers that care.
  explicit LogFile(const std::string &path);
  LogFile(const LogFile &) = delete;
  LogFile &operator=(const LogFile &) = delete;

  bool enabled() const { return file_ != nullptr; }
  // Text as given (engine messages carry their own line ends).
  void write(std::string_view text);
  // Text and a line end.
  void line(std::string_view text);
  // OKAY, or FILE_WRITE_ERROR when the file could not be opened or written.
  int close();

 private:
  struct Closer {
    void operator()(std::FILE *f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  bool failed_ = false;
};

}  // namespace tvx

#endif
