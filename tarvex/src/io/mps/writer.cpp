// Free-form MPS files.
//
// The MPS written is what mps/reader.cpp reads back to the same store and
// what other solvers' MPS readers read as the same problem:
// - OBJSENSE MAX when maximising; the objective is the first N row, and its
//   RHS is the negated objective constant.
// - Columns in index order; one that appears nowhere else gets an explicit
//   zero objective entry so that it exists. Integer columns sit in
//   'MARKER' blocks; semi-continuous and semi-integer columns have the bound
//   types SC and SI.
// - Rows keep their exact sides: lhs == rhs is E, one infinite side L or G,
//   both N, and a range is an L or G row with the RANGES width for which the
//   reader's r + |R| or r - |R| gives the other side back bit for bit where
//   one exists (see plan_range).
// - Bounds are written only where they differ from what the reader assumes,
//   except that integer columns always get both bounds (readers differ on
//   the default upper bound of an integer column). A lower bound comes
//   before an upper bound, since "UP" below zero on a column without a
//   stated lower bound opens it below.
// - Indicators are rows of their own (after the linear rows) named in the
//   INDICATORS section; QUADOBJ holds one line per stored quadratic term.
#include <cmath>
#include <string>
#include <vector>

#include "core/status.h"
#include "io/file_names.h"
#include "io/file_report.h"
#include "io/model_files.h"
#include "io/text_writer.h"

namespace tvx {
namespace {

// How a row is stated: type, RHS value and, for a range, the RANGES value.
struct RowPlan {
  char type = 'N';
  double rhs = 0;
  bool ranged = false;
  double range = 0;
};

// A range needs a width d >= 0 with lo + d == hi (G row on lo) or
// hi - d == lo (L row on hi) in floating point. hi - lo rounded is such a
// width when it is exact, and a neighbour of it often is when it is not;
// when the sides differ in sign and their exact distance needs more bits
// than a double has, no width gives the other side back, and the nearest
// one is written: that side is then off by an ulp, a limit of the format.
bool plan_range(double lo, double hi, RowPlan *p) {
  const double d0 = hi - lo;
  if (!std::isfinite(d0) || d0 < 0) return false;
  double below = d0, above = d0;
  for (int step = 0; step < 4; ++step) {
    for (const double d : {below, above}) {
      if (d < 0) continue;
      if (lo + d == hi) {
        *p = {'G', lo, true, d};
        return true;
      }
      if (hi - d == lo) {
        *p = {'L', hi, true, d};
        return true;
      }
    }
    below = std::nextafter(below, -kInf);
    above = std::nextafter(above, kInf);
  }
  *p = {'G', lo, true, d0};
  return true;
}

// False for what MPS cannot state: a lower side above the upper side, or
// one so far below it that their distance is beyond the double range.
bool plan_row(double lo, double hi, RowPlan *p) {
  const bool no_lo = is_minus_infinite(lo), no_hi = is_plus_infinite(hi);
  if (no_lo && no_hi) {
    *p = {'N', 0, false, 0};
  } else if (no_lo) {
    *p = {'L', hi, false, 0};
  } else if (no_hi) {
    *p = {'G', lo, false, 0};
  } else if (lo == hi) {
    *p = {'E', lo, false, 0};
  } else {
    return plan_range(lo, hi, p);
  }
  return true;
}

char sense_type(char sense) { return sense == '<' ? 'L' : sense == '>' ? 'G' : 'E'; }

// Data lines of fields padded to a width, for the reader's eye only: the
// free form needs one blank between fields.
class Line {
 public:
  explicit Line(TextWriter &out) : out_(out) {}
  Line &start(std::string_view lead) {
    text_.assign(lead);
    return *this;
  }
  Line &field(std::string_view f, std::size_t width = 8) {
    text_.append(f);
    if (f.size() < width) text_.append(width - f.size(), ' ');
    text_.append("  ");
    return *this;
  }
  Line &number(double v) { return field(format_number(v), 0); }
  // The common data line: two names and a value.
  void entry(std::string_view a, std::string_view b, double v) {
    start("    ").field(a).field(b).number(v).end();
  }
  void marker(const char *which) {
    start("    ").field("MARKER").field("'MARKER'").field(which, 0).end();
  }
  void end() {
    while (!text_.empty() && text_.back() == ' ') text_.pop_back();
    text_.push_back('\n');
    out_ << text_;
  }

