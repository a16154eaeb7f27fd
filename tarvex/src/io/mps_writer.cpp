// Writing model files: the dispatch by suffix, what each format can state,
// and free-form MPS.
//
// The MPS written is what mps_reader.cpp reads back to the same store and
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

#include "io/file_writer.h"
#include "io/model_io.h"

namespace tvx {
namespace {

constexpr int kOk = TVX_ERROR_OKAY;
constexpr int kBad = TVX_ERROR_FORMAT_ERROR;

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
    below = std::nextafter(below, -HUGE_VAL);
    above = std::nextafter(above, HUGE_VAL);
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
    line.start(" ").field(type, 2).field("BND").field(names.cols[static_cast<std::size_t>(j)]);
    return &line;
  };
  for (int j = 0; j < s.num_vars(); ++j) {
    const auto jj = static_cast<std::size_t>(j);
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

}  // namespace

int check_model_writable(const Store &s, const std::string &format) {
  const bool mps = format == ".mps" || format == ".qps";
  if (!mps && format != ".lp") return kBad;
  if (s.num_psd_vars() > 0 || s.num_psd_rows() > 0) return kBad;
  // Both formats state a quadratic term at twice its value.
  for (const double q : s.qterms().val)
    if (!std::isfinite(2 * q)) return kBad;
  // An LP constraint is written with a term, if only a zero one.
  if (!mps && s.num_vars() == 0 && s.num_rows() > 0) return kBad;
  if (mps) {
    RowPlan plan;
    for (int i = 0; i < s.num_rows(); ++i) {
      const auto ii = static_cast<std::size_t>(i);
      if (!plan_row(s.rows().lhs[ii], s.rows().rhs[ii], &plan)) return kBad;
    }
  }
  return kOk;
}

int write_model_file(const char *filename, const Store &s) {
  const FileKind kind = file_kind(filename);
  const int rc = check_model_writable(s, kind.format);
  if (rc != kOk) return rc;
  const bool lp = kind.format == ".lp";
  return write_text_file(filename, kind.compression, [&](TextWriter &out) {
    return lp ? write_lp(out, s) : write_mps(out, s);
  });
}

int write_mps(TextWriter &out, const Store &s) {
  const FileNames names = file_names(s, NameStyle::Mps);
  const int n = s.num_vars(), m = s.num_rows(), ng = s.num_genconstrs();
  const Vars &v = s.vars();
  const Rows &r = s.rows();
  const GenConstrs &g = s.genconstrs();
  Line line(out);

  std::vector<RowPlan> plans(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    if (!plan_row(r.lhs[ii], r.rhs[ii], &plans[ii])) return kBad;
  }

  // A problem name holding a line break would end the header line early.
  out << "NAME";
  if (!s.name().empty() && s.name().find_first_of("\r\n") == std::string::npos)
    out << "          " << s.name();
  out << "\n";
  if (s.sense() == TVX_MAXIMIZE) out << "OBJSENSE\n    MAX\n";

  out << "ROWS\n";
  line.start(" ").field("N", 2).field(names.objective, 0).end();
  for (int i = 0; i < m; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    line.start(" ").field(std::string(1, plans[ii].type), 2).field(names.rows[ii], 0).end();
  }
  for (int k = 0; k < ng; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    const std::string type(1, sense_type(g.sense[kk]));
    line.start(" ").field(type, 2).field(names.gens[kk], 0).end();
  }

  // The indicators' coefficients by column, indicators ascending.
  std::vector<std::size_t> gbeg(static_cast<std::size_t>(n) + 1, 0);
  std::vector<int> gen_row;
  std::vector<double> gval;
  {
    for (int k = 0; k < ng; ++k) {
      const int *ind = g.terms.index(k);
      for (int e = 0; e < g.terms.length(k); ++e) ++gbeg[static_cast<std::size_t>(ind[e]) + 1];
    }
    for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) gbeg[j + 1] += gbeg[j];
    gen_row.resize(gbeg.back());
    gval.resize(gbeg.back());
    std::vector<std::size_t> next(gbeg.begin(), gbeg.end() - 1);
    for (int k = 0; k < ng; ++k) {
      const int *ind = g.terms.index(k);
      const double *val = g.terms.value(k);
      for (int e = 0; e < g.terms.length(k); ++e) {
        const std::size_t at = next[static_cast<std::size_t>(ind[e])]++;
        gen_row[at] = k;
        gval[at] = val[e];
      }
    }
  }

