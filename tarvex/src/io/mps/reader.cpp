// MPS and QPS files.
//
// What is read, beyond the classic sections NAME, ROWS, COLUMNS, RHS,
// RANGES, BOUNDS and ENDATA (ENDATA is required: a file cut short is not
// taken for a smaller model):
// - OBJSENSE (MIN/MAX, with or without the "IMIZE" ending, on the header
//   line or the next) and OBJNAME (which N row is the objective; without it
//   the first N row is). Further N rows are kept as free rows.
// - Integer markers ('MARKER' 'INTORG' ... 'INTEND') in COLUMNS: the columns
//   between them are integer. One that no line of the BOUNDS section names is
//   binary in effect, [0, 1], as MPS readers have it; one that is named starts
//   from [0, inf) like any other column, so "LO 2" alone gives [2, inf).
// - The RHS of the objective row: its negation is the objective constant.
// - RANGES: on E rows the sign picks the side; on L and G rows the magnitude
//   counts. On free N rows right-hand sides and ranges mean nothing and are
//   skipped.
// - BOUNDS types UP, LO, FX, FR, MI, PL, BV (binary, bounds [0, 1]), LI, UI
//   (integer with that bound) and SC (semi-continuous; the value, when
//   given, is the upper bound). An UP or UI bound below zero on a column
//   whose lower bound was not given makes the lower bound -inf, as MPS has
//   always done; a writer states LO before UP to keep a lower bound of 0.
// - RHS, RANGES and BOUNDS may name their vector; only the first vector of
//   each section is read, as the format intends.
// - SOS: a header line holding S1 or S2 (and optionally a set name and a
//   priority, which the model has no place for) starts a set; each member
//   line gives a column and its weight, optionally after the set name. A
//   member without a weight gets its position in the set.
// - QUADOBJ (or QMATRIX): "col1 col2 value" lines of the matrix Q of the
//   objective term 1/2 x'Qx. QUADOBJ lists each off-diagonal pair once
//   (either triangle) and stands for both halves of Q; QMATRIX lists the whole
//   matrix. Each line is stored as one term: in QUADOBJ a diagonal line
//   (x, x, q) as q/2 * x^2 and an off-diagonal line (x, y, q) as q * x * y;
//   in QMATRIX every line (x, y, q) as q/2 * x * y.
// - INDICATORS: "IF row column value" turns an E, L or G row (not ranged)
//   into an indicator constraint on the binary column taking value (0 or 1).
// Lines starting with '*' and blank lines are skipped anywhere. A line
// starting in column 1 names a section (in any case), one starting with a
// blank or tab holds data; sections the model cannot hold (quadratic
// constraints, cones, ...) are a format error.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "io/file_report.h"
#include "io/model_files.h"

