#include "io/file_io.h"

#include <bzlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/status.h"
#include "io/file_report.h"

namespace tvx {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;  // compressed bytes per file access

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ends_with_folded(std::string_view text, std::string_view suffix) {
  if (text.size() <= suffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  for (std::size_t k = 0; k < suffix.size(); ++k) {
    if (lower(tail[k]) != suffix[k]) return false;
  }
  return true;
}

// The compression libraries count in unsigned int.
unsigned clamp_uint(std::size_t n) {
  return static_cast<unsigned>(std::min<std::size_t>(n, UINT_MAX));
}

// The system's reason for the failure that set errno, for the report.
int system_failure(int status, const char *doing) {
  return fail(status, std::string(doing) + ": " + std::strerror(errno));
}

int corrupt(const char *kind) {
  return fail(kBadFormat, std::string("the ") + kind + " data is corrupt or cut short");
}

int cannot_create() { return system_failure(TVX_ERROR_FILE_WRITE_ERROR, "cannot create the file"); }

// The folder part of a path, with its slash ("" for a bare name).
std::string folder_of(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path a chain of symbolic links at path ends in (path itself when it is
// no link), whether or not a file is there yet: the file to replace, so the
// links stay links.
int resolve_links(const char *path, std::string &out) {
  out = path;
  std::vector<char> buf(256);
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (lstat(out.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return TVX_ERROR_OKAY;
    if (hops == 40) {  // as many as the system follows
      errno = ELOOP;
      return cannot_create();
    }
    ssize_t n;
    while ((n = readlink(out.c_str(), buf.data(), buf.size())) == static_cast<ssize_t>(buf.size()))
      buf.resize(2 * buf.size());
    if (n < 0) return cannot_create();
    std::string link(buf.data(), static_cast<std::size_t>(n));
    if (link.empty() || link[0] != '/') link.insert(0, folder_of(out));
    out = std::move(link);
  }
}

// Creates a file of a fresh name in the folder of target, open for writing,
// with the permission bits a plain open gives a new file (0666 less the
// umask, or what the folder's default ACL says).
int create_beside(const std::string &target, int *fd, std::string &temp) {
  // A name within NAME_MAX whatever the target's length.
  const std::string base = "." + target.substr(folder_of(target).size()).substr(0, 200) + ".";
  static std::atomic<std::uint64_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    // splitmix64 of the time, the process and a counter: distinct across the
    // threads and processes that may write beside the same file.
    std::uint64_t z =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(getpid()) << 40) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = folder_of(target) + base;
    for (int k = 0; k < 8; ++k, z /= 36) name.push_back(kDigits[z % 36]);
    *fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (*fd >= 0) {
      temp = std::move(name);
      return TVX_ERROR_OKAY;
    }
    if (errno != EEXIST) return cannot_create();
  }
  return cannot_create();
}

// What users expect of a file that was replaced: its permission bits, and
// its owner where we may set that.
void keep_mode(int fd, const struct stat &old) {
  if (old.st_uid != geteuid() || old.st_gid != getegid()) {
    // Only a privileged process may give a file away; else it stays ours.
    [[maybe_unused]] const int ignored = fchown(fd, old.st_uid, old.st_gid);
  }
  [[maybe_unused]] const int ignored = fchmod(fd, old.st_mode & 07777);
}

// A compressed stream of type S over file, kept in `out` once it started.
template <class S, class Base>
int start(std::unique_ptr<Base> &out, FilePtr file) {
  auto stream = std::make_unique<S>(std::move(file));
  const int rc = stream->init();
  if (rc == TVX_ERROR_OKAY) out = std::move(stream);
  return rc;
}

}  // namespace

FileKind file_kind(const char *filename) {
  FileKind kind;
  std::string_view name(filename);
  if (ends_with_folded(name, ".gz")) {
    kind.compression = Compression::Gzip;
    name.remove_suffix(3);
  } else if (ends_with_folded(name, ".bz2")) {
    kind.compression = Compression::Bzip2;
    name.remove_suffix(4);
  }
  // The format suffix is the part from the last dot of the last path
  // component, unless that dot starts it: "model.dat-s" gives ".dat-s";
  // "dir.v2/model" and ".lp" give nothing.
  const std::size_t slash = name.find_last_of('/');
  const std::size_t stem = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > stem) {
    for (const char c : name.substr(dot)) kind.format.push_back(lower(c));
  }
  return kind;
}

// ---- Input ----------------------------------------------------------------

class InputFile::Source {
 public:
  explicit Source(FilePtr file) : file_(std::move(file)) {}
  virtual ~Source() = default;
  virtual int read(char *buf, std::size_t n, std::size_t *got) = 0;

