// Semidefinite models in the sparse SDPA format (".dat-s"), read as
//   max <F0, X> s.t. <Fi, X> = ci (i = 1..m), X block diagonal, PSD
// (the form other SDP solvers read these files in). The file holds, after
// comment lines starting with '"' or '*':
//   m; the number of blocks; their sizes (negative: a diagonal block);
//   c1 .. cm; then one entry per line: matrix (0 for F0), block, i, j, value
// with 1-based indices; punctuation ",{}()" in the size and c lines reads
// as blanks, and text after the numbers a line needs is ignored.
//
// Into the store: each square block is a PSD variable (its F0 part the
// objective matrix), each diagonal block one variable x >= 0 per diagonal
// position (its F0 entries the objective coefficients); row i is an
// equality with side ci, a PSD row when it has entries in a square block.
// Matrix entries are stored as given, at row-major position (i-1) n + (j-1),
// which the symmetric convention of store/psd_matrix.h reads the same
// whichever triangle a file uses; an entry repeated at one position takes
// the later value. The comment line "* tarvex: minimize" (which the writer
// puts in a minimisation's file, and other readers skip) makes the model
// minimise <-F0, X>: the same problem.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/status.h"
#include "io/file_report.h"
#include "io/model_files.h"

namespace tvx {
namespace {

// The largest diagonal block: one variable per position.
constexpr long long kMaxDiagonal = 1LL << 26;

std::size_t sz(int n) { return static_cast<std::size_t>(n); }

struct Entry {
  int mat, block, i, j;
  double value;
  int order;  // in the file
};

struct SdpaFile {
  int m = 0;
  std::vector<int> sizes;
  std::vector<double> c;
  bool minimize = false;
  std::vector<Entry> entries;
};

bool is_separator(char ch) {
  return ch == ' ' || ch == '\t' || ch == ',' || ch == '{' || ch == '}' || ch == '(' || ch == ')';
}

// The blank- or punctuation-separated words of a line.
std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t k = 0;
  while (k < line.size()) {
    while (k < line.size() && is_separator(line[k])) ++k;
    const std::size_t start = k;
    while (k < line.size() && !is_separator(line[k])) ++k;
    if (k > start) out.push_back(line.substr(start, k - start));
  }
  return out;
}

bool parse_int(std::string_view text, long long lo, long long hi, int *out) {
  double v = 0;
  if (!parse_coefficient(text, &v) || v != std::floor(v) || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool is_comment(std::string_view line) {
  return !line.empty() && (line[0] == '"' || line[0] == '*');
}

class Parser {
 public:
  explicit Parser(LineReader &lines) : lines_(lines) {}

  int parse(SdpaFile &f) {
    std::string_view line;
    // Comments, then m and the block count, each the first word of a line.
    int header[2] = {0, 0};
    for (int k = 0; k < 2;) {
      if (!lines_.next(&line)) return ended();
      if (k == 0 && is_comment(line)) {
        if (line.rfind("* tarvex: minimize", 0) == 0) f.minimize = true;
        continue;
      }
      const auto w = words(line);
      if (w.empty()) continue;
      if (!parse_int(w[0], k == 0 ? 0 : 1, INT_MAX, &header[k]))
        return bad(k == 0 ? "the number of constraints is not a count"
                          : "the number of blocks is not a positive count");
      ++k;
    }
    f.m = header[0];
    long long diagonal = 0;
    for (double v : numbers(header[1], "block sizes")) {
      if (v != std::floor(v) || v == 0 || std::fabs(v) > INT_MAX)
        return bad("a block size is not a non-zero integer");
      const int size = static_cast<int>(v);
      if (size < 0 && (diagonal -= size) > kMaxDiagonal)
        return bad("the diagonal blocks hold too many variables");
      f.sizes.push_back(size);
    }
    if (status_ != kOk) return status_;
    f.c = numbers(f.m, "right-hand sides");
    if (status_ != kOk) return status_;
    while (lines_.next(&line)) {
      if (is_comment(line)) continue;
      const auto w = words(line);
      if (w.empty()) continue;
      if (w.size() != 5) return bad("an entry is not: matrix, block, row, column, value");
      Entry e{0, 0, 0, 0, 0, static_cast<int>(f.entries.size())};
      if (!parse_int(w[0], 0, f.m, &e.mat)) return bad("no constraint of that number");
      if (!parse_int(w[1], 1, static_cast<long long>(f.sizes.size()), &e.block))
        return bad("no block of that number");
      const int size = std::abs(f.sizes[sz(e.block - 1)]);
      if (!parse_int(w[2], 1, size, &e.i) || !parse_int(w[3], 1, size, &e.j))
        return bad("a row or column outside its block");
      if (!parse_coefficient(w[4], &e.value)) return bad("a value that is no finite number");
      if (f.sizes[sz(e.block - 1)] < 0 && e.i != e.j)
        return bad("an entry off the diagonal of a diagonal block");
      if (f.entries.size() >= static_cast<std::size_t>(INT_MAX)) return bad("too many entries");
      f.entries.push_back(e);
    }
    return lines_.status();
  }

 private:
  int bad(const std::string &what) const { return fail(kBadFormat, lines_.line(), what); }

  // A file that ends before its header does is not a model of the format.
  int ended() const {
    return lines_.status() != kOk ? lines_.status()
                                  : fail(kBadFormat, "the file ends before its entries");
  }

  // The next n numbers, across lines; the rest of the last line is ignored.
  std::vector<double> numbers(int n, const char *what) {
    std::vector<double> out;
    std::string_view line;
    while (static_cast<int>(out.size()) < n) {
      if (!lines_.next(&line)) {
        status_ = ended();
        return out;
      }
      for (std::string_view w : words(line)) {
        if (static_cast<int>(out.size()) == n) break;
        double v = 0;
        if (!parse_coefficient(w, &v)) {
          status_ = bad(std::string("the ") + what + " hold something that is no number");
          return out;
        }
        out.push_back(v);
      }
    }
    return out;
  }

  LineReader &lines_;
  int status_ = kOk;
};

// The store from the parsed file: variables, PSD variables, then the rows.
int build(const SdpaFile &f, Store &out) {
  const double sign = f.minimize ? -1.0 : 1.0;
  // Where each block goes: a PSD variable, or the first of its variables.
  std::vector<int> first(f.sizes.size());
  int vars = 0, psd_vars = 0;
  for (std::size_t b = 0; b < f.sizes.size(); ++b) {
    first[b] = f.sizes[b] < 0 ? vars : psd_vars;
    if (f.sizes[b] < 0) {
      vars -= f.sizes[b];
    } else {
      ++psd_vars;
    }
  }
  std::vector<Entry> entries = f.entries;
  std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
    return a.mat != b.mat ? a.mat < b.mat : a.block < b.block;
  });
  // Entries of matrix mat in block (1-based), as (position, value).
  std::size_t at = 0;
  const auto take = [&](int mat, int block, std::vector<int> &pos, std::vector<double> &val,
                        double factor) {
    pos.clear();
    val.clear();
    const int size = std::abs(f.sizes[sz(block - 1)]);
    for (; at < entries.size() && entries[at].mat == mat && entries[at].block == block; ++at) {
      const Entry &e = entries[at];
      pos.push_back(f.sizes[sz(block - 1)] < 0 ? e.i - 1 : (e.i - 1) * size + (e.j - 1));
      val.push_back(factor * e.value);
    }
  };
  std::vector<double> obj(sz(vars), 0.0);
  std::vector<int> pos;
  std::vector<double> val;
  std::vector<std::pair<std::vector<int>, std::vector<double>>> psd_obj(sz(psd_vars));
  for (std::size_t b = 0; b < f.sizes.size(); ++b) {
    take(0, static_cast<int>(b + 1), pos, val, sign);
    if (f.sizes[b] < 0) {
      for (std::size_t k = 0; k < pos.size(); ++k) obj[sz(first[b] + pos[k])] = val[k];
    } else {
      psd_obj[sz(first[b])] = {pos, val};
    }
  }
  out.set_sense(f.minimize ? TVX_MINIMIZE : TVX_MAXIMIZE);
  int rc = out.add_vars(vars, 0, nullptr, nullptr, nullptr, obj.data(), nullptr, nullptr, nullptr,
                        nullptr);
  for (std::size_t b = 0; b < f.sizes.size() && rc == kOk; ++b) {
    if (f.sizes[b] < 0) continue;
    const auto &o = psd_obj[sz(first[b])];
    rc = out.add_psd_var(f.sizes[b], static_cast<int>(o.first.size()), o.first.data(),
                         o.second.data(), nullptr);
  }
  // Each row: linear terms (a repeated position takes the later value) and
  // the PSD blocks' entries.
  std::vector<double> dense(sz(vars), 0.0);
  std::vector<char> seen(sz(vars), 0);
  std::vector<int> touched, lind, vidx, beg;
  std::vector<double> lval;
  for (int i = 1; i <= f.m && rc == kOk; ++i) {
    lind.clear();
    lval.clear();
    vidx.clear();
    beg.clear();
    std::vector<int> ppos;
    std::vector<double> pval;
    while (at < entries.size() && entries[at].mat == i) {
      const int block = entries[at].block;
      take(i, block, pos, val, 1.0);
      if (f.sizes[sz(block - 1)] < 0) {
        for (std::size_t k = 0; k < pos.size(); ++k) {
          const int j = first[sz(block - 1)] + pos[k];
          if (!seen[sz(j)]) touched.push_back(j);
          seen[sz(j)] = 1;
          dense[sz(j)] = val[k];
        }
      } else {
        vidx.push_back(first[sz(block - 1)]);
        beg.push_back(static_cast<int>(ppos.size()));
        ppos.insert(ppos.end(), pos.begin(), pos.end());
        pval.insert(pval.end(), val.begin(), val.end());
      }
    }
    std::sort(touched.begin(), touched.end());
    for (int j : touched) {
      lind.push_back(j);
      lval.push_back(dense[sz(j)]);
      seen[sz(j)] = 0;
    }
    touched.clear();
    const double side = f.c[sz(i - 1)];
    if (vidx.empty()) {
      const int start = 0;
      rc = out.add_rows(1, static_cast<int>(lind.size()), &start, lind.data(), lval.data(), &side,
                        &side, nullptr);
    } else {
      rc = out.add_psd_row(static_cast<int>(lind.size()), lind.data(), lval.data(),
                           static_cast<int>(vidx.size()), vidx.data(), beg.data(),
                           static_cast<int>(ppos.size()), ppos.data(), pval.data(), side, side,
                           nullptr);
    }
  }
  return rc == kOk ? kOk
                   : fail(kBadFormat, std::string("the model is refused: ") + TVXexplainerror(rc));
}

}  // namespace

int parse_sdpa(LineReader &lines, Store &out) {
  SdpaFile f;
  const int rc = Parser(lines).parse(f);
  return rc == kOk ? build(f, out) : rc;
}

int read_sdpa_file(const char *filename, Compression compression, Store &out) {
  InputFile file;
  const int rc = file.open(filename, compression);
  if (rc != kOk) return rc;
  LineReader lines(file);
  return parse_sdpa(lines, out);
}

}  // namespace tvx
