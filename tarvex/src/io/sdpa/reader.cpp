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

bool parse_int(std::string_view text, int lo, int hi, int *out) {
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
    if (status_ != TVX_ERROR_OKAY) return status_;
    f.c = numbers(f.m, "right-hand sides");
    if (status_ != TVX_ERROR_OKAY) return status_;
    while (lines_.next(&line)) {
      if (is_comment(line)) continue;
      const auto w = words(line);
      if (w.empty()) continue;
      if (w.size() != 5) return bad("an entry is not: matrix, block, row, column, value");
      Entry e{0, 0, 0, 0, 0, int_size(f.entries)};
      if (!parse_int(w[0], 0, f.m, &e.mat)) return bad("no constraint of that number");
      if (!parse_int(w[1], 1, int_size(f.sizes), &e.block)) return bad("no block of that number");
      const int size = std::abs(f.sizes[to_size(e.block - 1)]);
      if (!parse_int(w[2], 1, size, &e.i) || !parse_int(w[3], 1, size, &e.j))
        return bad("a row or column outside its block");
      if (!parse_coefficient(w[4], &e.value)) return bad("a value that is no finite number");
      if (f.sizes[to_size(e.block - 1)] < 0 && e.i != e.j)
        return bad("an entry off the diagonal of a diagonal block");
      if (f.entries.size() >= to_size(INT_MAX)) return bad("too many entries");
      f.entries.push_back(e);
    }
    return lines_.status();
  }

 private:
  int bad(const std::string &what) const { return fail(kBadFormat, lines_.line(), what); }

  // A file that ends before its header does is not a model of the format.
  int ended() const {
    return lines_.status() != TVX_ERROR_OKAY ? lines_.status()
                                             : fail(kBadFormat, "the file ends before its entries");
  }

  // The next n numbers, across lines; the rest of the last line is ignored.
  std::vector<double> numbers(int n, const char *what) {
    std::vector<double> out;
    std::string_view line;
    while (int_size(out) < n) {
      if (!lines_.next(&line)) {
        status_ = ended();
        return out;
      }
      for (std::string_view w : words(line)) {
        if (int_size(out) == n) break;
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
  int status_ = TVX_ERROR_OKAY;
};

// Where each block goes: a PSD variable, or a run of variables, one per
// diagonal position.
struct BlockLayout {
  std::vector<int> first;  // per block: its PSD variable, or its first variable
  int vars = 0, psd_vars = 0;
};

BlockLayout block_layout(const SdpaFile &f) {
  BlockLayout layout;
  layout.first.resize(f.sizes.size());
  for (std::size_t b = 0; b < f.sizes.size(); ++b) {
    layout.first[b] = f.sizes[b] < 0 ? layout.vars : layout.psd_vars;
    if (f.sizes[b] < 0) {
      layout.vars -= f.sizes[b];
    } else {
      ++layout.psd_vars;
    }
  }
  return layout;
}

// The file's entries by matrix, then block (file order kept within each),
// read off matrix by matrix and block by block.
class SortedEntries {
 public:
  explicit SortedEntries(const SdpaFile &f) : f_(f), entries_(f.entries) {
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry &a, const Entry &b) {
      return a.mat != b.mat ? a.mat < b.mat : a.block < b.block;
    });
  }

  // Whether the next entry is of matrix mat; block(): its block.
  bool in_matrix(int mat) const { return at_ < entries_.size() && entries_[at_].mat == mat; }
  int block() const { return entries_[at_].block; }

  // The next entries when they are of matrix mat in block (1-based), as
  // (position, factor * value): the position in a diagonal block, the
  // row-major position in a square one.
  void take(int mat, int block, double factor, std::vector<int> &pos, std::vector<double> &val) {
    pos.clear();
    val.clear();
    const int size = std::abs(f_.sizes[to_size(block - 1)]);
    for (; in_matrix(mat) && entries_[at_].block == block; ++at_) {
      const Entry &e = entries_[at_];
      pos.push_back(f_.sizes[to_size(block - 1)] < 0 ? e.i - 1 : (e.i - 1) * size + (e.j - 1));
      val.push_back(factor * e.value);
    }
  }

 private:
  const SdpaFile &f_;
  std::vector<Entry> entries_;
  std::size_t at_ = 0;
};