 protected:
  // Refills in_ once it is used up; false at the end of the file.
  int fill(bool *more) {
    if (in_.empty()) in_.resize(kChunk);
    const std::size_t n = std::fread(in_.data(), 1, in_.size(), file_.get());
    if (n == 0 && std::ferror(file_.get()))
      return system_failure(TVX_ERROR_FILE_READ_ERROR, "cannot read the file");
    in_len_ = n;
    *more = n > 0;
    return TVX_ERROR_OKAY;
  }

  FilePtr file_;
  std::vector<char> in_;
  std::size_t in_len_ = 0;
};

namespace {

class PlainSource final : public InputFile::Source {
 public:
  using Source::Source;
  int read(char *buf, std::size_t n, std::size_t *got) override {
    *got = std::fread(buf, 1, n, file_.get());
    if (*got == 0 && std::ferror(file_.get()))
      return system_failure(TVX_ERROR_FILE_READ_ERROR, "cannot read the file");
    return TVX_ERROR_OKAY;
  }
};

// gzip members one after another (as "cat a.gz b.gz" makes) decode as one
// stream.
class GzipSource final : public InputFile::Source {
 public:
  explicit GzipSource(FilePtr file) : Source(std::move(file)) {}
  ~GzipSource() override {
    if (initialised_) inflateEnd(&z_);
  }

  int init() {
    // 16 + 15: a gzip wrapper only, with the largest window.
    const int rc = inflateInit2(&z_, 16 + MAX_WBITS);
    if (rc == Z_MEM_ERROR) return TVX_ERROR_NOMEMORY;
    if (rc != Z_OK) return TVX_ERROR_ERROR;
    initialised_ = true;
    return TVX_ERROR_OKAY;
  }

  int read(char *buf, std::size_t n, std::size_t *got) override {
    *got = 0;
    while (*got < n) {
      if (z_.avail_in == 0 && !eof_) {
        bool more = false;
        const int rc = fill(&more);
        if (rc != TVX_ERROR_OKAY) return rc;
        eof_ = !more;
        z_.next_in = reinterpret_cast<Bytef *>(in_.data());
        z_.avail_in = static_cast<uInt>(in_len_);
      }
      if (!in_member_) {
        if (z_.avail_in == 0) break;  // the end, between members
        if (inflateReset(&z_) != Z_OK) return TVX_ERROR_ERROR;
        in_member_ = true;
      }
      if (z_.avail_in == 0) return corrupt("gzip");  // a member cut short
      const unsigned room = clamp_uint(n - *got);
      z_.next_out = reinterpret_cast<Bytef *>(buf + *got);
      z_.avail_out = room;
      const int rc = inflate(&z_, Z_NO_FLUSH);
      *got += room - z_.avail_out;
      if (rc == Z_STREAM_END) {
        in_member_ = false;
      } else if (rc == Z_MEM_ERROR) {
        return TVX_ERROR_NOMEMORY;
      } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
        return corrupt("gzip");  // or not gzip at all
      }
    }
    return TVX_ERROR_OKAY;
  }

 private:
  z_stream z_{};
  bool initialised_ = false;
  bool in_member_ = true;  // an empty file is not a gzip file
  bool eof_ = false;
};

// Like gzip members, concatenated bzip2 streams (parallel compressors
// write them) decode as one.
class Bzip2Source final : public InputFile::Source {
 public:
  explicit Bzip2Source(FilePtr file) : Source(std::move(file)) {}
  ~Bzip2Source() override {
    if (initialised_) BZ2_bzDecompressEnd(&bz_);
  }

  int init() {
    const int rc = BZ2_bzDecompressInit(&bz_, 0, 0);
    if (rc == BZ_MEM_ERROR) return TVX_ERROR_NOMEMORY;
    if (rc != BZ_OK) return TVX_ERROR_ERROR;
    initialised_ = true;
    return TVX_ERROR_OKAY;
  }

