#include "core/log.h"

#include <mutex>

#include "tarvex.h"

namespace tvx {
namespace {

std::mutex &log_mutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

LogFile::LogFile(const std::string &path) {
  if (path.empty()) return;
  file_.reset(std::fopen(path.c_str(), "ab"));
  failed_ = !file_;
  // Line buffering makes each line one append, whole beside other writers.
  if (file_) std::setvbuf(file_.get(), nullptr, _IOLBF, 4096);
}

void LogFile::write(std::string_view text) {
  if (!file_) return;
  std::lock_guard<std::mutex> lock(log_mutex());
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) failed_ = true;
}

void LogFile::line(std::string_view text) {
  if (!file_) return;
  std::lock_guard<std::mutex> lock(log_mutex());
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size() ||
      std::fputc('\n', file_.get()) == EOF) {
    failed_ = true;
  }
}

int LogFile::close() {
  if (file_) {
    std::lock_guard<std::mutex> lock(log_mutex());
    if (std::fclose(file_.release()) != 0) failed_ = true;
  }
  return failed_ ? TVX_ERROR_FILE_WRITE_ERROR : TVX_ERROR_OKAY;
}

}  // namespace tvx