// The variables and PSD variables of the blocks, F0 (matrix 0) giving their
// objective.
int add_variables(const SdpaFile &f, const BlockLayout &layout, SortedEntries &entries,
                  Store &out) {
  const double sign = f.minimize ? -1.0 : 1.0;
  std::vector<double> obj(to_size(layout.vars), 0.0);
  std::vector<int> pos;
  std::vector<double> val;
  std::vector<std::pair<std::vector<int>, std::vector<double>>> psd_obj(to_size(layout.psd_vars));
  for (std::size_t b = 0; b < f.sizes.size(); ++b) {
    entries.take(0, static_cast<int>(b + 1), sign, pos, val);
    if (f.sizes[b] < 0) {
      for (std::size_t k = 0; k < pos.size(); ++k) obj[to_size(layout.first[b] + pos[k])] = val[k];
    } else {
      psd_obj[to_size(layout.first[b])] = {pos, val};
    }
  }
  out.set_sense(f.minimize ? TVX_MINIMIZE : TVX_MAXIMIZE);
  int rc = out.add_vars(layout.vars, 0, nullptr, nullptr, nullptr, obj.data(), nullptr, nullptr,
                        nullptr, nullptr);
  for (std::size_t b = 0; b < f.sizes.size() && rc == TVX_ERROR_OKAY; ++b) {
    if (f.sizes[b] < 0) continue;
    const auto &o = psd_obj[to_size(layout.first[b])];
    rc = out.add_psd_var(f.sizes[b], int_size(o.first), o.first.data(), o.second.data(), nullptr);
  }
  return rc;
}

// The linear terms of one row, a repeated variable taking the later value.
class LinearTerms {
 public:
  explicit LinearTerms(int vars) : dense_(to_size(vars), 0.0), seen_(to_size(vars), 0) {}

  void set(int j, double value) {
    if (!seen_[to_size(j)]) touched_.push_back(j);
    seen_[to_size(j)] = 1;
    dense_[to_size(j)] = value;
  }

  // The terms set since the last call, variables ascending.
  void take(std::vector<int> &ind, std::vector<double> &val) {
    ind.clear();
    val.clear();
    std::sort(touched_.begin(), touched_.end());
    for (int j : touched_) {
      ind.push_back(j);
      val.push_back(dense_[to_size(j)]);
      seen_[to_size(j)] = 0;
    }
    touched_.clear();
  }

 private:
  std::vector<double> dense_;
  std::vector<char> seen_;
  std::vector<int> touched_;
};

// Row i for each matrix Fi: an equality with side ci, its diagonal blocks'
// entries its linear terms, its square blocks' entries its PSD terms.
int add_rows(const SdpaFile &f, const BlockLayout &layout, SortedEntries &entries, Store &out) {
  LinearTerms linear(layout.vars);
  std::vector<int> pos, lind, vidx, beg, ppos;
  std::vector<double> val, lval, pval;
  int rc = TVX_ERROR_OKAY;
  for (int i = 1; i <= f.m && rc == TVX_ERROR_OKAY; ++i) {
    vidx.clear();
    beg.clear();
    ppos.clear();
    pval.clear();
    while (entries.in_matrix(i)) {
      const int block = entries.block();
      entries.take(i, block, 1.0, pos, val);
      const int first = layout.first[to_size(block - 1)];
      if (f.sizes[to_size(block - 1)] < 0) {
        for (std::size_t k = 0; k < pos.size(); ++k) linear.set(first + pos[k], val[k]);
      } else {
        vidx.push_back(first);
        beg.push_back(int_size(ppos));
        ppos.insert(ppos.end(), pos.begin(), pos.end());
        pval.insert(pval.end(), val.begin(), val.end());
      }
    }
    linear.take(lind, lval);
    const double side = f.c[to_size(i - 1)];
    if (vidx.empty()) {
      const int start = 0;
      rc = out.add_rows(1, int_size(lind), &start, lind.data(), lval.data(), &side, &side, nullptr);
    } else {
      rc = out.add_psd_row(int_size(lind), lind.data(), lval.data(), int_size(vidx), vidx.data(),
                           beg.data(), int_size(ppos), ppos.data(), pval.data(), side, side,
                           nullptr);
    }
  }
  return rc;
}

// The store from the parsed file: variables, PSD variables, then the rows.
int build(const SdpaFile &f, Store &out) {
  const BlockLayout layout = block_layout(f);
  SortedEntries entries(f);
  int rc = add_variables(f, layout, entries, out);
  if (rc == TVX_ERROR_OKAY) rc = add_rows(f, layout, entries, out);
  return rc == TVX_ERROR_OKAY
             ? TVX_ERROR_OKAY
             : fail(kBadFormat, std::string("the model is refused: ") + status_text(rc));
}

}  // namespace

int parse_sdpa(LineReader &lines, Store &out) {
  SdpaFile f;
  const int rc = Parser(lines).parse(f);
  return rc == TVX_ERROR_OKAY ? build(f, out) : rc;
}

int read_sdpa_file(const char *filename, Compression compression, Store &out) {
  InputFile file;
  const int rc = file.open(filename, compression);
  if (rc != TVX_ERROR_OKAY) return rc;
  LineReader lines(file);
  return parse_sdpa(lines, out);
}

}  // namespace tvx