 private:
  TextWriter &out_;
  std::string text_;
};

void write_bounds(TextWriter &out, const Store &s, const FileNames &names, bool *header) {
  Line line(out);
  const Vars &v = s.vars();
  const auto bound = [&](const char *type, int j) {
    if (!*header) {
      out << "BOUNDS\n";
      *header = true;
    }
    line.start(" ").field(type, 2).field("BND").field(names.cols[to_size(j)]);
    return &line;
  };
  for (int j = 0; j < s.num_vars(); ++j) {
    const auto jj = to_size(j);
    const char t = v.type[jj];
    const double lb = v.lb[jj], ub = v.ub[jj];
    const bool no_lb = is_minus_infinite(lb), no_ub = is_plus_infinite(ub);
    if (t == 'S' || t == 'N') {
      if (no_lb) {
        bound("MI", j)->end();
      } else if (lb != 0) {
        bound("LO", j)->number(lb).end();
      }
      // Without a value the upper bound is infinite.
      const char *type = t == 'S' ? "SC" : "SI";
      if (no_ub) {
        bound(type, j)->end();
      } else {
        bound(type, j)->number(ub).end();
      }
      continue;
    }
    const bool integer = t == 'I';
    double cur_ub = kInfinity;
    bool lb_given = false;
    if (t == 'B') {
      bound("BV", j)->end();
      cur_ub = 1;
      lb_given = true;
    }
    if (!no_lb && !no_ub && lb == ub) {
      bound("FX", j)->number(lb).end();
    } else if (no_lb && no_ub) {
      bound("FR", j)->end();
    } else {
      if (no_lb) {
        bound("MI", j)->end();
      } else if (integer || lb != 0 || (ub < 0 && !lb_given)) {
        bound("LO", j)->number(lb).end();
      }
      if (no_ub) {
        if (integer || cur_ub != kInfinity) bound("PL", j)->end();
      } else if (integer || ub != cur_ub) {
        bound("UP", j)->number(ub).end();
      }
    }
  }
}

// The sections in their order, each written by its own method.
class MpsWriter {
 public:
  MpsWriter(TextWriter &out, const Store &s)
      : out_(out), s_(s), names_(file_names(s, NameStyle::Mps)), line_(out) {}

  // False when a row cannot be stated (plan_row).
  bool plan();
  void header();
  void rows();
  void columns();
  void rhs();
  void ranges();
  void bounds() {
    bool header = false;
    write_bounds(out_, s_, names_, &header);
  }
  void sets();
  void quadratic();
  void indicators();

 private:
  // The indicators' coefficients by column, indicators ascending.
  struct IndicatorColumns {
    std::vector<std::size_t> beg;  // per column, and one past the last
    std::vector<int> gen;
    std::vector<double> val;
  };
  IndicatorColumns indicator_columns() const;
  const std::string &col(int j) const { return names_.cols[to_size(j)]; }