  int read(char *buf, std::size_t n, std::size_t *got) override {
    *got = 0;
    while (*got < n) {
      if (bz_.avail_in == 0 && !eof_) {
        bool more = false;
        const int rc = fill(&more);
        if (rc != TVX_ERROR_OKAY) return rc;
        eof_ = !more;
        bz_.next_in = in_.data();
        bz_.avail_in = static_cast<unsigned>(in_len_);
      }
      if (!in_stream_) {
        if (bz_.avail_in == 0) break;
        // A new stream needs a fresh decoder; the unread input carries over.
        char *next_in = bz_.next_in;
        const unsigned avail_in = bz_.avail_in;
        BZ2_bzDecompressEnd(&bz_);
        initialised_ = false;
        bz_ = bz_stream{};
        const int rc = init();
        if (rc != TVX_ERROR_OKAY) return rc;
        bz_.next_in = next_in;
        bz_.avail_in = avail_in;
        in_stream_ = true;
      }
      if (bz_.avail_in == 0) return corrupt("bzip2");  // a stream cut short
      const unsigned room = clamp_uint(n - *got);
      bz_.next_out = buf + *got;
      bz_.avail_out = room;
      const int rc = BZ2_bzDecompress(&bz_);
      *got += room - bz_.avail_out;
      if (rc == BZ_STREAM_END) {
        in_stream_ = false;
      } else if (rc == BZ_MEM_ERROR) {
        return TVX_ERROR_NOMEMORY;
      } else if (rc != BZ_OK) {
        return corrupt("bzip2");
      }
    }
    return TVX_ERROR_OKAY;
  }

 private:
  bz_stream bz_{};
  bool initialised_ = false;
  bool in_stream_ = true;
  bool eof_ = false;
};

}  // namespace

InputFile::InputFile() = default;
InputFile::~InputFile() = default;

int InputFile::open(const char *filename, Compression compression) {
  source_.reset();
  FilePtr file(std::fopen(filename, "rb"));
  if (!file) return system_failure(TVX_ERROR_FILE_READ_ERROR, "cannot open the file");
  switch (compression) {
    case Compression::None:
      source_ = std::make_unique<PlainSource>(std::move(file));
      return TVX_ERROR_OKAY;
    case Compression::Gzip:
      return start<GzipSource>(source_, std::move(file));
    case Compression::Bzip2:
      return start<Bzip2Source>(source_, std::move(file));
  }
  return TVX_ERROR_INVALID_ARGUMENT;
}

int InputFile::read(char *buf, std::size_t n, std::size_t *got) {
  *got = 0;
  if (!source_) return TVX_ERROR_FILE_READ_ERROR;
  return source_->read(buf, n, got);
}

// ---- Output ---------------------------------------------------------------

class OutputFile::Sink {
 public:
  explicit Sink(FilePtr file) : file_(std::move(file)) {}
  virtual ~Sink() = default;
  virtual int write(const char *data, std::size_t n) = 0;
  virtual int finish() = 0;

  // Ends the stream and closes the file; with sync, the data is on the
  // disk once this succeeded.
  int close(bool sync) {
    int rc = finish();
    if (rc == TVX_ERROR_OKAY && std::fflush(file_.get()) != 0) rc = cannot_write();
    if (rc == TVX_ERROR_OKAY && sync && fsync(fileno(file_.get())) != 0) rc = cannot_write();
    const bool closed = std::fclose(file_.release()) == 0;
    if (rc == TVX_ERROR_OKAY && !closed) rc = cannot_write();
    return rc;
  }

 protected:
  int put(const char *data, std::size_t n) {
    return std::fwrite(data, 1, n, file_.get()) == n ? TVX_ERROR_OKAY : cannot_write();
  }

  static int cannot_write() {
    return system_failure(TVX_ERROR_FILE_WRITE_ERROR, "cannot write the file");
  }

  FilePtr file_;
};

namespace {

class PlainSink final : public OutputFile::Sink {
 public:
  using Sink::Sink;
  int write(const char *data, std::size_t n) override { return put(data, n); }
  int finish() override { return TVX_ERROR_OKAY; }
};

class GzipSink final : public OutputFile::Sink {
 public:
  explicit GzipSink(FilePtr file) : Sink(std::move(file)), out_(kChunk) {}
  ~GzipSink() override {
    if (initialised_) deflateEnd(&z_);
  }

