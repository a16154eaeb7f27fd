#include "io/result_files.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/status.h"
#include "io/file_names.h"
#include "io/file_report.h"
#include "io/model_builder.h"
#include "io/text_writer.h"

namespace tvx {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim_front(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  return s;
}

// Up to max_fields blank-separated fields; false when there are more.
bool split(std::string_view line, std::vector<std::string_view> &out, std::size_t max_fields) {
  out.clear();
  return split_fields(line, max_fields, [&out](std::string_view f) { out.push_back(f); });
}

// File names to indices; the names are file_names' strings, which outlive
// the map.
using NameMap = std::unordered_map<std::string_view, int>;

NameMap name_map(const std::vector<std::string> &names) {
  NameMap map;
  map.reserve(names.size());
  for (std::size_t k = 0; k < names.size(); ++k) map.emplace(names[k], static_cast<int>(k));
  return map;
}

int lookup(const NameMap &map, std::string_view name) {
  const auto it = map.find(name);
  return it == map.end() ? -1 : it->second;
}

// The format pairs each basic column with a nonbasic row.
int wrong_basic_count(int status, std::size_t basic, std::size_t rows) {
  return fail(status, "the basis has " + std::to_string(basic) +
                          " basic elements where the model has " + std::to_string(rows) + " rows");
}

bool has_basis_shape(const std::optional<Basis> &b, const Store &s) {
  return b && b->col.size() == static_cast<std::size_t>(s.num_vars()) &&
         b->row.size() == static_cast<std::size_t>(s.num_rows());
}

// The basis write_basis_file writes, or the status that refuses it.
int basis_to_write(const Store &s, const Basis **out) {
  const Results &r = s.results();
  if (has_basis_shape(r.basis, s)) {
    *out = &*r.basis;
  } else if (has_basis_shape(s.start_basis(), s)) {
    *out = &*s.start_basis();
  } else {
    return fail(TVX_ERROR_NO_SOLN, "the model has no basis, solved or given, to write");
  }
  const Basis &b = **out;
  std::size_t basic_cols = 0, nonbasic_rows = 0;
  bool valid = true;
  for (const int st : b.col) {
    valid = valid && st >= kBasisLower && st <= kBasisSuperbasic;
    basic_cols += st == kBasisBasic;
  }
  for (const int st : b.row) {
    valid = valid && st >= kBasisLower && st <= kBasisSuperbasic;
    nonbasic_rows += st != kBasisBasic;
  }
  if (!valid) return fail(TVX_ERROR_INVALID_BASIS_STATUS, "the basis holds an unknown status");
  if (basic_cols == nonbasic_rows) return kOk;
  return wrong_basic_count(TVX_ERROR_INVALID_BASIS_STATUS,
                           basic_cols + b.row.size() - nonbasic_rows, b.row.size());
}

// A column the basis file does not name.
int default_col_status(const Store &s, int j) {
  const auto jj = static_cast<std::size_t>(j);
  const bool free = is_minus_infinite(s.vars().lb[jj]) && is_plus_infinite(s.vars().ub[jj]);
  return free ? kBasisSuperbasic : kBasisLower;
}

// A section line of a basis file: NAME, or ENDATA, which ends the reading.
int basis_header(std::size_t at, std::string_view line, bool *ended) {
  const std::string_view word = line.substr(0, line.find_first_of(" \t"));
  if (equals_folded(word, "endata")) {
    *ended = true;
  } else if (!equals_folded(word, "name")) {
    return fail(kBadFormat, at, "unknown section " + quoted(word));
  }
  return kOk;
}

// The statuses a basis file states, over the elements of a model whose
// names a model file written alongside gives.
class BasisReader {
 public:
  BasisReader(const Store &s, const FileNames &names)
      : cols_(name_map(names.cols)), rows_(name_map(names.rows)) {
    for (int j = 0; j < s.num_vars(); ++j) b_.col.push_back(default_col_status(s, j));
    b_.row.assign(static_cast<std::size_t>(s.num_rows()), kBasisBasic);
  }

  // " XU|XL column row" (a basic column and a nonbasic row) or
  // " UL|LL name" (a nonbasic element); a later line wins.
  int status_line(std::size_t at, std::string_view line) {
    const auto bad = [at](const std::string &what) { return fail(kBadFormat, at, what); };
    const auto unknown = [&bad](std::string_view name) {
      return bad("unknown variable or row " + quoted(name));
    };
    if (!split(line, f_, 3)) return bad("more than three fields");
    const bool pair = equals_folded(f_[0], "xu") || equals_folded(f_[0], "xl");
    const int status =
        equals_folded(f_[0], "xu") || equals_folded(f_[0], "ul") ? kBasisUpper : kBasisLower;
    if (pair) {
      if (f_.size() != 3) return bad("a status, a variable and a row expected");
      const int j = lookup(cols_, f_[1]);
      if (j < 0) return bad("unknown variable " + quoted(f_[1]));
      b_.col[static_cast<std::size_t>(j)] = kBasisBasic;
      // The second name is a row, or a column for files that pair columns.
      const int i = lookup(rows_, f_[2]);
      if (i >= 0) {
        b_.row[static_cast<std::size_t>(i)] = status;
      } else if (!nonbasic(f_[2], status)) {
        return unknown(f_[2]);
      }
    } else if (equals_folded(f_[0], "ul") || equals_folded(f_[0], "ll")) {
      if (f_.size() != 2) return bad("a status and a variable expected");
      if (!nonbasic(f_[1], status)) return unknown(f_[1]);
    } else {
      return bad("unknown basis status " + quoted(f_[0]));
    }
    return kOk;
  }