  TextWriter &out_;
  const Store &s_;
  const FileNames names_;
  Line line_;
  std::vector<RowPlan> plans_;
};

bool MpsWriter::plan() {
  plans_.resize(to_size(s_.num_rows()));
  for (std::size_t i = 0; i < plans_.size(); ++i) {
    if (!plan_row(s_.rows().lhs[i], s_.rows().rhs[i], &plans_[i])) return false;
  }
  return true;
}

void MpsWriter::header() {
  // A problem name holding a line break would end the header line early.
  out_ << "NAME";
  if (!s_.name().empty() && s_.name().find_first_of("\r\n") == std::string::npos)
    out_ << "          " << s_.name();
  out_ << "\n";
  if (s_.sense() == TVX_MAXIMIZE) out_ << "OBJSENSE\n    MAX\n";
}

void MpsWriter::rows() {
  out_ << "ROWS\n";
  line_.start(" ").field("N", 2).field(names_.objective, 0).end();
  for (std::size_t i = 0; i < plans_.size(); ++i) {
    line_.start(" ").field(std::string(1, plans_[i].type), 2).field(names_.rows[i], 0).end();
  }
  const GenConstrs &g = s_.genconstrs();
  for (std::size_t k = 0; k < names_.gens.size(); ++k) {
    const std::string type(1, sense_type(g.sense[k]));
    line_.start(" ").field(type, 2).field(names_.gens[k], 0).end();
  }
}

MpsWriter::IndicatorColumns MpsWriter::indicator_columns() const {
  const GenConstrs &g = s_.genconstrs();
  const int ng = s_.num_genconstrs();
  IndicatorColumns c;
  c.beg.assign(to_size(s_.num_vars()) + 1, 0);
  for (int k = 0; k < ng; ++k) {
    const int *ind = g.terms.index(k);
    for (int e = 0; e < g.terms.length(k); ++e) ++c.beg[to_size(ind[e]) + 1];
  }
  for (std::size_t j = 0; j + 1 < c.beg.size(); ++j) c.beg[j + 1] += c.beg[j];
  c.gen.resize(c.beg.back());
  c.val.resize(c.beg.back());
  std::vector<std::size_t> next(c.beg.begin(), c.beg.end() - 1);
  for (int k = 0; k < ng; ++k) {
    const int *ind = g.terms.index(k);
    const double *val = g.terms.value(k);
    for (int e = 0; e < g.terms.length(k); ++e) {
      const std::size_t at = next[to_size(ind[e])]++;
      c.gen[at] = k;
      c.val[at] = val[e];
    }
  }
  return c;
}

void MpsWriter::columns() {
  const IndicatorColumns gcols = indicator_columns();
  const Vars &v = s_.vars();
  const ColumnView &cols = s_.columns();
  out_ << "COLUMNS\n";
  bool in_block = false;
  for (std::size_t j = 0; j < v.type.size(); ++j) {
    const bool integer = v.type[j] == 'I';
    if (integer != in_block) {
      line_.marker(integer ? "'INTORG'" : "'INTEND'");
      in_block = integer;
    }
    const std::string &name = names_.cols[j];
    const bool listed = cols.beg[j + 1] > cols.beg[j] || gcols.beg[j + 1] > gcols.beg[j];
    if (v.obj[j] != 0 || !listed) line_.entry(name, names_.objective, v.obj[j]);
    for (std::size_t e = cols.beg[j]; e < cols.beg[j + 1]; ++e)
      line_.entry(name, names_.rows[to_size(cols.row[e])], cols.val[e]);
    for (std::size_t e = gcols.beg[j]; e < gcols.beg[j + 1]; ++e)
      line_.entry(name, names_.gens[to_size(gcols.gen[e])], gcols.val[e]);
  }
  if (in_block) line_.marker("'INTEND'");
}

void MpsWriter::rhs() {
  out_ << "RHS\n";
  if (s_.objcon() != 0) line_.entry("RHS", names_.objective, 0.0 - s_.objcon());
  for (std::size_t i = 0; i < plans_.size(); ++i) {
    if (plans_[i].type != 'N' && plans_[i].rhs != 0)
      line_.entry("RHS", names_.rows[i], plans_[i].rhs);
  }
  const GenConstrs &g = s_.genconstrs();
  for (std::size_t k = 0; k < names_.gens.size(); ++k) {
    if (g.rhs[k] != 0) line_.entry("RHS", names_.gens[k], g.rhs[k]);
  }
}

void MpsWriter::ranges() {
  bool header = false;
  for (std::size_t i = 0; i < plans_.size(); ++i) {
    if (!plans_[i].ranged) continue;
    if (!header) {
      out_ << "RANGES\n";
      header = true;
    }
    line_.entry("RNG", names_.rows[i], plans_[i].range);
  }
}

void MpsWriter::sets() {
  if (s_.num_sos() == 0) return;
  out_ << "SOS\n";
  const SosSets &sos = s_.sos();
  for (int k = 0; k < s_.num_sos(); ++k) {
    const std::string set = "s" + std::to_string(k);
    const bool two = sos.type[to_size(k)] == TVX_SOS_TYPE2;
    line_.start(" ").field(two ? "S2" : "S1", 2).field("SOS").field(set).field("1", 0).end();
    const int *ind = sos.members.index(k);
    const double *w = sos.members.value(k);
    for (int e = 0; e < sos.members.length(k); ++e) line_.entry(set, col(ind[e]), w[e]);
  }
}

// The reader halves a diagonal line and takes an off-diagonal one whole.
void MpsWriter::quadratic() {
  const QTerms &q = s_.qterms();
  if (q.val.empty()) return;
  out_ << "QUADOBJ\n";
  for (std::size_t k = 0; k < q.val.size(); ++k) {
    const double value = q.row[k] == q.col[k] ? 2 * q.val[k] : q.val[k];
    line_.entry(col(q.row[k]), col(q.col[k]), value);
  }
}

void MpsWriter::indicators() {
  if (s_.num_genconstrs() == 0) return;
  const GenConstrs &g = s_.genconstrs();
  out_ << "INDICATORS\n";
  for (std::size_t k = 0; k < names_.gens.size(); ++k) {
    line_.start(" ").field("IF", 2).field(names_.gens[k]);
    line_.field(col(g.binvar[k]));
    line_.field(g.binval[k] ? "1" : "0", 0).end();
  }
}

}  // namespace

int check_mps_writable(const Store &s) {
  RowPlan plan;
  for (int i = 0; i < s.num_rows(); ++i) {
    const auto ii = to_size(i);
    if (!plan_row(s.rows().lhs[ii], s.rows().rhs[ii], &plan)) {
      const std::string &name = s.rows().names[i];
      return fail(kBadFormat, "row " + (name.empty() ? std::to_string(i) : quoted(name)) +
                                  ": MPS cannot state a lower side above the upper side, or one "
                                  "more than the double range below it");
    }
  }
  return TVX_ERROR_OKAY;
}

int write_mps(TextWriter &out, const Store &s) {
  MpsWriter writer(out, s);
  if (!writer.plan()) return kBadFormat;
  writer.header();
  writer.rows();
  writer.columns();
  writer.rhs();
  writer.ranges();
  writer.bounds();
  writer.sets();
  writer.quadratic();
  writer.indicators();
  out << "ENDATA\n";
  return out.status();
}

}  // namespace tvx