  out << "COLUMNS\n";
  const ColumnView &cols = s.columns();
  bool in_block = false;
  for (int j = 0; j < n; ++j) {
    const auto jj = static_cast<std::size_t>(j);
    const bool integer = v.type[jj] == 'I';
    if (integer != in_block) {
      line.marker(integer ? "'INTORG'" : "'INTEND'");
      in_block = integer;
    }
    const std::string &col = names.cols[jj];
    const bool listed = cols.beg[jj + 1] > cols.beg[jj] || gbeg[jj + 1] > gbeg[jj];
    if (v.obj[jj] != 0 || !listed) line.entry(col, names.objective, v.obj[jj]);
    for (std::size_t e = cols.beg[jj]; e < cols.beg[jj + 1]; ++e)
      line.entry(col, names.rows[static_cast<std::size_t>(cols.row[e])], cols.val[e]);
    for (std::size_t e = gbeg[jj]; e < gbeg[jj + 1]; ++e)
      line.entry(col, names.gens[static_cast<std::size_t>(gen_row[e])], gval[e]);
  }
  if (in_block) line.marker("'INTEND'");

  out << "RHS\n";
  if (s.objcon() != 0) line.entry("RHS", names.objective, 0.0 - s.objcon());
  for (int i = 0; i < m; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    if (plans[ii].type != 'N' && plans[ii].rhs != 0)
      line.entry("RHS", names.rows[ii], plans[ii].rhs);
  }
  for (int k = 0; k < ng; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    if (g.rhs[kk] != 0) line.entry("RHS", names.gens[kk], g.rhs[kk]);
  }

  bool header = false;
  for (int i = 0; i < m; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    if (!plans[ii].ranged) continue;
    if (!header) {
      out << "RANGES\n";
      header = true;
    }
    line.entry("RNG", names.rows[ii], plans[ii].range);
  }

  header = false;
  write_bounds(out, s, names, &header);

  if (s.num_sos() > 0) {
    out << "SOS\n";
    const SosSets &sos = s.sos();
    for (int k = 0; k < s.num_sos(); ++k) {
      const std::string set = "s" + std::to_string(k);
      const bool two = sos.type[static_cast<std::size_t>(k)] == TVX_SOS_TYPE2;
      line.start(" ").field(two ? "S2" : "S1", 2).field("SOS").field(set).field("1", 0).end();
      const int *ind = sos.members.index(k);
      const double *w = sos.members.value(k);
      for (int e = 0; e < sos.members.length(k); ++e)
        line.entry(set, names.cols[static_cast<std::size_t>(ind[e])], w[e]);
    }
  }

  const QTerms &q = s.qterms();
  if (!q.val.empty()) {
    // The reader halves a diagonal line and takes an off-diagonal one whole.
    out << "QUADOBJ\n";
    for (std::size_t k = 0; k < q.val.size(); ++k) {
      const double value = q.row[k] == q.col[k] ? 2 * q.val[k] : q.val[k];
      line.entry(names.cols[static_cast<std::size_t>(q.row[k])],
                 names.cols[static_cast<std::size_t>(q.col[k])], value);
    }
  }

  if (ng > 0) {
    out << "INDICATORS\n";
    for (int k = 0; k < ng; ++k) {
      const auto kk = static_cast<std::size_t>(k);
      line.start(" ").field("IF", 2).field(names.gens[kk]);
      line.field(names.cols[static_cast<std::size_t>(g.binvar[kk])]);
      line.field(g.binval[kk] ? "1" : "0", 0).end();
    }
  }
  out << "ENDATA\n";
  return out.status();
}

}  // namespace tvx