  // The basis, as the model's start basis, when it has one basic element
  // per row.
  int store(Store &s) {
    std::size_t basic = 0;
    for (const int st : b_.col) basic += st == kBasisBasic;
    for (const int st : b_.row) basic += st == kBasisBasic;
    if (basic != b_.row.size()) return wrong_basic_count(kBadFormat, basic, b_.row.size());
    s.set_start_basis(std::move(b_));
    return kOk;
  }

 private:
  // A nonbasic element: a column, or else a row, of that name.
  bool nonbasic(std::string_view name, int status) {
    int k = lookup(cols_, name);
    if (k >= 0) {
      b_.col[static_cast<std::size_t>(k)] = status;
      return true;
    }
    k = lookup(rows_, name);
    if (k < 0) return false;
    b_.row[static_cast<std::size_t>(k)] = status;
    return true;
  }

  const NameMap cols_, rows_;
  Basis b_;
  std::vector<std::string_view> f_;  // the fields of the current line
};

// read(lines, names) over the file's lines, names being those a model file
// written alongside gives the elements of s.
template <class Read>
int read_result_file(const char *filename, Compression compression, const Store &s, Read &&read) {
  InputFile file;
  const int rc = file.open(filename, compression);
  if (rc != kOk) return rc;
  LineReader lines(file);
  return read(lines, file_names(s, NameStyle::Mps));
}

}  // namespace

int write_solution_file(const char *filename, Compression compression, const Store &s) {
  const Results &r = s.results();
  if (!r.x || r.x->size() != static_cast<std::size_t>(s.num_vars()))
    return fail(TVX_ERROR_NO_SOLN, "the model has no solution to write");
  const FileNames names = file_names(s, NameStyle::Mps);
  return write_text_file(filename, compression, [&](TextWriter &out) {
    if (r.primal_obj) {
      out << "# Objective value = ";
      out.num(*r.primal_obj) << "\n";
    }
    for (std::size_t j = 0; j < names.cols.size(); ++j) {
      out << names.cols[j] << " ";
      out.num((*r.x)[j]) << "\n";
    }
    return out.status();
  });
}

int write_start_file(const char *filename, Compression compression, const Store &s) {
  const Results &r = s.results();
  const bool solution = r.x && r.x->size() == static_cast<std::size_t>(s.num_vars());
  const std::vector<double> &values = solution ? *r.x : s.vars().start;
  const FileNames names = file_names(s, NameStyle::Mps);
  return write_text_file(filename, compression, [&](TextWriter &out) {
    out << (solution ? "# MIP start from the solution\n" : "# MIP start\n");
    for (std::size_t j = 0; j < names.cols.size(); ++j) {
      if (values[j] == kUndefined) continue;
      out << names.cols[j] << " ";
      out.num(values[j]) << "\n";
    }
    return out.status();
  });
}

int write_basis_file(const char *filename, Compression compression, const Store &s) {
  const Basis *basis = nullptr;
  const int rc = basis_to_write(s, &basis);
  if (rc != kOk) return rc;
  const FileNames names = file_names(s, NameStyle::Mps);
  return write_text_file(filename, compression, [&](TextWriter &out) {
    out << "NAME";
    if (!s.name().empty() && s.name().find_first_of("\r\n") == std::string::npos)
      out << "          " << s.name();
    out << "\n";
    // Basic columns and nonbasic rows, paired in index order.
    std::size_t i = 0;
    for (std::size_t j = 0; j < basis->col.size(); ++j) {
      if (basis->col[j] != kBasisBasic) continue;
      while (basis->row[i] == kBasisBasic) ++i;
      out << (basis->row[i] == kBasisUpper ? " XU " : " XL ") << names.cols[j] << " "
          << names.rows[i] << "\n";
      ++i;
    }
    for (std::size_t j = 0; j < basis->col.size(); ++j) {
      if (basis->col[j] == kBasisUpper) out << " UL " << names.cols[j] << "\n";
    }
    out << "ENDATA\n";
    return out.status();
  });
}

int read_start_file(const char *filename, Compression compression, Store &s) {
  return read_result_file(
      filename, compression, s, [&s](LineReader &lines, const FileNames &names) {
        const NameMap cols = name_map(names.cols);
        std::vector<double> start(static_cast<std::size_t>(s.num_vars()), kUndefined);
        std::vector<std::string_view> f;
        std::string_view line;
        while (lines.next(&line)) {
          line = trim_front(line);
          if (line.empty() || line.front() == '#') continue;
          double value;
          if (!split(line, f, 2) || f.size() != 2)
            return fail(kBadFormat, lines.line(), "a variable name and a value expected");
          if (!parse_coefficient(f[1], &value))
            return fail(kBadFormat, lines.line(), number_problem(f[1]));
          const int j = lookup(cols, f[0]);
          if (j < 0) return fail(kBadFormat, lines.line(), "unknown variable " + quoted(f[0]));
          start[static_cast<std::size_t>(j)] = value;
        }
        if (lines.status() != kOk) return lines.status();
        for (int j = 0; j < s.num_vars(); ++j)
          s.set_var_start(j, start[static_cast<std::size_t>(j)]);
        return kOk;
      });
}

int read_basis_file(const char *filename, Compression compression, Store &s) {
  return read_result_file(
      filename, compression, s, [&s](LineReader &lines, const FileNames &names) {
        BasisReader basis(s, names);
        bool ended = false;
        std::string_view line;
        while (!ended && lines.next(&line)) {
          if (trim_front(line).empty() || line.front() == '*') continue;
          const int rc = is_blank(line.front()) ? basis.status_line(lines.line(), line)
                                                : basis_header(lines.line(), line, &ended);
          if (rc != kOk) return rc;
        }
        if (lines.status() != kOk) return lines.status();
        if (!ended) return fail(kBadFormat, "the file ends without ENDATA");
        return basis.store(s);
      });
}

}  // namespace tvx