  int init() {
    const int rc =
        deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (rc == Z_MEM_ERROR) return TVX_ERROR_NOMEMORY;
    if (rc != Z_OK) return TVX_ERROR_ERROR;
    initialised_ = true;
    return TVX_ERROR_OKAY;
  }

  int write(const char *data, std::size_t n) override {
    while (n > 0) {
      const unsigned part = clamp_uint(n);
      z_.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
      z_.avail_in = part;
      const int rc = pump(Z_NO_FLUSH);
      if (rc != TVX_ERROR_OKAY) return rc;
      data += part;
      n -= part;
    }
    return TVX_ERROR_OKAY;
  }

  int finish() override { return pump(Z_FINISH); }

 private:
  // Runs deflate until it has taken all input (and, for Z_FINISH, ended
  // the stream), writing out each full buffer.
  int pump(int flush) {
    for (;;) {
      z_.next_out = reinterpret_cast<Bytef *>(out_.data());
      z_.avail_out = static_cast<uInt>(out_.size());
      const int rc = deflate(&z_, flush);
      if (rc == Z_STREAM_ERROR) return TVX_ERROR_ERROR;
      const int wrc = put(out_.data(), out_.size() - z_.avail_out);
      if (wrc != TVX_ERROR_OKAY) return wrc;
      if (flush == Z_FINISH ? rc == Z_STREAM_END : z_.avail_in == 0 && z_.avail_out != 0)
        return TVX_ERROR_OKAY;
    }
  }

  z_stream z_{};
  bool initialised_ = false;
  std::vector<char> out_;
};

class Bzip2Sink final : public OutputFile::Sink {
 public:
  explicit Bzip2Sink(FilePtr file) : Sink(std::move(file)), out_(kChunk) {}
  ~Bzip2Sink() override {
    if (initialised_) BZ2_bzCompressEnd(&bz_);
  }

  int init() {
    const int rc = BZ2_bzCompressInit(&bz_, 9, 0, 0);
    if (rc == BZ_MEM_ERROR) return TVX_ERROR_NOMEMORY;
    if (rc != BZ_OK) return TVX_ERROR_ERROR;
    initialised_ = true;
    return TVX_ERROR_OKAY;
  }

  int write(const char *data, std::size_t n) override {
    while (n > 0) {
      const unsigned part = clamp_uint(n);
      bz_.next_in = const_cast<char *>(data);
      bz_.avail_in = part;
      while (bz_.avail_in > 0) {
        bz_.next_out = out_.data();
        bz_.avail_out = static_cast<unsigned>(out_.size());
        if (BZ2_bzCompress(&bz_, BZ_RUN) != BZ_RUN_OK) return TVX_ERROR_ERROR;
        const int rc = put(out_.data(), out_.size() - bz_.avail_out);
        if (rc != TVX_ERROR_OKAY) return rc;
      }
      data += part;
      n -= part;
    }
    return TVX_ERROR_OKAY;
  }

  int finish() override {
    for (;;) {
      bz_.next_out = out_.data();
      bz_.avail_out = static_cast<unsigned>(out_.size());
      const int rc = BZ2_bzCompress(&bz_, BZ_FINISH);
      if (rc != BZ_FINISH_OK && rc != BZ_STREAM_END) return TVX_ERROR_ERROR;
      const int wrc = put(out_.data(), out_.size() - bz_.avail_out);
      if (wrc != TVX_ERROR_OKAY) return wrc;
      if (rc == BZ_STREAM_END) return TVX_ERROR_OKAY;
    }
  }

 private:
  bz_stream bz_{};
  bool initialised_ = false;
  std::vector<char> out_;
};

}  // namespace

OutputFile::OutputFile() = default;
OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
  sink_.reset();
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