namespace tvx {
namespace {

enum class Section {
  None,
  Name,
  ObjSense,
  ObjName,
  Rows,
  Columns,
  Rhs,
  Ranges,
  Bounds,
  Sos,
  QuadObj,
  QMatrix,
  Indicators
};

// By Section, as files spell them in any case.
constexpr std::string_view kSectionWords[] = {"",        "name",    "objsense",  "objname", "rows",
                                              "columns", "rhs",     "ranges",    "bounds",  "sos",
                                              "quadobj", "qmatrix", "indicators"};

// As the log names them.
std::string section_name(Section s) {
  std::string out(kSectionWords[static_cast<int>(s)]);
  for (char &c : out) c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// The sections from ROWS on, which hold data lines only; None for other words.
Section data_section(std::string_view word) {
  for (int k = static_cast<int>(Section::Rows); k <= static_cast<int>(Section::Indicators); ++k) {
    if (equals_folded(word, kSectionWords[k])) return static_cast<Section>(k);
  }
  return Section::None;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// The whitespace-separated fields of a line; false when there are more
// than any line of the format holds.
constexpr std::size_t kMaxFields = 8;
struct Fields {
  std::array<std::string_view, kMaxFields> at;
  std::size_t n = 0;
  std::string_view operator[](std::size_t k) const { return at[k]; }
};

bool split(std::string_view line, Fields *out) {
  out->n = 0;
  return split_fields(line, kMaxFields, [out](std::string_view f) { out->at[out->n++] = f; });
}

// A field of the fixed form: columns [first, last) of the line, 0-based,
// without surrounding blanks; last npos runs to the end of the line.
std::string_view column_field(std::string_view line, std::size_t first, std::size_t last) {
  if (first >= line.size()) return {};
  return trim(line.substr(first, last == std::string_view::npos ? last : last - first));
}

// Text in the blank columns between fixed fields (0-based) belongs to no
// field: a value written too wide there would otherwise be cut to fit.
bool separators_blank(std::string_view line) {
  for (const std::size_t c : {3, 12, 13, 22, 23, 36, 37, 38, 48})
    if (c < line.size() && !is_blank(line[c])) return false;
  return true;
}

// Fields 1 to 6 of the fixed form (columns 2-3, 5-12, 15-22, 25-36, 40-47,
// 50-61); the last runs to the end of the line. False when text runs into the
// blank columns between them.
bool fixed_fields(std::string_view line, std::array<std::string_view, 6> *f) {
  if (!separators_blank(line)) return false;
  (*f)[0] = column_field(line, 1, 3);
  (*f)[1] = column_field(line, 4, 12);
  (*f)[2] = column_field(line, 14, 22);
  (*f)[3] = column_field(line, 24, 36);
  (*f)[4] = column_field(line, 39, 47);
  (*f)[5] = column_field(line, 49, std::string_view::npos);
  return true;
}

bool parse_sense(std::string_view word, int *sense) {
  if (equals_folded(word, "min") || equals_folded(word, "minimize") ||
      equals_folded(word, "minimise")) {
    *sense = TVX_MINIMIZE;
    return true;
  }
  if (equals_folded(word, "max") || equals_folded(word, "maximize") ||
      equals_folded(word, "maximise")) {
    *sense = TVX_MAXIMIZE;
    return true;
  }
  return false;
}

bool is_sos_type(std::string_view word, int *type) {
  if (equals_folded(word, "s1")) {
    *type = TVX_SOS_TYPE1;
    return true;
  }
  if (equals_folded(word, "s2")) {
    *type = TVX_SOS_TYPE2;
    return true;
  }
  return false;
}

class MpsParser {
 public:
  MpsParser(LineReader &lines, MpsForm form, ModelBuilder &b) : lines_(lines), form_(form), b_(b) {}
  int run();

 private:
  struct IfLine {
    int row, col, value;
  };
  // A (row, value) pair of RHS and RANGES and the fields around it.
  struct Entry {
    std::string_view set, row, value;
  };
  // The fields of a BOUNDS line; set and value may be empty.
  struct BoundLine {
    std::string_view type, set, col, value;
  };

  int header(std::string_view line);
  int data(std::string_view line);
  int rows_line(std::string_view line);
  int columns_line(std::string_view line);
  int vector_line(std::string_view line, bool ranges);
  int bounds_line(std::string_view line);
  int free_bound_fields(std::string_view line, BoundLine *b);
  int fixed_bound_fields(std::string_view line, BoundLine *b);
  int apply_bound(std::string_view type, int j, double v, bool has_value);
  int sos_line();
  int quad_line(std::string_view line);
  int indicator_line(std::string_view line);
  int finish();

  // The first vector named in a section is the one read.
  bool take_set(std::string_view set, std::string *chosen, bool *seen) {
    if (!*seen) {
      chosen->assign(set);
      *seen = true;
    }
    return set == *chosen;
  }
  bool is_objective(std::string_view row) const { return has_objective_ && row == objective_; }
  int column(std::string_view name) const { return b_.find_var(name); }

  // Refusals of the current line, for the report.
  int bad(const std::string &what) { return fail(kBadFormat, lines_.line(), what); }
  std::string in_section() const {
    return section_ == Section::None ? " before any section"
                                     : std::string(" in ") + section_name(section_);
  }
  int unknown(const char *kind, std::string_view name) {
    return bad(std::string("unknown ") + kind + " " + quoted(name) + in_section());
  }
  int bad_value(std::string_view text) { return bad(number_problem(text) + in_section()); }
  // A line whose fields do not fit the section's.
  int expected(const char *fields) { return bad(fields + (" expected" + in_section())); }
  int split_fixed(std::string_view line, std::array<std::string_view, 6> *f) {
    return fixed_fields(line, f) ? kOk : bad("text in the blank columns between fixed fields");
  }

  LineReader &lines_;
  MpsForm form_;
  ModelBuilder &b_;
  Section section_ = Section::None;
  Fields fields_;

  bool has_objective_ = false;
  std::string objective_;  // the objective row's name
  bool objname_given_ = false;
  bool seen_rows_ = false;
  // Per builder row.
  std::vector<char> row_type_;  // 'N', 'E', 'L' or 'G'
  std::vector<double> row_rhs_, row_range_;
  std::vector<char> has_range_;
  // Per column: a lower bound given in BOUNDS; any line of BOUNDS naming it;
  // declared between integer markers.
  std::vector<char> lb_given_, bound_given_, marker_integer_;

  int current_col_ = -1;
  std::string_view current_col_name_;  // stable: points into the builder's arena
  bool integer_block_ = false;
  std::string rhs_set_, range_set_, bound_set_;
  bool rhs_seen_ = false, range_seen_ = false, bound_seen_ = false;
  std::vector<IfLine> indicators_;
  bool ended_ = false;
};

int MpsParser::run() {
  std::string_view line;
  while (!ended_ && lines_.next(&line)) {
    if (trim(line).empty() || line[0] == '*') continue;
    const int rc = is_blank(line[0]) ? data(line) : header(line);
    // A specific reason noted first stands.
    if (rc == kBadFormat) return bad("cannot read this line" + in_section());
    if (rc != kOk) return rc;
  }
  if (lines_.status() != kOk) return lines_.status();
  if (!ended_) return fail(kBadFormat, "the file ends without ENDATA");
  return finish();
}

int MpsParser::header(std::string_view line) {
  std::size_t end = 0;
  while (end < line.size() && !is_blank(line[end])) ++end;
  const std::string_view word = line.substr(0, end);
  // The rest of the line, blanks inside included.
  const std::string_view rest = trim(line.substr(end));
  const bool one_word = rest.find_first_of(" \t") == std::string_view::npos;
  if (equals_folded(word, "name")) {
    b_.name.assign(rest);
    section_ = Section::Name;
  } else if (equals_folded(word, "objsense") || equals_folded(word, "objsence")) {
    section_ = Section::ObjSense;
    if (!one_word || (!rest.empty() && !parse_sense(rest, &b_.sense)))
      return bad("unknown objective sense " + quoted(rest));
  } else if (equals_folded(word, "objname")) {
    // It decides which N row is the objective.
    if (seen_rows_) return bad("OBJNAME after ROWS");
    if (!one_word) return kBadFormat;
    section_ = Section::ObjName;
    if (!rest.empty()) {
      objective_.assign(rest);
      objname_given_ = true;
    }
  } else if (equals_folded(word, "endata")) {
    ended_ = true;
  } else if (const Section s = data_section(word); s != Section::None) {
    section_ = s;
    if (s == Section::Rows) seen_rows_ = true;
  } else {
    return bad("unknown section " + quoted(word));
  }
  if (section_ != Section::Columns) integer_block_ = false;
  return kOk;
}

int MpsParser::data(std::string_view line) {
  switch (section_) {
    case Section::Rows:
      return rows_line(line);
    case Section::Columns:
      return columns_line(line);
    case Section::Rhs:
      return vector_line(line, false);
    case Section::Ranges:
      return vector_line(line, true);
    case Section::Bounds:
      return bounds_line(line);
    case Section::Sos:
      return split(line, &fields_) ? sos_line() : kBadFormat;
    case Section::QuadObj:
    case Section::QMatrix:
      return quad_line(line);
    case Section::Indicators:
      return indicator_line(line);
    case Section::ObjSense:
      if (!split(line, &fields_) || fields_.n != 1) return kBadFormat;
      return parse_sense(fields_[0], &b_.sense)
                 ? kOk
                 : bad("unknown objective sense " + quoted(fields_[0]));
    case Section::ObjName:
      if (seen_rows_) return bad("OBJNAME after ROWS");
      if (!split(line, &fields_) || fields_.n != 1) return kBadFormat;
      objective_.assign(fields_[0]);
      objname_given_ = true;
      return kOk;
    case Section::None:
    case Section::Name:
      return kBadFormat;
  }
  return kBadFormat;
}

int MpsParser::rows_line(std::string_view line) {
  std::string_view type, name;
  if (form_ == MpsForm::Free) {
    if (!split(line, &fields_) || fields_.n != 2) return expected("a row type and a name");
    type = fields_[0];
    name = fields_[1];
  } else {
    if (line.size() > 3 && !is_blank(line[3])) return kBadFormat;
    type = column_field(line, 1, 3);
    name = column_field(line, 4, std::string_view::npos);
  }
  if (type.size() != 1 || name.empty()) return kBadFormat;
  char t = type[0];
  if (t >= 'a' && t <= 'z') t = static_cast<char>(t - 'a' + 'A');
  if (t != 'N' && t != 'E' && t != 'L' && t != 'G') return bad("unknown row type " + quoted(type));
  if (b_.find_row(name) >= 0 || (has_objective_ && name == objective_))
    return bad("a second row named " + quoted(name));
  if (t == 'N' && !has_objective_ && (!objname_given_ || name == objective_)) {
    objective_.assign(name);
    has_objective_ = true;
    return kOk;
  }
  if (b_.add_row(name, -kInfinity, kInfinity) < 0) return kBadFormat;
  row_type_.push_back(t);
  row_rhs_.push_back(0);
  row_range_.push_back(0);
  has_range_.push_back(0);
  return kOk;
}

int MpsParser::columns_line(std::string_view line) {
  // Marker lines look alike in both forms; a fixed-form line may hold more
  // blanks than fields.
  const bool split_ok = split(line, &fields_);
  if (split_ok && fields_.n == 3 && equals_folded(fields_[1], "'marker'")) {
    if (equals_folded(fields_[2], "'intorg'")) {
      integer_block_ = true;
    } else if (equals_folded(fields_[2], "'intend'")) {
      integer_block_ = false;
    } else {
      return bad("unknown marker " + quoted(fields_[2]));
    }
    return kOk;
  }
  std::string_view col, row[2], value[2];
  int pairs;
  if (form_ == MpsForm::Free) {
    if (!split_ok || (fields_.n != 3 && fields_.n != 5))
      return expected("a column and one or two pairs of a row and a value");
    col = fields_[0];
    pairs = fields_.n == 3 ? 1 : 2;
    for (int k = 0; k < pairs; ++k) {
      row[k] = fields_[1 + 2 * k];
      value[k] = fields_[2 + 2 * k];
    }
  } else {
    std::array<std::string_view, 6> f;
    if (split_fixed(line, &f) != kOk) return kBadFormat;
    col = f[1];
    row[0] = f[2], value[0] = f[3], row[1] = f[4], value[1] = f[5];
    pairs = row[1].empty() && value[1].empty() ? 1 : 2;
  }
  if (col.empty()) return kBadFormat;
  if (current_col_ < 0 || col != current_col_name_) {
    current_col_ = b_.find_var(col);
    if (current_col_ < 0) {
      current_col_ = b_.add_var(col);
      if (current_col_ < 0) return kBadFormat;
      if (integer_block_) b_.type.back() = 'I';
      lb_given_.push_back(0);
      bound_given_.push_back(0);
      marker_integer_.push_back(integer_block_ ? 1 : 0);
    }
    // The builder's copy of the name stays put; col does not.
    current_col_name_ = b_.var_name(current_col_);
  }
  for (int k = 0; k < pairs; ++k) {
    double v;
    if (row[k].empty()) return kBadFormat;
    if (!parse_coefficient(value[k], &v)) return bad_value(value[k]);
    if (is_objective(row[k])) {
      b_.obj[static_cast<std::size_t>(current_col_)] += v;
      continue;
    }
    const int i = b_.find_row(row[k]);
    if (i < 0) return unknown("row", row[k]);
    b_.add_coeff(i, current_col_, v);
  }
  return kOk;
}

int MpsParser::vector_line(std::string_view line, bool ranges) {
  Entry e[2];
  int pairs;
  if (form_ == MpsForm::Free) {
    if (!split(line, &fields_) || fields_.n < 2 || fields_.n > 5)
      return expected("an optional vector name and one or two pairs of a row and a value");
    // An even count has no vector name.
    const std::size_t first = fields_.n % 2;
    pairs = static_cast<int>((fields_.n - first) / 2);
    for (int k = 0; k < pairs; ++k) {
      e[k].set = first == 1 ? fields_[0] : std::string_view();
      e[k].row = fields_[first + 2 * static_cast<std::size_t>(k)];
      e[k].value = fields_[first + 2 * static_cast<std::size_t>(k) + 1];
    }
  } else {
    std::array<std::string_view, 6> f;
    if (split_fixed(line, &f) != kOk) return kBadFormat;
    e[0] = {f[1], f[2], f[3]};
    e[1] = {f[1], f[4], f[5]};
    pairs = f[4].empty() && f[5].empty() ? 1 : 2;
  }
  if (!(ranges ? take_set(e[0].set, &range_set_, &range_seen_)
               : take_set(e[0].set, &rhs_set_, &rhs_seen_)))
    return kOk;
  for (int k = 0; k < pairs; ++k) {
    double v;
    if (e[k].row.empty()) return kBadFormat;
    if (!parse_number(e[k].value, &v)) return bad_value(e[k].value);
    if (is_objective(e[k].row)) {
      if (!ranges && !parse_coefficient(e[k].value, &v)) return bad_value(e[k].value);
      if (!ranges) b_.objcon = 0.0 - v;  // 0.0 - 0.0 is +0.0, unlike -v
      continue;
    }
    const int i = b_.find_row(e[k].row);
    if (i < 0) return unknown("row", e[k].row);
    const auto ii = static_cast<std::size_t>(i);
    if (ranges) {
      row_range_[ii] = v;
      has_range_[ii] = 1;
    } else {
      row_rhs_[ii] = v;
    }
  }
  return kOk;
}

int MpsParser::bounds_line(std::string_view line) {
  BoundLine b;
  const int rc =
      form_ == MpsForm::Free ? free_bound_fields(line, &b) : fixed_bound_fields(line, &b);
  if (rc != kOk) return rc;
  if (!take_set(b.set, &bound_set_, &bound_seen_)) return kOk;
  const int j = column(b.col);
  if (j < 0) return unknown("column", b.col);
  double v = 0;
  const bool has_value = !b.value.empty();
  if (has_value && !parse_number(b.value, &v)) return bad_value(b.value);
  bound_given_[static_cast<std::size_t>(j)] = 1;
  return apply_bound(b.type, j, v, has_value);
}

// The vector name is optional and some types take no value, so the meaning
// of a three-field line depends on its type and on which fields are columns.
int MpsParser::free_bound_fields(std::string_view line, BoundLine *b) {
  if (!split(line, &fields_) || fields_.n < 2 || fields_.n > 4)
    return expected("a bound type, an optional vector name, a column and a value");
  b->type = fields_[0];
  const bool needs_value = equals_folded(b->type, "up") || equals_folded(b->type, "lo") ||
                           equals_folded(b->type, "fx") || equals_folded(b->type, "li") ||
                           equals_folded(b->type, "ui");
  if (fields_.n == 4) {
    b->set = fields_[1], b->col = fields_[2], b->value = fields_[3];
  } else if (fields_.n == 2) {
    if (needs_value) return bad("bound type " + quoted(b->type) + " needs a value");
    b->col = fields_[1];
  } else if (needs_value || column(fields_[2]) < 0) {
    b->col = fields_[1], b->value = fields_[2];
  } else {
    b->set = fields_[1], b->col = fields_[2];
  }
  return kOk;
}

int MpsParser::fixed_bound_fields(std::string_view line, BoundLine *b) {
  std::array<std::string_view, 6> f;
  if (split_fixed(line, &f) != kOk) return kBadFormat;
  *b = {f[0], f[1], f[2], f[3]};
  return kOk;
}

// v is the line's value, 0 when it has none.
int MpsParser::apply_bound(std::string_view type, int j, double v, bool has_value) {
  const auto jj = static_cast<std::size_t>(j);
  double &lb = b_.lb[jj];
  double &ub = b_.ub[jj];
  // Bounds below zero on a column with no lower bound given open it below.
  const auto upper = [&](double bound) {
    ub = bound;
    if (bound < 0 && !lb_given_[jj] && lb == 0) lb = -kInfinity;
  };
  if (equals_folded(type, "up")) {
    upper(v);
  } else if (equals_folded(type, "lo")) {
    lb = v;
    lb_given_[jj] = 1;
  } else if (equals_folded(type, "fx")) {
    lb = ub = v;
    lb_given_[jj] = 1;
  } else if (equals_folded(type, "fr")) {
    lb = -kInfinity;
    ub = kInfinity;
    lb_given_[jj] = 1;
  } else if (equals_folded(type, "mi")) {
    lb = -kInfinity;
    lb_given_[jj] = 1;
  } else if (equals_folded(type, "pl")) {
    ub = kInfinity;
  } else if (equals_folded(type, "bv")) {
    b_.type[jj] = 'B';
    lb = 0;
    ub = 1;
    lb_given_[jj] = 1;
  } else if (equals_folded(type, "li")) {
    b_.type[jj] = 'I';
    lb = v;
    lb_given_[jj] = 1;
  } else if (equals_folded(type, "ui")) {
    b_.type[jj] = 'I';
    upper(v);
  } else if (equals_folded(type, "sc")) {
    b_.type[jj] = 'S';
    ub = has_value ? v : kInfinity;
  } else if (equals_folded(type, "si")) {
    b_.type[jj] = 'N';
    ub = has_value ? v : kInfinity;
  } else {
    return bad("unknown bound type " + quoted(type));
  }
  return kOk;
}

// Set names may be spelt like the types ("s1"), so a line that reads as a
// member of the open set is one; anything else must be a header.
int MpsParser::sos_line() {
  const Fields &f = fields_;
  double weight = 0;
  bool member = false;
  if (b_.num_sos() > 0) {
    if (f.n == 3) {
      member = column(f[1]) >= 0 && parse_coefficient(f[2], &weight);
    } else if (f.n == 2) {
      member = column(f[0]) >= 0 && parse_coefficient(f[1], &weight);
    } else if (f.n == 1) {
      int type;
      member = !is_sos_type(f[0], &type);
      weight = b_.last_sos_size() + 1;
    }
  }
  if (member) {
    const int j = column(f.n == 3 ? f[1] : f[0]);
    if (j < 0) return unknown("column", f.n == 3 ? f[1] : f[0]);
    b_.add_sos_member(j, weight);
    return kOk;
  }
  int type;
  if (f.n == 0 || f.n > 4 || !(is_sos_type(f[0], &type) || (f.n >= 2 && is_sos_type(f[1], &type))))
    return kBadFormat;
  b_.begin_sos(type);
  return kOk;
}

int MpsParser::quad_line(std::string_view line) {
  std::string_view c1, c2, value;
  if (form_ == MpsForm::Free) {
    if (!split(line, &fields_) || fields_.n != 3) return expected("two columns and a value");
    c1 = fields_[0], c2 = fields_[1], value = fields_[2];
  } else {
    std::array<std::string_view, 6> f;
    if (split_fixed(line, &f) != kOk) return kBadFormat;
    c1 = f[1], c2 = f[2], value = f[3];
  }
  const int i = column(c1);
  const int j = column(c2);
  double v;
  if (i < 0 || j < 0) return unknown("column", i < 0 ? c1 : c2);
  if (!parse_coefficient(value, &v)) return bad_value(value);
  const bool halve = section_ == Section::QMatrix || i == j;
  b_.add_qterm(i, j, halve ? v / 2 : v);
  return kOk;
}

int MpsParser::indicator_line(std::string_view line) {
  std::string_view word, row, col, value;
  if (form_ == MpsForm::Free) {
    if (!split(line, &fields_) || fields_.n != 4)
      return expected("IF, a row, a column and a value");
    word = fields_[0], row = fields_[1], col = fields_[2], value = fields_[3];
  } else {
    std::array<std::string_view, 6> f;
    if (split_fixed(line, &f) != kOk) return kBadFormat;
    word = f[0], row = f[1], col = f[2], value = f[3];
  }
  if (!equals_folded(word, "if")) return expected("IF, a row, a column and a value");
  const int i = b_.find_row(row);
  if (i < 0) return unknown("row", row);
  const int j = column(col);
  if (j < 0) return unknown("column", col);
  double v;
  if (!parse_number(value, &v)) return bad_value(value);
  if (v != 0 && v != 1) return bad("an indicator's value must be 0 or 1");
  indicators_.push_back({i, j, v == 1 ? 1 : 0});
  return kOk;
}

int MpsParser::finish() {
  if (objname_given_ && !has_objective_)
    return fail(kBadFormat, "OBJNAME names " + quoted(objective_) + ", which is no N row");
  for (std::size_t j = 0; j < marker_integer_.size(); ++j)
    if (marker_integer_[j] && !bound_given_[j]) b_.ub[j] = 1;
  for (int i = 0; i < b_.num_rows(); ++i) {
    const auto ii = static_cast<std::size_t>(i);
    const double r = row_rhs_[ii];
    const double range = row_range_[ii];
    const double width = range < 0 ? -range : range;
    double lo = -kInfinity, hi = kInfinity;
    switch (row_type_[ii]) {
      case 'E':
        lo = hi = r;
        if (has_range_[ii]) (range < 0 ? lo : hi) = r + range;
        break;
      case 'L':
        hi = r;
        if (has_range_[ii]) lo = r - width;
        break;
      case 'G':
        lo = r;
        if (has_range_[ii]) hi = r + width;
        break;
      default:
        break;  // N: a free row
    }
    b_.lhs[ii] = lo;
    b_.rhs[ii] = hi;
  }
  for (const IfLine &g : indicators_) {
    const auto ii = static_cast<std::size_t>(g.row);
    const char t = row_type_[ii];
    const std::string row = "row " + quoted(b_.row_name(g.row));
    if (t == 'N' || has_range_[ii])
      return fail(kBadFormat, row + ": an indicator on a free or ranged row");
    if (b_.is_indicator(g.row)) return fail(kBadFormat, row + ": a second indicator");
    const char sense = t == 'E' ? '=' : t == 'L' ? '<' : '>';
    b_.make_indicator(g.row, g.col, g.value, sense, row_rhs_[ii]);
  }
  return kOk;
}

}  // namespace

int parse_mps(LineReader &lines, MpsForm form, ModelBuilder &out) {
  return MpsParser(lines, form, out).run();
}

}  // namespace tvx