int OutputFile::open(const char *filename, Compression compression) {
  discard();
  FilePtr file;
  struct stat old;
  const bool exists = stat(filename, &old) == 0;
  if (!exists && errno != ENOENT) return cannot_create();
  if (exists && !S_ISREG(old.st_mode)) {
    // A device or a pipe cannot be replaced, only written; a folder fails here.
    file.reset(std::fopen(filename, "wb"));
    if (!file) return cannot_create();
  } else {
    // A file that may not be written is not replaced either.
    if (exists && faccessat(AT_FDCWD, filename, W_OK, AT_EACCESS) != 0) return cannot_create();
    std::string target;
    int rc = resolve_links(filename, target);
    if (rc != TVX_ERROR_OKAY) return rc;
    int fd = -1;
    rc = create_beside(target, &fd, temp_);
    if (rc != TVX_ERROR_OKAY) return rc;
    if (exists) keep_mode(fd, old);
    file.reset(fdopen(fd, "wb"));
    if (!file) {
      rc = cannot_create();
      ::close(fd);
      discard();
      return rc;
    }
    target_ = std::move(target);
  }
  int rc = TVX_ERROR_INVALID_ARGUMENT;
  switch (compression) {
    case Compression::None:
      sink_ = std::make_unique<PlainSink>(std::move(file));
      rc = TVX_ERROR_OKAY;
      break;
    case Compression::Gzip:
      rc = start<GzipSink>(sink_, std::move(file));
      break;
    case Compression::Bzip2:
      rc = start<Bzip2Sink>(sink_, std::move(file));
      break;
  }
  if (rc != TVX_ERROR_OKAY) discard();
  return rc;
}

int OutputFile::write(std::string_view data) {
  if (!sink_) return TVX_ERROR_FILE_WRITE_ERROR;
  return sink_->write(data.data(), data.size());
}

int OutputFile::close() {
  if (!sink_) return TVX_ERROR_FILE_WRITE_ERROR;
  int rc = sink_->close(!temp_.empty());
  sink_.reset();
  if (rc == TVX_ERROR_OKAY && !temp_.empty()) {
    if (std::rename(temp_.c_str(), target_.c_str()) == 0) {
      temp_.clear();
    } else {
      rc = system_failure(TVX_ERROR_FILE_WRITE_ERROR, "cannot replace the file");
    }
  }
  discard();
  return rc;
}

// ---- Lines ----------------------------------------------------------------

int read_small_file(const char *filename, Compression compression, std::size_t limit,
                    std::string &text) {
  text.clear();
  InputFile file;
  int rc = file.open(filename, compression);
  if (rc != TVX_ERROR_OKAY) return rc;
  char buf[4096];
  for (;;) {
    std::size_t got = 0;
    rc = file.read(buf, sizeof buf, &got);
    if (rc != TVX_ERROR_OKAY) return rc;
    if (got == 0) return TVX_ERROR_OKAY;
    text.append(buf, got);
    if (text.size() > limit)
      return fail(kBadFormat,
                  "larger than any file of its kind (" + std::to_string(limit) + " bytes at most)");
  }
}

LineReader::LineReader(InputFile &file) : file_(file) {}

// Makes room after the unread text and reads into it; false at the end of
// the input or on a failure.
bool LineReader::fill() {
  if (begin_ > 0) {
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  // A line longer than the buffer doubles it, so long lines stay linear.
  if (end_ == buf_.size())
    buf_.resize(std::max<std::size_t>(std::size_t{1} << 18, 2 * buf_.size()));
  std::size_t got = 0;
  status_ = file_.read(buf_.data() + end_, buf_.size() - end_, &got);
  if (status_ != TVX_ERROR_OKAY) return false;
  if (got == 0) eof_ = true;
  end_ += got;
  return got > 0;
}

bool LineReader::next(std::string_view *line) {
  if (status_ != TVX_ERROR_OKAY) return false;
  std::size_t scanned = begin_;  // no "\n" in [begin_, scanned)
  for (;;) {
    const void *nl =
        scanned < end_ ? std::memchr(buf_.data() + scanned, '\n', end_ - scanned) : nullptr;
    std::size_t stop;
    if (nl != nullptr) {
      stop = static_cast<std::size_t>(static_cast<const char *>(nl) - buf_.data());
    } else if (eof_) {
      if (begin_ == end_) return false;
      stop = end_;
    } else {
      const std::size_t offset = scanned - begin_;
      if (!fill() && status_ != TVX_ERROR_OKAY) return false;
      scanned = begin_ + offset;
      continue;
    }
    std::string_view text(buf_.data() + begin_, stop - begin_);
    begin_ = std::min(stop + 1, end_);
    ++count_;
    if (std::memchr(text.data(), '\0', text.size()) != nullptr) {
      status_ = fail(kBadFormat, count_, "a NUL byte, which no text file holds");
      return false;
    }
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (first_line_ && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    first_line_ = false;
    *line = text;
    return true;
  }
}

}  // namespace tvx
